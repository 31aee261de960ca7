#include "handler_gate.h"

#include <QString>
#include <exception>
#include <utility>

#include "message_boxes.h"

namespace markwick {
namespace {

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
  if (running_) {
    pending_.push_back(std::move(handler));
    return;
  }
  running_ = true;
  RunCaught(handler);
  while (!pending_.empty()) {
    const std::function<void()> next = std::move(pending_.front());
    pending_.pop_front();
    RunCaught(next);
  }
  running_ = false;
}

void HandlerGate::RunClosing(std::function<void()> handler) {
  if (!running_) {
    Run(std::move(handler));
    return;
  }
  pending_.clear();
  RunCaught(handler);  // ends the event loops, the one of the open box among them
}

}  // namespace markwick
