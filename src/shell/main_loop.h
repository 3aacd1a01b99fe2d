// The main loop: polls, takes at most one event at a time without waiting, and does the
// program's upkeep whenever the queue is empty.
#pragma once

#include <windows.h>

#include <string>

#include "shell/loop_events.h"

// Runs until the close request of MainWindow.
void RunMainLoop();

// The pieces of the loop, for the loop itself and for tests that drive it step by step.
void BeginMainLoop();
void OuterPass();
// One event pass: false when no event was pending.
bool EventPass(bool* closeRequested, bool* focusEvent);
void DispatchLoopEvent(const LoopEvent& event, bool* closeRequested, bool* focusEvent);

void StartProfileRead(const std::string& text);
void StartDownload(int row, const std::string& targetPath);
void SaveAllSongs();
// Starts one job per row with a target in folder (which ends in "\\").
void SaveSongsIntoFolder(const std::string& folder);
// Opens a text with the system: a row's file through the shell's "open" verb only, other texts
// (links) first as a program, then through the shell.
void OpenWithDefaultProgram(const std::string& text, bool isDownloadedFile);
// Opens an address from the network with the system's handler for web addresses, through the
// shell's "open" verb; a text that is no http or https address (IsWebAddress) is ignored.
void OpenWebAddress(const std::string& address);

// Starts the thread that steps LoadingSpinner's frames while it is visible.
void StartSpinnerAnimator();

// What the loop shows a test.
struct MainLoopView {
  bool bannerShowing;
  int knownRowCount;
  int glideX;
  int glideDirection;
};
MainLoopView CurrentMainLoopView();
