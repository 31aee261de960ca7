// One dart as the player names it: a target (20..15, 25 for the bull) hit as a single, double
// or triple (multiplier 1..3; the bull has no triple), or a miss (target 0, multiplier 0).
// Every input of a dart, a grid cell or a key, comes to the engine as one of these.
#pragma once

#include <cstdint>
#include <string_view>

namespace markwick {

struct Dart {
  int32_t target = 0;
  int32_t multiplier = 0;

  static constexpr Dart Miss() { return {0, 0}; }

  constexpr bool IsMiss() const { return target == 0 && multiplier == 0; }

  // Whether this names a dart that can be thrown: a miss, 15..20 times 1..3, or a single or
  // double bull.
  constexpr bool IsValid() const {
    if (IsMiss()) return true;
    if (target == 25) return multiplier == 1 || multiplier == 2;
    return target >= 15 && target <= 20 && multiplier >= 1 && multiplier <= 3;
  }

  // The short text of the dart boxes: the number with the letter last ("20T", "19D", "15S"),
  // the bull with it first ("SB", "DB"), the miss "×"; empty for what is no dart.
  constexpr std::string_view Text() const {
    constexpr std::string_view kNumbers[6][3] = {{"20S", "20D", "20T"}, {"19S", "19D", "19T"},
                                                 {"18S", "18D", "18T"}, {"17S", "17D", "17T"},
                                                 {"16S", "16D", "16T"}, {"15S", "15D", "15T"}};
    if (!IsValid()) return {};
    if (IsMiss()) return "×";
    if (target == 25) return multiplier == 1 ? "SB" : "DB";
    return kNumbers[20 - target][multiplier - 1];
  }

  bool operator==(const Dart&) const = default;
};

}  // namespace markwick
