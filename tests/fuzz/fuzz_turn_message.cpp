// libFuzzer over a received Turn text: the comma-list split, the integer conversion and the
// application to the rival's marks, each checked against properties and a plain reference.
// The first input byte picks the rival's counts before the text is applied, so that the
// range checks near the 32-bit limits are reached; the rest is the text.
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/match_state.h"
#include "link/integer_text.h"
#include "link/turn_message.h"

using namespace markwick;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The digits of `s` from `i` on in `base`, negated when `negative`, written out digit by digit.
std::optional<int32_t> ReferenceDigits(std::string_view s, size_t i, int base, bool negative) {
  if (i == s.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < s.size(); ++i) {
    const int digit = DigitValue(s[i]);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

// The integer conversion of a Turn item.
std::optional<int32_t> ReferenceInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  int base = 10;
  if (i < s.size() && (s[i] == '$' || s[i] == 'x' || s[i] == 'X')) {
    base = 16;
    i += 1;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  return ReferenceDigits(s, i, base, negative);
}

// The settings values' conversion, as written before it shared the code above: "0x" only
// opening a text of more than two characters, else blanks or tabs, a sign and "$".
std::optional<int32_t> ReferenceSettingsInteger(std::string_view s) {
  size_t i = 0;
  bool negative = false;
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    i = 2;
    base = 16;
  } else {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i < s.size() && s[i] == '$') {
      base = 16;
      ++i;
    }
  }
  return ReferenceDigits(s, i, base, negative);
}

bool IsUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    const auto lead = static_cast<unsigned char>(s[i]);
    const size_t length = lead < 0x80    ? 1
                          : lead >= 0xF0 ? 4
                          : lead >= 0xE0 ? 3
                          : lead >= 0xC0 ? 2
                                         : 0;
    if (length == 0 || i + length > s.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Rival counts to start from, among them counts at the edges of the 32-bit range.
std::array<int32_t, 8> StartCounts(uint8_t pick) {
  std::array<int32_t, 8> counts{0, 0, 0, 0, 0, 0, 0, 777};
  switch (pick % 6) {
    case 1:
      counts = {3, 3, 3, 3, 3, 3, 3, 777};
      break;
    case 2:
      counts[6] = INT32_MAX / 25 + 3;
      break;  // the rival's score 22 short of the limit
    case 3:
      counts[pick / 6 % 7] = INT32_MIN + 2;
      break;
    case 4:
      counts[0] = INT32_MAX / 20 + 3;
      break;  // 7 short of the limit
    case 5:
      counts[0] = 100;
      counts[1] = -5;
      break;
  }
  return counts;
}

// The application written out from the split items and the reference conversion.
// Returns false when the text must be refused; counts holds what must stand either way.
bool ReferenceApply(const std::vector<std::string>& items, std::array<int32_t, 8>& counts) {
  for (size_t k = 0; k < 3; ++k) {
    if (k >= items.size()) return false;
    const std::optional<int32_t> target = ReferenceInteger(items[k]);
    if (!target) return false;
    const int row = RowOfTarget(*target);
    if (row < 0) continue;
    if (k + 3 >= items.size()) return false;
    const std::optional<int32_t> marks = ReferenceInteger(items[k + 3]);
    if (!marks) return false;
    std::array<int64_t, 7> wide{};
    for (int r = 0; r < 7; ++r) wide[r] = counts[r];
    wide[row] += *marks;
    if (wide[row] < INT32_MIN || wide[row] > INT32_MAX || ScoreOf(wide) > INT32_MAX) return false;
    counts[row] = static_cast<int32_t>(wide[row]);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const std::vector<std::string> items = SplitCommaList(text);
  size_t item_bytes = 0;
  for (const std::string& item : items) {
    item_bytes += item.size();
    Require(item.find('\0') == std::string::npos);
    const std::optional<int32_t> value = ParseInteger(item, kTurnItemForm);
    Require(value == ReferenceInteger(item));
    if (value) Require(ParseInteger(std::to_string(*value), kTurnItemForm) == value);
  }
  Require(item_bytes <= text.size());
  if (IsUtf8(text)) {
    // Characters are never cut.
    for (const std::string& item : items) Require(IsUtf8(item));
  }
  Require(ParseInteger(text, kTurnItemForm) == ReferenceInteger(text));
  Require(ParseInteger(text, kSettingsForm) == ReferenceSettingsInteger(text));

  std::array<int32_t, 8> counts = StartCounts(data[0]);
  std::array<int32_t, 8> expected = counts;
  const bool accepted = ReferenceApply(items, expected);
  bool applied = true;
  try {
    ApplyTurn(ReadTurnItems(text), counts);
  } catch (const TurnError&) {
    applied = false;
  }
  Require(applied == accepted);
  Require(counts == expected);
  Require(counts[7] == 777);  // row 7 is left to the score
  Require(ScoreOf(counts) <= INT32_MAX);
  return 0;
}
