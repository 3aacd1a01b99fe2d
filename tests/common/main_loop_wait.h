// Waits that run the program's own loop between two asks, for the tests and benchmarks that run
// the program in their own process.
#pragma once

#include "shell/main_loop.h"
#include "wait.h"

// One pass as the program's loop makes it: an outer pass, then event passes until the queue is
// empty.
inline void MainLoopPass() {
  OuterPass();
  bool close = false, focus = false;
  while (EventPass(&close, &focus) && !close && !focus) {
  }
}

inline bool RunLoopUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
  return WaitUntil(done, timeoutMs, 0, MainLoopPass);
}

inline void RunLoopFor(DWORD ms) { RunLoopUntil([] { return false; }, ms); }
