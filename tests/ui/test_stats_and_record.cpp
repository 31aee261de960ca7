// The match record and the STATS window of a board opened with "設定しないでGo", the rival's
// turns applied as the link would hand them over.
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "link/turn_message.h"
#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/form_font.h"
#include "ui/stats_window.h"

using markwick::TForm1;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ModalBoxAnswerer;
using markwick::testing::ProgramWindows;

namespace {

QStringList TableRow(QTableWidget* table, int row) {
  QStringList texts;
  for (int col = 0; col < table->columnCount(); ++col) texts << table->item(row, col)->text();
  return texts;
}

}  // namespace

class StatsAndRecordTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  // After each turn, sent or applied, the record file holds every turn so far: it is read
  // through a file of its own while the board still runs, as it stands after a kill. The
  // rival's name, which the link takes as it comes, is kept out of the file name's forbidden
  // characters and stays text in a spreadsheet.
  void recordHoldsEveryTurnAfterEachTurn() {
    QTemporaryDir dir;
    ProgramWindows windows(dir.filePath("Markwick.ini"));
    TForm1& board = windows.Form2.ScoreBoard();
    windows.Form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows.Form2));
    ClickButton(windows.Form2.Button3);
    QVERIFY(QTest::qWaitForWindowExposed(&board));
    board.SetCellText(4, 0, "=1+2,\"x\"/y");
    QByteArray expected =
        "\xEF\xBB\xBF"
        "ラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点\r\n";
    const auto verify_file = [&] {
      const QStringList files = QDir(dir.filePath("records")).entryList(QDir::Files);
      QCOMPARE(files.size(), 1);
      QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d_\d{6}_FirstPlayer_=1\+2,_x__y\.csv$)")
                  .match(files[0])
                  .hasMatch());
      QFile file(dir.filePath("records/" + files[0]));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), expected);
    };

    for (const auto& cell : {QPoint(3, 1), QPoint(1, 7), QPoint(3, 7)}) {
      ClickCell(board, cell.x(), cell.y());
    }
    ClickButton(board.Button1);
    expected +=
        "1,FirstPlayer,1,20,3,20T,0\r\n1,FirstPlayer,2,25,2,DB,0\r\n"
        "1,FirstPlayer,3,0,0,×,0\r\n";
    verify_file();

    board.engine().ServerSocket1ClientRead(markwick::ReadTurnItems("19,19,0,3,3,0,"));
    const QByteArray rival = "\"'=1+2,\"\"x\"\"/y\"";
    expected +=
        "1," + rival + ",1,19,3,,57\r\n1," + rival + ",2,19,3,,57\r\n1," + rival + ",3,0,0,,57\r\n";
    verify_file();

    for (int dart = 0; dart < 3; ++dart) ClickCell(board, 2, 1);
    ClickButton(board.Button1);
    expected +=
        "2,FirstPlayer,1,20,1,20S,60\r\n2,FirstPlayer,2,20,1,20S,60\r\n"
        "2,FirstPlayer,3,20,1,20S,60\r\n";
    verify_file();
  }

  // Playing second, the board wins by closure right after its third send: once the result box
  // is closed, the STATS window opens with both players' figures, the first player's row
  // first. The record could not be saved (a file stands where its folder should be): no box
  // says so during play, the STATS window does. The context menu outside the grid opens it.
  void statsWindowAtTheEndAndFromTheMenu() {
    QTemporaryDir dir;
    QFile blocking(dir.filePath("records"));
    QVERIFY(blocking.open(QIODevice::WriteOnly));
    ProgramWindows windows(dir.filePath("Markwick.ini"));
    TForm1& board = windows.Form2.ScoreBoard();
    board.engine().ChooseSecondPlayer("花子");
    windows.Form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows.Form2));
    ClickButton(windows.Form2.Button3);
    QVERIFY(QTest::qWaitForWindowExposed(&board));

    ModalBoxAnswerer answerer;
    bool stats_shown_with_box = false;
    answerer.on_box = [&](const markwick::testing::AnsweredBox&) {
      stats_shown_with_box = board.stats_window() != nullptr;
    };
    const QPoint turns[3][3] = {{{3, 1}, {3, 1}, {3, 2}},   // 9 MARKS
                                {{3, 3}, {3, 4}, {3, 5}},   // WHITE HORSE
                                {{3, 6}, {1, 7}, {2, 7}}};  // 6 MARKS
    for (const auto& turn : turns) {
      board.engine().ServerSocket1ClientRead(markwick::ReadTurnItems("20,0,0,1,0,0,"));
      for (const QPoint& cell : turn) ClickCell(board, cell.x(), cell.y());
      QVERIFY(board.stats_window() == nullptr);
      ClickButton(board.Button1);
    }
    QCOMPARE(answerer.Texts(), std::vector<QString>{"花子60 Win!!"});
    QVERIFY(!stats_shown_with_box);
    markwick::StatsWindow* stats = board.stats_window();
    QVERIFY(stats != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(stats));
    QCOMPARE(stats->windowTitle(), QStringLiteral("成績"));
    QCOMPARE(stats->parentWidget(), &board);
    QStringList first = {"SecondPlayer", "3", "3", "1.00", "1", "1", "1"};
    QStringList second = {"花子", "3", "24", "8.00", "9", "9", "6"};
    for (int round = 4; round <= 20; ++round) first << "", second << "";
    QCOMPARE(TableRow(stats->players_table, 1), first);
    QCOMPARE(TableRow(stats->players_table, 2), second);
    QCOMPARE(TableRow(stats->awards_table, 0), QStringList({"アワード", "SecondPlayer", "花子"}));
    QCOMPARE(TableRow(stats->awards_table, 1), QStringList({"WHITE HORSE", "0", "1"}));
    QCOMPARE(TableRow(stats->awards_table, 5), QStringList({"9 MARKS", "0", "1"}));
    QCOMPARE(TableRow(stats->awards_table, 8), QStringList({"6 MARKS", "0", "1"}));
    QVERIFY(stats->record_note->isVisible());
    QVERIFY(stats->record_note->text().contains(QDir::toNativeSeparators(blocking.fileName())));
    QVERIFY(!QDir(blocking.fileName()).exists());

    // Closed, it comes back from the menu of a right click outside the grid, not inside it.
    stats->close();
    QVERIFY(!stats->isVisible());
    const auto right_click = [&board](QPoint place) {
      QContextMenuEvent event(QContextMenuEvent::Mouse, place, board.mapToGlobal(place));
      QApplication::sendEvent(&board, &event);
      return board.findChild<QMenu*>();
    };
    QVERIFY(right_click(markwick::testing::CellCentre(board, 3, 1)) == nullptr);
    QMenu* menu = right_click(QPoint(240, 174));
    QVERIFY(menu != nullptr && menu->isVisible());
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("成績"));
    menu->actions()[0]->trigger();
    QVERIFY(stats->isVisible());
    QCOMPARE(board.stats_window(), stats);
    QCOMPARE(answerer.boxes.size(), 1u);
  }
};

QTEST_MAIN(StatsAndRecordTest)
#include "test_stats_and_record.moc"
