// Entering darts (marks under the closing rule, stage scores, CheckAllClosed) and taking them
// back with the correction button.
#include <QtTest>

#include <string>

#include "engine_fixtures.h"

using namespace markwick;
using namespace markwick::testing;

Q_DECLARE_METATYPE(Dart)
Q_DECLARE_METATYPE(Marks)

namespace {

// Own marks on a target row at one stage, and the stage's score.
int32_t Stage(const MatchEngine& e, int row, int stage) { return e.state().showdata[row][stage]; }

}  // namespace

class ThrowEntryTest : public QObject {
  Q_OBJECT
 private slots:
  // Every dart enters its target number, text and offered marks (nothing is closed).
  void everyDart() {
    const char* texts[3][7] = {{"20S", "19S", "18S", "17S", "16S", "15S", "SB"},
                               {"20D", "19D", "18D", "17D", "16D", "15D", "DB"},
                               {"20T", "19T", "18T", "17T", "16T", "15T", "×"}};
    for (int multiplier = 1; multiplier <= 3; ++multiplier) {
      for (int row = 0; row < kTargetRows; ++row) {
        // The triple bull's place holds the miss.
        const bool miss = multiplier == 3 && row == 6;
        const Dart dart = miss ? kMiss : Dart{kTargetNumbers[row], multiplier};
        RecordingBoard board;
        MatchEngine engine(board);
        engine.EnterDart(dart);
        const MatchState& s = engine.state();
        const int marks = miss ? 0 : multiplier;
        QCOMPARE(s.Throw, 1);
        QCOMPARE(s.ThrowText[0], texts[multiplier - 1][row]);
        QCOMPARE(board.darts[0], texts[multiplier - 1][row]);
        QCOMPARE(s.nowdata[1], miss ? 0 : kTargetNumbers[row]);
        QCOMPARE(s.nowmark[0], marks);
        for (int r = 0; r < kTargetRows; ++r) QCOMPARE(Stage(engine, r, 1), r == row ? marks : 0);
      }
    }
  }

