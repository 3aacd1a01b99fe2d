#include "in_place_control.h"

namespace stand_in {

namespace {

HINSTANCE Module;

LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;  // the control paints its whole window
  auto* control = reinterpret_cast<InPlaceObject*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  LRESULT result = 0;
  if (control != nullptr && control->Answer(window, message, wParam, lParam, &result)) return result;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass() {
  WNDCLASSA windowClass = {};
  if (GetClassInfoA(Module, kControlClass.windowClass, &windowClass)) return true;
  windowClass.lpfnWndProc = ControlWindowProc;
  windowClass.hInstance = Module;
  windowClass.lpszClassName = kControlClass.windowClass;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  return RegisterClassA(&windowClass) != 0;
}

}  // namespace

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

InPlaceObject::~InPlaceObject() {
  InPlaceDeactivate();
  ReleaseAndClear(clientSite_);
}

void* InPlaceObject::InPlaceInterface(REFIID iid) {
  if (iid == IID_IOleObject) return static_cast<IOleObject*>(this);
  if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) return static_cast<IOleInPlaceObject*>(this);
  if (iid == IID_IPersist || iid == IID_IPersistStreamInit) return static_cast<IPersistStreamInit*>(this);
  return nullptr;
}

HRESULT InPlaceObject::SetClientSite(IOleClientSite* site) {
  if (site != nullptr) site->AddRef();
  ReleaseAndClear(clientSite_);
  clientSite_ = site;
  return S_OK;
}

HRESULT InPlaceObject::GetClientSite(IOleClientSite** site) {
  if (site == nullptr) return E_POINTER;
  *site = clientSite_;
  if (clientSite_ != nullptr) clientSite_->AddRef();
  return S_OK;
}

HRESULT InPlaceObject::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT position) {
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

HRESULT InPlaceObject::SetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
  extent_ = *size;
  return S_OK;
}

HRESULT InPlaceObject::GetExtent(DWORD aspect, SIZEL* size) {
  if (aspect != DVASPECT_CONTENT || size == nullptr) return E_INVALIDARG;
  *size = extent_;
  return S_OK;
}

HRESULT InPlaceObject::GetMiscStatus(DWORD, DWORD* status) {
  if (status == nullptr) return E_POINTER;
  *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
            OLEMISC_RECOMPOSEONRESIZE;
  return S_OK;
}

HRESULT InPlaceObject::GetWindow(HWND* window) {
  if (window == nullptr) return E_POINTER;
  *window = window_;
  return window_ != nullptr ? S_OK : E_FAIL;
}

HRESULT InPlaceObject::InPlaceDeactivate() {
  if (window_ != nullptr) {
    HWND window = window_;
    window_ = nullptr;
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
  }
  if (inPlaceSite_ != nullptr) inPlaceSite_->OnInPlaceDeactivate();
  ReleaseAndClear(inPlaceSite_);
  return S_OK;
}

HRESULT InPlaceObject::SetObjectRects(LPCRECT position, LPCRECT) {
  if (position == nullptr) return E_POINTER;
  if (window_ != nullptr) {
    MoveWindow(window_, position->left, position->top, position->right - position->left,
               position->bottom - position->top, TRUE);
  }
  return S_OK;
}

HRESULT InPlaceObject::GetClassID(CLSID* clsid) {
  if (clsid == nullptr) return E_POINTER;
  *clsid = kControlClass.clsid;
  return S_OK;
}

HRESULT InPlaceObject::GetSizeMax(ULARGE_INTEGER* size) {
  if (size == nullptr) return E_POINTER;
  size->QuadPart = 0;
  return S_OK;
}

