#include "common/stand_in_browser_control.h"

namespace {

BOOL CALLBACK CollectStandIn(HWND window, LPARAM found) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof(name));
  if (lstrcmpA(name, kStandInBrowserClass) == 0) reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
  return TRUE;
}

std::string StandInDllPath() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, sizeof(path));
  std::string folder = path;
  folder.erase(folder.find_last_of("\\/") + 1);
  return folder + "stand_in_browser.dll";
}

using RegistrationProc = HRESULT(STDAPICALLTYPE*)();

HRESULT CallExport(HMODULE dll, const char* name) {
  auto call = reinterpret_cast<RegistrationProc>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
  return call != nullptr ? call() : E_FAIL;
}

}  // namespace

std::vector<HWND> StandInBrowserWindows(HWND parent) {
  std::vector<HWND> found;
  EnumChildWindows(parent, CollectStandIn, reinterpret_cast<LPARAM>(&found));
  return found;
}

int FollowLink(HWND standIn, const std::string& address) {
  const UINT message = RegisterWindowMessageA("VerdimoStandInFollowLink");
  const ATOM atom = GlobalAddAtomA(address.c_str());
  if (message == 0 || atom == 0) return 0;
  DWORD_PTR result = 0;
  const bool sent = SendMessageTimeoutA(standIn, message, atom, 0, SMTO_NORMAL, 5000, &result) != 0;
  GlobalDeleteAtom(atom);
  return sent ? static_cast<int>(result) : 0;
}

StandInBrowserHidden::StandInBrowserHidden() : dll_(LoadLibraryA(StandInDllPath().c_str())) {
  hidden_ = dll_ != nullptr && SUCCEEDED(CallExport(dll_, "DllUnregisterServer"));
}

StandInBrowserHidden::~StandInBrowserHidden() {
  if (hidden_) CallExport(dll_, "DllRegisterServer");
  // The module stays loaded: controls made from it may still be alive in this process.
}
