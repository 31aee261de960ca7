#include "state_dump.h"

#include <string_view>

namespace markwick {
namespace {

constexpr std::string_view kRowLabels[8] = {"20:", "19:", "18:", "17:", "16:", "15:", "Bu:", "計:"};
constexpr std::string_view kDartLabels[3] = {"1投:", "2投:", "3投:"};

class Lines {
 public:
  void Add(std::string_view label, int64_t value) {
    Begin();
    (text_ += label) += std::to_string(value);
  }
  void Add(std::string_view line) {
    Begin();
    text_ += line;
  }
  std::string Take() { return std::move(text_); }

 private:
  void Begin() {
    if (!first_) text_ += "\r\n";
    first_ = false;
  }
  std::string text_;
  bool first_ = true;
};

void AddRows(Lines& lines, const std::array<int32_t, 8>& values) {
  for (int row = 0; row < 8; ++row) lines.Add(kRowLabels[row], values[row]);
}

void AddStage(Lines& lines, const MatchState& state, int stage) {
  for (int row = 0; row < 8; ++row) lines.Add(kRowLabels[row], state.showdata[row][stage]);
}

void AddDarts(Lines& lines, const MatchState& state) {
  lines.Add("nowmark");
  for (int t = 0; t < 3; ++t) lines.Add(kDartLabels[t], state.nowmark[t]);
  lines.Add("");
  lines.Add("nowdata");
  for (int t = 0; t < 3; ++t) lines.Add(kDartLabels[t], state.nowdata[t + 1]);
}

}  // namespace

std::string StateDumpFirstText(const MatchState& state) {
  Lines lines;
  lines.Add("Throw:", state.Throw);
  lines.Add("MarkCount");
  AddRows(lines, state.MarkCount);
  lines.Add("");
  lines.Add("r_MarkCount");
  AddRows(lines, state.r_MarkCount);
  lines.Add("");
  lines.Add("showdata[" + std::to_string(state.Throw) + "]");
  // Throw is 0..3 in every state the handlers make; a stage outside that range does not exist.
  if (state.Throw >= 0 && state.Throw <= 3) AddStage(lines, state, state.Throw);
  lines.Add("");
  AddDarts(lines, state);
  return lines.Take();
}

std::string StateDumpSecondText(const MatchState& state) {
  Lines lines;
  for (int stage = 0; stage < 4; ++stage) {
    lines.Add("showdata[" + std::to_string(stage) + "]");
    AddStage(lines, state, stage);
  }
  lines.Add("");
  AddDarts(lines, state);
  return lines.Take();
}

}  // namespace markwick
