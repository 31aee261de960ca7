#include "board_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <algorithm>

#include "auto_size_label.h"
#include "form_font.h"
#include "handler_gate.h"
#include "match_cues.h"
#include "match_record.h"
#include "message_boxes.h"
#include "placed.h"
#include "score_grid.h"
#include "start_dialog.h"
#include "state_dump.h"
#include "system_sound.h"
#include "utf8_text.h"

namespace markwick {

TForm1::TForm1(TForm2& main_window)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      main_window_(main_window) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Markwick"));
  setFixedSize(270, 229);
  setFont(FormFont(12));

  StringGrid1 = new ScoreGrid(5, 9, 20, 17, this);
  StringGrid1->setFont(FormFont(16));
  StringGrid1->setGeometry(2, 0, 105, 161);
  Button2 = Placed<QPushButton>(QRect(4, 164, 69, 21), this, QStringLiteral("修正"));
  Label6 = new AutoSizeLabel(QString(), QRect(84, 168, 4, 12), this);
  Bevel1 = new QFrame(this);
  Bevel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  Bevel1->setLineWidth(1);
  Bevel1->setGeometry(4, 192, 69, 33);
  Label5 = new AutoSizeLabel(QString(), QRect(8, 196, 25, 24), this);
  Label5->setFont(FormFont(24));
  Label4 = new AutoSizeLabel(QString(), QRect(36, 208, 32, 12), this);
  Label1 = new AutoSizeLabel(QStringLiteral("1投目"), QRect(80, 192, 30, 12), this);
  Label2 = new AutoSizeLabel(QStringLiteral("2投目"), QRect(124, 192, 30, 12), this);
  Label3 = new AutoSizeLabel(QStringLiteral("3投目"), QRect(168, 192, 30, 12), this);
  Edit1 = Placed<QLineEdit>(QRect(80, 204, 33, 20), this);
  Edit2 = Placed<QLineEdit>(QRect(124, 204, 33, 20), this);
  Edit3 = Placed<QLineEdit>(QRect(168, 204, 33, 20), this);
  Button1 = Placed<QPushButton>(QRect(212, 192, 53, 33), this, QStringLiteral("送信"));
  // The dart boxes only show; the buttons open with the first turn.
  for (QWidget* control : std::initializer_list<QWidget*>{Edit1, Edit2, Edit3, Button1, Button2}) {
    control->setEnabled(false);
  }
  dart_boxes_ = {Edit1, Edit2, Edit3};
  // A click on the send button leaves the keyboard focus where it was: the button disables
  // itself at once, and the focus it took would go straight back to the grid, repainting the
  // whole grid on the way out and again on the way back. Tab still reaches it.
  Button1->setFocusPolicy(Qt::TabFocus);

  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2->setObjectName(QStringLiteral("Button2"));
  Label6->setObjectName(QStringLiteral("Label6"));

  setTabOrder(StringGrid1, Edit1);
  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Edit3);
  setTabOrder(Edit3, Button1);
  setTabOrder(Button1, Button2);

  connect(StringGrid1, &ScoreGrid::CellSelected, this,
          gate().Entry(this, &TForm1::StringGrid1SelectCell));
  connect(Button1, &QPushButton::clicked, this, gate().Entry(this, &TForm1::Button1Click));
  connect(Button2, &QPushButton::clicked, this, gate().Entry(this, &TForm1::Button2Click));
  connect(Label6, &AutoSizeLabel::clicked, this, gate().Entry(this, &TForm1::Label6Click));

  // Creation: the grid's fixed texts; the engine puts the match state into its start values and
  // writes the start texts; then the name columns are widened and the grid takes the width of
  // its columns.
  constexpr const char* kLabels[8] = {"20", "19", "18", "17", "16", "15", "BU", "計"};
  for (int row = 1; row <= kScoreGridRow; ++row) {
    StringGrid1->SetCell(kSingleColumn, row, QString::fromUtf8(kLabels[row - 1]));
  }
  StringGrid1->SetCell(kDoubleColumn, kNameRow, QStringLiteral("D"));
  StringGrid1->SetCell(kTripleColumn, kNameRow, QStringLiteral("T"));
  StringGrid1->SetCell(kTripleColumn, kBullRow, QStringLiteral("外"));
  engine_.emplace(*this);
  StringGrid1->SetColWidth(kOwnColumn, 100);
  StringGrid1->SetColWidth(kRivalColumn, 100);
  int width = 0;
  for (int col = 0; col < StringGrid1->columnCount(); ++col) width += StringGrid1->ColWidth(col);
  StringGrid1->resize(width + StringGrid1->columnCount(), StringGrid1->height());
}

