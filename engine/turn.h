// A turn as it travels between the peers, in plain values: the own turn the engine hands to the
// board for sending, and a received turn as the link has read it, which the engine applies.
// The text on the wire (compose, split, integer conversion) is the link's business.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace markwick {

// One finished own turn: the target number of each throw (20..15, 25 for the bull, 0 for a
// miss) and the marks it credited (0..3).
struct Turn {
  std::array<int32_t, 3> targets{};
  std::array<int32_t, 3> marks{};

  bool operator==(const Turn&) const = default;
};

// A turn once this peer has sent it (own) or applied it (the rival's), for the STATS and the
// match record: the round it belongs to, whose it is, its darts, and the player's score after it.
struct PlayedTurn {
  int32_t round = 0;                 // 1..RoundMax, counted alike on both peers
  bool first = true;                 // thrown by the player who plays first
  Turn darts;                        // a target without a row is a miss: target 0, 0 marks
  std::array<std::string, 3> texts;  // the darts' short names, UTF-8; empty where not known
  int32_t score = 0;

  bool operator==(const PlayedTurn&) const = default;
};

// One item of a received turn's text, with its integer when the item is one.
struct TurnItem {
  std::string text;  // UTF-8, for the error box
  std::optional<int32_t> value;
};
using TurnItems = std::vector<TurnItem>;

// A received turn that cannot be applied; what() is the UTF-8 text for the error box.
class TurnError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Adds the marks of a received turn to rows 0..6 of r_MarkCount, throw by throw: item k is the
// target of throw k, item k + 3 its marks, read only when the target has a row. Throws
// TurnError when an item is missing or not an integer, or when a throw's marks would take its
// entry, or the score reckoned from the counts, outside the signed 32-bit range; the additions
// of earlier throws stay, nothing of the failing throw is added. Row 7 is untouched.
void ApplyTurn(const TurnItems& items, std::array<int32_t, 8>& r_MarkCount);

// The darts of a received turn that ApplyTurn has accepted, read by the same rule: a target
// without a row is a miss with 0 marks, whatever its marks item holds.
Turn CreditedTurn(const TurnItems& items);

}  // namespace markwick
