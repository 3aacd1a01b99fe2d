// The one poll loop of the tests: every wait for something to happen is a WaitUntil with what
// each caller needs done between two asks (a sleep, this thread's messages, a main-loop pass).
#pragma once

#include <windows.h>

#include <functional>

// Asks done() until it holds or timeoutMs has passed, calling betweenSteps (when given) and then
// sleeping stepMs between two asks; returns done()'s last answer.
inline bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 20,
                      const std::function<void()>& betweenSteps = nullptr) {
  const DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start > timeoutMs) return done();
    if (betweenSteps) betweenSteps();
    if (stepMs > 0) Sleep(stepMs);
  }
}

// Dispatches every message waiting for this thread.
inline void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Runs this thread's messages (a control's and its fetches' answers) until done() holds.
inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000) {
  return WaitUntil(done, timeoutMs, 1, PumpMessages);
}
