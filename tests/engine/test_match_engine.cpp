// The match state at start-up and after the role choices, what a grid selection does in each
// phase, the mark symbols, and a send that fails.
#include <QtTest>

#include <cstring>
#include <stdexcept>

#include "engine_fixtures.h"

using namespace markwick;
using namespace markwick::testing;

Q_DECLARE_METATYPE(Cell)

class MatchEngineTest : public QObject {
  Q_OBJECT
 private slots:
  // Creation puts every variable at its start value and writes the board's fixed texts.
  void creationSetsStartValues() {
    RecordingBoard board;
    MatchEngine engine(board);
    const MatchState& s = engine.state();
    QCOMPARE(s.RoundNo, 1);
    QCOMPARE(s.RoundMax, 20);
    QVERIFY(s.IsFirstPlayer);
    QVERIFY(s.InputOpen);
    QCOMPARE(s.Throw, 0);
    QCOMPARE(s.ThrowNumber, 0);
    for (int r = 0; r < 8; ++r) {
      QCOMPARE(s.MarkCount[r], 0);
      QCOMPARE(s.r_MarkCount[r], 0);
      for (int stage = 0; stage < 4; ++stage) QCOMPARE(s.showdata[r][stage], 0);
    }
    for (int t = 0; t < 3; ++t) {
      QCOMPARE(s.nowmark[t], 0);
      QCOMPARE(s.nowdata[t + 1], 0);
      QVERIFY(s.ThrowText[t].empty());
    }
    QCOMPARE(board.round, "1");
    QCOMPARE(board.round_max, "／20R");
    const char* labels[8] = {"20", "19", "18", "17", "16", "15", "BU", "計"};
    for (int row = 1; row <= 8; ++row) QCOMPARE(board.CellText(2, row), labels[row - 1]);
    QCOMPARE(board.CellText(1, 0), "D");
    QCOMPARE(board.CellText(3, 0), "T");
    QCOMPARE(board.CellText(3, 7), "外");
    QCOMPARE(board.CellText(0, 0), "FirstPlayer");
    QCOMPARE(board.CellText(4, 0), "SecondPlayer");
    QVERIFY(!board.send_enabled);
    QVERIFY(!board.correct_enabled);
    QVERIFY(board.status.empty());
  }

  // Playing first opens round 1 without StartTurn; waiting as second is the waiting phase.
  void roleChoicesSetThePhase() {
    RecordingBoard first_board;
    MatchEngine first(first_board);
    first.ChooseFirstPlayer("Alice");
    QVERIFY(first.state().IsFirstPlayer);
    QVERIFY(first.state().InputOpen);
    QCOMPARE(first_board.CellText(0, 0), "Alice");
    QCOMPARE(first_board.status, "記録入力受付中");
    QCOMPARE(first_board.status_colour, StatusColour::Blue);
    QVERIFY(first_board.correct_enabled);
    QVERIFY(!first_board.send_enabled);
    QCOMPARE(first_board.send_caption, "送信");
    QCOMPARE(first_board.round, "1");

    RecordingBoard second_board;
    MatchEngine second(second_board);
    second.ChooseSecondPlayer("Bob");
    QVERIFY(!second.state().IsFirstPlayer);
    QVERIFY(!second.state().InputOpen);
    QCOMPARE(second_board.CellText(0, 0), "Bob");
    QCOMPARE(second_board.status, "相手入力待ち");
    QCOMPARE(second_board.status_colour, StatusColour::Red);
    QVERIFY(!second_board.correct_enabled);
    QVERIFY(!second_board.send_enabled);
    QCOMPARE(second_board.send_caption, "送信");
    QCOMPARE(second_board.round, "1");
    // A throw cell while waiting enters nothing.
    Select(second, Triple(20));
    QCOMPARE(second.state().Throw, 0);
    QCOMPARE(second.state().showdata[0][1], 0);
  }

  // The state alone decides what a selection does. The rival has closed everything and the
  // scores are level, so every JudgeMatch call shows the draw and is seen in the messages.
  void selectionFollowsThePhase_data() {
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("input_open");
    QTest::addColumn<int>("throws");
    QTest::addColumn<Cell>("cell");
    QTest::addColumn<bool>("entered");
    QTest::addColumn<bool>("judged");
    QTest::newRow("all played, throw cell") << 21 << true << 0 << Single(20) << false << false;
    QTest::newRow("all played, other cell") << 21 << true << 0 << Cell{0, 8} << false << false;
    QTest::newRow("all played, closed") << 21 << false << 0 << Single(20) << false << false;
    QTest::newRow("waiting, throw cell") << 5 << false << 0 << Single(20) << false << true;
    QTest::newRow("waiting, other cell") << 5 << false << 0 << Cell{4, 3} << false << true;
    QTest::newRow("entering, throw cell") << 5 << true << 0 << Double(25) << true << false;
    QTest::newRow("entering, miss cell") << 5 << true << 2 << kMiss << true << false;
    QTest::newRow("entering, own mark column") << 5 << true << 0 << Cell{0, 1} << false << true;
    QTest::newRow("entering, rival mark column") << 5 << true << 1 << Cell{4, 7} << false << true;
    QTest::newRow("entering, header row") << 5 << true << 0 << Cell{1, 0} << false << true;
    QTest::newRow("entering, score row") << 5 << true << 0 << Cell{2, 8} << false << true;
    QTest::newRow("complete, throw cell") << 5 << true << 3 << Triple(19) << false << false;
    QTest::newRow("complete, other cell") << 5 << true << 3 << Cell{0, 0} << false << true;
  }
  void selectionFollowsThePhase() {
    QFETCH(int, round);
    QFETCH(bool, input_open);
    QFETCH(int, throws);
    QFETCH(Cell, cell);
    QFETCH(bool, entered);
    QFETCH(bool, judged);
    RecordingBoard board;
    MatchEngine engine(board);
    CompleteTurn(engine, Marks{}, kAllClosed);
    MatchState& s = engine.state();
    s.Throw = throws;
    s.InputOpen = input_open;
    s.RoundNo = round;
    int32_t before[8][4];
    std::memcpy(before, s.showdata, sizeof before);

    Select(engine, cell);

    QCOMPARE(s.Throw, entered ? throws + 1 : throws);
    const bool miss = cell.col == 3 && cell.row == 7;
    QCOMPARE(std::memcmp(before, s.showdata, sizeof before) == 0, !entered || miss);
    QCOMPARE(board.messages.size(), judged ? size_t{1} : size_t{0});
    if (judged) {
      QCOMPARE(board.messages[0], "FirstPlayervsSecondPlayer\r\n   0   0\r\n ドロー！");
      QCOMPARE(board.status, "試合終了");
      QVERIFY(!s.InputOpen);
    } else {
      QCOMPARE(s.InputOpen, input_open);
    }
  }

