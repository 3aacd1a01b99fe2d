// The author's web panels: the system HTML browser control "Shell.Explorer.1" hosted as an
// ActiveX control in ATL's control window (class "AtlAxWin", from the "ATL.dll" that start-up
// loaded into AtlLibrary). All calls on the GUI thread.
#pragma once

#include <windows.h>

#include <string>

// The browsers made at start-up wait for their blank first page within this many milliseconds
// in all, not each: a control that never reports the page as loaded (there may be no HTML engine
// behind it) must not keep the window from opening. A control with an engine loads the blank
// page in a few tens of milliseconds; one that has not by then still takes its address.
constexpr DWORD kBrowserReadyBudget = 500;

// One bound shared by the first-page waits of several browsers, taken before the first is made.
struct BrowserReadyDeadline {
  DWORD start = 0;
  DWORD limit = 0;
};
BrowserReadyDeadline StartBrowserReadyDeadline(DWORD limitMs = kBrowserReadyBudget);

// A visible child window hosting the browser control, which first loads "about:blank" (waiting
// for it until the control reports it loaded, or the deadline has passed) and then address
// unless that is empty. The control's IWebBrowser2 pointer is kept in the window's GWLP_USERDATA
// (0 when no browser control could be hosted there, or when its events cannot be watched) and
// released with the window. The panel cancels every navigation that PanelMayNavigate refuses and
// every new window. Returns 0 only when the window itself cannot be made.
HWND CreateBrowserControl(HWND parent, int x, int y, int width, int height, const std::string& address,
                          const BrowserReadyDeadline& deadline);
// Navigates to address; an empty address does nothing.
void NavigateBrowser(HWND browser, const std::string& address);
// The address the control reports as its present one; "" without a control.
std::string BrowserLocation(HWND browser);
// Asks the browser control to show no dialog boxes of its own. Returns 0.
int SilenceBrowser(HWND browser);
