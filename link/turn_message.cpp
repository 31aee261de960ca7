#include "link/turn_message.h"

#include "link/integer_text.h"

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

}  // namespace

std::string ComposeTurn(const Turn& turn) {
  std::string text;
  text.reserve(16);
  for (const int32_t target : turn.targets) (text += std::to_string(target)) += ',';
  for (const int32_t marks : turn.marks) (text += std::to_string(marks)) += ',';
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

TurnItems ReadTurnItems(std::string_view text) {
  TurnItems items;
  for (std::string& item : SplitCommaList(text)) {
    const std::optional<int32_t> value = ParseInteger(item, kTurnItemForm);
    items.push_back({std::move(item), value});
  }
  return items;
}

}  // namespace markwick
