#include "big_view_snapshot.h"

#include <algorithm>

#include "utf8_text.h"

namespace markwick {
namespace {

// The board's symbols: "＼", "×", "○" for 1, 2, 3 or more marks, "－－" once both sides have
// closed the target. A negative count (only a malformed rival message makes one) shows nothing.
QString MarkSymbol(int32_t marks, int32_t other) {
  if (marks >= 3 && other >= 3) return QStringLiteral("－－");
  switch (std::clamp(marks, 0, 3)) {
    case 1:
      return QStringLiteral("＼");
    case 2:
      return QStringLiteral("×");
    case 3:
      return QStringLiteral("○");
    default:
      return {};
  }
}

// The turn being entered has darts: the board then shows their stage, else the committed marks
// (after a send the stage counter may point at a stage of an earlier turn).
bool EnteringDarts(const MatchState& s) {
  return s.Throw > 0 && s.Throw <= 3 && !s.ThrowText[static_cast<size_t>(s.Throw - 1)].empty();
}

}  // namespace

QString BigViewSnapshot::RoundText() const {
  return QStringLiteral("ROUND %1 / %2").arg(round).arg(round_max);
}

std::array<int32_t, kTargetRows> ShownOwnMarks(const MatchState& state) {
  std::array<int32_t, kTargetRows> marks{};
  const bool entering = EnteringDarts(state);
  for (int row = 0; row < kTargetRows; ++row) {
    marks[row] = entering ? state.showdata[row][state.Throw] : state.MarkCount[row];
  }
  return marks;
}

BigViewSnapshot SnapshotOf(const MatchState& state, const MatchStats& stats, bool decided,
                           const QString& own_name, const QString& rival_name) {
  BigViewSnapshot view;
  const std::array<int32_t, kTargetRows> own = ShownOwnMarks(state);
  for (int row = 0; row < kTargetRows; ++row) {
    view.own.marks[row] = MarkSymbol(own[row], state.r_MarkCount[row]);
    view.rival.marks[row] = MarkSymbol(state.r_MarkCount[row], own[row]);
  }
  view.own.name = own_name;
  view.rival.name = rival_name;
  view.own.score =
      EnteringDarts(state) ? state.showdata[kScoreRow][state.Throw] : state.MarkCount[kScoreRow];
  view.rival.score = state.r_MarkCount[kScoreRow];
  const PlayerStats& own_stats = state.IsFirstPlayer ? stats.first : stats.second;
  const PlayerStats& rival_stats = state.IsFirstPlayer ? stats.second : stats.first;
  view.own.mpr = FromUtf8(own_stats.MprText());
  view.rival.mpr = FromUtf8(rival_stats.MprText());
  view.round_max = state.RoundMax;
  view.round = std::clamp(state.RoundNo, 1, std::max(1, state.RoundMax));
  if (decided || state.RoundNo > state.RoundMax) {
    view.turn = TurnOf::Nobody;
  } else {
    view.turn = state.InputOpen ? TurnOf::Own : TurnOf::Rival;
  }
  for (size_t dart = 0; dart < 3; ++dart) view.darts[dart] = FromUtf8(state.ThrowText[dart]);
  return view;
}

}  // namespace markwick
