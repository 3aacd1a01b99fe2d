// The image buttons in the real window: their frames, their looks under a pointer moved by the
// test, the ticker's mouse hook, and enabling Save Songs from many threads at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "program_fixture.h"
#include "skin/blend_arithmetic.h"
#include "skin/blend_frames.h"
#include "skin/image_button.h"
#include "skin/image_button_machine.h"
#include "skin/pointer_helpers.h"

namespace {

using ImageButtonTest = ProgramTest;

std::intptr_t Ref(const void* handle) { return reinterpret_cast<std::intptr_t>(handle); }

HBITMAP ShownImage(HWND control) {
  return reinterpret_cast<HBITMAP>(SendMessageA(control, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

const ImageButton* RecordOf(HWND control) {
  for (const ImageButton& button : WindowImageButtons().Set().Buttons()) {
    if (button.control == Ref(control)) return &button;
  }
  return nullptr;
}

// Asks every 5 ms for up to 3 s.
bool PollUntilTrue(const std::function<bool()>& done) { return WaitUntil(done, 3000, 5); }

POINT CentreOf(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  return {(place.left + place.right) / 2, (place.top + place.bottom) / 2};
}

TEST_F(ImageButtonTest, BlendedFramesHoldTheColoursTheArithmeticGives) {
  const std::vector<HBITMAP> frames = BlendFrames(GoImages[0].get(), GoImages[2].get(), 5);
  ASSERT_EQ(frames.size(), 7u);
  EXPECT_EQ(frames[0], GoImages[0].get());
  EXPECT_EQ(frames[6], GoImages[2].get());
  const std::vector<std::uint32_t> from = ReadImageColours(GoImages[0].get(), 55, 23);
  const std::vector<std::uint32_t> to = ReadImageColours(GoImages[2].get(), 55, 23);
  ASSERT_EQ(from.size(), 55u * 23u);
  ASSERT_NE(from, to);
  for (int k = 1; k <= 5; ++k) {
    BITMAP size = {};
    GetObjectA(frames[static_cast<size_t>(k)], sizeof(size), &size);
    EXPECT_EQ(size.bmWidth, 55);
    EXPECT_EQ(size.bmHeight, 23);
    EXPECT_EQ(ReadImageColours(frames[static_cast<size_t>(k)], 55, 23), BlendColourTable(from, to, 5, k)) << k;
    // The whole-image reading gives what GetPixel gives, point by point, and outside the image too.
    const std::vector<std::uint32_t> wider = ReadImageColours(frames[static_cast<size_t>(k)], 56, 24);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, frames[static_cast<size_t>(k)]);
    for (int x = 0, i = 0; x < 56; ++x) {
      for (int y = 0; y < 24; ++y, ++i) ASSERT_EQ(wider[static_cast<size_t>(i)], GetPixel(dc, x, y)) << k << " " << x << "," << y;
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(frames[static_cast<size_t>(k)]);
  }
  EXPECT_TRUE(BlendFrames(GoImages[0].get(), nullptr, 5).empty());
  EXPECT_TRUE(BlendFrames(GoImages[0].get(), GoImages[1].get(), 0).empty());
}

TEST_F(ImageButtonTest, GoFadesToItsHoverLookUnderThePointerAndBackWhenItLeaves) {
  SetCursorPos(0, 0);
  RunLoopFor(50);
  const ImageButton* go = RecordOf(GoButton);
  ASSERT_NE(go, nullptr);
  const std::vector<std::intptr_t> frames = go->hover.frames;
  const auto indexShown = [&frames] {
    const std::intptr_t shown = Ref(ShownImage(GoButton));
    for (size_t i = 0; i < frames.size(); ++i) {
      if (frames[i] == shown) return static_cast<int>(i);
    }
    return -1;
  };
  // Records each new frame shown until the fade ends at the given frame.
  const auto fadeTo = [&](int last) {
    std::vector<int> seen = {indexShown()};
    RunLoopUntil(
        [&] {
          if (indexShown() != seen.back()) seen.push_back(indexShown());
          GuiLockHold hold;
          return seen.back() == last && go->state == ImageButtonState::Idle;
        },
        3000);
    return seen;
  };
  ASSERT_EQ(indexShown(), 0);
  SetCursorPos(CentreOf(GoButton).x, CentreOf(GoButton).y);
  const std::vector<int> in = fadeTo(6);
  SetCursorPos(0, 0);
  const std::vector<int> out = fadeTo(0);
  // The frames come in their order, from the normal look to the hover look and back (the test
  // looks between loop passes, and a busy machine may make two steps between two looks).
  EXPECT_EQ(in.front(), 0);
  EXPECT_EQ(in.back(), 6);
  EXPECT_TRUE(std::is_sorted(in.begin(), in.end()) && std::adjacent_find(in.begin(), in.end()) == in.end());
  EXPECT_GT(in.size(), 2u) << "no frame between the two looks";
  EXPECT_EQ(out.front(), 6);
  EXPECT_EQ(out.back(), 0);
  EXPECT_TRUE(std::is_sorted(out.rbegin(), out.rend()) && std::adjacent_find(out.begin(), out.end()) == out.end());
}

// Counts the button presses a window receives.
int RightPresses, LeftPresses;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_RBUTTONDOWN) ++RightPresses;
  if (message == WM_LBUTTONDOWN) ++LeftPresses;
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(ImageButtonTest, TheTickerSwallowsRightPressesOnlyOverItsBrowser) {
  WNDCLASSA probeClass = {};
  probeClass.lpfnWndProc = CountingProc;
  probeClass.hInstance = GetModuleHandleA(nullptr);
  probeClass.lpszClassName = "VerdimoTestProbe";
  RegisterClassA(&probeClass);
  ShowWindow(NoticeBanner, SW_HIDE);
  ShowWindow(TickerStrip, SW_SHOW);
  // The ticker's browser, with a window inside it where the pointer goes; a window of the
  // test's own stands in when no browser could be hosted.
  HWND madeBrowser = nullptr;
  if (TickerBrowser == nullptr) {
    madeBrowser = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 370, 18, TickerStrip,
                                  nullptr, nullptr, nullptr);
    TickerBrowser = madeBrowser;
  }
  HWND probe = CreateWindowExA(0, "VerdimoTestProbe", "", WS_CHILD | WS_VISIBLE, 10, 5, 100, 10,
                               TickerBrowser, nullptr, nullptr, nullptr);
  ASSERT_NE(probe, nullptr);
  SetWindowPos(probe, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  const POINT onProbe = CentreOf(probe);
  SetCursorPos(onProbe.x, onProbe.y);
  RunLoopFor(50);
  ASSERT_EQ(WindowFromPoint(onProbe), probe);

  // The hook's answers: only a right press over the browser is swallowed.
  EXPECT_EQ(TickerMouseHook(HC_ACTION, WM_RBUTTONDOWN, 0), 1);
  EXPECT_EQ(TickerMouseHook(HC_ACTION, WM_LBUTTONDOWN, 0), 0);
  EXPECT_EQ(TickerMouseHook(HC_ACTION, WM_RBUTTONUP, 0), 0);
  EXPECT_EQ(TickerMouseHook(HC_ACTION, WM_MOUSEMOVE, 0), 0);
  SetCursorPos(CentreOf(GoButton).x, CentreOf(GoButton).y);
  EXPECT_EQ(TickerMouseHook(HC_ACTION, WM_RBUTTONDOWN, 0), 0);

  // And the hook start-up installed: real presses over the probe.
  SetCursorPos(onProbe.x, onProbe.y);
  RightPresses = LeftPresses = 0;
  SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(RunLoopUntil([] { return LeftPresses == 1; }, 3000));
  RunLoopFor(100);
  EXPECT_EQ(RightPresses, 0);
  EXPECT_EQ(LeftPresses, 1);

  DestroyWindow(probe);
  if (madeBrowser != nullptr) {
    DestroyWindow(madeBrowser);
    TickerBrowser = nullptr;
  }
  SetCursorPos(0, 0);
}

TEST_F(ImageButtonTest, MouseButtonsAreReadAsPrimaryAndSecondaryAlsoWhenSwapped) {
  SetCursorPos(0, 0);  // presses go to the desktop, not to the program's window
  EXPECT_EQ(IsMouseButtonDown(0), 0);
  EXPECT_EQ(IsMouseButtonDown(3), 0);
  IsMouseButtonDown(1);  // takes any "went down since" bits of earlier presses
  IsMouseButtonDown(2);
  for (const bool swapped : {false, true}) {
    SCOPED_TRACE(swapped ? "swapped" : "not swapped");
    SwapMouseButton(swapped ? TRUE : FALSE);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);  // the left physical button
    EXPECT_TRUE(PollUntilTrue([&] { return IsMouseButtonDown(swapped ? 2 : 1) == 1; }));
    EXPECT_EQ(IsMouseButtonDown(swapped ? 1 : 2), 0);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    IsMouseButtonDown(swapped ? 2 : 1);  // takes the "went down since" bit
    EXPECT_TRUE(PollUntilTrue([&] { return IsMouseButtonDown(swapped ? 2 : 1) == 0; }));
  }
  SwapMouseButton(FALSE);
}

TEST_F(ImageButtonTest, ManyEnablersAndDisablersEndInTheStateAskedForLast) {
  for (const bool last : {true, false, true}) {
    SCOPED_TRACE(last ? "enabler last" : "disabler last");
    for (int i = 0; i < 41; ++i) StartImageButtonEnabler(WindowImageButtons().Set(), SaveButton, (i % 2 == 0) == last);
    // The loop keeps running (and taking GuiLock) while the threads work.
    ASSERT_TRUE(RunLoopUntil([] { return ImageButtonThreadsRunning() == 0; }, 20000)) << "deadlocked";
    EXPECT_EQ(IsWindowEnabled(SaveButton) != FALSE, last);
    GuiLockHold hold;
    EXPECT_EQ(RecordOf(SaveButton)->disabled, !last);
  }
}

}  // namespace
