// The browser panels are ATL host windows: a child window of class "AtlAxWin" whose window text
// names the control ("Shell.Explorer.1") makes ATL create and site that control while the
// window is created. The program then asks the host for the control (AtlAxGetControl, looked up
// in AtlLibrary, since the program has no link-time tie to "ATL.dll") and keeps its
// IWebBrowser2 in the window's GWLP_USERDATA; ATL keeps its own pointer in a window property, so
// the two do not meet.
//
// The window owns one reference to the control and the panel's connection to the control's
// events: a subclass on top of ATL's drops both when the window is destroyed, just before ATL
// closes the control, so destroying MainWindow releases the panels with it.
//
// The pages are the author's, but what they link to is not under the program's control: the
// events sink cancels every navigation that is not to a web page or the blank page, and every new
// window. A control whose events cannot be watched is not used at all.
#include "host/browser_host.h"

#include <commctrl.h>
#include <exdisp.h>
#include <exdispid.h>
#include <ocidl.h>

#include <memory>
#include <string_view>

#include "host/panel_navigation.h"
#include "host/player_host.h"
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

// An event's argument by its place in the event's published parameter list (IDispatch hands
// them over last first); null when the event does not carry that many.
VARIANT* Argument(DISPPARAMS* parameters, UINT place, UINT count) {
  if (parameters == nullptr || parameters->rgvarg == nullptr || parameters->cArgs != count) return nullptr;
  return &parameters->rgvarg[count - 1 - place];
}

void SetCancel(VARIANT* cancel) {
  if (cancel != nullptr && cancel->vt == (VT_BYREF | VT_BOOL) && cancel->pboolVal != nullptr) {
    *cancel->pboolVal = VARIANT_TRUE;
  }
}

// The address a BeforeNavigate2 names: a string, or a reference to a variant holding one; "" for
// anything else, which no panel may go to.
std::wstring_view AddressOf(VARIANT* url) {
  if (url != nullptr && url->vt == (VT_BYREF | VT_VARIANT) && url->pvarVal != nullptr) url = url->pvarVal;
  if (url == nullptr || url->vt != VT_BSTR || url->bstrVal == nullptr) return std::wstring_view();
  return std::wstring_view(url->bstrVal, SysStringLen(url->bstrVal));
}

// The panel's sink for the control's DWebBrowserEvents2; it answers only the events that can be
// cancelled, and holds nothing of the control.
class PanelEvents final : public IDispatch {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch && iid != DIID_DWebBrowserEvents2) return E_NOINTERFACE;
    *out = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID event, REFIID, LCID, WORD, DISPPARAMS* parameters, VARIANT*, EXCEPINFO*,
                      UINT*) override {
    switch (event) {
      case DISPID_BEFORENAVIGATE2:  // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
        if (!PanelMayNavigate(AddressOf(Argument(parameters, 1, 7)))) SetCancel(Argument(parameters, 6, 7));
        break;
      case DISPID_NEWWINDOW2:  // (ppDisp, Cancel)
        SetCancel(Argument(parameters, 1, 2));
        break;
      case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
        SetCancel(Argument(parameters, 1, 5));
        break;
      default:
        break;
    }
    return S_OK;
  }

 private:
  ~PanelEvents() = default;
  LONG references_ = 1;
};

// A PanelEvents sink advised on one control's events for as long as this lives.
class PanelEventsConnection {
 public:
  // The connection, or null when the control offers no DWebBrowserEvents2.
  static std::unique_ptr<PanelEventsConnection> Connect(IWebBrowser2* web) {
    std::unique_ptr<PanelEventsConnection> connection(new PanelEventsConnection());
    ComPtr<IConnectionPointContainer> container;
    if (FAILED(web->QueryInterface(IID_IConnectionPointContainer, container.out_void())) || !container ||
        FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, connection->point_.out())) ||
        !connection->point_ || FAILED(connection->point_->Advise(connection->sink_, &connection->cookie_))) {
      return nullptr;
    }
    connection->advised_ = true;
    return connection;
  }
  ~PanelEventsConnection() {
    if (advised_) point_->Unadvise(cookie_);
    sink_->Release();
  }
  PanelEventsConnection(const PanelEventsConnection&) = delete;
  PanelEventsConnection& operator=(const PanelEventsConnection&) = delete;

 private:
  PanelEventsConnection() = default;
  PanelEvents* sink_ = new PanelEvents();
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  bool advised_ = false;
};

// The subclass's reference data is the panel's PanelEventsConnection.
LRESULT CALLBACK BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                   UINT_PTR, DWORD_PTR events) {
  if (message == WM_DESTROY) {
    delete reinterpret_cast<PanelEventsConnection*>(events);
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
  ComPtr<IWebBrowser2> hosted;
  *hosted.out() = HostedBrowser(window);
  if (!hosted) return window;
  std::unique_ptr<PanelEventsConnection> events = PanelEventsConnection::Connect(hosted.get());
  // Without the subclass nothing would release the control and its sink with the window.
  if (!events || !SetWindowSubclass(window, BrowserWindowProc, kBrowserSubclassId,
                                    reinterpret_cast<DWORD_PTR>(events.get()))) {
    return window;
  }
  events.release();
  IWebBrowser2* web = hosted.release();
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(web));
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
