// The browser panels are ActiveX controls in ATL's host window ("AtlAxWin").
//
// Not hosted yet: under the platform this program is built and tested on there is no HTML
// engine behind "Shell.Explorer.1", so every creation here reports that the control is missing,
// and the program runs as its failure handling says (no panels' pages). The operations keep the
// shape the rest of the program uses.
#include "shell/activex_host.h"

#include <exdisp.h>

#include "shell/app_state.h"

HWND CreateBrowserControl(HWND, int, int, int, int, const std::string&) { return nullptr; }

static IWebBrowser2* BrowserOf(HWND browser) {
  if (browser == nullptr || !IsWindow(browser)) return nullptr;
  return reinterpret_cast<IWebBrowser2*>(GetWindowLongPtrA(browser, GWLP_USERDATA));
}

void NavigateBrowser(HWND browser, const std::string& address) {
  IWebBrowser2* web = BrowserOf(browser);
  if (web == nullptr || address.empty()) return;
  const int length = MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, nullptr, 0);
  BSTR wide = SysAllocStringLen(nullptr, length > 0 ? length - 1 : 0);
  if (wide == nullptr) return;
  MultiByteToWideChar(CP_ACP, 0, address.c_str(), -1, wide, length);
  VARIANT target;
  VariantInit(&target);
  target.vt = VT_BSTR;
  target.bstrVal = wide;
  VARIANT empty;
  VariantInit(&empty);
  web->Navigate2(&target, &empty, &empty, &empty, &empty);
  VariantClear(&target);
}

std::string BrowserLocation(HWND browser) {
  IWebBrowser2* web = BrowserOf(browser);
  if (web == nullptr) return std::string();
  BSTR location = nullptr;
  if (FAILED(web->get_LocationURL(&location)) || location == nullptr) return std::string();
  const int length = WideCharToMultiByte(CP_ACP, 0, location, -1, nullptr, 0, nullptr, nullptr);
  std::string text(length > 0 ? length - 1 : 0, '\0');
  if (length > 1) WideCharToMultiByte(CP_ACP, 0, location, -1, &text[0], length, nullptr, nullptr);
  SysFreeString(location);
  return text;
}

int SilenceBrowser(HWND browser) {
  if (IWebBrowser2* web = BrowserOf(browser)) web->put_Silent(VARIANT_TRUE);
  return 0;
}
