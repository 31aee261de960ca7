// The turn cycle between two engines wired back to back by their Turn texts: round counting,
// the phases of the controls, the end of a match after round 20 or by closure, and received
// texts that cannot be applied.
#include <QtTest>

#include <climits>
#include <string>
#include <vector>

#include "engine_fixtures.h"
#include "link/turn_message.h"

using namespace markwick;
using namespace markwick::testing;

using Texts = std::vector<std::string>;

namespace {

const std::initializer_list<Dart> kMisses = {kMiss, kMiss, kMiss};

// The controls of an open own turn (after StartTurn, or the first player's first turn).
void VerifyOpen(const MatchEngine& e, const RecordingBoard& board, int round) {
  QVERIFY(e.state().InputOpen);
  QCOMPARE(e.state().RoundNo, round);
  QCOMPARE(e.state().Throw, 0);
  QVERIFY(!board.send_enabled);
  QCOMPARE(board.send_caption, "送信");
  QVERIFY(board.correct_enabled);
  QCOMPARE(board.status, "記録入力受付中");
  QCOMPARE(board.status_colour, StatusColour::Blue);
  QCOMPARE(board.round, std::to_string(round));
}

// The controls of the waiting phase after a send.
void VerifyWaiting(const MatchEngine& e, const RecordingBoard& board, const char* status) {
  QVERIFY(!e.state().InputOpen);
  QVERIFY(!board.send_enabled);
  QCOMPARE(board.send_caption, "待ち");
  QVERIFY(!board.correct_enabled);
  QCOMPARE(board.status, status);
  QCOMPARE(board.status_colour, StatusColour::Red);
  for (const std::string& dart : board.darts) QCOMPARE(dart, "");
}

}  // namespace

