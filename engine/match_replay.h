// Replaying a recorded match through the match engine, so that what follows from the turns (the
// state to go on from, the result) is the engine's own judgement and never a second set of rules.
#pragma once

#include <stdexcept>
#include <vector>

#include "match_engine.h"
#include "turn.h"

namespace markwick {

// A recorded turn that the engine does not play as recorded; what() is UTF-8 for the user.
class ReplayError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Plays turns, in the order played, through engine as the board would: each own turn dart by
// dart from its texts (as the grid or the keyboard entered them) and then sent, each of the
// rival's turns taken in as the link hands it over. A turn is the own one when its side is the
// engine's (PlayedTurn::first == IsFirstPlayer).
//
// The engine must stand at the start of a match in this program's role: created, then
// ChooseFirstPlayer or ChooseSecondPlayer. Its board sees everything as in play (SendTurn,
// TurnPlayed, ShowMessage for the results), so a caller that replays into a live board gives
// the engine a board that sends nothing, keeps no second record and shows no boxes, and shows
// the state afterwards (MatchEngine::ShowMarks and the scores).
//
// Throws ReplayError at the first turn that does not replay as recorded (out of turn, after the
// match was over, a dart text no cell enters, other marks or another score than recorded); the
// turns before it stay played.
void ReplayTurns(MatchEngine& engine, const std::vector<PlayedTurn>& turns);

// A recorded match judged by the engine, from this program's side.
struct ReplayedMatch {
  MatchResult result = MatchResult::NotEnded;
  int32_t own_score = 0;
  int32_t rival_score = 0;
};

// Replays turns on an engine of its own (nothing shown, nothing sent) in the role own_first
// gives. Throws ReplayError as ReplayTurns does.
ReplayedMatch ReplayMatch(bool own_first, const std::vector<PlayedTurn>& turns);

}  // namespace markwick
