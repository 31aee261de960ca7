// Replaying a record's turns through the engine: a match played by two engines, replayed from
// the turns each side kept, ends in the state and with the result of the match itself; a turn
// that the engine does not play as recorded is refused.
#include <QtTest>

#include <vector>

#include "engine/match_replay.h"
#include "random_match.h"

using namespace markwick;
using namespace markwick::testing;

Q_DECLARE_METATYPE(std::vector<markwick::PlayedTurn>)

namespace {

const char* ResultName(MatchResult result) {
  switch (result) {
    case MatchResult::NotEnded:
      return "not ended";
    case MatchResult::OwnWin:
      return "own win";
    case MatchResult::RivalWin:
      return "rival win";
    case MatchResult::Draw:
      return "draw";
  }
  return "?";
}

// An own turn as the own record keeps it, with the darts' texts.
PlayedTurn Own(int32_t round, bool first, Turn darts, std::array<std::string, 3> texts,
               int32_t score) {
  return {round, first, darts, std::move(texts), score};
}

}  // namespace

class MatchReplayTest : public QObject {
  Q_OBJECT

 private slots:
  // Seeded matches, each replayed from both sides' records: the state after the replay is the
  // state the match left (marks, scores, round, input) and the result is the engine's judgement
  // of the match itself. Wins and losses by closure and after 20 rounds occur.
  void replayEndsWhereTheMatchEnded() {
    std::map<std::pair<MatchResult, bool>, int> seen;
    for (uint32_t seed = 1; seed <= 400; ++seed) {
      RandomMatch match(seed, /*judging=*/false);
      End end = End::Stopped;
      QCOMPARE(match.Play(end), std::string());
      const EnginePair& pair = match.pair();
      for (const bool first : {true, false}) {
        const MatchEngine& live = first ? pair.a : pair.b;
        const std::vector<PlayedTurn>& record = (first ? pair.board_a : pair.board_b).played;
        RecordingBoard board;
        MatchEngine replayed(board);
        if (first) {
          replayed.ChooseFirstPlayer("Player1");
        } else {
          replayed.ChooseSecondPlayer("Player2");
        }
        ReplayTurns(replayed, record);
        const MatchState& s = replayed.state();
        const MatchState& l = live.state();
        const QString where = QStringLiteral("seed %1 %2").arg(seed).arg(first ? "A" : "B");
        QVERIFY2(s.MarkCount == l.MarkCount && s.r_MarkCount == l.r_MarkCount, qPrintable(where));
        QVERIFY2(s.RoundNo == l.RoundNo && s.InputOpen == l.InputOpen, qPrintable(where));
        QVERIFY2(replayed.Result() == live.Result(), qPrintable(where));
        QVERIFY2(board.played == record, qPrintable(where));
        QVERIFY2(board.sent.size() == (first ? pair.board_a : pair.board_b).sent.size(),
                 qPrintable(where));

        const ReplayedMatch judged = ReplayMatch(first, record);
        QCOMPARE(judged.result, live.Result());
        QCOMPARE(judged.own_score, l.MarkCount[kScoreRow]);
        QCOMPARE(judged.rival_score, l.r_MarkCount[kScoreRow]);
        seen[{judged.result, l.RoundNo > l.RoundMax}] += 1;
      }
    }
    for (const auto& [kind, count] : seen) {
      qInfo("%s%s: %d", ResultName(kind.first), kind.second ? " after 20 rounds" : "", count);
    }
    QVERIFY(seen.count({MatchResult::OwnWin, false}) && seen.count({MatchResult::RivalWin, false}));
    QVERIFY(seen.count({MatchResult::OwnWin, true}) && seen.count({MatchResult::RivalWin, true}));
  }

  // A turn the engine does not play as recorded stops the replay with a reason.
  void refusedTurns_data() {
    QTest::addColumn<bool>("own_first");
    QTest::addColumn<std::vector<PlayedTurn>>("turns");
    QTest::addColumn<QString>("reason");
    const PlayedTurn own = Own(1, true, {{20, 20, 0}, {3, 2, 0}}, {"20T", "20D", "×"}, 40);
    QTest::newRow("marks other than credited")
        << true << std::vector{Own(1, true, {{20, 20, 0}, {3, 3, 0}}, {"20T", "20D", "×"}, 40)}
        << "マークが記録と違います";
    QTest::newRow("score other than reckoned")
        << true << std::vector{Own(1, true, {{20, 20, 0}, {3, 2, 0}}, {"20T", "20D", "×"}, 41)}
        << "得点が記録と違います";
    QTest::newRow("text no cell enters")
        << true << std::vector{Own(1, true, {{20, 20, 0}, {3, 2, 0}}, {"20T", "20Q", "×"}, 40)}
        << "表示が投擲と合いません";
    QTest::newRow("text of another target")
        << true << std::vector{Own(1, true, {{20, 19, 0}, {3, 2, 0}}, {"20T", "20D", "×"}, 40)}
        << "表示が投擲と合いません";
    QTest::newRow("two darts while input is open")
        << true << std::vector{Own(1, true, {{20, 20, 0}, {3, 2, 0}}, {"20T", "20D", ""}, 40)}
        << "3 投そろわないターンです";
    QTest::newRow("own turn while waiting")
        << true << std::vector{own, own} << "入力を受け付けていない";
    PlayedTurn rival = own;
    rival.texts = {};
    QTest::newRow("rival's turn in the own turn")
        << false << std::vector{rival, rival} << "自分の番に相手のターンがあります";
    QTest::newRow("round out of order")
        << true << std::vector{Own(2, true, own.darts, own.texts, 40)} << "ラウンドが試合の順";
    PlayedTurn huge{1, false, {{25, 0, 0}, {INT32_MAX, 0, 0}}, {}, 0};
    QTest::newRow("rival's marks past 32 bits")
        << true << std::vector{own, huge} << "整数の範囲を超える";
    PlayedTurn wrong_rival_score{1, false, {{19, 0, 0}, {3, 0, 0}}, {}, 19};
    QTest::newRow("rival's score other than reckoned")
        << true << std::vector{own, wrong_rival_score} << "得点が記録と違います";
  }
  void refusedTurns() {
    QFETCH(bool, own_first);
    QFETCH(std::vector<PlayedTurn>, turns);
    QFETCH(QString, reason);
    try {
      ReplayMatch(own_first, turns);
      QFAIL("replayed");
    } catch (const ReplayError& error) {
      QVERIFY2(QString::fromUtf8(error.what()).contains(reason), error.what());
    }
  }

  // Twenty rounds of misses make a draw; a turn after them is refused.
  void drawAfterTwentyRoundsThenNoMore() {
    std::vector<PlayedTurn> turns;
    for (int32_t round = 1; round <= 20; ++round) {
      turns.push_back(Own(round, true, {}, {"×", "×", "×"}, 0));
      turns.push_back({round, false, {}, {}, 0});
    }
    QCOMPARE(ReplayMatch(true, turns).result, MatchResult::Draw);
    QCOMPARE(ReplayMatch(true, {turns.begin(), turns.end() - 1}).result, MatchResult::NotEnded);
    turns.push_back(Own(21, true, {}, {"×", "×", "×"}, 0));
    QVERIFY_THROWS_EXCEPTION(ReplayError, ReplayMatch(true, turns));
  }
};

QTEST_MAIN(MatchReplayTest)
#include "test_match_replay.moc"
