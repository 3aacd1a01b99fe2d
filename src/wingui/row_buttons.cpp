#include "wingui/row_buttons.h"

#include <commctrl.h>

#include <algorithm>

#include "base/app_state.h"
#include "wingui/row_button_place.h"
#include "wingui/song_list.h"

HWND CreateRowDownloadButton(HWND list, int row, HFONT font) {
  RECT cell;
  if (!StateCellBounds(list, row, &cell)) return nullptr;
  const RowButtonRect place = RowButtonRectFor(cell.left, cell.top, cell.right, cell.bottom);
  // Made in the margin above the rows shown, it would stand over the header; a taken row shows
  // no button.
  const bool shown = row >= SendMessageA(list, LVM_GETTOPINDEX, 0, 0) && !SongRowTaken(list, row);
  HWND button = CreateWindowExA(0, "BUTTON", "Download", WS_CHILD | (shown ? WS_VISIBLE : 0) | BS_PUSHBUTTON,
                                place.x, place.y, place.width, place.height, list, nullptr,
                                ModuleInstance, nullptr);
  if (button == nullptr) return nullptr;
  SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  auto* record = new RowButtonRecord{nullptr, row, button};
  RowButtonList.push_back(record);
  // The record is in place before the new procedure can see a message.
  SetWindowLongPtrA(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
  record->previousProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RowButtonProc)));
  SetRowButton(list, row, button);
  return button;
}

void DestroyRowDownloadButton(HWND button) {
  if (!IsWindow(button)) return;
  auto* record = reinterpret_cast<RowButtonRecord*>(GetWindowLongPtrA(button, GWLP_USERDATA));
  DestroyWindow(button);
  if (record != nullptr) {
    RowButtonList.erase(std::remove(RowButtonList.begin(), RowButtonList.end(), record),
                        RowButtonList.end());
    delete record;
  }
}

LRESULT CALLBACK RowButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* record = reinterpret_cast<RowButtonRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (record == nullptr || record->previousProc == nullptr) return 0;
  const LRESULT result = CallWindowProcA(record->previousProc, window, message, wParam, lParam);
  // A press counts only when the button is released over the button itself.
  if (message == WM_LBUTTONUP && window == WindowUnderPointer) {
    ClickedRow = record->row;
    ClickedButton = window;
  }
  return result;
}
