// The narrow interface through which the match engine reaches its window and the link.
// The score board window implements it; tests and benchmarks put a fake behind it.
#pragma once

#include <string>
#include <string_view>

#include "turn.h"

namespace markwick {

enum class StatusColour { WindowText, Blue, Red };

// The two sides of the board: the player at this computer and the rival.
enum class Side { Own, Rival };

class Board {
 public:
  virtual ~Board() = default;

  // Each side's name, the mark symbol of each target row (0..6) and the score. The names are
  // read back for the results.
  virtual void SetName(Side side, std::string_view name) = 0;
  virtual std::string Name(Side side) const = 0;
  virtual void SetMarkSymbol(Side side, int row, std::string_view symbol) = 0;
  virtual void SetScoreText(Side side, std::string_view score) = 0;

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

// A board that shows nothing and sends nothing, for an engine whose judgement alone is wanted
// (a replayed record, a benchmark); a caller overrides what it wants to see.
class SilentBoard : public Board {
 public:
  void SetName(Side, std::string_view) override {}
  std::string Name(Side) const override { return {}; }
  void SetMarkSymbol(Side, int, std::string_view) override {}
  void SetScoreText(Side, std::string_view) override {}
  void SetStatusText(std::string_view) override {}
  void SetStatusColour(StatusColour) override {}
  void SetRoundText(std::string_view) override {}
  void SetRoundMaxText(std::string_view) override {}
  void SetDartText(int, std::string_view) override {}
  void SetSendEnabled(bool) override {}
  void SetSendCaption(std::string_view) override {}
  void SetCorrectEnabled(bool) override {}
  void ShowMessage(std::string_view) override {}
  void SendTurn(const Turn&) override {}
  void TurnPlayed(const PlayedTurn&) noexcept override {}
};

}  // namespace markwick
