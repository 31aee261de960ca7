// A Board that records what the engine shows, for tests. Messages are recorded and answered at
// once; sent Turn texts are recorded and, when a peer is wired, delivered to it; played turns
// are recorded.
#pragma once

#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/board.h"
#include "link/turn_message.h"

namespace markwick::testing {

class RecordingBoard : public Board {
 public:
  void SetCellText(int col, int row, std::string_view text) override {
    cells[{col, row}] = std::string(text);
  }
  std::string CellText(int col, int row) const override {
    const auto it = cells.find({col, row});
    return it == cells.end() ? std::string() : it->second;
  }
  void SetStatusText(std::string_view text) override { status = text; }
  void SetStatusColour(StatusColour colour) override { status_colour = colour; }
  void SetRoundText(std::string_view text) override { round = text; }
  void SetRoundMaxText(std::string_view text) override { round_max = text; }
  void SetDartText(int dart, std::string_view text) override { darts.at(dart) = text; }
  void SetSendEnabled(bool enabled) override { send_enabled = enabled; }
  void SetSendCaption(std::string_view caption) override { send_caption = caption; }
  void SetCorrectEnabled(bool enabled) override { correct_enabled = enabled; }
  void ShowMessage(std::string_view text) override {
    messages.emplace_back(text);
    if (on_message) on_message(messages.back());
  }
  void SendTurn(const Turn& turn) override {
    if (send_failure) throw std::runtime_error(*send_failure);
    sent.push_back(ComposeTurn(turn));
    if (peer) peer(sent.back());
  }
  void TurnPlayed(const PlayedTurn& turn) noexcept override { played.push_back(turn); }

  // The own and rival cells of a grid row: the mark symbols of rows 1..7, the scores of row 8.
  std::string Own(int row) const { return CellText(0, row); }
  std::string Rival(int row) const { return CellText(4, row); }

  std::map<std::pair<int, int>, std::string> cells;
  std::string status;
  StatusColour status_colour = StatusColour::WindowText;
  std::string round;
  std::string round_max;
  std::array<std::string, 3> darts;
  bool send_enabled = false;
  std::string send_caption = "送信";
  bool correct_enabled = false;
  std::vector<std::string> messages;
  std::vector<std::string> sent;
  std::vector<PlayedTurn> played;
  std::function<void(const std::string&)> on_message;
  std::function<void(const std::string&)> peer;
  const std::string* send_failure = nullptr;
};

}  // namespace markwick::testing
