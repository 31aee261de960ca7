// Committed scores by the score rule, and the judgement of the match: which checks fire, their
// texts byte for byte, their order, and where the two peers disagree.
#include <QtTest>

#include <string>
#include <vector>

#include "engine_fixtures.h"

using namespace markwick;
using namespace markwick::testing;

Q_DECLARE_METATYPE(Marks)

using Texts = std::vector<std::string>;
Q_DECLARE_METATYPE(Texts)

class JudgeMatchTest : public QObject {
  Q_OBJECT
 private slots:
  // The score example: 5 on 20, 4 on 17, 4 on the bull, 3 elsewhere give 82, for the own score
  // when the turn is sent and for the rival's when it is received.
  void scoreExample() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player1");
    CompleteTurn(engine, With(kAllClosed, {{0, 5}, {3, 4}, {6, 4}}), Marks{});
    StateOf(engine).MarkCount[kScoreRow] = 0;
    engine.SendOwnTurn();
    QCOMPARE(engine.state().MarkCount[kScoreRow], 82);
    QCOMPARE(board.own.score, "82");

    RecordingBoard rival_board;
    MatchEngine receiver(rival_board);
    receiver.ChooseSecondPlayer("Player2");
    Receive(receiver, "20,17,25,5,4,4,");
    QCOMPARE(receiver.state().r_MarkCount[kScoreRow], 82);
    QCOMPARE(rival_board.rival.score, "82");
  }

  // The score rule on its own terms, through the rival's committed score.
  void scoreRule_data() {
    QTest::addColumn<Marks>("marks");
    QTest::addColumn<int>("score");
    QTest::newRow("nothing") << Marks{} << 0;
    QTest::newRow("all closed") << kAllClosed << 0;
    QTest::newRow("below three never scores") << Marks{2, 2, 2, 2, 2, 2, 2} << 0;
    QTest::newRow("five on 20") << With(Marks{}, {{0, 5}}) << 40;
    QTest::newRow("eight on the bull") << With(Marks{}, {{6, 8}}) << 125;
    QTest::newRow("one beyond everywhere") << Marks{4, 4, 4, 4, 4, 4, 4} << 130;
    QTest::newRow("negative rows score nothing") << Marks{-5, 4, 0, 0, 0, 0, -1} << 19;
  }
  void scoreRule() {
    QFETCH(Marks, marks);
    QFETCH(int, score);
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player1");
    for (int r = 0; r < kTargetRows; ++r) StateOf(engine).r_MarkCount[r] = marks[r];
    Receive(engine, "0,0,0,");
    QCOMPARE(engine.state().r_MarkCount[kScoreRow], score);
    QCOMPARE(board.rival.score, std::to_string(score));
  }

  // Each check and its text; the end-of-rounds check runs only after the last round, and a
  // closure message comes before it. Own name Player1, rival Player2.
  void judgement_data() {
    QTest::addColumn<Marks>("own");
    QTest::addColumn<Marks>("rival");
    QTest::addColumn<bool>("after_last_round");
    QTest::addColumn<Texts>("messages");
    const Marks own40 = With(Marks{}, {{0, 5}});
    const Marks closed40 = With(kAllClosed, {{0, 5}});
    const Marks closed60 = With(kAllClosed, {{0, 6}});
    QTest::newRow("draw by closure")
        << own40 << closed40 << false << Texts{"Player1vsPlayer2\r\n   40   40\r\n ドロー！"};
    QTest::newRow("both closed, level")
        << kAllClosed << kAllClosed << false << Texts{"Player1vsPlayer2\r\n   0   0\r\n ドロー！"};
    QTest::newRow("own win by closure") << closed60 << own40 << false << Texts{"Player160 Win!!"};
    QTest::newRow("rival win by closure")
        << Marks{} << With(kAllClosed, {{1, 5}}) << false << Texts{"Player238 Win!!"};
    QTest::newRow("closed but behind") << kAllClosed << own40 << false << Texts{};
    QTest::newRow("own closed, level, rival open") << closed40 << own40 << false << Texts{};
    QTest::newRow("rival closed, own ahead, own open")
        << With(Marks{}, {{0, 9}}) << closed40 << false << Texts{};
    QTest::newRow("one short of closing")
        << With(closed60, {{6, 2}}) << Marks{} << false << Texts{};
    QTest::newRow("no closure before the end") << own40 << Marks{} << false << Texts{};
    QTest::newRow("end, level") << own40 << own40 << true << Texts{"ドロー!!"};
    QTest::newRow("end, own ahead") << own40 << Marks{} << true << Texts{"Player1 Win!!"};
    QTest::newRow("end, rival ahead")
        << Marks{} << With(Marks{}, {{6, 4}}) << true << Texts{"Player2 Win!!"};
    QTest::newRow("end, own closure win")
        << closed60 << own40 << true << Texts{"Player160 Win!!", "Player1 Win!!"};
    QTest::newRow("end, rival closure win")
        << own40 << closed60 << true << Texts{"Player260 Win!!", "Player2 Win!!"};
    QTest::newRow("end, draw by closure")
        << own40 << closed40 << true
        << Texts{"Player1vsPlayer2\r\n   40   40\r\n ドロー！", "ドロー!!"};
  }
  void judgement() {
    QFETCH(Marks, own);
    QFETCH(Marks, rival);
    QFETCH(bool, after_last_round);
    QFETCH(Texts, messages);
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player1");
    board.rival.name = "Player2";
    board.status_colour = StatusColour::Blue;
    if (after_last_round) {
      // The second player's send of round 20 judges with every check.
      CompleteTurn(engine, own, rival);
      StateOf(engine).RoundNo = 20;
      engine.SendOwnTurn();
      QCOMPARE(engine.state().RoundNo, 21);
    } else {
      // A selection that is no dart judges with the closure checks only.
      OpenTurn(engine, own, rival);
      engine.JudgeOnSelection();
    }
    QCOMPARE(board.messages, messages);
    if (!messages.empty()) {
      QCOMPARE(board.status, "試合終了");
      QVERIFY(!engine.state().InputOpen);
    } else if (!after_last_round) {
      QVERIFY(engine.state().InputOpen);
    }
    // The judgement writes the text, never the colour.
    QCOMPARE(board.status_colour, after_last_round ? StatusColour::Red : StatusColour::Blue);
  }

  // Names are the board's current ones; the draw text puts the own name first.
  void namesComeFromTheBoard() {
    RecordingBoard board;
    MatchEngine engine(board);
    board.own.name = "山田";
    board.rival.name = "";
    OpenTurn(engine, kAllClosed, kAllClosed);
    engine.JudgeOnSelection();
    QCOMPARE(board.messages, Texts{"山田vs\r\n   0   0\r\n ドロー！"});
  }

  // With one player closed and the scores level, only the other player's peer declares the
  // draw; the closed player's peer goes on.
  void peersDisagreeOnDrawByClosure() {
    EnginePair pair;
    pair.Turn(pair.a, {Triple(20), Triple(19), Triple(18)});
    pair.Turn(pair.b, {kMiss, kMiss, kMiss});
    pair.Turn(pair.a, {Triple(17), Triple(16), Triple(15)});
    pair.Turn(pair.b, {kMiss, kMiss, kMiss});
    pair.Turn(pair.a, {Double(25), Single(25), kMiss});
    QVERIFY(pair.board_b.messages.empty());
    pair.Turn(pair.b, {Single(20), kMiss, kMiss});

    QCOMPARE(pair.board_b.messages, Texts{"Player2vsPlayer1\r\n   0   0\r\n ドロー！"});
    QCOMPARE(pair.board_b.status, "試合終了");
    QVERIFY(!pair.b.state().InputOpen);
    QVERIFY(pair.board_a.messages.empty());
    QVERIFY(pair.a.state().InputOpen);
    QCOMPARE(pair.a.state().RoundNo, 4);

    // A's next turn reopens B's input: the match goes on on both peers.
    pair.Turn(pair.a, {kMiss, kMiss, kMiss});
    QVERIFY(pair.b.state().InputOpen);
    QCOMPARE(pair.board_b.status, "記録入力受付中");
    QCOMPARE(pair.board_b.messages.size(), size_t{1});
  }
};

QTEST_APPLESS_MAIN(JudgeMatchTest)
#include "test_judge_match.moc"
