// The Turn message: the text that carries one finished turn to the rival.
//
//   message = target1 "," target2 "," target3 "," marks1 "," marks2 "," marks3 ","
//
// Each field is the decimal text of a non-negative integer; there is nothing before the first
// field and nothing after the sixth comma (12 to 15 bytes, e.g. "20,19,0,3,1,0,"). Targets are
// 20..15, 25 for the bull and 0 for a miss; marks are those the throw credited, 0..3. The bytes
// are ASCII, so the text is the same in UTF-8 and in code page 932.
//
// A received text is cut into items by the comma-list rules of SplitCommaList and each item
// converted by ParseInteger in the Turn item form (ReadTurnItems does both); the engine applies the
// items to the rival's marks. These functions work on plain values and hold no state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/turn.h"

namespace markwick {

// The text of an own turn: its three targets, then its three marks.
std::string ComposeTurn(const Turn& turn);

// Cuts a text into items:
// - characters with codes 1..32 at the start are skipped;
// - an item that starts with '"' runs to the matching '"' (a doubled '"' stands for one; an
//   unterminated quote takes the rest of the text);
// - any other item runs up to the first comma or character with a code of 32 or less;
// - after an item, codes 1..32 are skipped; a comma is skipped with the codes 1..32 after it;
// - a NUL ends the text; multi-byte characters are stepped whole, never cut.
// So "a,,b" gives "a", "", "b", a trailing comma gives no empty item, and "a b" gives two.
std::vector<std::string> SplitCommaList(std::string_view text);

// The items of a received text, each with its integer when it writes one (kTurnItemForm).
TurnItems ReadTurnItems(std::string_view text);

}  // namespace markwick
