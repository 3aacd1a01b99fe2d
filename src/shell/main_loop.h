// The main loop: polls, takes at most one event at a time without waiting, and does the
// program's upkeep whenever the queue is empty.
#pragma once

#include <windows.h>

#include <string>

#include "shell/commands.h"
#include "shell/loop_events.h"

// Runs until the close request of MainWindow.
void RunMainLoop();

// The pieces of the loop, for the loop itself and for tests that drive it step by step.
void BeginMainLoop();
void OuterPass();
// One event pass: false when no event was pending.
bool EventPass(bool* closeRequested, bool* focusEvent);
void DispatchLoopEvent(const LoopEvent& event, bool* closeRequested, bool* focusEvent);

// Starts the thread that steps LoadingSpinner's frames while it is visible; the end sequence
// stops it and waits for it before the frames are released.
void StartSpinnerAnimator();
void StopSpinnerAnimator();

// What the loop shows a test.
struct MainLoopView {
  bool bannerShowing;
  int knownRowCount;
  int glideX;
  int glideDirection;
};
MainLoopView CurrentMainLoopView();
