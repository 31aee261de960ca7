// The score board window: its layout after creation, the grid, a whole turn entered by clicks
// on grid cells with corrections and the send, the mark symbols and score cells, the selection
// rules as throws, and the state dump.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "engine/match_engine.h"
#include "link/turn_message.h"
#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/auto_size_label.h"
#include "ui/form_font.h"
#include "ui/state_dump.h"

using markwick::TForm1;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ModalBoxAnswerer;
using markwick::testing::ProgramWindows;

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

QColor StatusColour(const TForm1& board) {
  return board.Label6->palette().color(QPalette::WindowText);
}

QStringList DartBoxes(const TForm1& board) {
  return {board.Edit1->text(), board.Edit2->text(), board.Edit3->text()};
}

// The own (column 0) or rival (column 4) texts of the target rows 1..7.
QStringList MarkColumn(const TForm1& board, int col) {
  QStringList texts;
  for (int row = 1; row <= 7; ++row) texts << board.StringGrid1->Cell(col, row);
  return texts;
}

// Types a key sequence on the board where its focus is: characters on the main keys, those
// between "[" and "]" on the keypad; "R" is Return, "E" the keypad's Enter, "B" Backspace and
// "X" Esc.
void TypeKeys(TForm1& board, const QString& keys) {
  Qt::KeyboardModifiers modifiers;
  for (const QChar c : keys) {
    if (c == '[' || c == ']') {
      modifiers = c == '[' ? Qt::KeypadModifier : Qt::NoModifier;
      continue;
    }
    Qt::Key key = static_cast<Qt::Key>(c.unicode());
    Qt::KeyboardModifiers with = modifiers;
    switch (c.unicode()) {
      case 'R':
        key = Qt::Key_Return;
        break;
      case 'E':
        key = Qt::Key_Enter;
        with = Qt::KeypadModifier;
        break;
      case 'B':
        key = Qt::Key_Backspace;
        break;
      case 'X':
        key = Qt::Key_Escape;
        break;
      default:
        break;
    }
    QWidget* focused = QApplication::focusWidget();
    QTest::keyClick(focused != nullptr ? focused : &board, key, with);
  }
}

// The digits shown while they are typed; empty while none show.
QString TypedDigits(const TForm1& board) {
  const auto* box = board.findChild<QLabel*>(QStringLiteral("TypedDigits"));
  return box != nullptr && box->isVisible() ? box->text() : QString();
}

}  // namespace

class BoardWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    markwick::InstallFormFont();
    answerer_ = std::make_unique<ModalBoxAnswerer>();
  }

  void init() {
    QVERIFY(dir_.isValid());
    answerer_->boxes.clear();
    answerer_->on_box = nullptr;
    windows_ = std::make_unique<ProgramWindows>(dir_.filePath("Markwick.ini"));
    windows_->Form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows_->Form2));
  }

  void cleanup() {
    windows_.reset();
    QFile::remove(dir_.filePath("Markwick.ini"));
  }

  // The window after creation: fixed client size, caption, caption buttons, and every control
  // at its place with its start text and state.
  void windowAfterCreation() {
    TForm1& board = Board();
    QVERIFY(!board.isVisible());
    QVERIFY(board.isWindow());
    QCOMPARE(board.parentWidget(), nullptr);  // a window of its own beside the dialog
    QCOMPARE(board.windowTitle(), QStringLiteral("Markwick"));
    QCOMPARE(board.minimumSize(), QSize(270, 229));
    QCOMPARE(board.maximumSize(), QSize(270, 229));
    const Qt::WindowFlags flags = board.windowFlags();
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowSystemMenuHint);
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(board.font(), markwick::FormFont(12));

    QCOMPARE(board.StringGrid1->geometry(), QRect(2, 0, 265, 161));
    QCOMPARE(board.Button2->geometry(), QRect(4, 164, 69, 21));
    QCOMPARE(board.Label6->geometry(), QRect(84, 168, 4, 12));
    QCOMPARE(board.Bevel1->geometry(), QRect(4, 192, 69, 33));
    QCOMPARE(board.Bevel1->frameShadow(), QFrame::Sunken);
    QCOMPARE(board.Edit1->geometry(), QRect(80, 204, 33, 20));
    QCOMPARE(board.Edit2->geometry(), QRect(124, 204, 33, 20));
    QCOMPARE(board.Edit3->geometry(), QRect(168, 204, 33, 20));
    QCOMPARE(board.Button1->geometry(), QRect(212, 192, 53, 33));
    const struct {
      markwick::AutoSizeLabel* label;
      QPoint place;
      int height;
      QString text;
    } labels[] = {{board.Label5, {8, 196}, 24, "1"},
                  {board.Label4, {36, 208}, 12, "／20R"},
                  {board.Label1, {80, 192}, 12, "1投目"},
                  {board.Label2, {124, 192}, 12, "2投目"},
                  {board.Label3, {168, 192}, 12, "3投目"}};
    for (const auto& label : labels) {
      QCOMPARE(label.label->text(), label.text);
      QCOMPARE(label.label->pos(), label.place);
      QCOMPARE(label.label->height(), label.height);
      QVERIFY(label.label->width() > 0);
    }
    QCOMPARE(board.Label5->font().pixelSize(), 24);

    QCOMPARE(board.Button1->text(), QStringLiteral("送信"));
    QCOMPARE(board.Button2->text(), QStringLiteral("修正"));
    QVERIFY(!board.Button1->isEnabled());
    QVERIFY(!board.Button2->isEnabled());
    for (QLineEdit* box : {board.Edit1, board.Edit2, board.Edit3}) {
      QVERIFY(!box->isEnabled());
      QVERIFY(box->text().isEmpty());
    }
    QVERIFY(board.Label6->text().isEmpty());

    // Tab order: grid, the three boxes, send, correct.
    const QList<QWidget*> order = {board.StringGrid1, board.Edit1,   board.Edit2,
                                   board.Edit3,       board.Button1, board.Button2};
    QList<QWidget*> chain;
    for (QWidget* w = board.StringGrid1; chain.size() < order.size(); w = w->nextInFocusChain()) {
      if (order.contains(w)) chain << w;
      QVERIFY(w->nextInFocusChain() != board.StringGrid1 || chain.size() == order.size());
    }
    QCOMPARE(chain, order);
  }

  // The grid after creation: widths 100, 20, 20, 20, 100 in a grid of 265; rows of 17 pixels;
  // the fixed texts, the start names and no marks.
  void gridAfterCreation() {
    markwick::ScoreGrid* grid = Board().StringGrid1;
    QCOMPARE(grid->columnCount(), 5);
    QCOMPARE(grid->rowCount(), 9);
    const int widths[5] = {100, 20, 20, 20, 100};
    for (int col = 0; col < 5; ++col) QCOMPARE(grid->ColWidth(col), widths[col]);
    for (int row = 0; row < 9; ++row) QCOMPARE(grid->rowHeight(row), 17 + 1);  // and the line
    QCOMPARE(grid->width(), 265);
    QCOMPARE(grid->font().pixelSize(), 16);

    const QString expected[9][5] = {
        {"FirstPlayer", "D", "", "T", "SecondPlayer"},
        {"", "", "20", "", ""},
        {"", "", "19", "", ""},
        {"", "", "18", "", ""},
        {"", "", "17", "", ""},
        {"", "", "16", "", ""},
        {"", "", "15", "", ""},
        {"", "", "BU", "外", ""},
        {"", "", "計", "", ""},
    };
    for (int row = 0; row < 9; ++row) {
      for (int col = 0; col < 5; ++col) QCOMPARE(grid->Cell(col, row), expected[row][col]);
    }
  }

  // The dart of each grid cell, by its text: columns D, single and T of rows 1..7, the cell of
  // "外" the miss; every other cell is no dart.
  void cellsAndTheirDarts() {
    const char* expected[9][5] = {
        {"", "", "", "", ""},          {"", "20D", "20S", "20T", ""}, {"", "19D", "19S", "19T", ""},
        {"", "18D", "18S", "18T", ""}, {"", "17D", "17S", "17T", ""}, {"", "16D", "16S", "16T", ""},
        {"", "15D", "15S", "15T", ""}, {"", "DB", "SB", "×", ""},     {"", "", "", "", ""},
    };
    for (int row = -1; row <= 9; ++row) {
      for (int col = -1; col <= 5; ++col) {
        const std::optional<markwick::Dart> dart = markwick::DartOfCell(col, row);
        const bool inside = row >= 0 && row < 9 && col >= 0 && col < 5;
        const std::string text = inside ? expected[row][col] : "";
        QCOMPARE(dart.has_value(), !text.empty());
        if (dart) QCOMPARE(std::string(dart->Text()), text);
      }
    }
  }

  // "設定しないでGo": a board with no roles set; a whole turn by clicks, then the send. The
  // correction button stays disabled on such a board.
  void turnOnBoardOpenedWithoutSetUp() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button3);
    QVERIFY(QTest::qWaitForWindowExposed(&board));

    ClickCell(board, 3, 1);  // triple 20
    ClickCell(board, 2, 1);  // single 20: one mark beyond the third
    QCOMPARE(DartBoxes(board), QStringList({"20T", "20S", ""}));
    QVERIFY(!board.Button1->isEnabled());
    ClickButton(board.Button2);  // disabled: nothing taken back
    QCOMPARE(board.engine().state().Throw, 2);

    ClickCell(board, 1, 7);  // double bull
    QCOMPARE(DartBoxes(board), QStringList({"20T", "20S", "DB"}));
    QCOMPARE(MarkColumn(board, 0), QStringList({"○", "", "", "", "", "", "×"}));
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("20"));
    QVERIFY(board.Button1->isEnabled());

    ClickCell(board, 2, 2);  // a fourth dart is not entered
    QCOMPARE(board.engine().state().Throw, 3);

    ClickButton(board.Button1);
    QCOMPARE(DartBoxes(board), QStringList({"", "", ""}));
    QCOMPARE(board.Button1->text(), QStringLiteral("待ち"));
    QVERIFY(!board.Button1->isEnabled());
    QVERIFY(!board.Button2->isEnabled());
    QCOMPARE(board.Label6->text(), QStringLiteral("相手入力待ち"));
    QCOMPARE(StatusColour(board), kRed);
    QCOMPARE(board.engine().state().MarkCount[0], 4);
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("20"));
    QVERIFY(answerer_->boxes.empty());
  }

  // Playing first: the correction button takes darts back one by one (what each takes back is
  // the engine's test), the refusal when there is nothing left to take back, darts again and
  // the send.
  void turnWithCorrectionsAndSend() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button1);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    QVERIFY(board.Button2->isEnabled());

    ClickCell(board, 1, 2);  // double 19
    ClickCell(board, 3, 2);  // triple 19: 5 marks, 38 points
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("38"));
    ClickButton(board.Button2);
    QCOMPARE(DartBoxes(board), QStringList({"19D", "", ""}));
    QCOMPARE(MarkColumn(board, 0)[1], QStringLiteral("×"));
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("0"));
    ClickButton(board.Button2);
    QCOMPARE(DartBoxes(board), QStringList({"", "", ""}));
    QCOMPARE(MarkColumn(board, 0)[1], QString());
    QVERIFY(answerer_->boxes.empty());

    ClickButton(board.Button2);  // nothing left to take back
    QCOMPARE(answerer_->boxes.size(), 1u);
    QCOMPARE(answerer_->boxes[0].text, QStringLiteral("修正する記録がありません！"));
    QCOMPARE(answerer_->boxes[0].icon, QMessageBox::NoIcon);
    QCOMPARE(answerer_->boxes[0].title, QStringLiteral("Integrationtest-boardwindow"));

    ClickCell(board, 2, 3);
    ClickCell(board, 2, 4);
    ClickCell(board, 2, 5);
    QCOMPARE(DartBoxes(board), QStringList({"18S", "17S", "16S"}));
    ClickButton(board.Button1);
    QCOMPARE(board.Label6->text(), QStringLiteral("相手入力待ち"));
    QCOMPARE(StatusColour(board), kRed);
    QCOMPARE(board.Button1->text(), QStringLiteral("待ち"));
    QCOMPARE(MarkColumn(board, 0), QStringList({"", "", "＼", "＼", "＼", "", ""}));
    QCOMPARE(board.engine().state().MarkCount[1], 0);
  }

  // The score cells: the own one follows each dart, the rival's is set when the rival's turn
  // arrives, which also opens the next own turn.
  void scoreCellsAndTheRivalsTurn() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button1);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    ClickCell(board, 3, 1);
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("0"));
    ClickCell(board, 3, 1);  // 6 marks on 20: 60
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("60"));
    ClickCell(board, 3, 7);
    ClickButton(board.Button1);

    board.engine().TakeInRivalTurn(
        markwick::ReadTurnItems("25,25,19,3,2,1,"));  // 5 on the bull: 50
    QCOMPARE(board.StringGrid1->Cell(4, 8), QStringLiteral("50"));
    QCOMPARE(board.StringGrid1->Cell(0, 8), QStringLiteral("60"));
    QCOMPARE(MarkColumn(board, 4), QStringList({"", "＼", "", "", "", "", "○"}));
    QCOMPARE(board.Label5->text(), QStringLiteral("2"));
    QCOMPARE(board.Label6->text(), QStringLiteral("記録入力受付中"));
    QCOMPARE(StatusColour(board), kBlue);
    QCOMPARE(board.Button1->text(), QStringLiteral("送信"));
    QVERIFY(board.Button2->isEnabled());
  }

  // Every selection the grid reports is a dart (which presses, double clicks, drags and keys
  // are selections is the score grid's own test); the arrow keys pass the board's own keys.
  void gridSelectionsAreDarts() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button1);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    ClickCell(board, 3, 5);
    board.StringGrid1->setFocus();
    QTest::keyClick(board.StringGrid1, Qt::Key_Down);  // from (3,5) to (3,6)
    QCOMPARE(DartBoxes(board), QStringList({"16T", "15T", ""}));
  }

  // Darts from the keyboard: the digits of the target, then "/" or Enter (single), "*"
  // (double), "-" (triple); "0" with any of them or "." alone a miss; Enter and Backspace with
  // nothing typed are 送信 and 修正; a typed dart does what a click on its cell does in every
  // phase. The digits show while typed.
  void keyboardEntry_data() {
    QTest::addColumn<QString>("phase");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("darts");
    QTest::addColumn<QStringList>("boxes");
    QTest::addColumn<bool>("sent");  // Button1 reads "待ち"
    QTest::addColumn<QString>("typed");
    const QStringList none = {"", "", ""};
    const QStringList t20 = {"20T", "", ""};
    const QStringList three = {"20T", "20T", "20T"};
    const QStringList no_boxes;
    const QStringList refusal = {"修正する記録がありません！"};
    const QStringList result = {"SecondPlayer60 Win!!"};
    const auto row = [](const char* name, const QString& phase, const QString& keys,
                        const QStringList& darts, const QStringList& boxes, bool sent,
                        const QString& typed) {
      QTest::newRow(name) << phase << keys << darts << boxes << sent << typed;
    };
    row("triple 20", "open", "20-", t20, no_boxes, false, "");
    row("double bull", "open", "25*", QStringList{"DB", "", ""}, no_boxes, false, "");
    row("single bull, Return", "open", "25R", QStringList{"SB", "", ""}, no_boxes, false, "");
    row("three digits are nothing", "open", "2000/", none, no_boxes, false, "");
    row("0 and a multiplier, a miss", "open", "0*", QStringList{"×", "", ""}, no_boxes, false, "");
    row("period alone, a miss", "open", ".", QStringList{"×", "", ""}, no_boxes, false, "");
    row("period after digits", "open", "19.", none, no_boxes, false, "19");
    row("multiplier alone", "open", "/*-", none, no_boxes, false, "");
    row("single 19, keypad Enter", "open", "19E", QStringList{"19S", "", ""}, no_boxes, false, "");
    row("keypad darts", "open", "[18-25*.]", QStringList{"18T", "DB", "×"}, no_boxes, false, "");
    row("keypad single", "open", "[17/]", QStringList{"17S", "", ""}, no_boxes, false, "");
    row("digits show while typed", "open", "2", none, no_boxes, false, "2");
    row("at most three digits", "open", "[1234]", none, no_boxes, false, "123");
    row("Backspace deletes a digit", "open", "21B0-", t20, no_boxes, false, "");
    row("Esc clears the digits", "open", "19X18/", QStringList{"18S", "", ""}, no_boxes, false, "");
    row("Esc alone", "open", "25X", none, no_boxes, false, "");
    row("Backspace takes the dart back", "open", "20-19*B", t20, no_boxes, false, "");
    row("Backspace with nothing to correct", "open", "B", none, refusal, false, "");
    row("Enter before the third dart", "open", "R", none, no_boxes, false, "");
    row("a fourth dart", "three", "19-", three, no_boxes, false, "");
    row("Enter sends", "three", "R", none, no_boxes, true, "");
    row("keypad Enter sends", "three", "E", none, no_boxes, true, "");
    row("Backspace after three", "three", "B", QStringList{"20T", "20T", ""}, no_boxes, false, "");
    row("waiting: a dart", "waiting", "20-", none, no_boxes, true, "");
    row("waiting: Enter and Backspace", "waiting", "RB", none, no_boxes, true, "");
    row("over: a dart judges again", "over", "20-", none, result, false, "");
    row("over: a miss judges again", "over", ".", none, result, false, "");
    row("over: no dart, no box", "over", "14/", none, no_boxes, false, "");
  }
  void keyboardEntry() {
    QFETCH(QString, phase);
    QFETCH(QString, keys);
    QFETCH(QStringList, darts);
    QFETCH(QStringList, boxes);
    QFETCH(bool, sent);
    QFETCH(QString, typed);
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button1);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    if (phase == "three" || phase == "waiting") {
      for (int dart = 0; dart < 3; ++dart) ClickCell(board, 3, 1);
    }
    if (phase == "waiting") ClickButton(board.Button1);
    if (phase == "over") {
      // The rival closes everything ahead: the first player's receipt declares its win.
      board.engine().TakeInRivalTurn(markwick::ReadTurnItems("20,19,18,3,3,3,"));
      board.engine().TakeInRivalTurn(markwick::ReadTurnItems("17,16,15,3,3,3,"));
      board.engine().TakeInRivalTurn(markwick::ReadTurnItems("25,20,0,3,3,0,"));
      QVERIFY(board.engine().MatchDecided());
      answerer_->boxes.clear();
    }
    board.StringGrid1->setFocus();

    TypeKeys(board, keys);

    QCOMPARE(DartBoxes(board), darts);
    QStringList shown;
    for (const auto& box : answerer_->boxes) shown << box.text;
    QCOMPARE(shown, boxes);
    QCOMPARE(board.Button1->text(), sent ? QStringLiteral("待ち") : QStringLiteral("送信"));
    QCOMPARE(TypedDigits(board), typed);
  }

  // The typed digits show where they cover nothing of the board, with the longest status text.
  void typedDigitsCoverNothing() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button1);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    board.SetStatusText("全て投げ終わりました");
    board.StringGrid1->setFocus();
    TypeKeys(board, "20");
    const auto* box = board.findChild<QLabel*>(QStringLiteral("TypedDigits"));
    QVERIFY(box != nullptr && box->isVisible());
    QVERIFY(board.rect().contains(box->geometry()));
    for (QWidget* control : board.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (control == box || !control->isVisible()) continue;
      QVERIFY2(!control->geometry().intersects(box->geometry()), qPrintable(control->objectName()));
    }
  }

  // A click on the status line shows the two texts of the state dump, the second one built
  // once the first box has been closed; the clickable area of the empty line is 4 x 12.
  void stateDumpShowsTwoBoxes() {
    TForm1& board = Board();
    ClickButton(windows_->Form2.Button3);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    ClickCell(board, 3, 1);
    ClickCell(board, 2, 7);

    const markwick::MatchState& state = board.engine().state();
    const QString first = QString::fromStdString(markwick::StateDumpFirstText(state));
    answerer_->on_box = [&](const markwick::testing::AnsweredBox&) {
      // While the first box is open the state changes: the second text must show it.
      board.engine().EnterDart({19, 1});
      answerer_->on_box = nullptr;
    };
    QTest::mouseClick(board.windowHandle(), Qt::LeftButton, {}, QPoint(90, 174));  // beside it
    QVERIFY(answerer_->boxes.empty());
    QTest::mouseClick(board.windowHandle(), Qt::LeftButton, {}, QPoint(86, 174));
    QCOMPARE(answerer_->boxes.size(), 2u);
    QCOMPARE(answerer_->boxes[0].text, first);
    QVERIFY(first.startsWith(QStringLiteral("Throw:2\r\nMarkCount\r\n")));
    QCOMPARE(first.split(QStringLiteral("\r\n"))[21], QStringLiteral("showdata[2]"));
    QCOMPARE(answerer_->boxes[1].text,
             QString::fromStdString(markwick::StateDumpSecondText(state)));
    QVERIFY(answerer_->boxes[1].text.endsWith(QStringLiteral("3投:19")));
    for (const auto& box : answerer_->boxes) {
      QCOMPARE(box.icon, QMessageBox::NoIcon);
      QCOMPARE(box.title, QStringLiteral("Integrationtest-boardwindow"));
    }
    QCOMPARE(state.Throw, 3);
  }

 private:
  TForm1& Board() { return windows_->Form2.ScoreBoard(); }

  QTemporaryDir dir_;
  std::unique_ptr<ModalBoxAnswerer> answerer_;
  std::unique_ptr<ProgramWindows> windows_;
};

QTEST_MAIN(BoardWindowTest)
#include "test_board_window.moc"
