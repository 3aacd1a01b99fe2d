// The player is created the way ATL's host creates any control from its name: AtlAxCreateControl
// with the ProgID into the container window, then AtlAxGetControl on the same window for the
// control, then the control is asked for IShockwaveFlash. The ATL functions are looked up by
// name in AtlLibrary, so the program starts without ATL.dll. Any step that fails leaves
// FlashControl empty; nothing is reported.
#include "host/player_host.h"

#include "host/wide_text.h"
#include "base/app_state.h"
#include "base/win_handles.h"

IShockwaveFlash* FlashControl;

HMODULE AtlLibrary;

void LoadControlHost() {
  AtlLibrary = LoadLibraryA("ATL.dll");
  if (AtlLibrary == nullptr) return;
  CoInitialize(nullptr);
  using AtlAxWinInitProc = BOOL(WINAPI*)();
  auto init = reinterpret_cast<AtlAxWinInitProc>(
      reinterpret_cast<void*>(GetProcAddress(AtlLibrary, "AtlAxWinInit")));
  if (init != nullptr) init();
}

namespace {

// The host's interface that AtlAxCreateControl hands out. It is held as long as the player:
// Wine's host takes the control down when its last reference goes.
IUnknown* FlashHost;

using AtlAxCreateControlProc = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**);
using AtlAxGetControlProc = HRESULT(WINAPI*)(HWND, IUnknown**);

// What a movie from the site may do in the program's window: nothing outside the player.
const struct {
  const wchar_t* name;
  const wchar_t* value;
} kMovieConfinement[] = {{L"AllowScriptAccess", L"never"}, {L"AllowNetworking", L"internal"}};

// Sets a text property of object by name, the way a page's script would: the player's newer
// properties have no place in the vtable the program declares.
bool PutTextProperty(IDispatch* object, const wchar_t* name, const wchar_t* value) {
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) return false;
  ScopedVariant text;
  text.SetText(BstrOf(value));
  if (text.get()->bstrVal == nullptr) return false;
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS parameters = {text.get(), &putId, 1, 1};
  return SUCCEEDED(object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &parameters,
                                  nullptr, nullptr, nullptr));
}

template <typename Proc>
Proc AtlExport(const char* name) {
  if (AtlLibrary == nullptr) return nullptr;
  return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(AtlLibrary, name)));
}

}  // namespace

bool CreateFlashControl(HWND container) {
  ReleaseFlashControl();
  const auto createControl = AtlExport<AtlAxCreateControlProc>("AtlAxCreateControl");
  const auto getControl = AtlExport<AtlAxGetControlProc>("AtlAxGetControl");
  if (createControl == nullptr || getControl == nullptr || container == nullptr) return false;

  const std::wstring progId = ToWideText(kFlashProgId);
  createControl(progId.c_str(), container, nullptr, &FlashHost);
  if (FlashHost == nullptr) return false;

  ComPtr<IUnknown> control;
  getControl(container, control.out());
  if (!control) {
    ReleaseFlashControl();
    return false;
  }

  IShockwaveFlash* flash = nullptr;
  if (FAILED(control->QueryInterface(IID_IShockwaveFlash, reinterpret_cast<void**>(&flash))) ||
      flash == nullptr) {
    ReleaseFlashControl();
    return false;
  }
  FlashControl = flash;  // control, the interface of AtlAxGetControl, is released on return
  return true;
}

bool ConfineFlashMovies() {
  if (FlashControl == nullptr) return false;
  for (const auto& property : kMovieConfinement) {
    if (!PutTextProperty(FlashControl, property.name, property.value)) return false;
  }
  return true;
}

void ReleaseFlashControl() {
  if (FlashControl != nullptr) FlashControl->Release();
  FlashControl = nullptr;
  if (FlashHost != nullptr) FlashHost->Release();
  FlashHost = nullptr;
}