// The window goes where the host asks, else where its site says, else over the whole container.
HRESULT InPlaceObject::ActivateInPlace(IOleClientSite* site, HWND parent, LPCRECT position) {
  if (window_ != nullptr) {
    ShowWindow(window_, SW_SHOWNA);
    return S_OK;
  }
  RECT place = {0, 0, 0, 0};
  bool placed = position != nullptr;
  if (placed) place = *position;
  IOleInPlaceSite* inPlaceSite = nullptr;
  if (site != nullptr && SUCCEEDED(site->QueryInterface(IID_IOleInPlaceSite, reinterpret_cast<void**>(&inPlaceSite)))) {
    if (inPlaceSite->CanInPlaceActivate() != S_OK) {
      inPlaceSite->Release();
      return E_FAIL;
    }
    inPlaceSite->OnInPlaceActivate();
    inPlaceSite_ = inPlaceSite;
    HWND siteWindow = nullptr;
    if (SUCCEEDED(inPlaceSite->GetWindow(&siteWindow)) && siteWindow != nullptr) parent = siteWindow;
    IOleInPlaceFrame* frame = nullptr;
    IOleInPlaceUIWindow* document = nullptr;
    RECT siteRect, clip;
    OLEINPLACEFRAMEINFO frameInfo = {};
    frameInfo.cb = sizeof(frameInfo);
    if (SUCCEEDED(inPlaceSite->GetWindowContext(&frame, &document, &siteRect, &clip, &frameInfo)) && !placed) {
      place = siteRect;
      placed = true;
    }
    ReleaseAndClear(frame);
    ReleaseAndClear(document);
  }
  if (!placed && parent != nullptr) GetClientRect(parent, &place);
  if (parent != nullptr && RegisterWindowClass()) {
    window_ = CreateWindowExA(0, kControlClass.windowClass, WindowText().c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                              place.left, place.top, place.right - place.left, place.bottom - place.top, parent,
                              nullptr, Module, nullptr);
  }
  if (window_ == nullptr) {
    InPlaceDeactivate();
    return E_FAIL;
  }
  SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  return S_OK;
}

namespace {

class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  // The factory lives as long as the module.
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return kControlClass.create(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

Factory TheFactory;

struct RegistryKey {
  HKEY key = nullptr;
  ~RegistryKey() {
    if (key != nullptr) RegCloseKey(key);
  }
};

bool SetValue(const std::string& path, const char* name, const std::string& value) {
  RegistryKey key;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key.key, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return RegSetValueExA(key.key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
}

std::string GetValue(const std::string& path, const char* name) {
  char value[256] = "";
  DWORD size = sizeof(value) - 1;
  if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::string();
  }
  return value;
}

std::string ClassKey() { return std::string("CLSID\\") + kControlClass.clsidText; }
std::string ProgIdClassKey() { return std::string(kControlClass.progId) + "\\CLSID"; }
// Where registration keeps the class the ProgID named before, for unregistration.
constexpr const char* kPreviousClassValue = "ReplacedProgIDClass";

}  // namespace

}  // namespace stand_in

using namespace stand_in;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    Module = instance;
    DisableThreadLibraryCalls(instance);
  } else if (reason == DLL_PROCESS_DETACH) {
    UnregisterClassA(kControlClass.windowClass, instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  if (clsid != kControlClass.clsid) return CLASS_E_CLASSNOTAVAILABLE;
  return TheFactory.QueryInterface(iid, out);
}

// A control's worker (the browser's fetch) may still run after the control is gone: the module
// stays loaded.
STDAPI DllCanUnloadNow() { return S_FALSE; }

STDAPI DllRegisterServer() {
  char path[MAX_PATH] = "";
  const DWORD length = GetModuleFileNameA(Module, path, sizeof(path));
  if (length == 0 || length >= sizeof(path)) return SELFREG_E_CLASS;
  const std::string previous = GetValue(ProgIdClassKey(), nullptr);
  bool written = SetValue(ClassKey(), nullptr, kControlClass.description) &&
                 SetValue(ClassKey() + "\\InprocServer32", nullptr, path) &&
                 SetValue(ClassKey() + "\\InprocServer32", "ThreadingModel", "Apartment") &&
                 SetValue(ClassKey() + "\\ProgID", nullptr, kControlClass.progId);
  if (written && !previous.empty() && previous != kControlClass.clsidText) {
    written = SetValue(ClassKey(), kPreviousClassValue, previous);
  }
  written = written && SetValue(ProgIdClassKey(), nullptr, kControlClass.clsidText);
  return written ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer() {
  const std::string previous = GetValue(ClassKey(), kPreviousClassValue);
  if (GetValue(ProgIdClassKey(), nullptr) == kControlClass.clsidText) {
    if (!previous.empty()) {
      SetValue(ProgIdClassKey(), nullptr, previous);
    } else {
      RegDeleteKeyA(HKEY_CLASSES_ROOT, ProgIdClassKey().c_str());
    }
  }
  const LSTATUS deleted = RegDeleteTreeA(HKEY_CLASSES_ROOT, ClassKey().c_str());
  return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
