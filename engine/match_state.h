// The match state of one board: every variable that describes the match on this peer.
// One instance per board, so that two peers can live in one process (tests, benchmarks).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace markwick {

// Rows 0..6 of every per-target array are the targets in this fixed order; row 7 is the score.
inline constexpr int kTargetRows = 7;
inline constexpr int kScoreRow = 7;
inline constexpr std::array<int32_t, kTargetRows> kTargetNumbers = {20, 19, 18, 17, 16, 15, 25};
// Points a mark beyond the third scores; the bull's target number is also its value.
inline constexpr std::array<int32_t, kTargetRows> kTargetValues = kTargetNumbers;
inline constexpr int32_t kRoundMax = 20;

// The row of a target number, or -1 for a number without a row (0, a miss, among them).
constexpr int RowOfTarget(int64_t target) {
  for (int row = 0; row < kTargetRows; ++row) {
    if (kTargetNumbers[row] == target) return row;
  }
  return -1;
}

// The score rule: the sum over the targets with more than 3 marks of (marks - 3) x value.
// Reckoned in 64 bits so that callers can refuse counts whose score leaves the 32-bit range.
template <typename Counts>
constexpr int64_t ScoreOf(const Counts& marks) {
  int64_t score = 0;
  for (int row = 0; row < kTargetRows; ++row) {
    const int64_t m = marks[row];
    if (m > 3) score += (m - 3) * kTargetValues[row];
  }
  return score;
}

struct MatchState {
  bool IsFirstPlayer = true;
  int32_t RoundNo = 1;
  int32_t RoundMax = kRoundMax;
  bool InputOpen = true;
  int32_t Throw = 0;                   // throws entered in the turn in progress, the current stage
  int32_t ThrowNumber = 0;             // target number of the throw being entered
  std::array<int32_t, 4> nowdata{};    // numbered 1..3; entry 0 is unused
  std::array<int32_t, 8> MarkCount{};  // own committed marks, row 7 the own score
  std::array<int32_t, 8> r_MarkCount{};  // rival's committed marks, row 7 the rival's score
  int32_t showdata[8][4]{};              // [row][stage]: the stages of the turn in progress
  std::array<int32_t, 3> nowmark{};      // marks credited by throws 1..3
  std::array<std::string, 3> ThrowText;  // short names of throws 1..3, UTF-8

  // Marks of every target row at one stage, for the score rule.
  std::array<int32_t, kTargetRows> StageMarks(int stage) const {
    std::array<int32_t, kTargetRows> marks{};
    for (int row = 0; row < kTargetRows; ++row) marks[row] = showdata[row][stage];
    return marks;
  }
};

}  // namespace markwick