  // Own symbols follow the current stage, the rival's the committed counts; both sides at 3 or
  // more read "－－"; a negative rival count leaves its cell alone; rows 0 and 8 are not touched.
  void markSymbols_data() {
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("rival");
    QTest::addColumn<QString>("own_symbol");
    QTest::addColumn<QString>("rival_symbol");
    QTest::newRow("none") << 0 << 0 << ""
                          << "";
    QTest::newRow("one and two") << 1 << 2 << "＼"
                                 << "×";
    QTest::newRow("own closed") << 3 << 2 << "○"
                                << "×";
    QTest::newRow("own scoring") << 5 << 0 << "○"
                                 << "";
    QTest::newRow("rival scoring") << 2 << 9 << "×"
                                   << "○";
    QTest::newRow("both closed") << 3 << 3 << "－－"
                                 << "－－";
    QTest::newRow("both beyond") << 7 << 4 << "－－"
                                 << "－－";
    QTest::newRow("rival negative") << 1 << -1 << "＼"
                                    << "kept";
    QTest::newRow("rival very negative") << 4 << -2147483647 << "○"
                                         << "kept";
  }
  void markSymbols() {
    QFETCH(int, own);
    QFETCH(int, rival);
    QFETCH(QString, own_symbol);
    QFETCH(QString, rival_symbol);
    for (int row = 0; row < kTargetRows; ++row) {
      RecordingBoard board;
      MatchEngine engine(board);
      OpenTurn(engine, With(Marks{}, {{row, own}}), With(Marks{}, {{row, rival}}));
      board.SetCellText(4, row + 1, "kept");
      board.SetCellText(0, 8, "score");
      engine.ShowMarks();
      QCOMPARE(QString::fromStdString(board.Own(row + 1)), own_symbol);
      QCOMPARE(QString::fromStdString(board.Rival(row + 1)), rival_symbol);
      QCOMPARE(board.CellText(0, 0), "FirstPlayer");
      QCOMPARE(board.CellText(4, 0), "SecondPlayer");
      QCOMPARE(board.CellText(0, 8), "score");
    }
  }

  // A failing send ends SendOwnTurn at the send: the commit is done and Button2 disabled, but
  // input stays open and Button1 enabled; nothing is cleared and nothing goes out.
  void failedSendStopsAtTheSend() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseFirstPlayer("Player1");
    Select(engine, Triple(20));
    Select(engine, Triple(20));
    Select(engine, Single(19));
    QVERIFY(board.send_enabled);
    const std::string failure = "送信できませんでした";
    board.send_failure = &failure;

    QVERIFY_THROWS_EXCEPTION(std::runtime_error, engine.SendOwnTurn());

    const MatchState& s = engine.state();
    QCOMPARE(s.MarkCount[0], 6);
    QCOMPARE(s.MarkCount[1], 1);
    QCOMPARE(s.MarkCount[7], 0);  // CalcOwnScore comes after the send
    QVERIFY(s.InputOpen);
    QVERIFY(board.send_enabled);
    QCOMPARE(board.send_caption, "送信");
    QVERIFY(!board.correct_enabled);
    QCOMPARE(board.status, "記録入力受付中");
    QCOMPARE(s.nowdata[1], 20);
    QCOMPARE(s.ThrowText[2], "19S");
    QVERIFY(board.sent.empty());
    // Played before the send: the record holds it whatever the send does.
    QCOMPARE(board.played.size(), 1u);

    // A second click commits the same marks again and sends the same turn, played once.
    board.send_failure = nullptr;
    engine.SendOwnTurn();
    QCOMPARE(board.sent, std::vector<std::string>{"20,20,19,3,3,1,"});
    QVERIFY((board.played == std::vector<PlayedTurn>{
                                 {1, true, {{20, 20, 19}, {3, 3, 1}}, {"20T", "20T", "19S"}, 60}}));
    QCOMPARE(s.MarkCount[0], 6);
    QCOMPARE(s.MarkCount[7], 60);
    QVERIFY(!s.InputOpen);
  }
};

QTEST_APPLESS_MAIN(MatchEngineTest)
#include "test_match_engine.moc"
