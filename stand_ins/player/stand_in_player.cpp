// The project's stand-in for the Flash player: an in-process ActiveX control that registers
// itself under the player's ProgID "ShockwaveFlash.ShockwaveFlash" (with a CLSID of its own) in
// the test and demo Wine prefixes, where no player exists. It is never part of verdimo.exe.
//
// What it offers is what the program asks of the player: IShockwaveFlash with the player's
// vtable (put_BackgroundColor, Zoom and LoadMovie do something, the rest answer E_NOTIMPL), its
// AllowScriptAccess and AllowNetworking properties by name through IDispatch, and
// what a control host needs to site and show a control: IOleObject (client site, in-place
// activation through DoVerb, extent), IOleInPlaceObject (its window, its rectangles) and
// IPersistStreamInit (InitNew). It makes one child window that fills its container, painted in
// the background colour with the address of the movie it holds; the window's text is the
// address of the last LoadMovie ("unload" after an unload), so a test can read it back, and its
// properties named after those two settings hold their values at that LoadMovie.
#include <windows.h>
#include <ole2.h>
#include <olectl.h>

#include <string>

#include "host/shockwave_flash.h"

namespace {

// {1E2FB866-8110-4080-9F18-89457733F3E2}
constexpr CLSID kStandInPlayerClsid = {
    0x1e2fb866, 0x8110, 0x4080, {0x9f, 0x18, 0x89, 0x45, 0x77, 0x33, 0xf3, 0xe2}};
constexpr const char* kClsidText = "{1E2FB866-8110-4080-9F18-89457733F3E2}";
constexpr const char* kWindowClass = "VerdimoStandInPlayer";
constexpr long kStartColour = 0x303030;
const wchar_t* const kSettingNames[] = {L"AllowScriptAccess", L"AllowNetworking"};

HINSTANCE ModuleHandle;
LONG LiveObjects;
LONG ServerLocks;

// Every method of IShockwaveFlash answering E_NOTIMPL; the player overrides what it offers.
#define VERDIMO_NOT_IMPLEMENTED(name, parameters) \
  HRESULT STDMETHODCALLTYPE name parameters override { return E_NOTIMPL; }
class FlashMethodsNotImplemented : public IShockwaveFlash {
 public:
  VERDIMO_SHOCKWAVE_FLASH_METHODS(VERDIMO_NOT_IMPLEMENTED)
};
#undef VERDIMO_NOT_IMPLEMENTED

template <typename Interface>
void ReleaseAndClear(Interface*& pointer) {
  if (pointer != nullptr) pointer->Release();
  pointer = nullptr;
}

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass() {
  WNDCLASSA existing;
  if (GetClassInfoA(ModuleHandle, kWindowClass, &existing)) return true;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PlayerWindowProc;
  windowClass.hInstance = ModuleHandle;
  windowClass.lpszClassName = kWindowClass;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  return RegisterClassA(&windowClass) != 0;
}

class StandInPlayer final : public FlashMethodsNotImplemented,
                            public IOleObject,
                            public IOleInPlaceObject,
                            public IPersistStreamInit {
 public:
  StandInPlayer() { InterlockedIncrement(&LiveObjects); }
  ~StandInPlayer() {
    InPlaceDeactivate();
    ReleaseAndClear(clientSite_);
    InterlockedDecrement(&LiveObjects);
  }
  StandInPlayer(const StandInPlayer&) = delete;
  StandInPlayer& operator=(const StandInPlayer&) = delete;

  long BackgroundColour() const { return colour_; }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IShockwaveFlash) {
      *out = static_cast<IShockwaveFlash*>(this);
    } else if (iid == IID_IOleObject) {
      *out = static_cast<IOleObject*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
      *out = static_cast<IOleInPlaceObject*>(this);
    } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
      *out = static_cast<IPersistStreamInit*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch: the two confinement properties by name (put only); the rest is the vtable.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count != nullptr) *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (names == nullptr || ids == nullptr || count != 1) return E_INVALIDARG;
    for (DISPID id = 0; id < 2; ++id) {
      if (lstrcmpiW(names[0], kSettingNames[id]) == 0) return (*ids = id, S_OK);
    }
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (id < 0 || id > 1 || flags != DISPATCH_PROPERTYPUT || parameters == nullptr || parameters->cArgs != 1 ||
        parameters->cNamedArgs != 1 || parameters->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT ||
        parameters->rgvarg[0].vt != VT_BSTR) {
      return DISP_E_MEMBERNOTFOUND;
    }
    settings_[id] = parameters->rgvarg[0].bstrVal != nullptr ? parameters->rgvarg[0].bstrVal : L"";
    return S_OK;
  }

  // IShockwaveFlash: what the program uses.
  HRESULT STDMETHODCALLTYPE get_BackgroundColor(long* colour) override {
    if (colour == nullptr) return E_POINTER;
    *colour = colour_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_BackgroundColor(long colour) override {
    colour_ = colour;
    Repaint();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Zoom(int) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LoadMovie(int layer, BSTR url) override {
    if (layer != 0) return E_NOTIMPL;
    movie_ = url != nullptr ? std::wstring(url, SysStringLen(url)) : std::wstring();
    if (window_ != nullptr) SetWindowTextA(window_, MovieText().c_str());
    // The settings in force for this movie, for tests in any process: a window property per
    // setting, holding a global atom of its value.
    for (int i = 0; i < 2 && window_ != nullptr; ++i) {
      if (ATOM old = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(RemovePropW(window_, kSettingNames[i])))) {
        GlobalDeleteAtom(old);
      }
      const ATOM value = settings_[i].empty() ? 0 : GlobalAddAtomW(settings_[i].c_str());
      if (value != 0) SetPropW(window_, kSettingNames[i], reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(value)));
    }
    Repaint();
    return S_OK;
  }

  // IOleObject
  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
    if (site != nullptr) site->AddRef();
    ReleaseAndClear(clientSite_);
    clientSite_ = site;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
    if (site == nullptr) return E_POINTER;
    *site = clientSite_;
    if (clientSite_ != nullptr) clientSite_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD) override { return InPlaceDeactivate(); }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent,
                                   LPCRECT position) override {
    switch (verb) {
      case OLEIVERB_PRIMARY:
      case OLEIVERB_SHOW:
      case OLEIVERB_INPLACEACTIVATE:
      case OLEIVERB_UIACTIVATE:
        return ActivateInPlace(site != nullptr ? site : clientSite_, parent, position);
      case OLEIVERB_HIDE:
        if (window_ != nullptr) ShowWindow(window_, SW_HIDE);
        return S_OK;
      default:
        return OLEOBJ_S_INVALIDVERB;
    }
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return OLEOBJ_E_NOVERBS; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID* clsid) override { return GetClassID(clsid); }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return OLE_S_USEREG; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
    extent_ = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD aspect, SIZEL* size) override {
    if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
    *size = extent_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD* connection) override {
    if (connection != nullptr) *connection = 0;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    if (status == nullptr) return E_POINTER;
    *status = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
              OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  // IOleWindow, IOleInPlaceObject
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    if (window == nullptr) return E_POINTER;
    *window = window_;
    return window_ != nullptr ? S_OK : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
    if (window_ == nullptr) return S_OK;
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    if (inPlaceSite_ != nullptr) inPlaceSite_->OnInPlaceDeactivate();
    ReleaseAndClear(inPlaceSite_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT position, LPCRECT) override {
    if (position == nullptr) return E_POINTER;
    if (window_ != nullptr) {
      MoveWindow(window_, position->left, position->top, position->right - position->left,
                 position->bottom - position->top, TRUE);
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

  // IPersist, IPersistStreamInit: nothing to keep.
  HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = kStandInPlayerClsid;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
  HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER* size) override {
    if (size == nullptr) return E_POINTER;
    size->QuadPart = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE InitNew() override { return S_OK; }

  void Paint(HWND window) const {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour_));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (colour_ & 0xFF) + ((colour_ >> 8) & 0xFF) + ((colour_ >> 16) & 0xFF) > 384
                         ? RGB(0, 0, 0)
                         : RGB(255, 255, 255));
    InflateRect(&client, -6, -4);
    DrawTextW(dc, movie_.c_str(), static_cast<int>(movie_.size()), &client,
              DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX);
    EndPaint(window, &paint);
  }

 private:
  HRESULT ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT position) {
    if (window_ != nullptr) {
      ShowWindow(window_, SW_SHOW);
      return S_OK;
    }
    if (site == nullptr) return E_INVALIDARG;
    IOleInPlaceSite* inPlaceSite = nullptr;
    if (FAILED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite)))) {
      return E_NOINTERFACE;
    }
    if (inPlaceSite->CanInPlaceActivate() != S_OK) {
      inPlaceSite->Release();
      return E_FAIL;
    }
    inPlaceSite->OnInPlaceActivate();

    HWND container = nullptr;
    if (FAILED(inPlaceSite->GetWindow(&container)) || container == nullptr) container = parent;
    RECT place = {0, 0, 0, 0};
    if (position != nullptr) {
      place = *position;
    } else {
      GetClientRect(container, &place);
    }
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT siteRect, clipRect;
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof(frameInfo);
    if (SUCCEEDED(inPlaceSite->GetWindowContext(&frame, &document, &siteRect, &clipRect, &frameInfo)) &&
        position == nullptr) {
      place = siteRect;
    }
    ReleaseAndClear(frame);
    ReleaseAndClear(document);

    if (container == nullptr || !RegisterWindowClass()) {
      inPlaceSite->OnInPlaceDeactivate();
      inPlaceSite->Release();
      return E_FAIL;
    }
    window_ = CreateWindowExA(0, kWindowClass, MovieText().c_str(),
                              WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, place.left, place.top,
                              place.right - place.left, place.bottom - place.top, container,
                              nullptr, ModuleHandle, nullptr);
    if (window_ == nullptr) {
      inPlaceSite->OnInPlaceDeactivate();
      inPlaceSite->Release();
      return E_FAIL;
    }
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    inPlaceSite_ = inPlaceSite;
    return S_OK;
  }

  // The movie's address as the window's text: in the ANSI code page, as the program gave it.
  std::string MovieText() const {
    const int length = WideCharToMultiByte(CP_ACP, 0, movie_.c_str(), static_cast<int>(movie_.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) {
      WideCharToMultiByte(CP_ACP, 0, movie_.c_str(), static_cast<int>(movie_.size()), &text[0], length,
                          nullptr, nullptr);
    }
    return text;
  }

  void Repaint() const {
    if (window_ != nullptr) InvalidateRect(window_, nullptr, TRUE);
  }

  LONG references_ = 1;
  IOleClientSite* clientSite_ = nullptr;
  IOleInPlaceSite* inPlaceSite_ = nullptr;
  HWND window_ = nullptr;
  SIZEL extent_ = {10583, 7938};  // 400 x 300 pixels at 96 dpi, in 0.01 mm
  long colour_ = kStartColour;
  std::wstring movie_;
  std::wstring settings_[2];
};

