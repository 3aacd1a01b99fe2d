// A stand-in for the system HTML browser control, for the test and demo Wine prefixes, where no
// HTML engine exists. It registers itself (regsvr32) as the class behind "Shell.Explorer.1", so
// the program hosts it through ATL exactly as it would host the real control; the program never
// registers it.
//
// What it offers is what the program uses: Navigate/Navigate2 fetch the address through WinINet
// (the preconfigured proxy, so the stand-in site sees the request) on a worker thread, the page's
// text is shown plainly in the control's window, and when the page is in ("about:blank" at once)
// get_LocationURL reports the new address and the ready state reaches READYSTATE_COMPLETE;
// put_Silent/get_Silent keep the value. Every other IWebBrowser2 method answers E_NOTIMPL.
// Before every navigation it fires BeforeNavigate2 to its DWebBrowserEvents2 sink, honouring Cancel.
//
// For ATL's host it is an in-place object with a window of its own: IOleObject (client site,
// DoVerb with in-place activation, extent, Close), IOleInPlaceObject (window, rectangles,
// deactivation) and IPersistStreamInit (InitNew).
//
// Tests reach it from other processes through its window: the window text is the present address,
// and the registered message "VerdimoStandInFollowLink" with a global atom holding an address in
// wParam makes it follow a link to that address, as a click in the page would; it answers 1, or 2
// when the host cancelled the navigation.
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <wininet.h>

#include <exdispid.h>

#include <cstring>
#include <memory>
#include <string>

#include "../common/in_place_control.h"

namespace {

// {A23A6B29-1EB3-432F-99D1-097078E044C1}
const CLSID kStandInClsid = {0xa23a6b29, 0x1eb3, 0x432f, {0x99, 0xd1, 0x09, 0x70, 0x78, 0xe0, 0x44, 0xc1}};
constexpr const char* kStandInClsidText = "{A23A6B29-1EB3-432F-99D1-097078E044C1}";
constexpr const char* kProgId = "Shell.Explorer.1";
constexpr const char* kWindowClass = "VerdimoStandInBrowser";
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; stand-in browser)";
constexpr DWORD kMostPageBytes = 256 * 1024;
constexpr UINT kFetchDoneMessage = WM_APP + 1;

// --- Texts -------------------------------------------------------------------------------------

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithNoCase(const std::string& text, size_t at, const char* word) {
  for (size_t i = 0; word[i] != '\0'; ++i) {
    if (at + i >= text.size() || LowerAscii(text[at + i]) != word[i]) return false;
  }
  return true;
}

// The page's text, crudely: tags dropped with the head, scripts and styles, a few entities
// decoded, runs of white space made one space.
std::string PlainText(const std::string& page) {
  std::string text;
  size_t i = 0;
  while (i < page.size()) {
    if (page[i] == '<') {
      const char* skipped = nullptr;
      if (StartsWithNoCase(page, i, "<head")) skipped = "</head";
      if (StartsWithNoCase(page, i, "<script")) skipped = "</script";
      if (StartsWithNoCase(page, i, "<style")) skipped = "</style";
      if (skipped != nullptr) {
        size_t end = i + 1;
        while (end < page.size() && !StartsWithNoCase(page, end, skipped)) ++end;
        i = end;
      }
      const size_t close = page.find('>', i);
      i = close == std::string::npos ? page.size() : close + 1;
      text += ' ';
      continue;
    }
    static const struct {
      const char* entity;
      char plain;
    } kEntities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&nbsp;", ' '}};
    bool decoded = false;
    for (const auto& entity : kEntities) {
      if (page.compare(i, strlen(entity.entity), entity.entity) == 0) {
        text += entity.plain;
        i += strlen(entity.entity);
        decoded = true;
        break;
      }
    }
    if (!decoded) text += page[i++];
  }
  std::string collapsed;
  for (char c : text) {
    const bool space = c == ' ' || c == '\t' || c == '\r' || c == '\n';
    if (space && (collapsed.empty() || collapsed.back() == ' ')) continue;
    collapsed += space ? ' ' : c;
  }
  while (!collapsed.empty() && collapsed.back() == ' ') collapsed.pop_back();
  return collapsed;
}

