#include "match_replay.h"

#include <optional>
#include <string>
#include <string_view>

#include "board.h"
#include "dart.h"
#include "match_state.h"

namespace markwick {
namespace {

// The dart a text names, as the dart boxes show it ("20T", "DB", "×").
std::optional<Dart> DartOfText(std::string_view text) {
  for (const int32_t target : {20, 19, 18, 17, 16, 15, 25}) {
    for (int32_t multiplier = 1; multiplier <= 3; ++multiplier) {
      const Dart dart{target, multiplier};
      if (dart.IsValid() && dart.Text() == text) return dart;
    }
  }
  if (text == Dart::Miss().Text()) return Dart::Miss();
  return std::nullopt;
}

[[noreturn]] void Fail(const PlayedTurn& turn, std::string_view what) {
  std::string text = std::to_string(turn.round);
  text += turn.first ? " ラウンドの先攻のターン: " : " ラウンドの後攻のターン: ";
  text += what;
  throw ReplayError(text);
}

void ReplayOwnTurn(MatchEngine& engine, const PlayedTurn& turn) {
  const MatchState& s = engine.state();
  if (!s.InputOpen || s.Throw != 0) Fail(turn, "入力を受け付けていないときの記録です");
  int entered = 0;
  for (; entered < 3 && !turn.texts[entered].empty(); ++entered) {
    const std::optional<Dart> dart = DartOfText(turn.texts[entered]);
    if (!dart || dart->target != turn.darts.targets[entered]) Fail(turn, "表示が投擲と合いません");
    if (!s.InputOpen) Fail(turn, "試合の終わった後の投擲です");
    engine.EnterDart(*dart);
    if (s.Throw != entered + 1 || s.nowmark[entered] != turn.darts.marks[entered]) {
      Fail(turn, "マークが記録と違います");
    }
  }
  // Fewer darts are sent only once both players have closed everything, which closes input.
  for (int k = entered; k < 3; ++k) {
    if (!turn.texts[k].empty() || turn.darts.targets[k] != 0 || turn.darts.marks[k] != 0) {
      Fail(turn, "表示のない投擲があります");
    }
  }
  if (entered < 3 && s.InputOpen) Fail(turn, "3 投そろわないターンです");
  engine.SendOwnTurn();
  if (s.MarkCount[kScoreRow] != turn.score) Fail(turn, "得点が記録と違います");
}

void ReplayRivalTurn(MatchEngine& engine, const PlayedTurn& turn) {
  if (engine.state().InputOpen) Fail(turn, "自分の番に相手のターンがあります");
  TurnItems items;
  for (const int32_t target : turn.darts.targets) items.push_back({std::to_string(target), target});
  for (const int32_t marks : turn.darts.marks) items.push_back({std::to_string(marks), marks});
  try {
    engine.TakeInRivalTurn(items);
  } catch (const TurnError& error) {
    Fail(turn, error.what());
  }
  if (engine.state().r_MarkCount[kScoreRow] != turn.score) Fail(turn, "得点が記録と違います");
}

}  // namespace

void ReplayTurns(MatchEngine& engine, const std::vector<PlayedTurn>& turns) {
  for (const PlayedTurn& turn : turns) {
    const MatchState& s = engine.state();
    // Both roles count the round of a turn alike until it has been played.
    if (!engine.AcceptsTurns()) Fail(turn, "20 ラウンドの後のターンです");
    if (s.RoundNo != turn.round) Fail(turn, "ラウンドが試合の順になっていません");
    if (turn.first == s.IsFirstPlayer) {
      ReplayOwnTurn(engine, turn);
    } else {
      ReplayRivalTurn(engine, turn);
    }
  }
}

ReplayedMatch ReplayMatch(bool own_first, const std::vector<PlayedTurn>& turns) {
  SilentBoard board;
  MatchEngine engine(board);
  if (own_first) {
    engine.ChooseFirstPlayer({});
  } else {
    engine.ChooseSecondPlayer({});
  }
  ReplayTurns(engine, turns);
  return {engine.Result(), engine.state().MarkCount[kScoreRow],
          engine.state().r_MarkCount[kScoreRow]};
}

}  // namespace markwick
