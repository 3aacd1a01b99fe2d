// Launch to visible window: starts a program, waits until a visible top-level window of its
// process exists, and closes it again (WM_CLOSE, then waits for the process to end).
//
//   launch_bench.exe PROGRAM.exe [RUNS]   prints "launch: X s", the median of RUNS (3)
//   launch_bench.exe --close TITLE        posts WM_CLOSE to the visible window whose title begins
//                                         with TITLE (the program's names the artist after a read)
//   launch_bench.exe --pointer X Y        puts the pointer at X, Y of the screen
//   launch_bench.exe --pointer-on TITLE home-link
//                                         puts the pointer on the middle of the home link of
//                                         the window with that title
//   launch_bench.exe --read TITLE TEXT    types TEXT into the URL field of the window with that
//                                         title and presses Return there, as a user starts a read
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/program_constants.h"
#include "bench_clock.h"

namespace {

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<Search*>(parameter);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->process && IsWindowVisible(window) && GetWindow(window, GW_OWNER) == nullptr) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Seconds from the start of the program to its first visible top-level window; -1 on failure.
double LaunchOnce(const std::string& program) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process = {};
  std::string commandLine = "\"" + program + "\"";
  const double start = Now();
  if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  Search search = {process.dwProcessId, nullptr};
  double shown = -1;
  while (Now() - start < 60) {
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) {
      shown = Now() - start;
      break;
    }
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  if (search.found != nullptr) PostMessageA(search.found, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return shown;
}

struct TitleSearch {
  const char* start;
  HWND found;
};

BOOL CALLBACK FindTitleStart(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<TitleSearch*>(parameter);
  char title[256] = "";
  GetWindowTextA(window, title, sizeof(title));
  if (IsWindowVisible(window) && std::strncmp(title, search->start, std::strlen(search->start)) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindWindowStartingWith(const char* start) {
  TitleSearch search = {start, nullptr};
  EnumWindows(FindTitleStart, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 && std::strcmp(argv[1], "--close") == 0) {
    HWND window = FindWindowStartingWith(argv[2]);
    if (window == nullptr) return 1;
    PostMessageA(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (argc > 3 && std::strcmp(argv[1], "--pointer") == 0) {
    return SetCursorPos(std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  }
  if (argc > 3 && std::strcmp(argv[1], "--pointer-on") == 0 && std::strcmp(argv[3], "home-link") == 0) {
    HWND window = FindWindowA(nullptr, argv[2]);
    HWND control = window != nullptr ? GetDlgItem(window, kHomeLinkId) : nullptr;
    RECT place;
    if (control == nullptr || !GetWindowRect(control, &place)) return 1;
    return SetCursorPos((place.left + place.right) / 2, (place.top + place.bottom) / 2) ? 0 : 1;
  }
  if (argc > 3 && std::strcmp(argv[1], "--read") == 0) {
    HWND window = FindWindowA(nullptr, argv[2]);
    HWND field = window != nullptr ? GetDlgItem(window, kUrlFieldId) : nullptr;
    if (field == nullptr) return 1;
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    PostMessageA(field, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(field, WM_KEYUP, VK_RETURN, 0xC0000001);
    return 0;
  }
  if (argc < 2) return 2;
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  std::vector<double> times;
  for (int run = 0; run < runs; ++run) {
    const double took = LaunchOnce(argv[1]);
    if (took < 0) {
      std::printf("FAIL: %s showed no window\n", argv[1]);
      return 1;
    }
    times.push_back(took);
  }
  std::sort(times.begin(), times.end());
  std::printf("launch: %.3f s\n", times[times.size() / 2]);
  return 0;
}
