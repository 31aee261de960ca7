// The match record and the STATS window of a board opened with "設定しないでGo", the rival's
// turns applied as the link hands them over.
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "link/turn_message.h"
#include "modal_box_answerer.h"
#include "program_windows.h"
#include "ui/form_font.h"
#include "ui/match_record.h"
#include "ui/stats_window.h"

using markwick::ReadTurnItems;
using markwick::TForm1;
using markwick::testing::ClickButton;
using markwick::testing::ClickCell;
using markwick::testing::ContextMenuAt;

namespace {

// The texts of a block of cells, row by row.
QStringList Texts(QTableWidget* table, int row, int col, int rows, int cols) {
  QStringList texts;
  for (int r = row; r < row + rows; ++r) {
    for (int c = col; c < col + cols; ++c) texts << table->item(r, c)->text();
  }
  return texts;
}

}  // namespace

class StatsAndRecordTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { markwick::InstallFormFont(); }

  void init() {
    windows_ = std::make_unique<markwick::testing::ProgramWindows>(dir_.filePath("Markwick.ini"));
    windows_->Form2.show();
    QVERIFY(QTest::qWaitForWindowExposed(&windows_->Form2));
  }

  void cleanup() {
    windows_.reset();
    QDir(dir_.filePath("records")).removeRecursively();
    QFile::remove(dir_.filePath("records"));
  }

  // After each turn, sent or applied, the record file holds every turn so far: read through a
  // file of its own while the board runs, it is what a kill leaves. The rival's name, taken as
  // the link brings it, loses the characters a file name cannot hold and stays text in a
  // spreadsheet.
  void recordHoldsEveryTurnAfterEachTurn() {
    TForm1& board = Board();
    board.SetName(markwick::Side::Rival, "=1+2,\"x\"/y");
    QByteArray expected =
        "\xEF\xBB\xBFラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点,側,相手アドレス\r\n";
    const auto verify_file = [&] {
      const QStringList files = QDir(dir_.filePath("records")).entryList(QDir::Files);
      QCOMPARE(files.size(), 1);
      QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\d_\d{6}_FirstPlayer_=1\+2,_x__y\.csv$)")
                  .match(files[0])
                  .hasMatch());
      QFile file(dir_.filePath("records/" + files[0]));
      QVERIFY(file.open(QIODevice::ReadOnly));
      QCOMPARE(file.readAll(), expected);
    };

    Throw(board, {{3, 1}, {1, 7}, {3, 7}});
    expected +=
        "1,FirstPlayer,1,20,3,20T,0,自分,\r\n1,FirstPlayer,2,25,2,DB,0,自分,\r\n"
        "1,FirstPlayer,3,0,0,×,0,自分,\r\n";
    verify_file();

    board.engine().TakeInRivalTurn(ReadTurnItems("19,19,0,3,3,0,"));
    const QByteArray rival = "1,\"'=1+2,\"\"x\"\"/y\",";
    expected += rival + "1,19,3,,57,相手,\r\n" + rival + "2,19,3,,57,相手,\r\n" + rival +
                "3,0,0,,57,相手,\r\n";
    verify_file();

    Throw(board, {{2, 1}, {2, 1}, {2, 1}});
    expected +=
        "2,FirstPlayer,1,20,1,20S,60,自分,\r\n2,FirstPlayer,2,20,1,20S,60,自分,\r\n"
        "2,FirstPlayer,3,20,1,20S,60,自分,\r\n";
    verify_file();
  }

  // The side of each dart and the rival's address, as the board passes them: playing second
  // the first player's turns are the rival's. An address is text like a name (quoted, kept
  // from formulas).
  void recordKeepsSideAndRivalAddress_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("dotted") << "192.168.1.20" << QByteArray("192.168.1.20");
    QTest::newRow("none") << "" << QByteArray("");
    QTest::newRow("host name") << "dartsbar-pc" << QByteArray("dartsbar-pc");
    QTest::newRow("formula, comma") << "=A1,2" << QByteArray("\"'=A1,2\"");
  }
  void recordKeepsSideAndRivalAddress() {
    QFETCH(QString, address);
    QFETCH(QByteArray, field);
    const QDateTime started(QDate(2026, 12, 9), QTime(14, 9, 27));
    markwick::MatchRecord record(dir_.filePath("records"), started, address);
    markwick::PlayedTurn rival{1, true, {{20, 0, 25}, {3, 0, 1}}, {}, 0};
    markwick::PlayedTurn own{1, false, {{19, 19, 19}, {3, 3, 3}}, {"19T", "19T", "19T"}, 0};
    record.Append(rival, "太郎", "花子", false);
    record.Append(own, "太郎", "花子", true);
    QVERIFY2(record.failure().isEmpty(), qPrintable(record.failure()));
    QCOMPARE(QFileInfo(record.path()).fileName(), "2026-12-09_140927_太郎_花子.csv");
    QFile file(record.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(),
             "\xEF\xBB\xBFラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点,側,相手アドレス\r\n"
             "1,太郎,1,20,3,,0,相手," +
                 field + "\r\n1,太郎,2,0,0,,0,相手," + field + "\r\n1,太郎,3,25,1,,0,相手," +
                 field + "\r\n1,花子,1,19,3,19T,0,自分," + field + "\r\n1,花子,2,19,3,19T,0,自分," +
                 field + "\r\n1,花子,3,19,3,19T,0,自分," + field + "\r\n");
  }

  // A name is kept as text in the record's rows whatever it holds: quoted around a separator,
  // after an apostrophe where a spreadsheet would take it for a formula. A file that already
  // bears the record's name is kept, and the record takes the next number.
  void recordKeepsNamesAsTextAndFilesAsTheyWere_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("file_there");
    QTest::addColumn<QByteArray>("field");
    QTest::newRow("plain") << QStringLiteral("花子") << false << QByteArray("花子");
    QTest::newRow("a comma alone") << QStringLiteral("a,b") << false << QByteArray("\"a,b\"");
    QTest::newRow("formula -") << QStringLiteral("-1") << false << QByteArray("'-1");
    QTest::newRow("formula +") << QStringLiteral("+1") << false << QByteArray("'+1");
    QTest::newRow("formula @") << QStringLiteral("@x") << false << QByteArray("'@x");
    QTest::newRow("formula tab") << QStringLiteral("\tx") << false << QByteArray("'\tx");
    QTest::newRow("formula CR") << QStringLiteral("\rx") << false << QByteArray("\"'\rx\"");
    QTest::newRow("a file already there") << QStringLiteral("花子") << true << QByteArray("花子");
  }

  void recordKeepsNamesAsTextAndFilesAsTheyWere() {
    QFETCH(QString, name);
    QFETCH(bool, file_there);
    QFETCH(QByteArray, field);
    const QDateTime started(QDate(2026, 12, 9), QTime(14, 9, 27));
    const QDir folder(dir_.filePath("records"));
    QFile there(folder.filePath(markwick::RecordFileName(started, "太郎", name)));
    if (file_there) {
      QVERIFY(folder.mkpath("."));
      QVERIFY(there.open(QIODevice::WriteOnly));
      there.write("kept");
      there.close();
    }
    markwick::MatchRecord record(folder.path(), started);
    record.Append({1, false, {{20, 0, 0}, {3, 0, 0}}, {}, 0}, "太郎", name, false);
    QCOMPARE(record.failure(), QString());
    QCOMPARE(QFileInfo(record.path()).fileName(),
             markwick::RecordFileName(started, "太郎", name, file_there ? 2 : 1));
    QFile file(record.path());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(
        file.readAll(),
        "\xEF\xBB\xBFラウンド,プレイヤー,投目,ターゲット,マーク,表示,得点,側,相手アドレス\r\n1," +
            field + ",1,20,3,,0,相手,\r\n1," + field + ",2,0,0,,0,相手,\r\n1," + field +
            ",3,0,0,,0,相手,\r\n");
    if (file_there) {
      QVERIFY(there.open(QIODevice::ReadOnly));
      QCOMPARE(there.readAll(), "kept");
    }
  }

  // Playing second, the board wins by closure right after its third send: once the result box
  // is closed the STATS window opens, the first player's row first. The record could not be
  // saved (a file stands where its folder goes): no box says so, the window does. Closed, the
  // window comes back from the menu of a right click outside the grid.
  void statsWindowAtTheEndAndFromTheMenu() {
    QFile blocking(dir_.filePath("records"));
    QVERIFY(blocking.open(QIODevice::WriteOnly));
    TForm1& board = Board("花子");
    markwick::testing::ModalBoxAnswerer answerer;
    bool stats_with_box = false;
    answerer.on_box = [&](const auto&) { stats_with_box = board.stats_window() != nullptr; };
    board.engine().TakeInRivalTurn(ReadTurnItems("20,0,0,1,0,0,"));
    Throw(board, {{3, 1}, {3, 1}, {3, 2}});  // 9 MARKS
    board.engine().TakeInRivalTurn(ReadTurnItems("20,0,0,1,0,0,"));
    Throw(board, {{3, 3}, {3, 4}, {3, 5}});  // WHITE HORSE
    board.engine().TakeInRivalTurn(ReadTurnItems("20,0,0,1,0,0,"));
    Throw(board, {{3, 6}, {1, 7}, {2, 7}});  // 6 MARKS
    QCOMPARE(answerer.Texts(), std::vector<QString>{"花子60 Win!!"});
    QVERIFY(!stats_with_box);
    markwick::StatsWindow* stats = board.stats_window();
    QVERIFY(stats != nullptr && stats->parentWidget() == &board);
    QVERIFY(QTest::qWaitForWindowExposed(stats));
    QCOMPARE(stats->windowTitle(), QStringLiteral("成績"));
    // Rows of players: name, turns, marks, MPR, rounds 1..4; columns of players by award.
    QCOMPARE(Texts(stats->players_table, 1, 0, 2, 8).join(u'|'),
             "SecondPlayer|3|3|1.00|1|1|1||花子|3|24|8.00|9|9|6|");
    QCOMPARE(Texts(stats->awards_table, 0, 1, 10, 2).join(u' '),
             "SecondPlayer 花子 0 1 0 0 0 0 0 0 0 1 0 0 0 0 0 1 0 0");
    QVERIFY(stats->record_note->isVisible());
    QVERIFY(stats->record_note->text().contains(QDir::toNativeSeparators(blocking.fileName())));

    stats->close();
    QVERIFY(ContextMenuAt(board, markwick::testing::CellCentre(board, 3, 1)) == nullptr);
    QMenu* menu = ContextMenuAt(board, markwick::testing::kBesideTheGrid);
    QVERIFY(menu != nullptr && menu->isVisible());
    QCOMPARE(menu->actions().size(), 4);  // beside the big view and the sound
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("成績"));
    QCOMPARE(menu->actions()[1]->text(), QStringLiteral("戦績"));
    menu->actions()[0]->trigger();
    QVERIFY(stats->isVisible());
    QCOMPARE(answerer.boxes.size(), 1u);
  }

  // Opened by itself right after a box, while no window is active yet (the desktop has not yet
  // handed the activation back to the board), the STATS window leaves the board the keyboard.
  void statsWindowOpenedByItselfLeavesTheBoardActive() {
    TForm1& board = Board();
    QTRY_COMPARE(QApplication::activeWindow(), &board);
    QWidget box;
    box.show();
    QTRY_COMPARE(QApplication::activeWindow(), &box);
    box.hide();
    QTRY_COMPARE(QApplication::activeWindow(), nullptr);
    markwick::StatsWindow stats(&board);
    stats.Open(true);
    QVERIFY(QTest::qWaitForWindowExposed(&stats));
    QTRY_COMPARE(QApplication::activeWindow(), &board);
    stats.Open(false);  // from the menu it comes to the front with the keyboard
    QTRY_COMPARE(QApplication::activeWindow(), &stats);
  }

 private:
  // The board shown by "設定しないでGo", playing first, or second under the name given.
  TForm1& Board(const char* second_name = nullptr) {
    TForm1& board = windows_->Form2.ScoreBoard();
    if (second_name != nullptr) board.engine().ChooseSecondPlayer(second_name);
    ClickButton(windows_->Form2.Button3);
    if (!QTest::qWaitForWindowExposed(&board)) QTest::qFail("board not shown", __FILE__, __LINE__);
    return board;
  }

  // Three darts by clicks on their cells, then the send.
  static void Throw(TForm1& board, std::initializer_list<QPoint> cells) {
    for (const QPoint& cell : cells) ClickCell(board, cell.x(), cell.y());
    ClickButton(board.Button1);
  }

  QTemporaryDir dir_;
  std::unique_ptr<markwick::testing::ProgramWindows> windows_;
};

QTEST_MAIN(StatsAndRecordTest)
#include "test_stats_and_record.moc"
