#include "skin/image_button.h"

#include <commctrl.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "base/program_constants.h"
#include "skin/blend_frames.h"

namespace {

HWND AsWindow(std::intptr_t value) { return reinterpret_cast<HWND>(value); }
HBITMAP AsImage(std::intptr_t value) { return reinterpret_cast<HBITMAP>(value); }
std::intptr_t AsRef(const void* handle) { return reinterpret_cast<std::intptr_t>(handle); }

// A sequence given by its two end looks, made into its frames: the looks with count - 2
// cross-fades between them. Takes ownership of the cross-fades. No frames when the looks are not
// both there.
FrameSequence Blended(const FrameSequence& ends, std::vector<UniqueBitmap>* owners) {
  FrameSequence made = {{}, ends.count, ends.duration};
  if (ends.frames.size() != 2) return made;
  const std::vector<HBITMAP> frames =
      BlendFrames(AsImage(ends.frames[0]), AsImage(ends.frames[1]), ends.count - 2);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (i != 0 && i + 1 != frames.size()) owners->emplace_back(frames[i]);
    made.frames.push_back(AsRef(frames[i]));
  }
  return made;
}

// A button with the keyboard focus shows the system's focus rectangle inside its rounded edge;
// without the focus it paints exactly as the static control always did. The static paints its
// image on WM_PAINT and, under Wine, at once inside STM_SETIMAGE: the frame is drawn again after
// either, and only over what was painted, as DrawFocusRect inverts and a second frame over the
// first would take it away.
void DrawFocusFrame(HWND control, HRGN painted) {
  RECT inside = {};
  GetClientRect(control, &inside);
  InflateRect(&inside, -3, -3);
  const WindowDc dc(control);
  if (painted != nullptr) SelectClipRgn(dc.get(), painted);
  DrawFocusRect(dc.get(), &inside);
}

LRESULT CALLBACK FocusFrameProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(control, nullptr, FALSE);
      break;
    case WM_PAINT: {
      if (GetFocus() != control) break;
      UniqueRegion painted(CreateRectRgn(0, 0, 0, 0));
      if (!painted || GetUpdateRgn(control, painted.get(), FALSE) == ERROR) break;
      const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
      DrawFocusFrame(control, painted.get());
      return result;
    }
    case STM_SETIMAGE: {
      const LRESULT result = DefSubclassProc(control, message, wParam, lParam);
      if (GetFocus() == control) DrawFocusFrame(control, nullptr);
      return result;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(control, FocusFrameProc, 0);
      break;
    default:
      break;
  }
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

std::uint32_t Win32ButtonPlatform::TickCount() { return GetTickCount(); }

ScreenPoint Win32ButtonPlatform::PointerPosition() {
  POINT at = {};
  GetCursorPos(&at);
  KeepPointerPlace(at);
  return {at.x, at.y};
}

WindowRef Win32ButtonPlatform::WindowAt(ScreenPoint screen) {
  const POINT at = {screen.x, screen.y};
  HWND under = WindowFromPoint(at);
  KeepWindowUnderPointer(at, under);
  return AsRef(under);
}

bool Win32ButtonPlatform::PrimaryButtonDown() { return IsMouseButtonDown(1) != 0; }

// Capture belongs to a thread's input: called from a worker these find no capture and change
// none, so the disable path a worker runs never sends a message to the main thread.
void Win32ButtonPlatform::CapturePointer(WindowRef window) { SetCapture(AsWindow(window)); }
void Win32ButtonPlatform::ReleasePointer() { ReleaseCapture(); }
bool Win32ButtonPlatform::PointerCaptured() { return GetCapture() != nullptr; }

bool Win32ButtonPlatform::ImageExists(ImageRef image) {
  BITMAP bitmap;
  return GetObjectA(AsImage(image), sizeof(bitmap), &bitmap) != 0;
}

// Only animation passes and creation show images, both on the main thread, which owns the
// controls: the message is a plain call.
void Win32ButtonPlatform::ShowImage(ControlRef control, ImageRef image) {
  SendMessageA(AsWindow(control), STM_SETIMAGE, IMAGE_BITMAP, image);
}

ScreenPoint Win32ButtonPlatform::ClientPoint(WindowRef window, ScreenPoint screen) {
  POINT at = {screen.x, screen.y};
  RECT client = {};
  if (!ScreenToClient(AsWindow(window), &at) || !GetClientRect(AsWindow(window), &client) ||
      !PtInRect(&client, at)) {
    return {-1, -1};
  }
  return {at.x, at.y};
}

bool Win32ButtonPlatform::ReadPixel(ImageRef image, int x, int y, std::uint32_t* colour) {
  if (GetObjectType(AsImage(image)) != OBJ_BITMAP) return false;
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!dc) return false;
  const ScopedSelectObject selected(dc.get(), AsImage(image));
  if (!selected.ok()) return false;
  *colour = GetPixel(dc.get(), x, y);
  return true;
}

bool Win32ButtonPlatform::WindowExists(WindowRef window) { return IsWindow(AsWindow(window)) != FALSE; }

ControlRef Win32ButtonPlatform::CreateImageControl(WindowRef window, int number, int x, int y,
                                                   ImageRef image) {
  HMENU id = number == -1 ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(number));
  // SS_NOTIFY: the control reports clicks (STN_CLICKED, a left-click control event) and is
  // found by WindowFromPoint.
  HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                 x, y, 0, 0, AsWindow(window), id, ModuleInstance, nullptr);
  if (control == nullptr) return 0;
  SetWindowSubclass(control, FocusFrameProc, 0, 0);
  ShowImage(AsRef(control), image);
  return AsRef(control);
}

ImageButtons::~ImageButtons() {
  for (const ImageButton& button : set_.Buttons()) {
    if (IsWindow(AsWindow(button.control))) TieButtonToSet(AsWindow(button.control), nullptr);
  }
}

HWND ImageButtons::Create(const ImageButtonDescription& description) {
  if (!IsWindow(AsWindow(description.window))) return nullptr;
  std::vector<UniqueBitmap> made;  // freed again if the button is not made
  ImageButtonDescription button = description;
  button.hover = Blended(description.hover, &made);
  button.press = Blended(description.press, &made);
  button.disable = Blended(description.disable, &made);
  const ControlRef control = set_.Register(button);
  if (control == 0) return nullptr;
  for (UniqueBitmap& frame : made) blendedFrames_.push_back(std::move(frame));
  GuiLockHold hold;  // a read may look for the button's set already
  TieButtonToSet(AsWindow(control), &set_);
  return AsWindow(control);
}

void ImageButtons::SetDisabled(HWND control, bool disabled, bool animate) {
  set_.SetDisabled(AsRef(control), disabled, animate);
}

void ImageButtons::Press(HWND control, int eventType) {
  GuiLockHold hold;
  set_.Press(AsRef(control), eventType == kLeftClick);
}

void ImageButtons::Animate() {
  GuiLockHold hold;
  set_.Animate();
}

void ImageButtons::TrackPointer() {
  GuiLockHold hold;
  set_.TrackPointer();
}

HWND ImageButtons::PollClick() {
  GuiLockHold hold;
  return AsWindow(set_.PollClick());
}

std::int32_t ImageButtons::TicksUntilChange(std::int32_t horizon) {
  GuiLockHold hold;
  return set_.TicksUntilChange(GetTickCount(), horizon);
}
