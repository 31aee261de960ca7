// Integer conversion of a text, as the received Turn items and the settings values are read:
// leading blanks, an optional sign, an optional hexadecimal mark, then digits and nothing else,
// in the signed 32-bit range. The two differ only in what IntegerForm holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace markwick {

struct IntegerForm {
  // Where "0x" (either case) makes the digits hexadecimal, as "$" does after the sign.
  enum class ZeroX {
    kAfterSign,  // after the blanks and the sign, and "x" alone too
    kOpensText,  // only as the text's first two characters, with no blank or sign
  };
  std::string_view blanks;  // skipped before the sign
  ZeroX zero_x;
};

// A Turn item: "  -$1A", "x1a", "+0x10"; no tab.
inline constexpr IntegerForm kTurnItemForm{" ", IntegerForm::ZeroX::kAfterSign};
// A settings value: "0x20", " \t-$10"; not " 0x5" and not "x20".
inline constexpr IntegerForm kSettingsForm{" \t", IntegerForm::ZeroX::kOpensText};

// The integer the text writes in that form; nullopt for an empty text, any other character, or
// a value outside the signed 32-bit range.
std::optional<int32_t> ParseInteger(std::string_view text, IntegerForm form);

}  // namespace markwick