class TurnCycleTest : public QObject {
  Q_OBJECT
 private slots:
  // A whole match of 20 rounds, checked against the round table at every moment. A closes
  // everything in round 3 but trails; B closes everything in round 20 while ahead, so a
  // closure result holds at the end: B shows it once, A twice, each then the final result.
  void fullMatchFollowsTheRoundTable() {
    EnginePair p;
    std::vector<std::vector<Dart>> a_turns(20, std::vector<Dart>(kMisses));
    std::vector<std::vector<Dart>> b_turns(20, std::vector<Dart>(kMisses));
    a_turns[0] = {Triple(20), Triple(19), Triple(18)};
    a_turns[1] = {Triple(17), Triple(16), Triple(15)};
    a_turns[2] = {Double(25), Single(25), kMiss};
    b_turns[0] = {Triple(17), Triple(17), Triple(17)};  // 102 points before A closes 17
    b_turns[17] = {Triple(20), Triple(19), Triple(18)};
    b_turns[18] = {Triple(16), Triple(15), Double(25)};
    b_turns[19] = {Single(25), kMiss, kMiss};

    VerifyOpen(p.a, p.board_a, 1);
    QCOMPARE(p.b.state().RoundNo, 1);
    QVERIFY(!p.b.state().InputOpen);
    QVERIFY(!p.board_b.send_enabled);
    QVERIFY(!p.board_b.correct_enabled);
    QCOMPARE(p.board_b.status, "相手入力待ち");

    for (int n = 1; n <= 20; ++n) {
      const char* waiting = n == 20 ? "全て投げ終わりました" : "相手入力待ち";
      // A throws and sends; B's turn of round n opens.
      for (size_t d = 0; d < 3; ++d) {
        QCOMPARE(p.board_a.send_enabled, false);
        p.a.EnterDart(a_turns[n - 1][d]);
      }
      QVERIFY(p.board_a.send_enabled);
      p.a.SendOwnTurn();
      VerifyWaiting(p.a, p.board_a, waiting);
      QCOMPARE(p.a.state().RoundNo, n);
      p.Deliver();
      VerifyOpen(p.b, p.board_b, n);
      QCOMPARE(p.a.state().RoundNo, n);

      // B throws and sends: B is one round ahead until A has received the turn.
      for (const Dart& dart : b_turns[n - 1]) p.b.EnterDart(dart);
      // The status line as B's result boxes open: its round-20 send has shown the end of
      // throwing before the judgement writes the match's end.
      std::vector<std::string> status_at_box;
      p.board_b.on_message = [&](const std::string&) { status_at_box.push_back(p.board_b.status); };
      p.b.SendOwnTurn();
      p.board_b.on_message = nullptr;
      if (n == 20) QCOMPARE(status_at_box.front(), "全て投げ終わりました");
      QCOMPARE(p.b.state().RoundNo, n + 1);
      QCOMPARE(p.a.state().RoundNo, n);
      QCOMPARE(p.board_b.round, std::to_string(n < 20 ? n + 1 : 20));
      if (n < 20) {
        VerifyWaiting(p.b, p.board_b, waiting);
        QVERIFY(p.board_b.messages.empty());
      }
      p.Deliver();
      if (n < 20) {
        VerifyOpen(p.a, p.board_a, n + 1);
        QVERIFY(p.board_a.messages.empty());
        QVERIFY(!p.a.MatchDecided() && !p.b.MatchDecided());
      }
      // Both peers hold the same marks for both players.
      QCOMPARE(p.a.state().MarkCount, p.b.state().r_MarkCount);
      QCOMPARE(p.b.state().MarkCount, p.a.state().r_MarkCount);
    }

    QCOMPARE(p.board_a.sent.front(), "20,19,18,3,3,3,");
    QCOMPARE(p.board_a.sent[1], "17,16,15,3,3,3,");
    QCOMPARE(p.board_a.sent[2], "25,25,0,2,1,0,");
    QCOMPARE(p.board_b.sent.front(), "17,17,17,3,3,3,");
    QCOMPARE(p.board_b.sent.back(), "25,0,0,1,0,0,");
    QCOMPARE(p.a.state().MarkCount[kScoreRow], 0);
    QCOMPARE(p.b.state().MarkCount[kScoreRow], 102);

    QCOMPARE(p.board_b.messages, (Texts{"Player2102 Win!!", "Player2 Win!!"}));
    QCOMPARE(p.board_a.messages, (Texts{"Player2102 Win!!", "Player2102 Win!!", "Player2 Win!!"}));
    for (auto* side : {&p.board_a, &p.board_b}) {
      QCOMPARE(side->status, "試合終了");
      QCOMPARE(side->status_colour, StatusColour::Red);
      QCOMPARE(side->round, "20");
      QVERIFY(!side->send_enabled);
      QCOMPARE(side->send_caption, "待ち");
      QVERIFY(!side->correct_enabled);
    }
    QCOMPARE(p.a.state().RoundNo, 21);
    QCOMPARE(p.b.state().RoundNo, 21);
    QVERIFY(p.a.MatchDecided() && p.b.MatchDecided());
    QVERIFY(!p.a.state().InputOpen);
    QVERIFY(!p.b.state().InputOpen);

    // After the last round, texts and clicks change nothing.
    QVERIFY(!p.a.AcceptsTurns());
    const MatchState before = p.a.state();
    Receive(p.a, "20,0,0,3,0,0,");
    p.a.EnterDart(Triple(20));
    p.a.JudgeOnSelection();
    QCOMPARE(p.a.state().r_MarkCount, before.r_MarkCount);
    QCOMPARE(p.a.state().Throw, before.Throw);
    QCOMPARE(p.board_a.messages.size(), size_t{3});
  }

  // Twenty rounds of misses end level on both peers with the draw text alone.
  void allMissesEndInADraw() {
    EnginePair p;
    for (int n = 1; n <= 20; ++n) {
      p.Turn(p.a, kMisses);
      p.Turn(p.b, kMisses);
    }
    QCOMPARE(p.board_a.messages, Texts{"ドロー!!"});
    QCOMPARE(p.board_b.messages, Texts{"ドロー!!"});
    QCOMPARE(p.board_a.sent.size(), size_t{20});
    QCOMPARE(p.board_a.sent.back(), "0,0,0,0,0,0,");
  }

