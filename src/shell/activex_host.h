// Hosting of the HTML browser control through ATL's control host.
#pragma once

#include <windows.h>

#include <string>

// A child window hosting the HTML browser control, navigated to address; 0 when the control
// cannot be hosted. The control's IWebBrowser2 pointer is kept in the window's GWLP_USERDATA.
HWND CreateBrowserControl(HWND parent, int x, int y, int width, int height, const std::string& address);
void NavigateBrowser(HWND browser, const std::string& address);
std::string BrowserLocation(HWND browser);
// Asks the browser control to show no dialog boxes of its own.
int SilenceBrowser(HWND browser);
