#include "wingui/row_buttons.h"

#include <algorithm>

#include "base/app_state.h"
#include "wingui/row_button_place.h"

std::vector<RowButtonRecord*> RowButtonList;

HWND CreateRowButton(HWND list, int row, const RECT& cell, bool shown, HFONT font) {
  const RowButtonRect place = RowButtonRectFor(cell.left, cell.top, cell.right, cell.bottom);
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

void DestroyRowButtonsOf(HWND list) {
  // Only the rows in view have buttons, so the buttons are found by their records.
  std::vector<HWND> buttons;
  for (const RowButtonRecord* record : RowButtonList) {
    if (GetParent(record->button) == list) buttons.push_back(record->button);
  }
  for (HWND button : buttons) DestroyRowDownloadButton(button);
}

void ForgetRowButtons() {
  for (RowButtonRecord* record : RowButtonList) delete record;
  RowButtonList.clear();
}

LRESULT CALLBACK RowButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* record = reinterpret_cast<RowButtonRecord*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (record == nullptr || record->previousProc == nullptr) return 0;
  const LRESULT result = CallWindowProcA(record->previousProc, window, message, wParam, lParam);
  // Sent, not posted: the click is pending by the time the release has been handled.
  if (message == WM_LBUTTONUP) {
    SendMessageA(GetAncestor(window, GA_ROOT), kRowButtonReleasedMessage, static_cast<WPARAM>(record->row),
                 reinterpret_cast<LPARAM>(window));
  }
  return result;
}
