// The two texts of the state dump: the match state's values under their own names, lines
// separated by CR LF, no line break after the last line.
#pragma once

#include <array>
#include <string>

#include "engine/match_state.h"

namespace markwick {

// First text (40 lines): Throw, MarkCount, r_MarkCount, the current stage, nowmark, nowdata.
std::string StateDumpFirstText(const MatchState& state);
// Second text (46 lines): the four stages of showdata, nowmark, nowdata.
std::string StateDumpSecondText(const MatchState& state);

}  // namespace markwick
