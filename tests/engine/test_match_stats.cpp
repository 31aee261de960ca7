// The STATS of one player: the award of each turn, the marks of each round and the MPR.
#include <QtTest>

#include <map>
#include <string>

#include "engine/match_stats.h"
#include "string_printing.h"

using namespace markwick;

class MatchStatsTest : public QObject {
  Q_OBJECT
 private slots:
  // Turns played in rounds 1, 2, ...: each earns the first award of the order that holds, by
  // its credited marks, and the MPR after it is the marks so far by the turns so far.
  void turnsEarnAwardsAndMarksPerRound() {
    const struct {
      Turn darts;
      std::string award;  // empty: none
      std::string mpr;
    } turns[] = {
        {{{20, 19, 18}, {3, 3, 3}}, "WHITE HORSE", "9.00"},
        {{{20, 20, 20}, {3, 3, 3}}, "3 IN A BED", "9.00"},
        {{{25, 25, 25}, {2, 2, 2}}, "3 IN THE BLACK", "8.00"},
        {{{25, 25, 25}, {1, 2, 1}}, "HAT TRICK", "7.00"},
        {{{20, 19, 18}, {3, 3, 2}}, "8 MARKS", "7.20"},  // a triple credited in part
        {{{17, 17, 16}, {3, 3, 3}}, "9 MARKS", "7.50"},
        {{{20, 19, 25}, {3, 3, 2}}, "8 MARKS", "7.57"},
        {{{15, 15, 25}, {3, 3, 1}}, "7 MARKS", "7.50"},
        {{{25, 25, 25}, {2, 2, 1}}, "HAT TRICK", "7.22"},  // before 5 MARKS
        {{{25, 25, 25}, {2, 2, 0}}, "", "6.90"},           // the bull closed by both sides
        {{{16, 16, 0}, {3, 2, 0}}, "5 MARKS", "6.73"},
        {{{25, 25, 0}, {1, 1, 0}}, "", "6.33"},
        {{{20, 19, 18}, {3, 1, 2}}, "6 MARKS", "6.31"},
        {{{0, 0, 0}, {0, 0, 0}}, "", "5.86"},
        {{{20, 19, 20}, {3, 3, 3}}, "9 MARKS", "6.07"},  // two on one number
        {{{15, 16, 17}, {3, 3, 3}}, "WHITE HORSE", "6.25"},
        {{{15, 15, 15}, {3, 3, 3}}, "3 IN A BED", "6.41"},
    };
    PlayerStats stats;
    QCOMPARE(stats.MprText(), "0.00");
    std::map<std::string, int> earned;
    int32_t round = 0;
    for (const auto& turn : turns) {
      ++round;
      const std::optional<Award> award = AwardOf(turn.darts);
      QCOMPARE(award ? std::string(kAwardNames[static_cast<size_t>(*award)]) : "", turn.award);
      stats.AddTurn(round, turn.darts);
      earned[turn.award] += 1;
      QCOMPARE(
          stats.RoundMarks(round),
          std::optional<int64_t>(turn.darts.marks[0] + turn.darts.marks[1] + turn.darts.marks[2]));
      QCOMPARE(stats.MprText(), turn.mpr);
      QCOMPARE(stats.turns(), round);
    }
    QCOMPARE(stats.marks(), 109);
    QCOMPARE(stats.RoundMarks(round + 1), std::nullopt);
    for (int kind = 0; kind < kAwardKinds; ++kind) {
      QCOMPARE(stats.AwardCount(static_cast<Award>(kind)),
               earned[std::string(kAwardNames[static_cast<size_t>(kind)])]);
    }
  }
};

QTEST_APPLESS_MAIN(MatchStatsTest)
#include "test_match_stats.moc"
