#include "skin/image_button.h"

#include <vector>

#include "base/app_state.h"

namespace {

struct ImageButton {
  HWND control;
  HBITMAP normal, hover, pressed, disabled;
  bool isDisabled;
  HBITMAP shown;
};

// Guarded by GuiLock where threads meet (SetImageButtonDisabled); the rest runs on the main
// thread.
std::vector<ImageButton> ImageButtonList;
HWND PendingClick;

ImageButton* FindImageButton(HWND control) {
  for (ImageButton& button : ImageButtonList) {
    if (button.control == control) return &button;
  }
  return nullptr;
}

void ShowLook(ImageButton* button, HBITMAP look) {
  if (look == nullptr || button->shown == look) return;
  button->shown = look;
  SendMessageA(button->control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(look));
}

}  // namespace

HWND CreateImageButton(HWND window, int number, int x, int y, HBITMAP normal, int, HBITMAP hover,
                       int, HBITMAP pressed, HBITMAP disabled, int, int, HBITMAP, COLORREF, bool) {
  HMENU id = number == -1 ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(number));
  HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                 x, y, 0, 0, window, id, ModuleInstance, nullptr);
  if (control == nullptr) return nullptr;
  ImageButtonList.push_back({control, normal, hover, pressed, disabled, false, nullptr});
  ShowLook(&ImageButtonList.back(), normal);
  return control;
}

// Only records the state: workers call this holding GuiLock, and a message to the button from
// there could wait on the main thread while the main thread waits for the lock. The main thread
// shows the look in its next pass.
void SetImageButtonDisabled(HWND control, bool disabled, bool) {
  ImageButton* button = FindImageButton(control);
  if (button != nullptr) button->isDisabled = disabled;
}

void PressImageButton(HWND control, int eventType) {
  ImageButton* button = FindImageButton(control);
  if (button == nullptr || eventType != kLeftClick || button->isDisabled) return;
  PendingClick = control;
}

void AnimateImageButtons() {
  EnterCriticalSection(&GuiLock);
  for (ImageButton& button : ImageButtonList) {
    if (button.isDisabled) {
      ShowLook(&button, button.disabled);
    } else {
      ShowLook(&button, WindowUnderPointer == button.control ? button.hover : button.normal);
    }
  }
  LeaveCriticalSection(&GuiLock);
}

void TrackImageButtonPointer() {}

HWND PollImageButtonClick() {
  HWND clicked = PendingClick;
  PendingClick = nullptr;
  return clicked;
}

// Under GuiLock: an enabler or disabler thread of the closing window may still be at work.
void ForgetImageButtons() {
  EnterCriticalSection(&GuiLock);
  ImageButtonList.clear();
  PendingClick = nullptr;
  LeaveCriticalSection(&GuiLock);
}
