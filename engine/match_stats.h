// The STATS of a match as darts players judge it: marks per round (MPR) and the award of each
// turn, for both players. Fed with every played turn (Board::TurnPlayed), so that both peers,
// which see the same turns, show the same figures.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "match_state.h"
#include "turn.h"

namespace markwick {

// A turn earns at most one award, the first of this order that holds.
enum class Award {
  WhiteHorse,       // 3 marks with each dart on three different targets among 15..20
  ThreeInABed,      // 3 marks with each dart on one target among 15..20
  ThreeInTheBlack,  // 2 marks with each dart on the bull
  HatTrick,         // every dart on the bull with at least 1 mark
  NineMarks,        // the turn's marks add up to 9
  EightMarks,
  SevenMarks,
  SixMarks,
  FiveMarks,
};
inline constexpr int kAwardKinds = 9;
inline constexpr std::array<std::string_view, kAwardKinds> kAwardNames = {
    "WHITE HORSE", "3 IN A BED", "3 IN THE BLACK", "HAT TRICK", "9 MARKS",
    "8 MARKS",     "7 MARKS",    "6 MARKS",        "5 MARKS"};

// The award of a turn's darts, by their credited marks.
std::optional<Award> AwardOf(const Turn& darts);

// The marks of a turn: the sum of its darts' credited marks (a rival's message may carry any
// 32-bit marks, so the sum is reckoned in 64 bits).
int64_t MarksOf(const Turn& darts);

class PlayerStats {
 public:
  void AddTurn(int32_t round, const Turn& darts);

  int32_t turns() const { return turns_; }
  int64_t marks() const { return marks_; }
  // Marks per round with two decimals ("2.67"), "0.00" before any turn.
  std::string MprText() const;
  // The marks of the turn of a round (1..kRoundMax), nullopt while it has not been played.
  std::optional<int64_t> RoundMarks(int32_t round) const;
  int32_t AwardCount(Award award) const { return awards_[static_cast<size_t>(award)]; }

 private:
  int32_t turns_ = 0;
  int64_t marks_ = 0;
  std::array<std::optional<int64_t>, kRoundMax> round_marks_{};
  std::array<int32_t, kAwardKinds> awards_{};
};

struct MatchStats {
  void Add(const PlayedTurn& turn) {
    (turn.first ? first : second).AddTurn(turn.round, turn.darts);
  }

  PlayerStats first;  // the player who plays first
  PlayerStats second;
};

}  // namespace markwick
