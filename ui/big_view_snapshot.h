// What the big view shows, in plain values: worked out from the match state, the STATS and the
// names by a pure function, so that the drawing and the screen reader's texts both read one
// snapshot and a test can check it without pixels.
#pragma once

#include <QString>
#include <array>

#include "engine/match_state.h"
#include "engine/match_stats.h"

namespace markwick {

enum class TurnOf { Own, Rival, Nobody };  // Nobody: the match is over

struct BigViewSide {
  QString name;
  std::array<QString, kTargetRows> marks;  // the board's mark symbols, rows 20..15, BULL
  int32_t score = 0;
  QString mpr;  // "2.67"
};

struct BigViewSnapshot {
  BigViewSide own;  // left, as on the board
  BigViewSide rival;
  int32_t round = 1;  // "ROUND n / 20"
  int32_t round_max = kRoundMax;
  TurnOf turn = TurnOf::Own;
  std::array<QString, 3> darts;  // the texts of the dart boxes
  QString banner;                // an award or the result across the view; empty for none

  QString RoundText() const;
  bool operator==(const BigViewSnapshot&) const = default;
};

// The targets' labels of the big view, rows 20..15 and the bull.
inline constexpr std::array<const char*, kTargetRows> kBigViewTargets = {"20", "19", "18",  "17",
                                                                         "16", "15", "BULL"};

// The snapshot of a board: decided is the engine's judgement that the match has a result.
BigViewSnapshot SnapshotOf(const MatchState& state, const MatchStats& stats, bool decided,
                           const QString& own_name, const QString& rival_name);

// The own marks of each target that the board shows: those of the turn being entered while it
// has darts, else the committed ones.
std::array<int32_t, kTargetRows> ShownOwnMarks(const MatchState& state);

}  // namespace markwick
