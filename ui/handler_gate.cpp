#include "handler_gate.h"

#include <QString>
#include <deque>
#include <exception>
#include <utility>

#include "message_boxes.h"

namespace markwick {
namespace {

bool running = false;
std::deque<std::function<void()>> pending;

void ReportFailure(const QString& message) noexcept {
  try {
    ShowErrorBox(message);
  } catch (...) {
    // The box itself failed (out of memory): there is nothing left to show it with.
  }
}

void RunCaught(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& failure) {
    ReportFailure(QString::fromUtf8(failure.what()));
  } catch (...) {
    ReportFailure(QStringLiteral("不明なエラーが発生しました"));
  }
}

}  // namespace

void HandlerGate::Run(std::function<void()> handler) {
  if (running) {
    pending.push_back(std::move(handler));
    return;
  }
  running = true;
  RunCaught(handler);
  while (!pending.empty()) {
    const std::function<void()> next = std::move(pending.front());
    pending.pop_front();
    RunCaught(next);
  }
  running = false;
}

void HandlerGate::RunClosing(std::function<void()> handler) {
  if (!running) {
    Run(std::move(handler));
    return;
  }
  pending.clear();
  RunCaught(handler);  // ends the event loops, the one of the open box among them
}

bool HandlerGate::Busy() { return running; }

}  // namespace markwick