LRESULT CALLBACK PlayerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* player = reinterpret_cast<StandInPlayer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT fills the whole window
    case WM_PAINT:
      if (player != nullptr) {
        player->Paint(window);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

class PlayerFactory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  // One factory lives as long as the module.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* player = new (std::nothrow) StandInPlayer();
    if (player == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = player->QueryInterface(iid, out);
    player->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      InterlockedIncrement(&ServerLocks);
    } else {
      InterlockedDecrement(&ServerLocks);
    }
    return S_OK;
  }
};

PlayerFactory Factory;

bool SetKeyText(HKEY root, const std::string& path, const char* name, const std::string& value) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const LONG result = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                     static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
  return result == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    ModuleHandle = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    UnregisterClassA(kWindowClass, instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != kStandInPlayerClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return Factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() { return LiveObjects == 0 && ServerLocks == 0 ? S_OK : S_FALSE; }

STDAPI DllRegisterServer() {
  char path[MAX_PATH] = "";
  if (GetModuleFileNameA(ModuleHandle, path, MAX_PATH) == 0) return SELFREG_E_CLASS;
  const std::string progId = kFlashProgId;
  const std::string classKey = std::string("CLSID\\") + kClsidText;
  const bool written =
      SetKeyText(HKEY_CLASSES_ROOT, progId, nullptr, "Verdimo stand-in player") &&
      SetKeyText(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr, kClsidText) &&
      SetKeyText(HKEY_CLASSES_ROOT, classKey, nullptr, "Verdimo stand-in player") &&
      SetKeyText(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", nullptr, path) &&
      SetKeyText(HKEY_CLASSES_ROOT, classKey + "\\InprocServer32", "ThreadingModel", "Apartment") &&
      SetKeyText(HKEY_CLASSES_ROOT, classKey + "\\ProgID", nullptr, progId);
  return written ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  RegDeleteTreeA(HKEY_CLASSES_ROOT, kFlashProgId);
  RegDeleteTreeA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kClsidText).c_str());
  return S_OK;
}
