#include "match_replay.h"

#include <optional>
#include <string>
#include <string_view>

#include "board.h"
#include "match_state.h"

namespace markwick {
namespace {

struct RecordedDart {
  int32_t target;
  int32_t multiplier;  // 0 for a miss
};

// A dart's text as the engine names it: "20T", "19D", "15S", "DB", "SB", "×".
std::optional<RecordedDart> DartOfText(std::string_view text) {
  if (text == "×") return RecordedDart{0, 0};
  if (text == "DB") return RecordedDart{25, 2};
  if (text == "SB") return RecordedDart{25, 1};
  if (text.size() != 3 || (text[0] != '1' && text[0] != '2')) return std::nullopt;
  const int32_t target = (text[0] - '0') * 10 + (text[1] - '0');
  if (text[1] < '0' || text[1] > '9' || target < 15 || target > 20) return std::nullopt;
  const std::string_view kinds = "SDT";
  const size_t kind = kinds.find(text[2]);
  if (kind == std::string_view::npos) return std::nullopt;
  return RecordedDart{target, static_cast<int32_t>(kind) + 1};
}

// The grid cell that enters a dart: columns double, single, triple; the target's row; the miss.
void EnterRecordedDart(MatchEngine& engine, const RecordedDart& dart) {
  if (dart.multiplier == 0) {
    engine.EnterThrow(kTripleColumn, kMissRow);
    return;
  }
  constexpr int kColumns[3] = {kSingleColumn, kDoubleColumn, kTripleColumn};
  engine.EnterThrow(kColumns[dart.multiplier - 1], RowOfTarget(dart.target) + 1);
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
    const std::optional<RecordedDart> dart = DartOfText(turn.texts[entered]);
    if (!dart || dart->target != turn.darts.targets[entered]) Fail(turn, "表示が投擲と合いません");
    if (!s.InputOpen) Fail(turn, "試合の終わった後の投擲です");
    EnterRecordedDart(engine, *dart);
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

// A board that shows nothing and sends nothing: the engine's judgement alone is wanted.
class SilentBoard final : public Board {
 public:
  void SetCellText(int, int, std::string_view) override {}
  std::string CellText(int, int) const override { return {}; }
  void SetStatusText(std::string_view) override {}
  void SetStatusColour(StatusColour) override {}
  void SetRoundText(std::string_view) override {}
  void SetRoundMaxText(std::string_view) override {}
  void SetDartText(int, std::string_view) override {}
  void SetSendEnabled(bool) override {}
  void SetSendCaption(std::string_view) override {}
  void SetCorrectEnabled(bool) override {}
  void ShowMessage(std::string_view) override {}
  void SendTurn(const Turn&) override {}
  void TurnPlayed(const PlayedTurn&) noexcept override {}
};

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
