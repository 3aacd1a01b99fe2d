// The progress bar of the program's taskbar button, behind a small interface so that a test can
// stand in for the system's taskbar and record what the program shows.
#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <memory>

class TaskbarButton {
 public:
  virtual ~TaskbarButton() = default;
  virtual void SetProgressState(HWND window, TBPFLAG state) = 0;
  virtual void SetProgressValue(HWND window, ULONGLONG completed, ULONGLONG total) = 0;
};

// The system's taskbar (ITaskbarList3) on the calling thread's apartment; nullptr where the
// platform has none or it refuses to start (CoCreateInstance or HrInit fails).
std::unique_ptr<TaskbarButton> SystemTaskbarButton();
