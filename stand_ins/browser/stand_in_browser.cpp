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
#include <olectl.h>
#include <wininet.h>

#include <exdispid.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

namespace {

// {A23A6B29-1EB3-432F-99D1-097078E044C1}
const CLSID kStandInClsid = {0xa23a6b29, 0x1eb3, 0x432f, {0x99, 0xd1, 0x09, 0x70, 0x78, 0xe0, 0x44, 0xc1}};
constexpr const char* kStandInClsidText = "{A23A6B29-1EB3-432F-99D1-097078E044C1}";
constexpr const char* kProgId = "Shell.Explorer.1";
constexpr const char* kWindowClass = "VerdimoStandInBrowser";
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; stand-in browser)";
constexpr DWORD kMostPageBytes = 256 * 1024;
constexpr UINT kFetchDoneMessage = WM_APP + 1;

HMODULE Module;

// --- Texts -------------------------------------------------------------------------------------

std::wstring WideFrom(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

std::string AnsiFrom(const std::wstring& wide) {
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
  if (length > 0) {
    WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &text[0], length, nullptr,
                        nullptr);
  }
  return text;
}

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

std::atomic<long> LiveObjects{0};

template <typename Interface>
void ReleaseAndClear(Interface*& pointer) {
  if (pointer != nullptr) {
    Interface* old = pointer;
    pointer = nullptr;
    old->Release();
  }
}

class StandInBrowser final : public IWebBrowser2,
                       public IOleObject,
                       public IOleInPlaceObject,
                       public IPersistStreamInit,
                       public IConnectionPointContainer,
                       public IConnectionPoint {
 public:
  StandInBrowser() { ++LiveObjects; }
  ~StandInBrowser() {
    InPlaceDeactivate();
    ReleaseAndClear(clientSite_);
    ReleaseAndClear(sink_);
    --LiveObjects;
  }
  StandInBrowser(const StandInBrowser&) = delete;
  StandInBrowser& operator=(const StandInBrowser&) = delete;

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IWebBrowser || iid == IID_IWebBrowserApp ||
        iid == IID_IWebBrowser2) {
      *out = static_cast<IWebBrowser2*>(this);
    } else if (iid == IID_IOleObject) {
      *out = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
      *out = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
      *out = static_cast<IPersistStreamInit*>(this);
    } else if (iid == IID_IConnectionPointContainer) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the program calls the interface directly; there is no type information.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
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

  // IOleObject
  STDMETHODIMP SetClientSite(IOleClientSite* site) override {
    if (site != nullptr) site->AddRef();
    ReleaseAndClear(clientSite_);
    clientSite_ = site;
    return S_OK;
  }
  STDMETHODIMP GetClientSite(IOleClientSite** site) override {
    if (site == nullptr) return E_POINTER;
    *site = clientSite_;
    if (clientSite_ != nullptr) clientSite_->AddRef();
    return S_OK;
  }
  STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  STDMETHODIMP Close(DWORD) override {
    InPlaceDeactivate();
    return S_OK;
  }
  STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite* activeSite, LONG, HWND parent, LPCRECT position) override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return InPlaceActivate(activeSite != nullptr ? activeSite : clientSite_, parent, position);
      case OLEIVERB_HIDE:
        if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  }
  STDMETHODIMP EnumVerbs(IEnumOLEVERB**) override { return OLE_S_USEREG; }
  STDMETHODIMP Update() override { return S_OK; }
  STDMETHODIMP IsUpToDate() override { return S_OK; }
  STDMETHODIMP GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  STDMETHODIMP GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
  }
  STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
    *size = extent_;
    return S_OK;
  }
  STDMETHODIMP Advise(IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP EnumAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }
  STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT |
              OLEMISC_CANTLINKINSIDE | OLEMISC_RECOMPOSEONRESIZE;
    return S_OK;
  }
  STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  STDMETHODIMP GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return window_ != nullptr ? S_OK : E_FAIL;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP InPlaceDeactivate() override {
    if (window_ != nullptr) {
      SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
      DestroyWindow(window_);
      window_ = nullptr;
    }
    if (inPlaceSite_ != nullptr) {
      inPlaceSite_->OnInPlaceDeactivate();
      ReleaseAndClear(inPlaceSite_);
    }
    return S_OK;
  }
  STDMETHODIMP UIDeactivate() override { return S_OK; }
  STDMETHODIMP SetObjectRects(LPCRECT position, LPCRECT) override {
    if (position == nullptr) return E_POINTER;
    if (window_ != nullptr) {
      MoveWindow(window_, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
    }
    return S_OK;
  }
  STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

  // IPersistStreamInit: a new control has no saved state; nothing is saved either.
  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kStandInClsid;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(LPSTREAM) override { return S_OK; }
  STDMETHODIMP Save(LPSTREAM, BOOL) override { return S_OK; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
  }
  STDMETHODIMP InitNew() override { return S_OK; }

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

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
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

  HRESULT InPlaceActivate(IOleClientSite* site, HWND parentHint, LPCRECT positionHint) {
    if (window_ != nullptr) {
      ShowWindow(window_, SW_SHOWNA);
      return S_OK;
    }
    HWND parent = parentHint;
    RECT position = positionHint != nullptr ? *positionHint : RECT{0, 0, 0, 0};
    IOleInPlaceSite* inPlaceSite = nullptr;
    if (site != nullptr && SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite)))) {
      if (inPlaceSite->CanInPlaceActivate() != S_OK) {
        inPlaceSite->Release();
        return E_FAIL;
      }
      inPlaceSite->OnInPlaceActivate();
      HWND siteWindow = nullptr;
      if (SUCCEEDED(inPlaceSite->GetWindow(&siteWindow)) && siteWindow != nullptr) parent = siteWindow;
      IOleInPlaceFrame* frame = nullptr;
      IOleInPlaceUIWindow* document = nullptr;
      RECT clip;
      OLEINPLACEFRAMEINFO frameInfo = {};
      frameInfo.cb = sizeof(frameInfo);
      if (SUCCEEDED(inPlaceSite->GetWindowContext(&frame, &document, &position, &clip, &frameInfo))) {
        ReleaseAndClear(frame);
        ReleaseAndClear(document);
      }
      inPlaceSite_ = inPlaceSite;
    }
    if (parent == nullptr) return E_FAIL;
    window_ = CreateWindowExA(0, kWindowClass, AnsiFrom(location_).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              position.left, position.top, position.right - position.left,
                              position.bottom - position.top, parent, nullptr, Module, nullptr);
    if (window_ == nullptr) return E_FAIL;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    return S_OK;
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

  LONG references_ = 1;
  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  HWND window_ = nullptr;
  SIZEL extent_ = {0, 0};
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