TForm1::~TForm1() = default;

void TForm1::StringGrid1SelectCell(int col, int row) {
  if (const std::optional<Dart> dart = DartOfCell(col, row)) {
    engine_->EnterDart(*dart);
  } else {
    engine_->JudgeOnSelection();
  }
  ShowStatsAtMatchEnd();
}

void TForm1::Button1Click() {
  engine_->SendOwnTurn();
  ShowStatsAtMatchEnd();
}

void TForm1::Button2Click() { engine_->TakeBackThrow(); }

void TForm1::Label6Click() {
  // The second text is built only once the first box has been closed.
  ShowMessage(StateDumpFirstText(engine_->state()));
  ShowMessage(StateDumpSecondText(engine_->state()));
}

HandlerGate& TForm1::gate() { return main_window_.gate(); }

void TForm1::FormShow() {
  main_window_.hide();
  StartRecord();
  LoadViewSettings();
}

void TForm1::FormClose() {
  StopLink();
  QCoreApplication::quit();
}

void TForm1::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored from the task bar, not shown anew
  CentreOverMainWindow();
  FormShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
  event->accept();
  gate().RunClosing([this] { FormClose(); });
}

void TForm1::CentreOverMainWindow() {
  // Both windows have the same kind of frame, so centring the client areas centres the frames.
  const QRect main = main_window_.geometry();
  int left = main_window_.x() + (main.width() - width()) / 2;
  int top = main_window_.y() + (main.height() - height()) / 2;
  // A board that would stick out over the top or left edge of the screen is kept on it.
  const QScreen* screen = main_window_.screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->virtualGeometry();
    left = std::max(left, area.left());
    top = std::max(top, area.top());
  }
  move(left, top);
}

namespace {

int ColumnOf(Side side) { return side == Side::Own ? kOwnColumn : kRivalColumn; }

}  // namespace

void TForm1::SetName(Side side, std::string_view name) {
  StringGrid1->SetCell(ColumnOf(side), kNameRow, FromUtf8(name));
  FollowBoard();
}

std::string TForm1::Name(Side side) const {
  return ToUtf8(StringGrid1->Cell(ColumnOf(side), kNameRow));
}

void TForm1::SetMarkSymbol(Side side, int row, std::string_view symbol) {
  StringGrid1->SetCell(ColumnOf(side), GridRowOfTarget(row), FromUtf8(symbol));
  FollowBoard();
}

void TForm1::SetScoreText(Side side, std::string_view score) {
  StringGrid1->SetCell(ColumnOf(side), kScoreGridRow, FromUtf8(score));
  FollowBoard();
}

void TForm1::SetStatusText(std::string_view text) {
  Label6->SetCaption(FromUtf8(text));
  FollowBoard();
}

void TForm1::SetStatusColour(StatusColour colour) {
  QPalette palette = Label6->palette();
  switch (colour) {
    case StatusColour::WindowText:
      palette.setColor(QPalette::WindowText, this->palette().color(QPalette::WindowText));
      break;
    case StatusColour::Blue:
      palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
      break;
    case StatusColour::Red:
      palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
      break;
  }
  Label6->setPalette(palette);
}

void TForm1::SetRoundText(std::string_view text) {
  Label5->SetCaption(FromUtf8(text));
  FollowBoard();
}

void TForm1::SetRoundMaxText(std::string_view text) { Label4->SetCaption(FromUtf8(text)); }

void TForm1::SetDartText(int dart, std::string_view text) {
  // A text box given its own text again would lay it out and repaint for nothing.
  QLineEdit* box = dart_boxes_.at(static_cast<size_t>(dart));
  const QString shown = FromUtf8(text);
  if (box->text() != shown) box->setText(shown);
  FollowBoard();
}

void TForm1::SetSendEnabled(bool enabled) { Button1->setEnabled(enabled); }

void TForm1::SetSendCaption(std::string_view caption) { Button1->setText(FromUtf8(caption)); }

void TForm1::SetCorrectEnabled(bool enabled) { Button2->setEnabled(enabled); }

void TForm1::ShowMessage(std::string_view text) {
  FollowBoard();  // a result shows on the big view under its box
  if (!replaying_) ShowMessageBox(FromUtf8(text));
}

}  // namespace markwick
