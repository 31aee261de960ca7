// The one entry of the program's event handlers (clicks, grid selections, link events).
//
// A handler runs to its end or to the first exception; the exception is shown in the error box
// and the program goes on with the next event: nothing escapes into the event loop. While a
// handler runs (also while it waits for a modal box it opened), a handler that arrives is
// queued and runs after it has finished, in order of arrival, so that handlers never nest.
#pragma once

#include <functional>

namespace markwick {

class HandlerGate {
 public:
  // Runs the handler now, or queues it when another handler is running.
  static void Run(std::function<void()> handler);
  // Runs the handler that ends the program: as Run() does while no handler runs; while one
  // waits for its box, at once, dropping the handlers queued behind it, so that the program
  // does not show their boxes before it ends.
  static void RunClosing(std::function<void()> handler);
  // True while a handler runs.
  static bool Busy();
};

}  // namespace markwick
