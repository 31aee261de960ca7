// The narrow interface through which the match engine reaches its window and the link.
// The score board window implements it; tests and benchmarks put a fake behind it.
#pragma once

#include <string>
#include <string_view>

#include "turn.h"

namespace markwick {

enum class StatusColour { WindowText, Blue, Red };

// The score grid, as (column, row) from 0. The own and the rival's columns hold the names in
// the name row, the mark symbols of the targets in rows 1..7 and the scores in the score row;
// columns 1..3 are the double, single and triple of each target, and cell (3, 7) the miss.
inline constexpr int kOwnColumn = 0;
inline constexpr int kDoubleColumn = 1;
inline constexpr int kSingleColumn = 2;
inline constexpr int kTripleColumn = 3;
inline constexpr int kRivalColumn = 4;
inline constexpr int kNameRow = 0;
inline constexpr int kMissRow = 7;
inline constexpr int kScoreGridRow = 8;

class Board {
 public:
  virtual ~Board() = default;

  // Grid cells as (column, row), both from 0.
  virtual void SetCellText(int col, int row, std::string_view text) = 0;
  virtual std::string CellText(int col, int row) const = 0;

  virtual void SetStatusText(std::string_view text) = 0;  // Label6
  virtual void SetStatusColour(StatusColour colour) = 0;
  virtual void SetRoundText(std::string_view text) = 0;           // Label5, the current round
  virtual void SetRoundMaxText(std::string_view text) = 0;        // Label4, the number of rounds
  virtual void SetDartText(int dart, std::string_view text) = 0;  // Edit1..Edit3 as dart 0..2

  virtual void SetSendEnabled(bool enabled) = 0;  // Button1
  virtual void SetSendCaption(std::string_view caption) = 0;
  virtual void SetCorrectEnabled(bool enabled) = 0;  // Button2

  // A modal message box; returns when the user has closed it.
  virtual void ShowMessage(std::string_view text) = 0;

  // Sends the own finished turn to the rival. Throws std::exception on a failure that the user
  // must see.
  virtual void SendTurn(const Turn& turn) = 0;

  // A turn has been played: the own one sent, or the rival's applied, its score worked out.
  // For the STATS and the match record; never throws.
  virtual void TurnPlayed(const PlayedTurn& turn) noexcept = 0;
};

}  // namespace markwick
