#include "match_stats.h"

#include <charconv>

namespace markwick {
namespace {

bool IsNumberTarget(int32_t target) { return target >= 15 && target <= 20; }

template <typename Predicate>
bool EveryDart(const Turn& darts, Predicate holds) {
  for (size_t k = 0; k < 3; ++k) {
    if (!holds(darts.targets[k], darts.marks[k])) return false;
  }
  return true;
}

}  // namespace

int64_t MarksOf(const Turn& darts) {
  return int64_t{darts.marks[0]} + darts.marks[1] + darts.marks[2];
}

std::optional<Award> AwardOf(const Turn& darts) {
  const auto& t = darts.targets;
  if (EveryDart(darts, [](int32_t target, int32_t marks) {
        return IsNumberTarget(target) && marks == 3;
      })) {
    if (t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) return Award::WhiteHorse;
    if (t[0] == t[1] && t[1] == t[2]) return Award::ThreeInABed;
  }
  if (EveryDart(darts, [](int32_t target, int32_t marks) { return target == 25 && marks == 2; })) {
    return Award::ThreeInTheBlack;
  }
  if (EveryDart(darts, [](int32_t target, int32_t marks) { return target == 25 && marks >= 1; })) {
    return Award::HatTrick;
  }
  const int64_t marks = MarksOf(darts);
  // NineMarks .. FiveMarks stand in that order.
  if (marks >= 5 && marks <= 9) {
    return static_cast<Award>(static_cast<int64_t>(Award::NineMarks) + (9 - marks));
  }
  return std::nullopt;
}

void PlayerStats::AddTurn(int32_t round, const Turn& darts) {
  const int64_t marks = MarksOf(darts);
  turns_ += 1;
  marks_ += marks;
  if (round >= 1 && round <= kRoundMax) {
    std::optional<int64_t>& entry = round_marks_[static_cast<size_t>(round - 1)];
    entry = entry.value_or(0) + marks;
  }
  if (const std::optional<Award> award = AwardOf(darts)) {
    awards_[static_cast<size_t>(*award)] += 1;
  }
}

std::string PlayerStats::MprText() const {
  const double mpr = turns_ == 0 ? 0.0 : static_cast<double>(marks_) / turns_;
  // to_chars: the same digits as "%.2f" in every locale.
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, mpr, std::chars_format::fixed, 2);
  return std::string(buffer, end.ptr);
}

std::optional<int64_t> PlayerStats::RoundMarks(int32_t round) const {
  if (round < 1 || round > kRoundMax) return std::nullopt;
  return round_marks_[static_cast<size_t>(round - 1)];
}

}  // namespace markwick
