// A seeded random match between two wired engines: random darts (and what is no dart, and
// selections that are none), corrections and sends, each step checked against the invariants
// of the match state, each delivered turn against the other peer.
#pragma once

#include <algorithm>
#include <random>
#include <sstream>
#include <string>

#include "engine_fixtures.h"

namespace markwick::testing {

inline const char* Symbol(int32_t marks) {
  return marks == 0 ? "" : marks == 1 ? "＼" : marks == 2 ? "×" : "○";
}

// The first broken invariant of one peer, or an empty text. committed is the peer's
// MarkCount before the step: own counts never go down.
inline std::string Violation(const MatchEngine& e, const RecordingBoard& board,
                             const std::array<int32_t, 8>& committed) {
  const MatchState& s = e.state();
  std::ostringstream out;
  if (s.Throw < 0 || s.Throw > 3) out << "Throw " << s.Throw;
  if (s.RoundNo < 1 || s.RoundNo > 21) out << "RoundNo " << s.RoundNo;
  for (int r = 0; r < kTargetRows; ++r) {
    if (s.MarkCount[r] < committed[r]) out << "own count went down on row " << r;
  }
  if (s.MarkCount[kScoreRow] != ScoreOf(s.MarkCount)) out << "own score";
  if (s.r_MarkCount[kScoreRow] != ScoreOf(s.r_MarkCount)) out << "rival score";
  if (!out.str().empty() || !s.InputOpen || s.RoundNo > s.RoundMax) return out.str();

  // An own turn is open.
  for (int r = 0; r < 8; ++r) {
    if (s.showdata[r][0] != s.MarkCount[r]) out << "stage 0 row " << r;
  }
  for (int stage = 1; stage <= s.Throw; ++stage) {
    const int row = RowOfTarget(s.nowdata[stage]);
    int32_t sum = 0;
    for (int r = 0; r < kTargetRows; ++r) {
      const int32_t before = s.showdata[r][stage - 1];
      const int32_t diff = s.showdata[r][stage] - before;
      if (diff < 0 || (diff > 0 && r != row)) out << "stage " << stage << " row " << r;
      if (s.r_MarkCount[r] >= 3 && s.showdata[r][stage] > std::max(3, before))
        out << "credited past a target closed by the rival, row " << r;
      sum += diff;
    }
    if (sum != s.nowmark[stage - 1] || sum > 3) out << "nowmark of throw " << stage;
  }
  for (int stage = 0; stage <= s.Throw; ++stage) {
    if (s.showdata[kScoreRow][stage] != ScoreOf(s.StageMarks(stage)))
      out << "score of stage " << stage;
  }
  for (int t = s.Throw + 1; t <= 3; ++t) {
    if (s.nowdata[t] != 0 || s.nowmark[t - 1] != 0 || !s.ThrowText[t - 1].empty())
      out << "leftover of throw " << t;
  }
  for (int t = 0; t < 3; ++t) {
    if (board.darts[t] != s.ThrowText[t]) out << "dart box " << t;
  }
  const std::string score_cell = board.own.score;
  if (score_cell != std::to_string(s.showdata[kScoreRow][s.Throw]) &&
      !(score_cell.empty() && s.RoundNo == 1))
    out << "own score cell " << score_cell;
  for (int r = 0; r < kTargetRows; ++r) {
    const int32_t own = s.showdata[r][s.Throw];
    const int32_t rival = s.r_MarkCount[r];
    const bool both = own >= 3 && rival >= 3;
    if (board.own.marks[r] != (both ? "－－" : Symbol(own))) out << "own symbol row " << r;
    if (board.rival.marks[r] != (both ? "－－" : Symbol(rival))) out << "rival symbol row " << r;
  }
  if (board.send_enabled != (s.Throw == 3)) out << "Button1";
  if (!board.correct_enabled) out << "Button2";
  return out.str();
}

// How one match ended.
enum class End { AllRounds, Stopped };

class RandomMatch {
 public:
  // Without judging, a click on a cell that is no throw cell does nothing: no record keeps the
  // judgement such a click makes, so a match replayed from its records could end elsewhere.
  explicit RandomMatch(uint32_t seed, bool judging = true) : random_(seed), judging_(judging) {
    // Some players miss a lot (the match runs its 20 rounds), others close early.
    miss_percent_ = Pick(0, 90);
  }

