// The match logic of the score board: throw entry, correction, scores, judgement and the turn
// cycle, working on one MatchState and reaching the window and the link through a Board.
// The window's handlers call the operations below; each runs to its end or stops at the first
// exception, leaving what it had already changed.
#pragma once

#include <string_view>

#include "board.h"
#include "dart.h"
#include "match_state.h"
#include "turn.h"

namespace markwick {

namespace testing {
struct EngineAccess;
}

// A judgement's result, from this peer's side.
enum class MatchResult { NotEnded, OwnWin, RivalWin, Draw };

class MatchEngine {
 public:
  // Puts the state into its start values and writes the board's start texts (window creation).
  explicit MatchEngine(Board& board);

  // The whole state, for the state dump; the window asks the questions below.
  const MatchState& state() const { return state_; }
  bool IsFirstPlayer() const { return state_.IsFirstPlayer; }
  int32_t RoundNo() const { return state_.RoundNo; }
  // Whether darts may be entered now: the own turn is open.
  bool InputOpen() const { return state_.InputOpen; }

  // The start dialog's role choices, up to the link set-up: own name, role flags, status line
  // and the correction button (and the round label for the second player).
  void ChooseFirstPlayer(std::string_view own_name);
  void ChooseSecondPlayer(std::string_view own_name);

  // Enters a dart (a selection of its grid cell, or its keys). What is no dart is refused and
  // changes nothing; while input is closed the dart only judges the match.
  void EnterDart(const Dart& dart);
  // A selection that is no dart (a grid cell other than a throw cell): judges the match.
  void JudgeOnSelection();
  // Commits the turn, sends it and waits for the rival (the send button).
  void SendOwnTurn();
  // Takes the last throw of the turn back (the correction button).
  void TakeBackThrow();
  // False once every round has been played: a received text is then left unread.
  bool AcceptsTurns() const { return state_.RoundNo <= state_.RoundMax; }
  // A turn from the rival, as the link has read its text: applies its marks and opens the own
  // turn. Throws TurnError when the items cannot be applied.
  void TakeInRivalTurn(const TurnItems& items);

  // Redraws the mark symbols of both sides, the own side at the current stage.
  void ShowMarks();

  // True once a judgement has declared a result on this peer; it stays true.
  bool MatchDecided() const { return decided_; }
  // The result the latest judgement declared (a match that goes on after one side judged it
  // over can end otherwise); NotEnded before any.
  MatchResult Result() const { return result_; }

 private:
  // Tests set positions up by hand.
  friend struct testing::EngineAccess;

  void AddMark(int target);
  void CalcStageScore();
  void ShowThrowTexts();
  void CheckAllClosed();
  void CalcOwnScore();
  void CalcRivalScore();
  void JudgeMatch();
  void StartTurn();

  Board& board_;
  MatchState state_;
  bool decided_ = false;
  MatchResult result_ = MatchResult::NotEnded;
  bool turn_played_ = false;  // the own turn went to TurnPlayed; its send has not gone through
};

}  // namespace markwick
