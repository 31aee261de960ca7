// Answers the modal message boxes that the code under test opens. Each box is recorded (text,
// icon, caption, buttons, place, parent, modality) and closed with its OK button (or the one a
// test asks for), so that no
// test leaves a box open. on_box runs while the box is still open: a test can act there as a
// user or a link event would while the box waits.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QStringList>
#include <QTimer>
#include <QWindow>
#include <functional>
#include <utility>
#include <vector>

namespace markwick::testing {

struct AnsweredBox {
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString title;
  QMessageBox::StandardButtons buttons;
  Qt::TextFormat text_format = Qt::AutoText;
  QRect frame;
  bool has_parent = false;
  Qt::WindowModality modality = Qt::NonModal;
  QStringList button_texts;
};

class ModalBoxAnswerer : public QObject {
 public:
  ModalBoxAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { Answer(); });
    timer_.start();
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* window) {
      if (window == nullptr) return;
      for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() == window && qobject_cast<QMessageBox*>(widget) == nullptr) {
          last_active_ = window;
        }
      }
    });
  }

  std::function<void(const AnsweredBox&)> on_box;
  // As desktops do, an answered box gives the activation back to the window that had it
  // before (the offscreen platform leaves no window active).
  bool give_back_activation = false;
  // The button pressed where a box has it; OK, or else the box's escape, where it has not.
  QMessageBox::StandardButton press = QMessageBox::Ok;
  std::vector<AnsweredBox> boxes;

  std::vector<QString> Texts() const {
    std::vector<QString> texts;
    for (const AnsweredBox& box : boxes) texts.push_back(box.text);
    return texts;
  }

 private:
  void Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible()) return;
    AnsweredBox seen;
    seen.text = box->text();
    seen.icon = box->icon();
    seen.title = box->windowTitle();
    seen.buttons = box->standardButtons();
    seen.text_format = box->textFormat();
    seen.frame = box->frameGeometry();
    seen.has_parent = box->parentWidget() != nullptr;
    seen.modality = box->windowModality();
    for (QAbstractButton* button : box->buttons()) seen.button_texts << button->text();
    boxes.push_back(seen);
    if (on_box) on_box(seen);
    QAbstractButton* button = box->button(press);
    if (button == nullptr) button = box->button(QMessageBox::Ok);
    if (button != nullptr) {
      button->click();
    } else {
      box->reject();
    }
    // A desktop hands the activation back a moment after the box has gone, not at once.
    if (give_back_activation && last_active_ != nullptr) {
      QTimer::singleShot(1, last_active_, [window = last_active_] { window->requestActivate(); });
    }
  }

  QTimer timer_;
  QPointer<QWindow> last_active_;
};

}  // namespace markwick::testing