  // Plays until both peers are past the last round or the side to throw can no longer throw.
  // Returns an empty text, or what went wrong and where.
  std::string Play(End& end) {
    MatchEngine* thrower = &pair_.a;
    for (int turn = 0; turn < 41; ++turn) {
      RecordingBoard& board = thrower == &pair_.a ? pair_.board_a : pair_.board_b;
      if (std::string v = PlayTurn(*thrower, board); !v.empty()) {
        return "turn " + std::to_string(turn) + ": " + v;
      }
      if (!board.send_enabled) {  // the match ended on this side before it could send
        end = End::Stopped;
        return {};
      }
      const std::array<int32_t, 8> before = thrower->state().MarkCount;
      thrower->SendOwnTurn();
      if (std::string v = Check(*thrower, board, before); !v.empty()) return "send: " + v;
      MatchEngine* receiver = thrower == &pair_.a ? &pair_.b : &pair_.a;
      const bool accepted = receiver->AcceptsTurns();
      pair_.Deliver();
      if (accepted && (pair_.a.state().MarkCount != pair_.b.state().r_MarkCount ||
                       pair_.b.state().MarkCount != pair_.a.state().r_MarkCount)) {
        return "turn " + std::to_string(turn) + ": the peers hold different marks";
      }
      RecordingBoard& other = receiver == &pair_.a ? pair_.board_a : pair_.board_b;
      // Both peers saw the turn alike, in its round; only the thrower knows the darts' texts.
      if (accepted) {
        PlayedTurn sent = board.played.back();
        sent.texts = {};
        if (sent != other.played.back() || sent.round != turn / 2 + 1 ||
            sent.first != (thrower == &pair_.a) || other.played.size() != size_t(turn + 1) ||
            board.played.size() != size_t(turn + 1))
          return "turn " + std::to_string(turn) + ": the peers played different turns";
      }
      if (std::string v = Check(*receiver, other, receiver->state().MarkCount); !v.empty())
        return "receipt: " + v;
      if (!pair_.a.AcceptsTurns() && !pair_.b.AcceptsTurns()) {
        end = End::AllRounds;
        if (pair_.board_a.messages.back() != pair_.board_b.messages.back())
          return "the final results differ";
        if (pair_.board_a.status != "試合終了" || pair_.board_b.status != "試合終了")
          return "status after the last round";
        return {};
      }
      if (!receiver->state().InputOpen) {  // the result found on receipt closed its input
        end = End::Stopped;
        return {};
      }
      thrower = receiver;
    }
    return "more turns than a match has";
  }

  const EnginePair& pair() const { return pair_; }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  std::string Check(const MatchEngine& e, const RecordingBoard& board,
                    const std::array<int32_t, 8>& before) {
    std::string v = Violation(e, board, before);
    if (!v.empty()) v += " on " + std::string(&e == &pair_.a ? "A" : "B");
    return v;
  }

  // Random selections and corrections until Button1 may be clicked and the dice say so, or
  // until the side can no longer enter anything.
  std::string PlayTurn(MatchEngine& e, RecordingBoard& board) {
    for (int step = 0; step < 60; ++step) {
      if (board.send_enabled && (Pick(0, 9) < 7 || step > 40)) return {};
      if (!e.state().InputOpen) return {};
      const std::array<int32_t, 8> before = e.state().MarkCount;
      const int action = Pick(0, 99);
      if (action < 8 && step < 40) {
        e.TakeBackThrow();
      } else if (action < 14 && step < 40) {
        if (Pick(0, 1) == 0) {
          if (judging_) e.JudgeOnSelection();
        } else {
          e.EnterDart({Pick(-1, 26), Pick(-1, 4)});  // mostly no dart
        }
      } else if (Pick(0, 99) < miss_percent_) {
        e.EnterDart(kMiss);
      } else {
        // The 21 throw cells of the grid: the triple bull's place is the miss.
        const Dart dart{kTargetNumbers[Pick(0, 6)], Pick(1, 3)};
        e.EnterDart(dart.IsValid() ? dart : kMiss);
      }
      if (std::string v = Check(e, board, before); !v.empty())
        return "step " + std::to_string(step) + ": " + v;
    }
    return board.send_enabled || !e.state().InputOpen ? "" : "turn never completed";
  }

  std::mt19937 random_;
  bool judging_;
  int miss_percent_;
  EnginePair pair_;
};

}  // namespace markwick::testing
