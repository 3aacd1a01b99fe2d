#include "host/panel_navigation.h"

#include <string>

#include "base/text_search.h"
#include "base/web_address.h"

bool PanelMayNavigate(std::wstring_view address) {
  std::string narrow;
  narrow.reserve(address.size());
  for (wchar_t c : address) {
    if (c < 0x20 || c > 0x7E) return false;
    narrow += static_cast<char>(c);
  }
  return LowerAnsi(narrow) == "about:blank" || IsWebAddress(narrow);
}