  // The worked example: own 2 on 20 and 4 on 19, the rival has closed 20; triple 20, double 19
  // and a miss.
  void workedExample() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{0, 2}, {1, 4}}), With(Marks{}, {{0, 3}}));
    const MatchState& s = engine.state();
    QCOMPARE(Stage(engine, 7, 0), 19);

    struct Step {
      Dart dart;
      const char* text;
      int32_t target, marks, on20, on19, score;
    };
    const Step steps[3] = {{Triple(20), "20T", 20, 1, 3, 4, 19},
                           {Double(19), "19D", 19, 2, 3, 6, 57},
                           {kMiss, "×", 0, 0, 3, 6, 57}};
    for (int t = 1; t <= 3; ++t) {
      const Step& step = steps[t - 1];
      QVERIFY(!board.send_enabled);
      engine.EnterDart(step.dart);
      QCOMPARE(s.Throw, t);
      QCOMPARE(s.ThrowText[t - 1], step.text);
      QCOMPARE(s.nowdata[t], step.target);
      QCOMPARE(s.nowmark[t - 1], step.marks);
      QCOMPARE(Stage(engine, 0, t), step.on20);
      QCOMPARE(Stage(engine, 1, t), step.on19);
      QCOMPARE(Stage(engine, 7, t), step.score);
      QCOMPARE(board.own.score, std::to_string(step.score));
      QCOMPARE(board.darts[t - 1], step.text);
    }
    QVERIFY(board.send_enabled);
    QCOMPARE(board.own.marks[0], "－－");  // 20 closed on both sides
    QCOMPARE(board.own.marks[1], "○");
    // Committed marks are untouched until the send.
    QCOMPARE(s.MarkCount[0], 2);
    QCOMPARE(s.MarkCount[7], 19);
    // A fourth dart changes nothing.
    engine.EnterDart(Triple(18));
    QCOMPARE(s.Throw, 3);
    QCOMPARE(Stage(engine, 2, 3), 0);
    QVERIFY(board.messages.empty());

    engine.SendOwnTurn();
    QCOMPARE(board.sent, std::vector<std::string>{"20,19,0,1,2,0,"});
    QCOMPARE(s.MarkCount[0], 3);
    QCOMPARE(s.MarkCount[1], 6);
    QCOMPARE(s.MarkCount[7], 57);
  }

  // Marks are credited one at a time: past the third only while the rival's count is below 3.
  void closingRule_data() {
    QTest::addColumn<int>("own");
    QTest::addColumn<int>("rival");
    QTest::addColumn<Dart>("dart");
    QTest::addColumn<int>("after");
    QTest::addColumn<int>("credited");
    QTest::addColumn<int>("score");
    QTest::newRow("triple 20, rival closed, own 2") << 2 << 3 << Triple(20) << 3 << 1 << 0;
    QTest::newRow("triple 20, rival open, own 2") << 2 << 0 << Triple(20) << 5 << 3 << 40;
    QTest::newRow("triple 20, rival 2, own 4") << 4 << 2 << Triple(20) << 7 << 3 << 80;
    QTest::newRow("triple 20, rival beyond, own 1") << 1 << 5 << Triple(20) << 3 << 2 << 0;
    QTest::newRow("double bull, both closed") << 3 << 3 << Double(25) << 3 << 0 << 0;
    QTest::newRow("double bull, rival closed, own 2") << 2 << 4 << Double(25) << 3 << 1 << 0;
    QTest::newRow("single bull, rival open, own 7") << 7 << 0 << Single(25) << 8 << 1 << 125;
    QTest::newRow("single 20, own 5 kept") << 5 << 3 << Single(20) << 5 << 0 << 40;
    QTest::newRow("single 19 from 4") << 4 << 0 << Single(19) << 5 << 1 << 38;
    QTest::newRow("rival negative counts as open") << 3 << -4 << Single(20) << 4 << 1 << 20;
  }
  void closingRule() {
    QFETCH(int, own);
    QFETCH(int, rival);
    QFETCH(Dart, dart);
    QFETCH(int, after);
    QFETCH(int, credited);
    QFETCH(int, score);
    const int row = RowOfTarget(dart.target);
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{row, own}}), With(Marks{}, {{row, rival}}));
    engine.EnterDart(dart);
    const MatchState& s = engine.state();
    QCOMPARE(s.Throw, 1);
    QCOMPARE(s.nowdata[1], kTargetNumbers[row]);
    QCOMPARE(s.nowmark[0], credited);
    QCOMPARE(Stage(engine, row, 1), after);
    QCOMPARE(Stage(engine, 7, 1), score);
    QCOMPARE(board.own.score, std::to_string(score));
    for (int r = 0; r < kTargetRows; ++r) {
      if (r != row) QCOMPARE(Stage(engine, r, 1), 0);
    }
  }

  // The same dart twice enters two throws; a miss copies the stage and still counts.
  void repeatedCellAndMiss() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{2, 4}}), Marks{});
    engine.EnterDart(Double(18));
    engine.EnterDart(Double(18));
    const MatchState& s = engine.state();
    QCOMPARE(s.Throw, 2);
    QCOMPARE(Stage(engine, 2, 2), 8);
    QCOMPARE(Stage(engine, 7, 2), 90);
    engine.EnterDart(kMiss);
    QCOMPARE(s.Throw, 3);
    for (int r = 0; r < 8; ++r) QCOMPARE(Stage(engine, r, 3), Stage(engine, r, 2));
    QCOMPARE(s.nowdata[3], 0);
    QCOMPARE(s.nowmark[2], 0);
    QCOMPARE(board.darts[2], "×");
    QCOMPARE(board.own.score, "90");
  }

  // A stage above Throw holds leftovers; entering a throw rebuilds it from the stage below,
  // the score row included.
  void newStageOverwritesLeftovers() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{0, 4}}), Marks{});
    MatchState& s = StateOf(engine);
    for (int r = 0; r < 8; ++r) s.showdata[r][1] = 99;
    engine.EnterDart(Single(17));
    QCOMPARE(Stage(engine, 0, 1), 4);
    QCOMPARE(Stage(engine, 3, 1), 1);
    QCOMPARE(Stage(engine, 5, 1), 0);
    QCOMPARE(Stage(engine, 7, 1), 20);
  }

  // The closing dart turns both cells to "－－" at once; taking it back restores the symbols.
  void closedForBothFollowsTheStage() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{4, 2}}), With(Marks{}, {{4, 3}}));
    engine.ShowMarks();
    QCOMPARE(board.own.marks[4], "×");
    QCOMPARE(board.rival.marks[4], "○");
    engine.EnterDart(Single(16));
    QCOMPARE(board.own.marks[4], "－－");
    QCOMPARE(board.rival.marks[4], "－－");
    engine.TakeBackThrow();
    QCOMPARE(board.own.marks[4], "×");
    QCOMPARE(board.rival.marks[4], "○");
  }

  // CheckAllClosed tests committed counts only: the throw that closes the last own target does
  // not end the match, nor do the throws after it in the same turn.
  void closingTheLastTargetDoesNotEndTheTurn() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(kAllClosed, {{6, 1}}), kAllClosed);
    board.status = "記録入力受付中";
    engine.EnterDart(Double(25));
    QCOMPARE(engine.state().showdata[6][1], 3);
    engine.EnterDart(kMiss);
    QVERIFY(!board.send_enabled);
    engine.EnterDart(Single(20));
    QVERIFY(engine.state().InputOpen);
    QCOMPARE(board.status, "記録入力受付中");
    QVERIFY(board.messages.empty());
    QVERIFY(board.send_enabled);
  }

  // Once the committed counts of both sides close everything, the next throw (a miss too) is
  // completed, then input closes, the match is judged and Button1 enabled at once.
  void firstThrowAfterAllClosedEndsTheMatch() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player1");
    board.rival.name = "Player2";
    OpenTurn(engine, With(kAllClosed, {{0, 5}}), kAllClosed);
    engine.EnterDart(kMiss);
    const MatchState& s = engine.state();
    QCOMPARE(s.Throw, 1);
    QCOMPARE(s.ThrowText[0], "×");
    QVERIFY(!s.InputOpen);
    QCOMPARE(board.status, "試合終了");
    QCOMPARE(board.messages, std::vector<std::string>{"Player140 Win!!"});
    QVERIFY(board.send_enabled);

    // No further throw: the selection only judges again.
    engine.EnterDart(Triple(20));
    QCOMPARE(s.Throw, 1);
    QCOMPARE(board.messages.size(), size_t{2});
    // A correction still removes the throw and disables Button1; input stays closed.
    engine.TakeBackThrow();
    QCOMPARE(s.Throw, 0);
    QVERIFY(!board.send_enabled);
    QVERIFY(!s.InputOpen);
  }

  // A turn sent early, once CheckAllClosed has enabled Button1, commits the throws entered and
  // not what earlier turns left in the stages above them: the rival, who adds only the throws
  // sent, must hold the same marks.
  void earlySendCommitsTheThrowsEntered() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player1");
    OpenTurn(engine, With(kAllClosed, {{0, 5}}), With(kAllClosed, {{1, 4}}));
    MatchState& s = StateOf(engine);
    for (int r = 0; r < 8; ++r) s.showdata[r][3] = 9;
    engine.EnterDart(Single(19));
    QVERIFY(board.send_enabled);
    engine.SendOwnTurn();
    QCOMPARE(board.sent, std::vector<std::string>{"19,0,0,0,0,0,"});
    QCOMPARE(s.MarkCount, (std::array<int32_t, 8>{5, 3, 3, 3, 3, 3, 3, 40}));
  }

  // Corrections take throws back one by one down to the opening of the turn.
  void correctionDownToTheOpening() {
    RecordingBoard board;
    MatchEngine engine(board);
    OpenTurn(engine, With(Marks{}, {{0, 4}, {6, 3}}), With(Marks{}, {{6, 3}}));
    const MatchState& s = engine.state();
    engine.EnterDart(Triple(20));  // 7 on 20: 80
    engine.EnterDart(Single(25));  // bull closed on both sides: nothing credited
    engine.EnterDart(Double(15));  // 2 on 15
    QVERIFY(board.send_enabled);

    engine.TakeBackThrow();
    QCOMPARE(s.Throw, 2);
    QVERIFY(!board.send_enabled);
    QCOMPARE(board.darts[2], "");
    QCOMPARE(board.darts[1], "SB");
    QVERIFY(s.ThrowText[2].empty());
    QCOMPARE(s.nowdata[3], 0);
    QCOMPARE(s.nowmark[2], 0);
    for (int r = 0; r < 8; ++r) QCOMPARE(Stage(engine, r, 3), 0);
    QCOMPARE(board.own.score, "80");
    QCOMPARE(board.own.marks[5], "");

    // Re-entering fills stage 3 afresh and enables Button1 again.
    engine.EnterDart(Single(15));
    QCOMPARE(Stage(engine, 5, 3), 1);
    QVERIFY(board.send_enabled);

    engine.TakeBackThrow();
    engine.TakeBackThrow();  // the uncredited bull goes all the same
    QCOMPARE(s.Throw, 1);
    QCOMPARE(board.darts[1], "");
    QCOMPARE(board.own.marks[6], "－－");
    engine.TakeBackThrow();
    QCOMPARE(s.Throw, 0);
    QCOMPARE(board.own.score, "20");  // the committed score from stage 0
    QCOMPARE(board.own.marks[0], "○");
    for (int t = 0; t < 3; ++t) {
      QCOMPARE(board.darts[t], "");
      QCOMPARE(s.nowmark[t], 0);
      QCOMPARE(s.nowdata[t + 1], 0);
    }
    QCOMPARE(Stage(engine, 0, 0), 4);
    QCOMPARE(Stage(engine, 7, 0), 20);
    QVERIFY(board.messages.empty());

    engine.TakeBackThrow();
    QCOMPARE(board.messages, std::vector<std::string>{"修正する記録がありません！"});
    QCOMPARE(s.Throw, 0);
    QCOMPARE(Stage(engine, 0, 0), 4);
    QCOMPARE(Stage(engine, 7, 0), 20);
    QCOMPARE(s.MarkCount[0], 4);
    QCOMPARE(s.MarkCount[7], 20);
    QVERIFY(s.InputOpen);
  }
};

QTEST_APPLESS_MAIN(ThrowEntryTest)
#include "test_throw_entry.moc"
