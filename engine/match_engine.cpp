#include "match_engine.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

namespace markwick {
namespace {

// A decimal number as text, without allocating.
class Decimal {
 public:
  explicit Decimal(int64_t value)
      : length_(static_cast<size_t>(std::to_chars(buffer_, buffer_ + sizeof buffer_, value).ptr -
                                    buffer_)) {}
  std::string_view view() const { return {buffer_, length_}; }
  operator std::string_view() const { return view(); }

 private:
  char buffer_[24];
  size_t length_;
};

constexpr std::string_view kAccepting = "記録入力受付中";
constexpr std::string_view kWaiting = "相手入力待ち";
constexpr std::string_view kAllThrown = "全て投げ終わりました";
constexpr std::string_view kMatchOver = "試合終了";
constexpr std::string_view kSend = "送信";
constexpr std::string_view kWait = "待ち";
constexpr std::string_view kNothingToCorrect = "修正する記録がありません！";
constexpr std::string_view kWin = " Win!!";

bool AllClosed(const std::array<int32_t, 8>& marks) {
  for (int row = 0; row < kTargetRows; ++row) {
    if (marks[row] < 3) return false;
  }
  return true;
}

// The mark symbol of a count of 0 or more.
constexpr std::string_view MarkSymbol(int32_t marks) {
  constexpr std::string_view kSymbols[4] = {"", "＼", "×", "○"};
  return kSymbols[std::min(marks, 3)];
}

constexpr std::string_view kClosedForBoth = "－－";

}  // namespace

MatchEngine::MatchEngine(Board& board) : board_(board) {
  // MatchState's initialisers are the start values; stage 0 already equals MarkCount (all 0).
  board_.SetRoundText(Decimal(state_.RoundNo));
  std::string rounds = "／";
  rounds += Decimal(state_.RoundMax).view();
  rounds += "R";
  board_.SetRoundMaxText(rounds);

  board_.SetName(Side::Own, "FirstPlayer");
  board_.SetName(Side::Rival, "SecondPlayer");
  ShowMarks();
}

void MatchEngine::ChooseFirstPlayer(std::string_view own_name) {
  board_.SetName(Side::Own, own_name);
  state_.IsFirstPlayer = true;
  state_.InputOpen = true;
  board_.SetStatusColour(StatusColour::Blue);
  board_.SetStatusText(kAccepting);
  board_.SetCorrectEnabled(true);
}

void MatchEngine::ChooseSecondPlayer(std::string_view own_name) {
  board_.SetName(Side::Own, own_name);
  state_.IsFirstPlayer = false;
  state_.InputOpen = false;
  board_.SetRoundText(Decimal(state_.RoundNo));
  board_.SetStatusColour(StatusColour::Red);
  board_.SetStatusText(kWaiting);
}

void MatchEngine::EnterDart(const Dart& dart) {
  if (!dart.IsValid()) return;
  MatchState& s = state_;
  if (s.RoundNo > s.RoundMax) return;
  if (!s.InputOpen) {
    JudgeMatch();
    return;
  }
  if (s.Throw >= 3) return;

  for (int r = 0; r < kTargetRows; ++r) s.showdata[r][s.Throw + 1] = s.showdata[r][s.Throw];
  s.ThrowNumber = dart.target;
  s.ThrowText[s.Throw] = dart.Text();
  if (dart.IsMiss()) {
    s.nowmark[s.Throw] = 0;
  } else {
    for (int i = 0; i < dart.multiplier; ++i) AddMark(dart.target);
  }
  ShowThrowTexts();
  s.nowdata[s.Throw + 1] = s.ThrowNumber;
  CalcStageScore();
  CheckAllClosed();
  s.Throw += 1;
  ShowMarks();
  if (s.Throw >= 3) board_.SetSendEnabled(true);
}

void MatchEngine::JudgeOnSelection() {
  if (state_.RoundNo > state_.RoundMax) return;
  JudgeMatch();
}

void MatchEngine::AddMark(int target) {
  const int row = RowOfTarget(target);
  if (row < 0) return;
  MatchState& s = state_;
  const int stage = s.Throw + 1;
  if (s.r_MarkCount[row] >= 3 && s.showdata[row][stage] >= 3) return;
  s.showdata[row][stage] += 1;
  s.nowmark[s.Throw] += 1;
}

void MatchEngine::CalcStageScore() {
  const int stage = state_.Throw + 1;
  // Own marks grow by at most 3 a throw, so the score stays far inside 32 bits.
  state_.showdata[kScoreRow][stage] = static_cast<int32_t>(ScoreOf(state_.StageMarks(stage)));
  board_.SetScoreText(Side::Own, Decimal(state_.showdata[kScoreRow][stage]));
}

void MatchEngine::ShowThrowTexts() {
  for (int dart = 0; dart < 3; ++dart) board_.SetDartText(dart, state_.ThrowText[dart]);
}

void MatchEngine::CheckAllClosed() {
  if (!AllClosed(state_.MarkCount) || !AllClosed(state_.r_MarkCount)) return;
  board_.SetStatusText(kMatchOver);
  state_.InputOpen = false;
  JudgeMatch();
  board_.SetSendEnabled(true);
}

void MatchEngine::ShowMarks() {
  // Each cell is written once with its final symbol. A negative count, which only a rival's
  // message can bring about, leaves its cell as it was.
  const MatchState& s = state_;
  for (int t = 0; t < kTargetRows; ++t) {
    const int32_t own = s.showdata[t][s.Throw];
    const int32_t rival = s.r_MarkCount[t];
    if (own >= 3 && rival >= 3) {
      board_.SetMarkSymbol(Side::Rival, t, kClosedForBoth);
      board_.SetMarkSymbol(Side::Own, t, kClosedForBoth);
      continue;
    }
    if (own >= 0) board_.SetMarkSymbol(Side::Own, t, MarkSymbol(own));
    if (rival >= 0) board_.SetMarkSymbol(Side::Rival, t, MarkSymbol(rival));
  }
}

void MatchEngine::TakeBackThrow() {
  MatchState& s = state_;
  if (s.Throw < 1) {
    board_.ShowMessage(kNothingToCorrect);
    return;
  }
  const int t = s.Throw;
  for (int r = 0; r < 8; ++r) s.showdata[r][t] = 0;
  s.ThrowText[t - 1].clear();
  ShowThrowTexts();
  s.nowmark[t - 1] = 0;
  s.nowdata[t] = 0;
  s.Throw = t - 1;
  ShowMarks();
  board_.SetScoreText(Side::Own, Decimal(s.showdata[kScoreRow][s.Throw]));
  board_.SetSendEnabled(false);
}

void MatchEngine::CalcOwnScore() {
  // Own marks are bounded by the throws of a match, far inside 32 bits.
  state_.MarkCount[kScoreRow] = static_cast<int32_t>(ScoreOf(state_.MarkCount));
  board_.SetScoreText(Side::Own, Decimal(state_.MarkCount[kScoreRow]));
}

void MatchEngine::CalcRivalScore() {
  // ApplyTurn refuses counts whose score would leave 32 bits; the clamp guards states made
  // by hand in tests from undefined conversion results.
  const int64_t score = ScoreOf(state_.r_MarkCount);
  state_.r_MarkCount[kScoreRow] =
      static_cast<int32_t>(std::min<int64_t>(score, std::numeric_limits<int32_t>::max()));
  board_.SetScoreText(Side::Rival, Decimal(state_.r_MarkCount[kScoreRow]));
}

void MatchEngine::JudgeMatch() {
  MatchState& s = state_;
  const int32_t own = s.MarkCount[kScoreRow];
  const int32_t rival = s.r_MarkCount[kScoreRow];
  const bool own_closed = AllClosed(s.MarkCount);
  const bool rival_closed = AllClosed(s.r_MarkCount);
  const auto declare = [&](const std::string& text, MatchResult result) {
    decided_ = true;
    result_ = result;
    board_.ShowMessage(text);
    board_.SetStatusText(kMatchOver);
    s.InputOpen = false;
  };
  // Names are read back from the board at the moment of each message.
  const auto own_name = [&] { return board_.Name(Side::Own); };
  const auto rival_name = [&] { return board_.Name(Side::Rival); };

  if (rival_closed && own == rival) {
    std::string text = own_name();
    text += "vs";
    text += rival_name();
    text += "\r\n   ";
    text += Decimal(own).view();
    text += "   ";
    text += Decimal(rival).view();
    text += "\r\n ドロー！";
    declare(text, MatchResult::Draw);
  }
  if (own_closed && own > rival) {
    declare(own_name() + std::string(Decimal(own).view()) + std::string(kWin), MatchResult::OwnWin);
  }
  if (rival_closed && rival > own) {
    declare(rival_name() + std::string(Decimal(rival).view()) + std::string(kWin),
            MatchResult::RivalWin);
  }
  if (s.RoundNo > s.RoundMax) {
    if (own > rival) {
      declare(own_name() + std::string(kWin), MatchResult::OwnWin);
    } else if (rival > own) {
      declare(rival_name() + std::string(kWin), MatchResult::RivalWin);
    } else {
      declare("ドロー!!", MatchResult::Draw);
    }
  }
}

void MatchEngine::StartTurn() {
  MatchState& s = state_;
  s.Throw = 0;
  CalcOwnScore();
  if (s.IsFirstPlayer) s.RoundNo += 1;
  if (s.RoundNo > s.RoundMax) {
    JudgeMatch();
    return;
  }
  board_.SetSendCaption(kSend);
  board_.SetStatusColour(StatusColour::Blue);
  board_.SetStatusText(kAccepting);
  board_.SetCorrectEnabled(true);
  board_.SetRoundText(Decimal(s.RoundNo));
  for (int r = 0; r < 8; ++r) s.showdata[r][0] = s.MarkCount[r];
  s.nowmark = {};
  for (std::string& text : s.ThrowText) text.clear();
  ShowMarks();
}

void MatchEngine::SendOwnTurn() {
  MatchState& s = state_;
  board_.SetCorrectEnabled(false);
  // The current stage is stage 3 after three throws. A turn that CheckAllClosed let be sent
  // early has fewer, and the stages above Throw hold leftovers of earlier turns: committing
  // those would change own marks that were never thrown, and the rival, who adds only the
  // throws sent, would then hold other marks than this peer.
  for (int r = 0; r < kTargetRows; ++r) s.MarkCount[r] = s.showdata[r][s.Throw];
  const Turn turn{{s.nowdata[1], s.nowdata[2], s.nowdata[3]}, s.nowmark};
  // Played before it is sent, so that a turn the rival may hold is always in this peer's
  // record; a send that failed and is clicked again plays it once. RoundNo is still the round
  // of this turn on both roles.
  if (!turn_played_) {
    board_.TurnPlayed({s.RoundNo, s.IsFirstPlayer, turn, s.ThrowText,
                       static_cast<int32_t>(ScoreOf(s.MarkCount))});
    turn_played_ = true;
  }
  board_.SendTurn(turn);
  turn_played_ = false;
  CalcOwnScore();
  s.InputOpen = false;
  s.nowdata = {};
  s.nowmark = {};
  for (std::string& text : s.ThrowText) text.clear();
  ShowThrowTexts();
  board_.SetSendEnabled(false);
  board_.SetSendCaption(kWait);
  board_.SetStatusColour(StatusColour::Red);
  board_.SetStatusText(kWaiting);
  if (s.RoundNo == s.RoundMax) board_.SetStatusText(kAllThrown);
  if (!s.IsFirstPlayer) {
    s.RoundNo += 1;
    s.Throw = 0;
    if (s.RoundNo <= s.RoundMax) board_.SetRoundText(Decimal(s.RoundNo));
    JudgeMatch();
  }
}

void MatchEngine::TakeInRivalTurn(const TurnItems& items) {
  MatchState& s = state_;
  if (s.RoundNo > s.RoundMax) return;
  ApplyTurn(items, s.r_MarkCount);
  CalcRivalScore();
  // Before StartTurn, which counts the first player's round up.
  board_.TurnPlayed(
      {s.RoundNo, !s.IsFirstPlayer, CreditedTurn(items), {}, s.r_MarkCount[kScoreRow]});
  CalcOwnScore();
  ShowMarks();
  s.InputOpen = true;
  board_.SetSendEnabled(false);
  if (s.IsFirstPlayer) JudgeMatch();
  if (s.RoundNo <= s.RoundMax) StartTurn();
}

}  // namespace markwick
