// Runs the real program in the test process: start-up builds the window and every control,
// the test drives the main loop pass by pass, and the end sequence tears it all down again.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "common/main_loop_wait.h"
#include "notice/notice_fetcher.h"
#include "base/app_state.h"
#include "shell/download_job.h"
#include "shell/read_results.h"
#include "shell/window_state.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

// No download job runs and none waits to take its hand-over.
inline bool AllJobsEnded() { return RunningDownloads.load() == 0 && DownloadRequest.row.load() == -1; }

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(StartUp());
    // The notice fetch of this start ends before the test begins, so it neither overwrites what
    // the test sets nor outlives this window into the next test's.
    ASSERT_TRUE(WaitUntil([] { return !NoticeFetcherRunning(); }, 30000, 5)) << "the notice fetch did not end";
    BeginMainLoop();
  }
  void TearDown() override {
    // Jobs and reads of this test finish before the next test builds a new window.
    RunLoopUntil([] { return ProfileReadsRunning.load() == 0 && RunningDownloads.load() == 0; }, 60000);
    EndSequence();
  }
};

// The window's client rectangle of a child, in its parent's client coordinates.
inline RECT ChildRect(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

inline std::string WindowTextOf(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

// Clicks an image button with the real mouse, as a user does: the pointer goes onto it, and once
// the button has noticed it is under the pointer, the left button goes down and up. False when
// the button never noticed the pointer.
bool ClickImageButtonWithTheMouse(HWND button);

// Presses or releases a mouse button with real input (flag: MOUSEEVENTF_LEFTDOWN and so on).
void SendMouseButton(DWORD flag);
// The address of the movie the player in PlayerPanel last loaded: the stand-in player shows it
// as its window's text. "" without a player.
inline std::string PlayerMovieShown() {
  HWND player = PlayerPanel != nullptr ? GetWindow(PlayerPanel, GW_CHILD) : nullptr;
  return player != nullptr ? WindowTextOf(player) : std::string();
}

// The first visible top-level window of this process of that class (and, unless title is null,
// with that title) that appears within the time-out; 0 when none does.
HWND WaitForOwnWindow(const char* className, const char* title, DWORD timeoutMs);

// Closes the first top-level window of this process with that title, once it appears, and
// returns the text of its static label (a message box's message). Runs on its own thread so the
// test's thread can be the one blocked in the box.
std::string CloseMessageBoxWhenShown(const char* title, DWORD timeoutMs);
