#include "skin/pointer_helpers.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "base/threads.h"
#include "skin/image_button_machine.h"

namespace {

HHOOK TickerHook;
// The ticker's browser, for the hook; set while the hook is installed.
HWND HookedBrowser;

struct EnableChange {
  ImageButtonSet* buttons;  // null: the set the button is tied to
  HWND button;
  bool enable;
  std::uint32_t number;
};

// The window property through which a button's control names its set.
constexpr const char* kButtonSetProperty = "VerdimoImageButtonSet";

// The number of the newest change asked for, per button, and the state it asked for. Guarded by
// GuiLock, which no one holds while waiting for another thread.
struct NewestChange {
  std::uint32_t number = 0;
  int enable = -1;  // -1: none asked for yet
};
std::map<HWND, NewestChange> NewestEnableChange;

// Serialises carrying out changes, so that one carried out later is never overtaken. Taken only
// by worker threads: whoever holds it may wait in EnableWindow for the main thread, so the main
// thread must never wait for it.
std::mutex EnableChangeLock;

std::atomic<int> EnableThreadsRunning;

std::uint32_t TakeChangeNumber(HWND button, bool enable) {
  GuiLockHold hold;
  NewestChange& newest = NewestEnableChange[button];
  newest.enable = enable ? 1 : 0;
  return ++newest.number;
}

// A change to the state the newest change already asks for changes nothing anyone could see:
// that newest change is carried out, or has been. Then no number is taken and 0 is returned.
std::uint32_t TakeChangeNumberIfItChangesSomething(HWND button, bool enable) {
  GuiLockHold hold;
  NewestChange& newest = NewestEnableChange[button];
  if (newest.enable == (enable ? 1 : 0)) return 0;
  newest.enable = enable ? 1 : 0;
  return ++newest.number;
}

bool IsNewestChange(const EnableChange& change) {
  GuiLockHold hold;
  return NewestEnableChange[change.button].number == change.number;
}

// EnableWindow sends messages to the control's thread, the main thread, so it is called with
// GuiLock not held: the main thread may be waiting for that lock.
void CarryOut(const EnableChange& change) {
  std::lock_guard<std::mutex> serial(EnableChangeLock);
  if (!IsNewestChange(change)) return;  // a newer change is on its way and will be carried out
  EnableWindow(change.button, change.enable ? TRUE : FALSE);
  {
    GuiLockHold hold;
    // Only a window that still exists names its set: the set goes after the window.
    ImageButtonSet* buttons = change.buttons != nullptr
                                  ? change.buttons
                                  : static_cast<ImageButtonSet*>(GetPropA(change.button, kButtonSetProperty));
    if (buttons != nullptr) {
      buttons->SetDisabled(reinterpret_cast<ControlRef>(change.button), !change.enable, true);
    }
  }
  // The fade starts without a message to the main thread: the loop is told to look.
  WakeMainLoop();
}

DWORD RunEnableChange(void* parameter) {
  const std::unique_ptr<EnableChange> change(static_cast<EnableChange*>(parameter));
  CarryOut(*change);
  EnableThreadsRunning.fetch_sub(1);
  return 0;
}

}  // namespace

namespace {
PointerReading KeptReading;
bool PlaceKept = false;
bool WindowKept = false;
}  // namespace

void KeepPointerPlace(POINT at) {
  KeptReading = PointerReading{at, nullptr};
  PlaceKept = true;
  WindowKept = false;
}

void KeepWindowUnderPointer(POINT at, HWND under) {
  if (!PlaceKept || at.x != KeptReading.at.x || at.y != KeptReading.at.y) return;
  KeptReading.under = under;
  WindowKept = true;
}

bool TakeKeptPointerReading(PointerReading* reading) {
  const bool kept = PlaceKept && WindowKept;
  if (kept) *reading = KeptReading;
  ForgetPointerReading();
  return kept;
}

void ForgetPointerReading() {
  PlaceKept = false;
  WindowKept = false;
}

int IsMouseButtonDown(int which) {
  if (which != 1 && which != 2) return 0;
  const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  const int key = (which == 1) != swapped ? VK_LBUTTON : VK_RBUTTON;
  return GetAsyncKeyState(key) != 0 ? 1 : 0;
}

int IsPointerOverWindow(HWND window) {
  POINT at = {};
  if (!GetCursorPos(&at)) return 0;
  HWND under = WindowFromPoint(at);
  while (under != nullptr) {
    if (under == window) return 1;
    HWND parent = GetParent(under);
    if (parent == under) return 0;
    under = parent;
  }
  return 0;
}

LRESULT CALLBACK TickerMouseHook(int, WPARAM message, LPARAM) {
  if (message == WM_RBUTTONDOWN && HookedBrowser != nullptr && IsPointerOverWindow(HookedBrowser)) {
    return 1;
  }
  return 0;
}

void InstallTickerMouseHook(HWND strip, HWND browser) {
  if (TickerHook != nullptr || strip == nullptr) return;
  HookedBrowser = browser;
  TickerHook = SetWindowsHookExA(WH_MOUSE, TickerMouseHook, nullptr, GetWindowThreadProcessId(strip, nullptr));
}

void RemoveTickerMouseHook() {
  if (TickerHook != nullptr) UnhookWindowsHookEx(TickerHook);
  TickerHook = nullptr;
  HookedBrowser = nullptr;
}

// A list that fills over many passes asks for the enabled state again and again; only the first
// of those asks starts a thread.
void StartImageButtonEnabler(ImageButtonSet& buttons, HWND button, bool enable) {
  const std::uint32_t number = TakeChangeNumberIfItChangesSomething(button, enable);
  if (number == 0) return;
  auto* change = new EnableChange{&buttons, button, enable, number};
  EnableThreadsRunning.fetch_add(1);
  if (!StartThread(enable ? ImageButtonEnabler : ImageButtonDisabler, change)) {
    EnableThreadsRunning.fetch_sub(1);
    delete change;
  }
}

void SetImageButtonEnabled(HWND button, bool enabled) {
  CarryOut(EnableChange{nullptr, button, enabled, TakeChangeNumber(button, enabled)});
}

void TieButtonToSet(HWND button, ImageButtonSet* buttons) {
  if (buttons != nullptr) {
    SetPropA(button, kButtonSetProperty, buttons);
  } else {
    RemovePropA(button, kButtonSetProperty);
  }
}

DWORD WINAPI ImageButtonEnabler(void* change) { return RunEnableChange(change); }

DWORD WINAPI ImageButtonDisabler(void* change) { return RunEnableChange(change); }

int ImageButtonThreadsRunning() { return EnableThreadsRunning.load(); }

void ForgetImageButtonChanges() {
  GuiLockHold hold;
  NewestEnableChange.clear();
}

void WaitForImageButtonThreads() {
  while (ImageButtonThreadsRunning() > 0) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    Sleep(1);
  }
}
