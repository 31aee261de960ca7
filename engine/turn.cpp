#include "engine/turn.h"

#include <limits>

#include "engine/match_state.h"

namespace markwick {
namespace {

std::string ListIndexMessage(size_t index) {
  return "リストのインデックスが範囲を超えています (" + std::to_string(index) + ")";
}

int32_t ValueOf(const TurnItems& items, size_t index) {
  if (index >= items.size()) throw TurnError(ListIndexMessage(index));
  const TurnItem& item = items[index];
  if (!item.value) throw TurnError("'" + item.text + "' は整数ではありません");
  return *item.value;
}

}  // namespace

void ApplyTurn(const TurnItems& items, std::array<int32_t, 8>& r_MarkCount) {
  for (size_t k = 0; k < 3; ++k) {
    const int row = RowOfTarget(ValueOf(items, k));
    if (row < 0) continue;
    const int32_t marks = ValueOf(items, k + 3);
    std::array<int64_t, kTargetRows> counts{};
    for (int r = 0; r < kTargetRows; ++r) counts[r] = r_MarkCount[r];
    counts[row] += marks;
    if (counts[row] < std::numeric_limits<int32_t>::min() ||
        counts[row] > std::numeric_limits<int32_t>::max() ||
        ScoreOf(counts) > std::numeric_limits<int32_t>::max()) {
      throw TurnError("相手の記録 '" + items[k + 3].text +
                      "' を加えると値が整数の範囲を超えるため、受け付けません");
    }
    r_MarkCount[row] = static_cast<int32_t>(counts[row]);
  }
}

Turn CreditedTurn(const TurnItems& items) {
  Turn turn;
  for (size_t k = 0; k < 3; ++k) {
    if (RowOfTarget(ValueOf(items, k)) < 0) continue;
    turn.targets[k] = ValueOf(items, k);
    turn.marks[k] = ValueOf(items, k + 3);
  }
  return turn;
}

}  // namespace markwick
