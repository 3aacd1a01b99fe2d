// Tab moves through the window's tab stops as NextTabStop says; Space and Return press the
// skinned button that has the focus. The field keeps the Return shortcut, the list its own keys.
#include "shell/window_keys.h"

#include <array>
#include <cstddef>

#include "shell/loop_state.h"
#include "shell/window_state.h"
#include "wingui/song_list.h"

namespace {

// Main thread only. The control the keyboard last worked in; forgotten at the next mouse press,
// so that nothing changes for a mouse user.
HWND KeyboardFocus;

std::array<HWND, kTabStopCount> TabStops() { return {UrlField, GoButton, SaveButton, SongList}; }

bool Usable(HWND control) { return control != nullptr && IsWindowVisible(control) && IsWindowEnabled(control); }

// The focus goes to the usable stop after from (before it, backward) round the loop.
void FocusNextStop(HWND from, bool backward) {
  const std::array<HWND, kTabStopCount> stops = TabStops();
  std::array<bool, kTabStopCount> usable = {};
  int at = -1;
  for (std::size_t i = 0; i < stops.size(); ++i) {
    usable[i] = Usable(stops[i]);
    if (stops[i] == from) at = static_cast<int>(i);
  }
  const int next = NextTabStop(at, backward, usable);
  if (next < 0) return;
  KeyboardFocus = stops[static_cast<std::size_t>(next)];
  SetFocus(KeyboardFocus);
}

bool IsTabStopOrWindow(HWND window) {
  if (window == nullptr) return false;
  if (window == MainWindow) return true;
  for (HWND stop : TabStops()) {
    if (stop == window) return true;
  }
  return false;
}

bool HeldDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

KeyRoute RouteWindowKey(const MSG& message) {
  KeyRoute route;
  if (message.message == WM_LBUTTONDOWN || message.message == WM_RBUTTONDOWN ||
      message.message == WM_MBUTTONDOWN) {
    KeyboardFocus = nullptr;
    return route;
  }
  if (message.message != WM_KEYDOWN || !IsTabStopOrWindow(message.hwnd)) return route;
  if (message.hwnd != MainWindow) KeyboardFocus = message.hwnd;
  if (message.wParam == VK_TAB && !HeldDown(VK_CONTROL) && !HeldDown(VK_MENU)) {
    route.taken = true;
    FocusNextStop(message.hwnd, HeldDown(VK_SHIFT));
  } else if (message.hwnd == GoButton || message.hwnd == SaveButton) {
    if (message.wParam != VK_SPACE && message.wParam != VK_RETURN) return route;
    route.taken = true;
    // A held key repeats its key-down; the button is pressed once per press.
    const bool repeated = (message.lParam & (1L << 30)) != 0;
    if (!repeated && Usable(message.hwnd)) route.press = message.hwnd;
  } else if (message.hwnd == SongList) {
    route.bypassShortcut = true;
    // The list sends NM_RETURN only for a focused row; a row selected otherwise is made focused.
    if (message.wParam == VK_RETURN) FocusSongRow(SongList, SelectedSongRow(SongList));
  }
  return route;
}

void RestoreKeyboardFocus() {
  if (KeyboardFocus == nullptr) return;
  if (Usable(KeyboardFocus)) {
    SetFocus(KeyboardFocus);
  } else {
    FocusNextStop(KeyboardFocus, false);
  }
}
