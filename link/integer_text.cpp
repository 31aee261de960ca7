#include "link/integer_text.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace markwick {

std::optional<int32_t> ParseInteger(std::string_view text, IntegerForm form) {
  const auto zero_x_at = [text](size_t pos) {
    return pos + 1 < text.size() && text[pos] == '0' &&
           (text[pos + 1] == 'x' || text[pos + 1] == 'X');
  };
  size_t pos = 0;
  bool negative = false;
  int base = 10;
  if (form.zero_x == IntegerForm::ZeroX::kOpensText && zero_x_at(0)) {
    base = 16;
    pos = 2;
  } else {
    pos = std::min(text.find_first_not_of(form.blanks), text.size());
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
      negative = text[pos] == '-';
      ++pos;
    }
    if (pos < text.size() && text[pos] == '$') {
      base = 16;
      pos += 1;
    } else if (form.zero_x == IntegerForm::ZeroX::kAfterSign) {
      if (zero_x_at(pos)) {
        base = 16;
        pos += 2;
      } else if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
        base = 16;
        pos += 1;
      }
    }
  }
  const std::string_view digits = text.substr(pos);
  // from_chars would take a sign of its own.
  if (digits.empty() || digits.front() == '+' || digits.front() == '-') return std::nullopt;
  uint64_t magnitude = 0;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
  if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  constexpr uint64_t kMaxPositive = std::numeric_limits<int32_t>::max();
  if (magnitude > kMaxPositive + (negative ? 1 : 0)) return std::nullopt;
  const int64_t value =
      negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  return static_cast<int32_t>(value);
}

}  // namespace markwick
