#include "turn_message.h"

#include <charconv>
#include <limits>

#include "engine/match_state.h"

namespace markwick {
namespace {

constexpr bool IsBlankOrControl(unsigned char c) { return c >= 1 && c <= 32; }

// Length of the UTF-8 character that starts at text[pos]. Only continuation bytes are taken
// with a lead byte, so a broken sequence never swallows the comma or quote after it.
size_t CharLength(std::string_view text, size_t pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  size_t length = 1;
  if (lead >= 0xF0) {
    length = 4;
  } else if (lead >= 0xE0) {
    length = 3;
  } else if (lead >= 0xC0) {
    length = 2;
  }
  size_t taken = 1;
  while (taken < length && pos + taken < text.size() &&
         (static_cast<unsigned char>(text[pos + taken]) & 0xC0) == 0x80) {
    ++taken;
  }
  return taken;
}

std::string ListIndexMessage(size_t index) {
  return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}

int32_t ConvertItem(const std::vector<std::string>& items, size_t index) {
  if (index >= items.size()) throw TurnError(ListIndexMessage(index));
  const std::optional<int32_t> value = ParseInteger(items[index]);
  if (!value) throw TurnError("'" + items[index] + "' は整数ではありません");
  return *value;
}

}  // namespace

std::string ComposeTurn(const std::array<int32_t, 4>& nowdata,
                        const std::array<int32_t, 3>& nowmark) {
  std::string text;
  text.reserve(16);
  for (int t = 1; t <= 3; ++t) (text += std::to_string(nowdata[t])) += ',';
  for (int t = 0; t < 3; ++t) (text += std::to_string(nowmark[t])) += ',';
  return text;
}

std::vector<std::string> SplitCommaList(std::string_view text) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> items;
  size_t pos = 0;
  const auto skip_blanks = [&] {
    while (pos < text.size() && IsBlankOrControl(text[pos])) ++pos;
  };
  skip_blanks();
  while (pos < text.size()) {
    std::string item;
    if (text[pos] == '"') {
      ++pos;
      while (pos < text.size()) {
        if (text[pos] == '"') {
          if (pos + 1 < text.size() && text[pos + 1] == '"') {
            item += '"';
            pos += 2;
            continue;
          }
          ++pos;  // the closing quotation mark
          break;
        }
        const size_t length = CharLength(text, pos);
        item.append(text.substr(pos, length));
        pos += length;
      }
    } else {
      const size_t start = pos;
      while (pos < text.size() && text[pos] != ',' && static_cast<unsigned char>(text[pos]) > 32) {
        pos += CharLength(text, pos);
      }
      item.assign(text.substr(start, pos - start));
    }
    items.push_back(std::move(item));
    skip_blanks();
    if (pos < text.size() && text[pos] == ',') {
      ++pos;
      skip_blanks();
    }
  }
  return items;
}

std::optional<int32_t> ParseInteger(std::string_view item) {
  size_t pos = 0;
  while (pos < item.size() && item[pos] == ' ') ++pos;
  bool negative = false;
  if (pos < item.size() && (item[pos] == '+' || item[pos] == '-')) {
    negative = item[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (pos < item.size() && (item[pos] == '$' || item[pos] == 'x' || item[pos] == 'X')) {
    base = 16;
    pos += 1;
  } else if (pos + 1 < item.size() && item[pos] == '0' &&
             (item[pos + 1] == 'x' || item[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  const std::string_view digits = item.substr(pos);
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

void ApplyTurn(std::string_view text, std::array<int32_t, 8>& r_MarkCount) {
  const std::vector<std::string> items = SplitCommaList(text);
  for (size_t k = 0; k < 3; ++k) {
    const int row = RowOfTarget(ConvertItem(items, k));
    if (row < 0) continue;
    const int32_t marks = ConvertItem(items, k + 3);
    std::array<int64_t, kTargetRows> counts{};
    for (int r = 0; r < kTargetRows; ++r) counts[r] = r_MarkCount[r];
    counts[row] += marks;
    if (counts[row] < std::numeric_limits<int32_t>::min() ||
        counts[row] > std::numeric_limits<int32_t>::max() ||
        ScoreOf(counts) > std::numeric_limits<int32_t>::max()) {
      throw TurnError("相手の記録 '" + items[k + 3] +
                      "' を加えると値が整数の範囲を超えるため、受け付けません");
    }
    r_MarkCount[row] = static_cast<int32_t>(counts[row]);
  }
}

}  // namespace markwick
