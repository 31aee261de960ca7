// The narrow interface through which the match engine reaches its window and the link.
// The score board window implements it; tests and benchmarks put a fake behind it.
#pragma once

#include <string>
#include <string_view>

#include "turn.h"

namespace markwick {

enum class StatusColour { WindowText, Blue, Red };

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
};

}  // namespace markwick