LRESULT CALLBACK StandInBrowser::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* browser = reinterpret_cast<StandInBrowser*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (message == kFetchDoneMessage) {
    std::unique_ptr<Fetch> fetch(reinterpret_cast<Fetch*>(lParam));
    if (browser != nullptr) browser->FetchDone(std::move(fetch));
    return 0;
  }
  if (message == FollowLinkMessage() && message != 0) {
    char address[256] = "";
    if (browser == nullptr || GlobalGetAtomNameA(static_cast<ATOM>(wParam), address, sizeof(address)) == 0) {
      return 0;
    }
    return browser->NavigateTo(WideFrom(address)) ? 1 : 2;
  }
  if (message == WM_PAINT && browser != nullptr) {
    browser->Paint(window);
    return 0;
  }
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, message, wParam, lParam);
}

// --- Class factory and registration ----------------------------------------------------------------

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // The factory lives as long as the module.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    RegisterWindowClass();
    auto* browser = new StandInBrowser();
    const HRESULT result = browser->QueryInterface(iid, out);
    browser->Release();
    return result;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  static void RegisterWindowClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExA(Module, kWindowClass, &windowClass)) return;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = StandInBrowser::WindowProc;
    windowClass.hInstance = Module;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExA(&windowClass);
  }
};

Factory TheFactory;

struct RegistryKey {
  HKEY key = nullptr;
  ~RegistryKey() {
    if (key != nullptr) RegCloseKey(key);
  }
};

bool SetValue(HKEY root, const std::string& path, const char* name, const std::string& value) {
  RegistryKey key;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key.key, nullptr) != ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(key.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string GetValue(HKEY root, const std::string& path, const char* name) {
  char value[256] = "";
  DWORD size = sizeof(value) - 1;
  if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::string();
  }
  return value;
}

const std::string kClassKey = std::string("CLSID\\") + kStandInClsidText;
const std::string kProgIdClassKey = std::string(kProgId) + "\\CLSID";
// Where registration keeps the class that "Shell.Explorer.1" named before, for unregistration.
constexpr const char* kPreviousClassValue = "ReplacedProgIDClass";

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Module = instance;
    DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != kStandInClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return TheFactory.QueryInterface(iid, out);
}

// Workers may still be fetching for a control that is gone: the module stays loaded.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(Module, path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return SELFREG_E_CLASS;
  const std::string previous = GetValue(HKEY_CLASSES_ROOT, kProgIdClassKey, nullptr);
  bool written = SetValue(HKEY_CLASSES_ROOT, kClassKey, nullptr, "Verdimo stand-in browser control") &&
                 SetValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", nullptr, path) &&
                 SetValue(HKEY_CLASSES_ROOT, kClassKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
                 SetValue(HKEY_CLASSES_ROOT, kClassKey + "\\ProgID", nullptr, kProgId);
  if (written && !previous.empty() && previous != kStandInClsidText) {
    written = SetValue(HKEY_CLASSES_ROOT, kClassKey, kPreviousClassValue, previous);
  }
  written = written && SetValue(HKEY_CLASSES_ROOT, kProgIdClassKey, nullptr, kStandInClsidText);
  return written ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  const std::string previous = GetValue(HKEY_CLASSES_ROOT, kClassKey, kPreviousClassValue);
  if (GetValue(HKEY_CLASSES_ROOT, kProgIdClassKey, nullptr) == kStandInClsidText) {
    if (!previous.empty()) {
      SetValue(HKEY_CLASSES_ROOT, kProgIdClassKey, nullptr, previous);
    } else {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgIdClassKey.c_str());
    }
  }
  const LSTATUS deleted = RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey.c_str());
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
