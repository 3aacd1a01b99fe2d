// The test prefix's stand-in browser control (stand_ins/browser), from the tests' side: its
// windows, whose text is the present address; following a link in one of them; and hiding it,
// so that "Shell.Explorer.1" is the platform's own control again.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

constexpr const char* kStandInBrowserClass = "VerdimoStandInBrowser";

// The stand-in's windows anywhere below parent (of this process or another).
std::vector<HWND> StandInBrowserWindows(HWND parent);
// Makes a stand-in window follow a link to address (at most 255 characters), as a click in its
// page would; the window may belong to another process. The stand-in's answer: kLinkFollowed,
// kLinkCancelled when its host cancelled the navigation, 0 when there was none.
constexpr int kLinkFollowed = 1, kLinkCancelled = 2;
int FollowLink(HWND standIn, const std::string& address);

// While one lives, the stand-in is unregistered (in the registry the whole prefix shares); it is
// registered again at the end. The DLL is the one next to the running test program.
class StandInBrowserHidden {
 public:
  StandInBrowserHidden();
  ~StandInBrowserHidden();
  StandInBrowserHidden(const StandInBrowserHidden&) = delete;
  StandInBrowserHidden& operator=(const StandInBrowserHidden&) = delete;
  bool hidden() const { return hidden_; }

 private:
  HMODULE dll_ = nullptr;
  bool hidden_ = false;
};