// --- Fetching ------------------------------------------------------------------------------------

struct InternetHandle {
  HINTERNET handle;
  explicit InternetHandle(HINTERNET h) : handle(h) {}
  ~InternetHandle() {
    if (handle != nullptr) InternetCloseHandle(handle);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;
};

// The body at address, at most kMostPageBytes of it; "" when nothing came.
std::string FetchPage(const std::string& address) {
  InternetHandle session(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (session.handle == nullptr) return std::string();
  InternetHandle request(InternetOpenUrlA(session.handle, address.c_str(), nullptr, 0,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                                              INTERNET_FLAG_NO_UI,
                                          0));
  if (request.handle == nullptr) return std::string();
  std::string body;
  char piece[8192];
  DWORD got = 0;
  while (body.size() < kMostPageBytes && InternetReadFile(request.handle, piece, sizeof(piece), &got) && got > 0) {
    body.append(piece, got);
  }
  return body;
}

// One navigation's fetch, handed to a worker and back to the window as a whole.
struct Fetch {
  HWND window;
  LONG navigation;
  std::string address;
  std::string text;
};

DWORD WINAPI FetchWorker(void* parameter) {
  std::unique_ptr<Fetch> fetch(static_cast<Fetch*>(parameter));
  fetch->text = PlainText(FetchPage(fetch->address));
  // The window may be gone by now; then the result is dropped here.
  if (PostMessageA(fetch->window, kFetchDoneMessage, 0, reinterpret_cast<LPARAM>(fetch.get()))) {
    fetch.release();
  }
  return 0;
}

// --- The control -----------------------------------------------------------------------------------

using stand_in::AnsiFrom;
using stand_in::ReleaseAndClear;
using stand_in::WideFrom;

class StandInBrowser final : public stand_in::Control<IWebBrowser2>,
                             public IConnectionPointContainer,
                             public IConnectionPoint {
 public:
  StandInBrowser() = default;
  ~StandInBrowser() { ReleaseAndClear(sink_); }

  // IUnknown, for the connection point's side as well.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return Control::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return Control::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return Control::Release(); }

  // IDispatch: the program calls the interface directly.
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

  // IWebBrowser2: what the program uses.
  STDMETHODIMP Navigate(BSTR url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    if (url == nullptr) return E_INVALIDARG;
    NavigateTo(std::wstring(url, SysStringLen(url)));
    return S_OK;
  }
  STDMETHODIMP Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) override {
    if (url == nullptr || url->vt != VT_BSTR || url->bstrVal == nullptr) return E_INVALIDARG;
    NavigateTo(std::wstring(url->bstrVal, SysStringLen(url->bstrVal)));
    return S_OK;
  }
  STDMETHODIMP get_LocationURL(BSTR* location) override {
    if (location == nullptr) return E_POINTER;
    *location = SysAllocStringLen(location_.data(), static_cast<UINT>(location_.size()));
    return *location != nullptr ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP get_LocationName(BSTR* name) override { return get_LocationURL(name); }
  STDMETHODIMP get_ReadyState(READYSTATE* state) override {
    if (state == nullptr) return E_POINTER;
    *state = readyState_;
    return S_OK;
  }
  STDMETHODIMP get_Busy(VARIANT_BOOL* busy) override {
    if (busy == nullptr) return E_POINTER;
    *busy = readyState_ == READYSTATE_COMPLETE ? VARIANT_FALSE : VARIANT_TRUE;
    return S_OK;
  }
  STDMETHODIMP Stop() override {
    ++navigation_;
    readyState_ = READYSTATE_COMPLETE;
    return S_OK;
  }
  STDMETHODIMP get_Silent(VARIANT_BOOL* silent) override {
    if (silent == nullptr) return E_POINTER;
    *silent = silent_;
    return S_OK;
  }
  STDMETHODIMP put_Silent(VARIANT_BOOL silent) override {
    silent_ = silent;
    return S_OK;
  }
  STDMETHODIMP get_Visible(VARIANT_BOOL* visible) override {
    if (visible == nullptr) return E_POINTER;
    *visible = visible_;
    return S_OK;
  }
  STDMETHODIMP put_Visible(VARIANT_BOOL visible) override {
    visible_ = visible;
    return S_OK;
  }

  // IWebBrowser2: the rest.
  STDMETHODIMP GoBack() override { return E_NOTIMPL; }
  STDMETHODIMP GoForward() override { return E_NOTIMPL; }
  STDMETHODIMP GoHome() override { return E_NOTIMPL; }
  STDMETHODIMP GoSearch() override { return E_NOTIMPL; }
  STDMETHODIMP Refresh() override { return E_NOTIMPL; }
  STDMETHODIMP Refresh2(VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Application(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_Parent(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_Container(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_Document(IDispatch **) override { return E_NOTIMPL; }
  STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Type(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Left(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Left(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Top(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Top(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Width(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Width(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_Height(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Height(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP Quit() override { return E_NOTIMPL; }
  STDMETHODIMP ClientToWindow(int *, int *) override { return E_NOTIMPL; }
  STDMETHODIMP PutProperty(BSTR, VARIANT) override { return E_NOTIMPL; }
  STDMETHODIMP GetProperty(BSTR, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Name(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_HWND(SHANDLE_PTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_FullName(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Path(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_StatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_StatusText(BSTR *) override { return E_NOTIMPL; }
  STDMETHODIMP put_StatusText(BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP get_ToolBar(int *) override { return E_NOTIMPL; }
  STDMETHODIMP put_ToolBar(int) override { return E_NOTIMPL; }
  STDMETHODIMP get_MenuBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_MenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_FullScreen(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_FullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP QueryStatusWB(OLECMDID, OLECMDF *) override { return E_NOTIMPL; }
  STDMETHODIMP ExecWB(OLECMDID, OLECMDEXECOPT, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP ShowBrowserBar(VARIANT *, VARIANT *, VARIANT *) override { return E_NOTIMPL; }
  STDMETHODIMP get_Offline(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Offline(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsBrowser(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsBrowser(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_RegisterAsDropTarget(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_RegisterAsDropTarget(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_TheaterMode(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_TheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_AddressBar(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_AddressBar(VARIANT_BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP get_Resizable(VARIANT_BOOL *) override { return E_NOTIMPL; }
  STDMETHODIMP put_Resizable(VARIANT_BOOL) override { return E_NOTIMPL; }

  // IConnectionPointContainer with one IConnectionPoint, for DWebBrowserEvents2: one sink, cookie 1.
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
    if (point == nullptr) return E_POINTER;
    *point = iid == DIID_DWebBrowserEvents2 ? static_cast<IConnectionPoint*>(this) : nullptr;
    return *point != nullptr ? (AddRef(), S_OK) : CONNECT_E_NOCONNECTION;
  }
  STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink_ != nullptr || sink == nullptr || cookie == nullptr) return CONNECT_E_ADVISELIMIT;
    *cookie = 1;
    return sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink_));
  }
  // Serves IOleObject too, which gives out no cookies.
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie != 1 || sink_ == nullptr) return CONNECT_E_NOCONNECTION;
    ReleaseAndClear(sink_);
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  bool Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void* OtherInterface(REFIID iid) override {
    if (iid == IID_IWebBrowser || iid == IID_IWebBrowserApp || iid == IID_IWebBrowser2) {
      return static_cast<IWebBrowser2*>(this);
    }
    return iid == IID_IConnectionPointContainer ? static_cast<IConnectionPointContainer*>(this) : nullptr;
  }
  std::string WindowText() const override { return AnsiFrom(location_); }

  // BeforeNavigate2 as the control fires it: (pDisp, URL, Flags, TargetFrameName, PostData,
  // Headers, Cancel), last first, all but pDisp and Cancel by reference to a variant. True when
  // the sink did not set Cancel.
  bool HostAllows(const std::wstring& address) {
    if (sink_ == nullptr) return true;
    VARIANT url, empty, arguments[7];
    VariantInit(&empty);
    url.vt = VT_BSTR;
    url.bstrVal = SysAllocStringLen(address.data(), static_cast<UINT>(address.size()));
    VARIANT_BOOL cancel = VARIANT_FALSE;
    for (VARIANT& argument : arguments) argument.vt = VT_BYREF | VT_VARIANT, argument.pvarVal = &empty;
    arguments[6].vt = VT_DISPATCH, arguments[6].pdispVal = static_cast<IWebBrowser2*>(this);
    arguments[5].pvarVal = &url;
    arguments[0].vt = VT_BYREF | VT_BOOL, arguments[0].pboolVal = &cancel;
    DISPPARAMS parameters = {arguments, nullptr, 7, 0};
    sink_->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &parameters, nullptr, nullptr, nullptr);
    SysFreeString(url.bstrVal);
    return cancel == VARIANT_FALSE;
  }

  // As in the real control, the address becomes the present one when its page is in: at once
  // for "about:blank", else when the fetch has ended (a failed fetch shows an empty page). False
  // when the host cancelled it.
  bool NavigateTo(const std::wstring& address) {
    if (!HostAllows(address)) return false;
    const LONG navigation = ++navigation_;
    if (address == L"about:blank" || window_ == nullptr) {
      ShowPage(address, std::string());
      return true;
    }
    readyState_ = READYSTATE_LOADING;
    auto* fetch = new Fetch{window_, navigation, AnsiFrom(address), std::string()};
    HANDLE worker = CreateThread(nullptr, 0, FetchWorker, fetch, 0, nullptr);
    if (worker == nullptr) {
      delete fetch;
      ShowPage(address, std::string());
      return true;
    }
    CloseHandle(worker);
    return true;
  }

  void ShowPage(const std::wstring& address, const std::string& text) {
    location_ = address;
    text_ = text;
    readyState_ = READYSTATE_COMPLETE;
    if (window_ != nullptr) {
      SetWindowTextW(window_, location_.c_str());
      InvalidateRect(window_, nullptr, TRUE);
    }
  }

  void FetchDone(std::unique_ptr<Fetch> fetch) {
    // A later navigation has overtaken this one: its page is not shown.
    if (fetch->navigation == navigation_) ShowPage(WideFrom(fetch->address), fetch->text);
  }

  void Paint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    // Hosts often hide the control's edges behind their own (the program's panels do); the text
    // keeps clear of a tenth of the height, a twentieth of the width on the left and a fifth on
    // the right.
    RECT textBox = client;
    textBox.left += client.right / 20 + 2;
    textBox.right -= client.right / 5;
    textBox.top += client.bottom / 10 + 1;
    DrawTextA(dc, text_.c_str(), static_cast<int>(text_.size()), &textBox, DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    EndPaint(window, &paint);
  }

  std::wstring location_;
  std::string text_;
  LONG navigation_ = 0;
  READYSTATE readyState_ = READYSTATE_COMPLETE;
  VARIANT_BOOL silent_ = VARIANT_FALSE;
  VARIANT_BOOL visible_ = VARIANT_TRUE;
  IDispatch* sink_ = nullptr;
};

UINT FollowLinkMessage() {
  static const UINT message = RegisterWindowMessageA("VerdimoStandInFollowLink");
  return message;
}

bool StandInBrowser::Answer(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (message == kFetchDoneMessage) {
    FetchDone(std::unique_ptr<Fetch>(reinterpret_cast<Fetch*>(lParam)));
  } else if (message == FollowLinkMessage() && message != 0) {
    char address[256] = "";
    if (GlobalGetAtomNameA(static_cast<ATOM>(wParam), address, sizeof(address)) != 0) {
      *result = NavigateTo(WideFrom(address)) ? 1 : 2;
    }
  } else if (message == WM_PAINT) {
    Paint(window);
  } else {
    return false;
  }
  return true;
}

}  // namespace

const stand_in::ControlClass stand_in::kControlClass = {
    kStandInClsid, kStandInClsidText, kProgId, "Verdimo stand-in browser control",
    kWindowClass,  stand_in::CreateControl<StandInBrowser>};