  // A win by closure found on receipt: A's turn of the next round opens with input closed;
  // every grid click shows the result again. B, which found it after sending, just waits.
  void earlyWinFoundOnReceipt() {
    EnginePair p;
    p.Turn(p.a, {Triple(20), Triple(20), Triple(19)});
    p.Turn(p.b, kMisses);
    p.Turn(p.a, {Triple(18), Triple(17), Triple(16)});
    p.Turn(p.b, kMisses);
    p.Turn(p.a, {Triple(15), Double(25), Single(25)});
    p.Turn(p.b, {Single(20), Triple(19), kMiss});

    QCOMPARE(p.board_b.messages, Texts{"Player160 Win!!"});
    QCOMPARE(p.board_b.status, "試合終了");
    QVERIFY(!p.b.state().InputOpen);
    QCOMPARE(p.b.state().RoundNo, 4);

    QCOMPARE(p.board_a.messages, Texts{"Player160 Win!!"});
    QVERIFY(!p.a.state().InputOpen);
    QCOMPARE(p.a.state().RoundNo, 4);
    QCOMPARE(p.board_a.round, "4");
    QCOMPARE(p.board_a.status, "記録入力受付中");
    QCOMPARE(p.board_a.status_colour, StatusColour::Blue);
    QVERIFY(p.board_a.correct_enabled);
    QVERIFY(!p.board_a.send_enabled);

    p.a.EnterDart(Triple(20));
    QCOMPARE(p.a.state().Throw, 0);
    QCOMPARE(p.board_a.messages, (Texts{"Player160 Win!!", "Player160 Win!!"}));
    QCOMPARE(p.board_a.status, "試合終了");
    QVERIFY(p.pending.empty());
  }

  // A win by closure of the second player, found right after its send and on receipt.
  void earlyWinOfTheSecondPlayer() {
    EnginePair p;
    p.Turn(p.a, kMisses);
    p.Turn(p.b, {Triple(20), Triple(20), Triple(19)});
    p.Turn(p.a, kMisses);
    p.Turn(p.b, {Triple(18), Triple(17), Triple(16)});
    p.Turn(p.a, kMisses);
    QVERIFY(p.board_b.messages.empty());
    p.Turn(p.b, {Triple(15), Double(25), Single(25)});
    QCOMPARE(p.board_b.messages, Texts{"Player260 Win!!"});
    QCOMPARE(p.board_a.messages, Texts{"Player260 Win!!"});
    QVERIFY(!p.a.state().InputOpen);
    QVERIFY(!p.b.state().InputOpen);
    QCOMPARE(p.b.state().RoundNo, 4);
  }

  // A text that cannot be applied ends the receive handler at the failing item: additions of
  // earlier throws stay, no score, no StartTurn; the peer stays waiting. Which texts fail, and
  // how, is the Turn message's table (test_turn_message.cpp).
  void unappliedTextLeavesThePeerWaiting() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player2");
    StateOf(engine).r_MarkCount[1] = 5;  // 38 points on 19, not yet shown
    QByteArray what;
    try {
      Receive(engine, "20,19,a,3,2,1,");
    } catch (const TurnError& e) {
      what = e.what();
    }
    QCOMPARE(what, QByteArray("'a' は整数ではありません"));
    const MatchState& s = engine.state();
    QCOMPARE(s.r_MarkCount[0], 3);
    QCOMPARE(s.r_MarkCount[1], 5 + 2);
    QCOMPARE(s.r_MarkCount[kScoreRow], 0);
    QVERIFY(!s.InputOpen);
    QCOMPARE(board.status, "相手入力待ち");
    QVERIFY(!board.correct_enabled);
    QCOMPARE(board.rival.score, "");
    QCOMPARE(board.rival.marks[0], "");
    QVERIFY(board.played.empty());
  }

  // The rival's score is reckoned in full and refused before it would leave 32 bits.
  void rivalScoreStaysInRange() {
    RecordingBoard board;
    MatchEngine engine(board);
    engine.ChooseSecondPlayer("Player2");
    const int32_t most = (INT32_MAX / 25) + 3;  // the bull's largest count with a 32-bit score
    // Targets without a row are misses: their marks items are not read.
    Receive(engine, "25,13,0," + std::to_string(most) + ",x,7,");
    QCOMPARE(engine.state().r_MarkCount[kScoreRow], (most - 3) * 25);
    QVERIFY((board.played ==
             std::vector<PlayedTurn>{{1, true, {{25, 0, 0}, {most, 0, 0}}, {}, (most - 3) * 25}}));
    QCOMPARE(board.rival.score, std::to_string((most - 3) * 25));
    QVERIFY_THROWS_EXCEPTION(TurnError, Receive(engine, "20,0,0,5,0,0,"));
    QCOMPARE(engine.state().r_MarkCount[0], 0);
    QVERIFY_THROWS_EXCEPTION(TurnError, Receive(engine, "25,0,0,1,0,0,"));
    QCOMPARE(engine.state().r_MarkCount[6], most);
  }
};

QTEST_APPLESS_MAIN(TurnCycleTest)
#include "test_turn_cycle.moc"
