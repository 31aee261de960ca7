// Throughput of the match engine: darts entered, and whole matches
// between two engines whose Turn texts are composed, split and applied.
#include <benchmark/benchmark.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "engine/match_engine.h"
#include "link/turn_message.h"

using namespace markwick;

namespace {

// A board that shows nothing; a sent Turn text is kept for the caller to deliver.
class QuietBoard : public SilentBoard {
 public:
  void SendTurn(const Turn& turn) override { outbox = ComposeTurn(turn); }

  std::string outbox;
};

// Darts of a turn and their corrections, over and over: only the entered darts are counted,
// the time of taking them back is included.
void BM_EnterDarts(benchmark::State& state) {
  QuietBoard board;
  MatchEngine engine(board);
  engine.ChooseFirstPlayer("Player1");
  // A turn in mid-match, after three rounds: some targets closed on one side or both, points
  // on some (own 5 3 2 0 3 1 4, rival 3 1 3 6 3 0 2).
  const Dart own_turns[3][3] = {
      {{20, 3}, {20, 2}, {19, 3}}, {{18, 2}, {16, 3}, {15, 1}}, {{25, 2}, {25, 2}, Dart::Miss()}};
  const char* rival_turns[3] = {"20,19,18,3,1,3,", "17,17,16,3,3,3,", "25,0,0,2,0,0,"};
  for (int round = 0; round < 3; ++round) {
    for (const Dart& dart : own_turns[round]) engine.EnterDart(dart);
    engine.SendOwnTurn();
    engine.TakeInRivalTurn(ReadTurnItems(rival_turns[round]));
  }
  const MatchState& s = engine.state();
  if (s.MarkCount != std::array<int32_t, 8>{5, 3, 2, 0, 3, 1, 4, 65} ||
      s.r_MarkCount != std::array<int32_t, 8>{3, 1, 3, 6, 3, 0, 2, 51}) {
    state.SkipWithError("the position was not reached");
    return;
  }
  const std::array<Dart, 12> darts = {{{20, 3},
                                       {19, 1},
                                       {25, 2},
                                       Dart::Miss(),
                                       {18, 3},
                                       {17, 2},
                                       {16, 1},
                                       {15, 3},
                                       {25, 1},
                                       {20, 2},
                                       {16, 3},
                                       {18, 1}}};
  size_t next = 0;
  for (auto _ : state) {
    for (int dart = 0; dart < 3; ++dart) {
      engine.EnterDart(darts[next]);
      next = next + 1 == darts.size() ? 0 : next + 1;
    }
    engine.TakeBackThrow();
    engine.TakeBackThrow();
    engine.TakeBackThrow();
  }
  if (s.Throw != 0 || s.MarkCount[0] != 5) state.SkipWithError("the turn did not come back");
  state.SetItemsProcessed(state.iterations() * 3);
}
BENCHMARK(BM_EnterDarts);

// Scripts of whole matches: random darts that never hit the bull, so that no one closes
// everything and every match runs its 20 rounds.
std::vector<std::vector<Dart>> MatchScripts() {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> pick(0, 18);
  constexpr int32_t kMultipliers[3] = {2, 1, 3};
  std::vector<std::vector<Dart>> scripts(16);
  for (std::vector<Dart>& darts : scripts) {
    for (int i = 0; i < 120; ++i) {
      const int p = pick(random);
      darts.push_back(p == 18 ? Dart::Miss() : Dart{20 - p % 6, kMultipliers[p / 6]});
    }
  }
  return scripts;
}

void Throw3(MatchEngine& engine, const std::vector<Dart>& darts, size_t& next) {
  for (int d = 0; d < 3; ++d, ++next) engine.EnterDart(darts[next]);
}

void BM_WholeMatch(benchmark::State& state) {
  const std::vector<std::vector<Dart>> scripts = MatchScripts();
  size_t script = 0;
  for (auto _ : state) {
    const std::vector<Dart>& darts = scripts[script];
    script = (script + 1) % scripts.size();
    QuietBoard board_a;
    QuietBoard board_b;
    MatchEngine a(board_a);
    MatchEngine b(board_b);
    a.ChooseFirstPlayer("Player1");
    b.ChooseSecondPlayer("Player2");
    size_t next = 0;
    for (int round = 1; round <= 20; ++round) {
      Throw3(a, darts, next);
      a.SendOwnTurn();
      b.TakeInRivalTurn(ReadTurnItems(board_a.outbox));
      Throw3(b, darts, next);
      b.SendOwnTurn();
      a.TakeInRivalTurn(ReadTurnItems(board_b.outbox));
    }
    if (a.AcceptsTurns() || b.AcceptsTurns() || a.state().MarkCount != b.state().r_MarkCount) {
      state.SkipWithError("the match did not run its 20 rounds");
      break;
    }
    benchmark::DoNotOptimize(a.state().MarkCount);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WholeMatch);

}  // namespace

BENCHMARK_MAIN();
