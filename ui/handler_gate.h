// The one entry of a program's event handlers (clicks, grid selections, link events).
//
// A handler runs to its end or to the first exception; the exception is shown in the error box
// and the program goes on with the next event: nothing escapes into the event loop. While a
// handler runs (also while it waits for a modal box it opened), a handler that arrives is
// queued and runs after it has finished, in order of arrival, so that handlers never nest.
// The start dialog, the program's main window, owns the program's gate; the score board's
// handlers use it too.
#pragma once

#include <deque>
#include <functional>

namespace markwick {

class HandlerGate {
 public:
  // Runs the handler now, or queues it when another handler is running.
  void Run(std::function<void()> handler);
  // Runs the handler that ends the program: as Run() does while no handler runs; while one
  // waits for its box, at once, dropping the handlers queued behind it, so that the program
  // does not show their boxes before it ends.
  void RunClosing(std::function<void()> handler);
  // A slot that runs a window's handler through the gate with the signal's arguments:
  //   connect(button, &QPushButton::clicked, this, gate.Entry(this, &TForm1::Button1Click));
  template <typename Window, typename... Args>
  auto Entry(Window* window, void (Window::*handler)(Args...)) {
    return [this, window, handler](Args... args) {
      Run([window, handler, args...] { (window->*handler)(args...); });
    };
  }

 private:
  bool running_ = false;
  std::deque<std::function<void()>> pending_;
};

}  // namespace markwick
