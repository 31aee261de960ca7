// The score board's dart entry from the keyboard, as darts scorers do it with one hand on a
// numeric keypad: the digits of the target, then a multiplier key. A typed dart goes through
// the same handling as a click on its grid cell; Enter and Backspace with nothing typed are the
// send and the correction buttons.
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

#include "board_window.h"
#include "form_font.h"
#include "handler_gate.h"

namespace markwick {
namespace {

// A target has two digits; a third shows what was typed, and names no dart.
constexpr qsizetype kMostDigits = 3;

// The key of the dart entry that an event names, or 0. The keypad's keys count as the main
// ones; Shift is allowed, since "*" needs it on some layouts.
char DartKey(const QKeyEvent& event) {
  if (event.modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) return 0;
  const int key = event.key();
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<char>('0' + (key - Qt::Key_0));
  switch (key) {
    case Qt::Key_Slash:
      return '/';
    case Qt::Key_Asterisk:
      return '*';
    case Qt::Key_Minus:
      return '-';
    case Qt::Key_Period:
      return '.';
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return '\r';
    case Qt::Key_Backspace:
      return '\b';
    case Qt::Key_Escape:
      return '\x1b';
    default:
      return 0;
  }
}

}  // namespace

void TForm1::keyPressEvent(QKeyEvent* event) {
  // The grid and the buttons pass on the keys they do not use.
  const char key = DartKey(*event);
  if (key == 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  gate().Run([this, key] { FormKeyPress(key); });
}

void TForm1::FormKeyPress(char key) {
  if (key >= '0' && key <= '9') {
    if (typed_.size() < kMostDigits) typed_ += QLatin1Char(key);
    ShowTypedDigits();
    return;
  }
  switch (key) {
    case '/':
      if (!typed_.isEmpty()) EnterTypedDart(1);
      break;
    case '*':
      if (!typed_.isEmpty()) EnterTypedDart(2);
      break;
    case '-':
      if (!typed_.isEmpty()) EnterTypedDart(3);
      break;
    case '\r':
      if (!typed_.isEmpty()) {
        EnterTypedDart(1);
      } else if (Button1->isEnabled()) {
        Button1Click();
      }
      break;
    case '.':
      // After digits it is no multiplier: what was typed stays.
      if (typed_.isEmpty()) EnterTypedDart(0);
      break;
    case '\b':
      if (!typed_.isEmpty()) {
        typed_.chop(1);
        ShowTypedDigits();
      } else if (Button2->isEnabled()) {
        Button2Click();
      }
      break;
    case '\x1b':
      typed_.clear();
      ShowTypedDigits();
      break;
    default:
      break;
  }
}

void TForm1::EnterTypedDart(int32_t multiplier) {
  // A multiplier key ends the entry whether or not the digits name a dart; "0" with any of
  // them, or "." alone (multiplier 0), is the miss. The engine refuses what is no dart.
  const int32_t target = typed_.toInt();
  typed_.clear();
  ShowTypedDigits();
  engine_->EnterDart(target == 0 ? Dart::Miss() : Dart{target, multiplier});
  ShowStatsAtMatchEnd();
}

void TForm1::ShowTypedDigits() {
  if (typed_box_ == nullptr) {
    if (typed_.isEmpty()) return;
    // Above the send button, in the space that the status line's longest text leaves free, so
    // that it covers nothing of the board; it shows only while digits are typed.
    typed_box_ = new QLabel(this);
    typed_box_->setObjectName(QStringLiteral("TypedDigits"));
    typed_box_->setGeometry(212, 164, 53, 22);
    typed_box_->setFont(FormFont(16));
    typed_box_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    typed_box_->setAlignment(Qt::AlignCenter);
    typed_box_->setAutoFillBackground(true);
    typed_box_->setBackgroundRole(QPalette::Base);
    typed_box_->setAttribute(Qt::WA_TransparentForMouseEvents);
    typed_box_->setAccessibleName(QStringLiteral("入力中の数字"));
  }
  typed_box_->setText(typed_);
  typed_box_->setVisible(!typed_.isEmpty());
}

}  // namespace markwick
