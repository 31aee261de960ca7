// The match state at start-up and after the role choices, what a dart or another selection
// does in each phase, darts that cannot be, the mark symbols, and a send that fails.
#include <QtTest>

#include <cstring>
#include <optional>
#include <stdexcept>

#include "engine_fixtures.h"

using namespace markwick;
using namespace markwick::testing;

Q_DECLARE_METATYPE(Dart)
Q_DECLARE_METATYPE(std::optional<Dart>)

class MatchEngineTest : public QObject {
  Q_OBJECT
 private slots:
  // Creation puts every variable at its start value and writes the board's start texts.
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
    QCOMPARE(board.own.name, "FirstPlayer");
    QCOMPARE(board.rival.name, "SecondPlayer");
    QVERIFY(!board.send_enabled);
    QVERIFY(!board.correct_enabled);
    QVERIFY(board.status.empty());
  }

  // Playing first opens round 1 without StartTurn; waiting as second is the waiting phase. The
  // start dialog's tests show the names, statuses, colours, round and correction button of both
  // through the window; the send button's caption and the second player's send button remain.
  void roleChoicesSetThePhase() {
    RecordingBoard first_board;
    MatchEngine first(first_board);
    first.ChooseFirstPlayer("Alice");
    QCOMPARE(first_board.send_caption, "送信");

    RecordingBoard second_board;
    MatchEngine second(second_board);
    second.ChooseSecondPlayer("Bob");
    QVERIFY(!second_board.send_enabled);
    QCOMPARE(second_board.send_caption, "送信");
  }

  // The state alone decides what a selection does: a dart, or a selection that is no dart
  // (none). The rival has closed everything and the scores are level, so every JudgeMatch
  // call shows the draw and is seen in the messages.
  void selectionFollowsThePhase_data() {
    QTest::addColumn<int>("round");
    QTest::addColumn<bool>("input_open");
    QTest::addColumn<int>("throws");
    QTest::addColumn<std::optional<Dart>>("dart");
    QTest::addColumn<bool>("entered");
    QTest::addColumn<bool>("judged");
    const std::optional<Dart> none;
    QTest::newRow("all played, dart")
        << 21 << true << 0 << std::optional(Single(20)) << false << false;
    QTest::newRow("all played, no dart") << 21 << true << 0 << none << false << false;
    QTest::newRow("all played, closed")
        << 21 << false << 0 << std::optional(Single(20)) << false << false;
    QTest::newRow("waiting, dart") << 5 << false << 0 << std::optional(Single(20)) << false << true;
    QTest::newRow("waiting, no dart") << 5 << false << 0 << none << false << true;
    QTest::newRow("entering, dart") << 5 << true << 0 << std::optional(Double(25)) << true << false;
    QTest::newRow("entering, miss") << 5 << true << 2 << std::optional(kMiss) << true << false;
    QTest::newRow("entering, no dart") << 5 << true << 1 << none << false << true;
    QTest::newRow("complete, dart")
        << 5 << true << 3 << std::optional(Triple(19)) << false << false;
    QTest::newRow("complete, no dart") << 5 << true << 3 << none << false << true;
  }
  void selectionFollowsThePhase() {
    QFETCH(int, round);
    QFETCH(bool, input_open);
    QFETCH(int, throws);
    QFETCH(std::optional<Dart>, dart);
    QFETCH(bool, entered);
    QFETCH(bool, judged);
    RecordingBoard board;
    MatchEngine engine(board);
    CompleteTurn(engine, Marks{}, kAllClosed);
    MatchState& s = StateOf(engine);
    s.Throw = throws;
    s.InputOpen = input_open;
    s.RoundNo = round;
    int32_t before[8][4];
    std::memcpy(before, s.showdata, sizeof before);

    if (dart) {
      engine.EnterDart(*dart);
    } else {
      engine.JudgeOnSelection();
    }

    QCOMPARE(s.Throw, entered ? throws + 1 : throws);
    const bool miss = dart && dart->IsMiss();
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

  // What names no dart is refused whatever the phase: nothing changes, no box, no judgement.
  void impossibleDartsAreRefused_data() {
    QTest::addColumn<Dart>("dart");
    QTest::addColumn<bool>("input_open");
    QTest::newRow("triple bull") << Dart{25, 3} << true;
    QTest::newRow("14") << Dart{14, 1} << true;
    QTest::newRow("21") << Dart{21, 1} << true;
    QTest::newRow("quadruple 20") << Dart{20, 4} << true;
    QTest::newRow("no multiplier") << Dart{20, 0} << true;
    QTest::newRow("negative multiplier") << Dart{15, -1} << true;
    QTest::newRow("a miss with a multiplier") << Dart{0, 1} << true;
    QTest::newRow("negative target") << Dart{-20, 1} << true;
    QTest::newRow("triple bull while waiting") << Dart{25, 3} << false;
    QTest::newRow("30 while waiting") << Dart{30, 1} << false;
  }
  void impossibleDartsAreRefused() {
    QFETCH(Dart, dart);
    QFETCH(bool, input_open);
    QVERIFY(!dart.IsValid());
    QVERIFY(dart.Text().empty());
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, Marks{}, kAllClosed);
    engine.EnterDart(Single(20));
    StateOf(engine).InputOpen = input_open;
    const MatchState before = engine.state();
    const RecordingBoard shown = board;

    engine.EnterDart(dart);

    const MatchState& s = engine.state();
    QCOMPARE(s.Throw, before.Throw);
    QCOMPARE(s.InputOpen, before.InputOpen);
    QCOMPARE(s.nowdata, before.nowdata);
    QCOMPARE(s.nowmark, before.nowmark);
    QCOMPARE(s.ThrowText, before.ThrowText);
    QVERIFY(std::memcmp(before.showdata, s.showdata, sizeof before.showdata) == 0);
    QVERIFY(board.messages.empty());
    QCOMPARE(board.status, shown.status);
    QCOMPARE(board.darts, shown.darts);
    QCOMPARE(board.own.marks, shown.own.marks);
    QCOMPARE(board.own.score, shown.own.score);
    QCOMPARE(board.send_enabled, shown.send_enabled);
  }

  // Own symbols follow the current stage, the rival's the committed counts; both sides at 3 or
  // more read "－－"; a negative rival count leaves its cell alone; names and scores are not
  // touched.
  void markSymbols_data() {
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("rival");
    QTest::addColumn<QString>("own_symbol");
    QTest::addColumn<QString>("rival_symbol");
    const auto row = [](const char* name, int own, int rival, const QString& own_symbol,
                        const QString& rival_symbol) {
      QTest::newRow(name) << own << rival << own_symbol << rival_symbol;
    };
    row("none", 0, 0, "", "");
    row("one and two", 1, 2, "＼", "×");
    row("own closed", 3, 2, "○", "×");
    row("own scoring", 5, 0, "○", "");
    row("rival scoring", 2, 9, "×", "○");
    row("both closed", 3, 3, "－－", "－－");
    row("both beyond", 7, 4, "－－", "－－");
    row("rival negative", 1, -1, "＼", "kept");
    row("rival very negative", 4, -2147483647, "○", "kept");
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
      board.rival.marks[row] = "kept";
      board.own.score = "score";
      engine.ShowMarks();
      QCOMPARE(QString::fromStdString(board.own.marks[row]), own_symbol);
      QCOMPARE(QString::fromStdString(board.rival.marks[row]), rival_symbol);
      QCOMPARE(board.own.name, "FirstPlayer");
      QCOMPARE(board.rival.name, "SecondPlayer");
      QCOMPARE(board.own.score, "score");
    }
  }

  // A failing send ends SendOwnTurn at the send: the commit is done and Button2 disabled, but
  // input stays open and Button1 enabled; nothing is cleared and nothing goes out.
  void failedSendStopsAtTheSend() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseFirstPlayer("Player1");
    engine.EnterDart(Triple(20));
    engine.EnterDart(Triple(20));
    engine.EnterDart(Single(19));
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
