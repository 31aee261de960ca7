// A Board that records what the engine shows, for tests. Messages are recorded and answered at
// once; sent Turn texts are recorded and, when a peer is wired, delivered to it; played turns
// are recorded.
#pragma once

#include <array>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "engine/board.h"
#include "engine/match_state.h"
#include "link/turn_message.h"

namespace markwick::testing {

class RecordingBoard : public Board {
 public:
  void SetName(Side side, std::string_view name) override { Of(side).name = name; }
  std::string Name(Side side) const override { return side == Side::Own ? own.name : rival.name; }
  void SetMarkSymbol(Side side, int row, std::string_view symbol) override {
    Of(side).marks.at(static_cast<size_t>(row)) = symbol;
  }
  void SetScoreText(Side side, std::string_view score) override { Of(side).score = score; }
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

  // What one side shows: its name, the mark symbol of each target row and its score.
  struct SideTexts {
    std::string name;
    std::array<std::string, kTargetRows> marks;
    std::string score;
  };
  SideTexts& Of(Side side) { return side == Side::Own ? own : rival; }

  SideTexts own;
  SideTexts rival;
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
