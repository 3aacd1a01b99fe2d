#include "skin/image_button.h"

#include <cstdint>
#include <vector>

#include "base/program_constants.h"
#include "base/win_handles.h"
#include "skin/blend_frames.h"
#include "skin/image_button_machine.h"
#include "skin/pointer_helpers.h"

namespace {

HWND AsWindow(std::intptr_t value) { return reinterpret_cast<HWND>(value); }
HBITMAP AsImage(std::intptr_t value) { return reinterpret_cast<HBITMAP>(value); }
std::intptr_t AsRef(const void* handle) { return reinterpret_cast<std::intptr_t>(handle); }

class Win32ButtonPlatform : public ImageButtonPlatform {
 public:
  std::uint32_t TickCount() override { return GetTickCount(); }

  ScreenPoint PointerPosition() override {
    POINT at = {};
    GetCursorPos(&at);
    KeepPointerPlace(at);
    return {at.x, at.y};
  }

  WindowRef WindowAt(ScreenPoint screen) override {
    const POINT at = {screen.x, screen.y};
    HWND under = WindowFromPoint(at);
    KeepWindowUnderPointer(at, under);
    return AsRef(under);
  }

  bool PrimaryButtonDown() override { return IsMouseButtonDown(1) != 0; }

  // Capture belongs to a thread's input: called from a worker these find no capture and change
  // none, so the disable path a worker runs never sends a message to the main thread.
  void CapturePointer(WindowRef window) override { SetCapture(AsWindow(window)); }
  void ReleasePointer() override { ReleaseCapture(); }
  bool PointerCaptured() override { return GetCapture() != nullptr; }

  bool ImageExists(ImageRef image) override {
    BITMAP bitmap;
    return GetObjectA(AsImage(image), sizeof(bitmap), &bitmap) != 0;
  }

  // Only animation passes and creation show images, both on the main thread, which owns the
  // controls: the message is a plain call.
  void ShowImage(ControlRef control, ImageRef image) override {
    SendMessageA(AsWindow(control), STM_SETIMAGE, IMAGE_BITMAP, image);
  }

  ScreenPoint ClientPoint(WindowRef window, ScreenPoint screen) override {
    POINT at = {screen.x, screen.y};
    RECT client = {};
    if (!ScreenToClient(AsWindow(window), &at) || !GetClientRect(AsWindow(window), &client) ||
        !PtInRect(&client, at)) {
      return {-1, -1};
    }
    return {at.x, at.y};
  }

  bool ReadPixel(ImageRef image, int x, int y, std::uint32_t* colour) override {
    if (GetObjectType(AsImage(image)) != OBJ_BITMAP) return false;
    UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return false;
    const ScopedSelectObject selected(dc.get(), AsImage(image));
    if (!selected.ok()) return false;
    *colour = GetPixel(dc.get(), x, y);
    return true;
  }

  bool WindowExists(WindowRef window) override { return IsWindow(AsWindow(window)) != FALSE; }

  ControlRef CreateImageControl(WindowRef window, int number, int x, int y, ImageRef image) override {
    HMENU id = number == -1 ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(number));
    // SS_NOTIFY: the control reports clicks (STN_CLICKED, a left-click control event) and is
    // found by WindowFromPoint.
    HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                   x, y, 0, 0, AsWindow(window), id, ModuleInstance, nullptr);
    if (control == nullptr) return 0;
    ShowImage(AsRef(control), image);
    return AsRef(control);
  }
};

Win32ButtonPlatform Platform;

// The blended frames of every button; freed only when the buttons are forgotten.
std::vector<UniqueBitmap> BlendedFrames;

std::vector<ImageRef> AsRefs(const std::vector<HBITMAP>& images) {
  std::vector<ImageRef> refs;
  for (HBITMAP image : images) refs.push_back(AsRef(image));
  return refs;
}

// Takes ownership of the blends of a frame list (every entry but the first and the last).
void Adopt(const std::vector<HBITMAP>& frames, std::vector<UniqueBitmap>* owners) {
  for (std::size_t i = 1; i + 1 < frames.size(); ++i) owners->emplace_back(frames[i]);
}

}  // namespace

HWND CreateImageButton(HWND window, int number, int x, int y, HBITMAP normal, int hoverDuration,
                       HBITMAP hover, int pressDuration, HBITMAP pressed, HBITMAP disabled,
                       int disableDuration, int frameCount, HBITMAP mask, COLORREF maskColour,
                       bool autoRepeat) {
  if (!IsWindow(window) || normal == nullptr || hover == nullptr || pressed == nullptr || frameCount < 3) {
    return nullptr;
  }
  std::vector<UniqueBitmap> made;  // freed again if the button is not made
  const std::vector<HBITMAP> hoverFrames = BlendFrames(normal, hover, frameCount - 2);
  const std::vector<HBITMAP> pressFrames = BlendFrames(hover, pressed, frameCount - 2);
  const std::vector<HBITMAP> disableFrames =
      disabled != nullptr ? BlendFrames(normal, disabled, frameCount - 2) : std::vector<HBITMAP>();
  Adopt(hoverFrames, &made);
  Adopt(pressFrames, &made);
  Adopt(disableFrames, &made);
  const ControlRef control = RegisterImageButton(
      Platform, AsRef(window), number, x, y, AsRefs(hoverFrames), frameCount, hoverDuration,
      AsRefs(pressFrames), frameCount, pressDuration, AsRef(pressed), AsRefs(disableFrames),
      frameCount, disableDuration, AsRef(mask), maskColour, autoRepeat);
  if (control == 0) return nullptr;
  for (UniqueBitmap& frame : made) BlendedFrames.push_back(std::move(frame));
  return AsWindow(control);
}

void SetImageButtonDisabled(HWND control, bool disabled, bool animate) {
  SetImageButtonDisabled(Platform, AsRef(control), disabled, animate);
}

void PressImageButton(HWND control, int eventType) {
  GuiLockHold hold;
  PressImageButton(Platform, AsRef(control), eventType == kLeftClick);
}

void AnimateImageButtons() {
  GuiLockHold hold;
  AnimateImageButtons(Platform);
}

void TrackImageButtonPointer() {
  GuiLockHold hold;
  TrackImageButtonPointer(Platform);
}

HWND PollImageButtonClick() {
  GuiLockHold hold;
  return AsWindow(PollImageButtonClick(Platform));
}

std::int32_t TicksUntilImageButtonsChange(std::int32_t horizon) {
  GuiLockHold hold;
  return ImageButtonTicksUntilChange(GetTickCount(), horizon);
}

void ForgetImageButtons() {
  GuiLockHold hold;  // a read that is still ending may enable Go! meanwhile
  ForgetImageButtonState();
  BlendedFrames.clear();
}
