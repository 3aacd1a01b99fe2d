#include "shell/window_callback.h"

#include <commctrl.h>

#include <deque>

#include "base/app_state.h"
#include "shell/window_state.h"
#include "shell/download_job.h"
#include "shell/batch_taskbar.h"
#include "shell/loop_events.h"
#include "shell/song_rows.h"
#include "shell/window_keys.h"
#include "wingui/row_buttons.h"

namespace {

std::deque<LoopEvent>& PendingEvents() {
  static std::deque<LoopEvent> events;  // main thread only
  return events;
}

int ControlEventTypeOf(HWND control, int code) {
  if (control == UrlField) return code == EN_SETFOCUS ? kFocusGained : kOtherControlEvent;
  switch (code) {
    case STN_CLICKED:  // 0, also BN_CLICKED
      return kLeftClick;
    case STN_DBLCLK:  // 1; a push button's double click is BN_DBLCLK (5) and is not asked for
      return kLeftDoubleClick;
    default:
      return kOtherControlEvent;
  }
}

}  // namespace

HWND WindowUnderPointer;
int ClickedRow = -1;
HWND ClickedButton;

void ResetRowClick() {
  WindowUnderPointer = nullptr;
  ClickedRow = -1;
  ClickedButton = nullptr;
}

void RecordLoopEvent(const LoopEvent& event) { PendingEvents().push_back(event); }

bool TakeLoopEvent(LoopEvent* event) {
  if (PendingEvents().empty()) return false;
  *event = PendingEvents().front();
  PendingEvents().pop_front();
  return true;
}

void ForgetLoopEvents() { PendingEvents().clear(); }

bool TranslateToLoopEvent(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != MainWindow || MainWindow == nullptr) return false;
  switch (message) {
    case WM_CLOSE:
      RecordLoopEvent({LoopEventKind::kClose, nullptr, 0, 0});
      return true;
    case WM_COMMAND:
      if (lParam == 0) {  // a menu item, or the Return shortcut
        RecordLoopEvent({LoopEventKind::kMenu, nullptr, 0, LOWORD(wParam)});
      } else {
        HWND control = reinterpret_cast<HWND>(lParam);
        RecordLoopEvent({LoopEventKind::kControl, control,
                         ControlEventTypeOf(control, HIWORD(wParam)), 0});
      }
      return true;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->hwndFrom != SongList) return false;
      // Return on the list's focused row does what a double-click does.
      if (header->code == NM_DBLCLK || header->code == NM_RETURN) {
        RecordLoopEvent({LoopEventKind::kControl, SongList, kLeftDoubleClick, 0});
        return true;
      }
      if (header->code == NM_RCLICK) {
        RecordLoopEvent({LoopEventKind::kControl, SongList, kRightClick, 0});
        return true;
      }
      return false;
    }
    case WM_CONTEXTMENU:
      // The mouse's right click already came as NM_RCLICK; the menu key and Shift+F10 come only
      // here, without a pointer position (-1, -1).
      if (reinterpret_cast<HWND>(wParam) == SongList && lParam == -1) {
        RecordLoopEvent({LoopEventKind::kControl, SongList, kMenuKey, 0});
      }
      return true;
    default:
      return false;
  }
}

LRESULT CALLBACK WindowCallback(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      HWND control = reinterpret_cast<HWND>(lParam);
      SetBkMode(dc, TRANSPARENT);
      const bool hover = control == WindowUnderPointer;
      if (control == SiteLink) SetTextColor(dc, hover ? RGB(0, 0, 200) : RGB(200, 0, 0));
      if (control == HomeLink) SetTextColor(dc, hover ? RGB(255, 0, 0) : RGB(0, 0, 255));
      return reinterpret_cast<LRESULT>(HollowBrush);
    }
    case WM_CTLCOLORBTN:
      SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
      return reinterpret_cast<LRESULT>(WhiteBrush.get());
    case WM_SETCURSOR: {
      HWND over = reinterpret_cast<HWND>(wParam);
      if ((over == SiteLink || over == HomeLink) && over != nullptr && HandCursor != nullptr) {
        SetCursor(HandCursor);
        return TRUE;
      }
      break;
    }
    case WM_NOTIFY:
      if (reinterpret_cast<const NMHDR*>(lParam)->code == NM_CUSTOMDRAW &&
          reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == SongList && SongList != nullptr) {
        return SongListRows.CustomDraw(lParam);
      }
      if (TranslateToLoopEvent(window, message, wParam, lParam)) return 0;
      break;
    case kRowButtonReleasedMessage:
      // A press counts only when the button is released over the button itself.
      if (window == MainWindow && reinterpret_cast<HWND>(lParam) == WindowUnderPointer) {
        ClickedRow = static_cast<int>(wParam);
        ClickedButton = reinterpret_cast<HWND>(lParam);
      }
      return 0;
    case WM_SETFOCUS:
      if (window == MainWindow) RestoreKeyboardFocus();
      break;
    case kBatchSongEndedMessage:
      if (window == MainWindow) EndBatchSongOnTaskbar(wParam != 0);
      return 0;
    default:
      if (TranslateToLoopEvent(window, message, wParam, lParam)) return 0;
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
