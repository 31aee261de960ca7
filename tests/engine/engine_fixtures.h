// Helpers for engine tests: darts by name, match states set up by hand, and two engines
// wired back to back by their Turn texts.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <string>
#include <utility>

#include "engine/match_engine.h"
#include "engine/match_state.h"
#include "link/turn_message.h"
#include "recording_board.h"
#include "string_printing.h"

namespace markwick::testing {

// The engine's state, for positions set up by hand.
struct EngineAccess {
  static MatchState& State(MatchEngine& engine) { return engine.state_; }
};
inline MatchState& StateOf(MatchEngine& engine) { return EngineAccess::State(engine); }

using Marks = std::array<int32_t, kTargetRows>;

constexpr Dart Single(int32_t target) { return {target, 1}; }
constexpr Dart Double(int32_t target) { return {target, 2}; }
constexpr Dart Triple(int32_t target) { return {target, 3}; }  // not for the bull
constexpr Dart kMiss = Dart::Miss();

inline constexpr Marks kAllClosed = {3, 3, 3, 3, 3, 3, 3};

// Marks with some rows changed: With(kAllClosed, {{0, 5}}) is 5 on 20, 3 elsewhere.
inline Marks With(Marks marks, std::initializer_list<std::pair<int, int32_t>> rows) {
  for (const auto& [row, count] : rows) marks[row] = count;
  return marks;
}

// A Turn message text from the rival, read as the link reads it.
inline void Receive(MatchEngine& engine, std::string_view text) {
  engine.TakeInRivalTurn(ReadTurnItems(text));
}

// Committed marks of both sides with their scores, and an own turn open on them as StartTurn
// leaves it: stage 0 holds the committed own marks and score, no throw entered.
inline void OpenTurn(MatchEngine& engine, const Marks& own, const Marks& rival) {
  MatchState& s = StateOf(engine);
  for (int r = 0; r < kTargetRows; ++r) {
    s.MarkCount[r] = own[r];
    s.r_MarkCount[r] = rival[r];
  }
  s.MarkCount[kScoreRow] = static_cast<int32_t>(ScoreOf(own));
  s.r_MarkCount[kScoreRow] = static_cast<int32_t>(ScoreOf(rival));
  for (int r = 0; r < 8; ++r) s.showdata[r][0] = s.MarkCount[r];
  s.Throw = 0;
  s.InputOpen = true;
}

// A finished own turn that changed nothing: all four stages hold the committed own marks and
// three throws are in, ready for SendOwnTurn.
inline void CompleteTurn(MatchEngine& engine, const Marks& own, const Marks& rival) {
  OpenTurn(engine, own, rival);
  MatchState& s = StateOf(engine);
  for (int r = 0; r < 8; ++r) {
    for (int stage = 1; stage < 4; ++stage) s.showdata[r][stage] = s.MarkCount[r];
  }
  s.Throw = 3;
}

// Two peers: A plays first, B second, each with its own board. A sent text is queued and
// delivered only when Deliver() runs, after the sending handler has returned, as the event loop
// of a real peer would deliver it.
struct EnginePair {
  RecordingBoard board_a;
  RecordingBoard board_b;
  MatchEngine a{board_a};
  MatchEngine b{board_b};
  std::deque<std::pair<MatchEngine*, std::string>> pending;

  EnginePair() {
    board_a.peer = [this](const std::string& text) { pending.emplace_back(&b, text); };
    board_b.peer = [this](const std::string& text) { pending.emplace_back(&a, text); };
    a.ChooseFirstPlayer("Player1");
    b.ChooseSecondPlayer("Player2");
    // What the name exchange of the link writes.
    board_a.rival.name = "Player2";
    board_b.rival.name = "Player1";
  }
  EnginePair(const EnginePair&) = delete;
  EnginePair& operator=(const EnginePair&) = delete;

  // Hands every queued text to its receiver; one past its last round leaves it unread.
  void Deliver() {
    while (!pending.empty()) {
      auto [to, text] = std::move(pending.front());
      pending.pop_front();
      if (to->AcceptsTurns()) to->TakeInRivalTurn(ReadTurnItems(text));
    }
  }

  // One turn: the darts entered on one side, Button1, and the delivery to the other side.
  void Turn(MatchEngine& engine, std::initializer_list<Dart> darts) {
    for (const Dart& dart : darts) engine.EnterDart(dart);
    engine.SendOwnTurn();
    Deliver();
  }
};

}  // namespace markwick::testing
