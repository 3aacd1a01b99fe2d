// The browser panels are ATL host windows: a child window of class "AtlAxWin" whose window text
// names the control ("Shell.Explorer.1") makes ATL create and site that control while the
// window is created. The program then asks the host for the control (AtlAxGetControl, looked up
// in AtlLibrary, since the program has no link-time tie to "ATL.dll") and keeps its
// IWebBrowser2 in the window's GWLP_USERDATA; ATL keeps its own pointer in a window property, so
// the two do not meet.
//
// The window owns one reference to the control: a subclass on top of ATL's drops it when the
// window is destroyed, just before ATL closes the control, so destroying MainWindow releases the
// panels with it.
#include "host/browser_host.h"

#include <commctrl.h>
#include <exdisp.h>
#include <ocidl.h>

#include "host/wide_text.h"
#include "base/app_state.h"
#include "base/win_handles.h"

namespace {

constexpr const char* kBlankPage = "about:blank";
constexpr UINT_PTR kBrowserSubclassId = 1;

IWebBrowser2* BrowserOf(HWND browser) {
  if (browser == nullptr || !IsWindow(browser)) return nullptr;
  return reinterpret_cast<IWebBrowser2*>(GetWindowLongPtrA(browser, GWLP_USERDATA));
}

LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR) {
  if (message == WM_DESTROY) {
    auto* web = reinterpret_cast<IWebBrowser2*>(SetWindowLongPtrA(window, GWLP_USERDATA, 0));
    if (web != nullptr) web->Release();
    RemoveWindowSubclass(window, BrowserWindowProc, kBrowserSubclassId);
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

// The IWebBrowser2 of the control that ATL hosts in window, if it is one.
IWebBrowser2* HostedBrowser(HWND window) {
  if (AtlLibrary == nullptr) return nullptr;
  using AtlAxGetControlProc = HRESULT(WINAPI*)(HWND, IUnknown**);
  auto getControl = reinterpret_cast<AtlAxGetControlProc>(
      reinterpret_cast<void*>(GetProcAddress(AtlLibrary, "AtlAxGetControl")));
  if (getControl == nullptr) return nullptr;
  ComPtr<IUnknown> control;
  ComPtr<IWebBrowser2> web;
  if (SUCCEEDED(getControl(window, control.out())) && control &&
      SUCCEEDED(control->QueryInterface(IID_IWebBrowser2, web.out_void()))) {
    return web.release();
  }
  return nullptr;
}

bool DeadlinePassed(const BrowserReadyDeadline& deadline) {
  // Unsigned subtraction stays right across the wrap of the tick count.
  return GetTickCount() - deadline.start > deadline.limit;
}

bool PageLoaded(IWebBrowser2* web) {
  READYSTATE state = READYSTATE_UNINITIALIZED;
  return SUCCEEDED(web->get_ReadyState(&state)) && state == READYSTATE_COMPLETE;
}

// Lets the control work (its messages are this thread's) until it reports the page loaded or
// the deadline has passed; then the control simply goes on as it is.
void WaitForPageLoaded(IWebBrowser2* web, const BrowserReadyDeadline& deadline) {
  while (!PageLoaded(web) && !DeadlinePassed(deadline)) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(1);
  }
}

void Navigate(IWebBrowser2* web, const std::string& address) {
  ScopedVariant target;
  target.SetText(BstrFromText(address));
  if (target.get()->bstrVal == nullptr) return;
  ScopedVariant empty;
  web->Navigate2(target.get(), empty.get(), empty.get(), empty.get(), empty.get());
}

}  // namespace

BrowserReadyDeadline StartBrowserReadyDeadline(DWORD limitMs) {
  BrowserReadyDeadline deadline;
  deadline.start = GetTickCount();
  deadline.limit = limitMs;
  return deadline;
}

HWND CreateBrowserControl(HWND parent, int x, int y, int width, int height, const std::string& address,
                          const BrowserReadyDeadline& deadline) {
  HWND window = CreateWindowExA(0, "AtlAxWin", "Shell.Explorer.1", WS_CHILD | WS_VISIBLE, x, y, width,
                                height, parent, nullptr, ModuleInstance, nullptr);
  if (window == nullptr) return nullptr;
  IWebBrowser2* web = HostedBrowser(window);
  if (web == nullptr) return window;
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(web));
  if (!SetWindowSubclass(window, BrowserWindowProc, kBrowserSubclassId, 0)) {
    // Without the subclass nothing would release the control with the window.
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    web->Release();
    return window;
  }
  Navigate(web, kBlankPage);
  WaitForPageLoaded(web, deadline);
  if (!address.empty()) Navigate(web, address);
  return window;
}

void NavigateBrowser(HWND browser, const std::string& address) {
  IWebBrowser2* web = BrowserOf(browser);
  if (web != nullptr && !address.empty()) Navigate(web, address);
}

std::string BrowserLocation(HWND browser) {
  IWebBrowser2* web = BrowserOf(browser);
  if (web == nullptr) return std::string();
  UniqueBstr location;
  if (FAILED(web->get_LocationURL(location.out()))) return std::string();
  return TextFromBstr(location.get());
}

int SilenceBrowser(HWND browser) {
  if (IWebBrowser2* web = BrowserOf(browser)) web->put_Silent(VARIANT_TRUE);
  return 0;
}
