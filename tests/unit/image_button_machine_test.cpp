// The image buttons over a fake window system: a clock the test sets, a pointer the test moves
// and a record of the images shown.
#include "skin/image_button_machine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

namespace {

constexpr WindowRef kWindow = 500;
// Looks: normal 1, hover 2, pressed 3, disabled 4; blends 11-15 (hover), 21-25 (press),
// 41-45 (disable), as ImageButtons::Create makes them with 7 frames.
const std::vector<ImageRef> kHoverFrames = {1, 11, 12, 13, 14, 15, 2};
const std::vector<ImageRef> kPressFrames = {2, 21, 22, 23, 24, 25, 3};
const std::vector<ImageRef> kDisableFrames = {1, 41, 42, 43, 44, 45, 4};

class FakePlatform : public ImageButtonPlatform {
 public:
  std::uint32_t now = 10000;
  ScreenPoint pointer = {0, 0};
  WindowRef under = 0;  // the window at the pointer
  bool primaryDown = false;
  WindowRef captured = 0;
  std::vector<std::pair<std::uint32_t, ImageRef>> shown;  // (time, image), every show
  std::set<ImageRef> deleted;
  ImageRef mask = 0;
  std::uint32_t maskPixel = 0;  // what the mask reads everywhere
  ControlRef nextControl = 900;

  std::uint32_t TickCount() override { return now; }
  ScreenPoint PointerPosition() override { return pointer; }
  WindowRef WindowAt(ScreenPoint) override { return under; }
  bool PrimaryButtonDown() override { return primaryDown; }
  void CapturePointer(WindowRef window) override { captured = window; }
  void ReleasePointer() override { captured = 0; }
  bool PointerCaptured() override { return captured != 0; }
  bool ImageExists(ImageRef image) override { return deleted.count(image) == 0; }
  void ShowImage(ControlRef, ImageRef image) override { shown.emplace_back(now, image); }
  ScreenPoint ClientPoint(WindowRef, ScreenPoint screen) override { return screen; }
  bool ReadPixel(ImageRef image, int, int, std::uint32_t* colour) override {
    if (image != mask) return false;
    *colour = maskPixel;
    return true;
  }
  bool WindowExists(WindowRef window) override { return window == kWindow; }
  ControlRef CreateImageControl(WindowRef, int, int, int, ImageRef image) override {
    shown.emplace_back(now, image);
    return nextControl++;
  }
};

class ImageButtonMachine : public ::testing::Test {
 protected:
  static ImageButtonDescription Description(bool autoRepeat = false, ImageRef mask = 0) {
    ImageButtonDescription button;
    button.window = kWindow;
    button.x = 10;
    button.y = 20;
    button.hover = {kHoverFrames, 7, 240};
    button.press = {kPressFrames, 7, 140};
    button.disable = {kDisableFrames, 7, 140};
    button.pressedImage = 3;
    button.maskImage = mask;
    button.maskColour = 0x00FF00FF;
    button.autoRepeat = autoRepeat;
    return button;
  }
  ControlRef AddButton(bool autoRepeat = false, ImageRef mask = 0) {
    return buttons_->Register(Description(autoRepeat, mask));
  }
  // One main-loop pass: animate, track, poll.
  ControlRef Pass() {
    buttons_->Animate();
    buttons_->TrackPointer();
    return buttons_->PollClick();
  }
  void MoveTo(WindowRef window) {
    fake_.pointer.x += 7;
    fake_.under = window;
  }
  // Runs a pass every millisecond for ms milliseconds; gives what was shown meanwhile, with
  // times relative to the start, and collects the clicks.
  std::vector<std::pair<std::uint32_t, ImageRef>> Run(std::uint32_t ms, std::vector<std::uint32_t>* clicks = nullptr) {
    const std::uint32_t start = fake_.now;
    fake_.shown.clear();
    for (std::uint32_t i = 0; i < ms; ++i) {
      ++fake_.now;
      if (Pass() != 0 && clicks != nullptr) clicks->push_back(fake_.now - start);
    }
    for (auto& show : fake_.shown) show.first -= start;
    return fake_.shown;
  }
  const ImageButton& Button() { return buttons_->Buttons().front(); }

  FakePlatform fake_;
  std::optional<ImageButtonSet> buttons_{std::in_place, fake_};  // a fresh set per case
};

using Shows = std::vector<std::pair<std::uint32_t, ImageRef>>;

TEST_F(ImageButtonMachine, RegisteringCopiesTheListsShowsTheNormalLookAndRefusesWhatIsMissing) {
  const ControlRef control = AddButton();
  ASSERT_EQ(control, 900);
  EXPECT_EQ(fake_.shown, (Shows{{10000, 1}}));
  EXPECT_EQ(Button().hover.frames, kHoverFrames);
  EXPECT_EQ(Button().press.frames, kPressFrames);
  EXPECT_EQ(Button().disable.frames, kDisableFrames);
  EXPECT_EQ(buttons_->Tracker().pendingControl, -1);
  const auto registerChanged = [this](void (*change)(ImageButtonDescription&)) {
    ImageButtonDescription button = Description();
    button.disable = {};
    change(button);
    return buttons_->Register(button);
  };
  EXPECT_EQ(registerChanged([](ImageButtonDescription& b) { b.window = 501; }), 0);
  EXPECT_EQ(registerChanged([](ImageButtonDescription& b) { b.hover.frames.clear(); }), 0);
  EXPECT_EQ(registerChanged([](ImageButtonDescription& b) { b.press.count = 0; }), 0);
  EXPECT_EQ(registerChanged([](ImageButtonDescription& b) { b.pressedImage = 0; }), 0);
  EXPECT_EQ(buttons_->Buttons().size(), 1u);
}

TEST_F(ImageButtonMachine, HoverFadesInFrameByFrameAndOutFromWhereItWasLeft) {
  const ControlRef go = AddButton();
  MoveTo(go);
  Pass();
  ASSERT_EQ(Button().state, ImageButtonState::HoverIn);
  // Frames 1-6 at more than 0, 34.29, 68.57, 102.86, 137.14, 171.43 ms, the end (the hover look)
  // at more than 205.71 ms.
  EXPECT_EQ(Run(300), (Shows{{1, 11}, {35, 12}, {69, 13}, {103, 14}, {138, 15}, {172, 2}, {206, 2}}));
  EXPECT_EQ(Button().state, ImageButtonState::Idle);
  EXPECT_EQ(Button().frame, 7);
  // Fading out again from the end takes the same steps backwards.
  MoveTo(0);
  Pass();
  EXPECT_EQ(Run(300), (Shows{{1, 2}, {35, 15}, {69, 14}, {103, 13}, {138, 12}, {172, 11}, {206, 1}}));
  EXPECT_EQ(Button().frame, 0);
  // Left at frame 3, the fade turns there and waits until 7 - 3 = 4 periods have passed.
  MoveTo(go);
  Pass();
  EXPECT_EQ(Run(80), (Shows{{1, 11}, {35, 12}, {69, 13}}));
  MoveTo(0);
  Pass();
  EXPECT_EQ(Run(300), (Shows{{138, 12}, {172, 11}, {206, 1}}));
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
}

TEST_F(ImageButtonMachine, PressDragOffAndBackThenReleaseOnTheButtonClicksOnce) {
  const ControlRef go = AddButton();
  MoveTo(go);
  Run(300);
  fake_.primaryDown = true;
  buttons_->Press(go, true);
  EXPECT_EQ(Button().state, ImageButtonState::PressIn);
  EXPECT_EQ(fake_.captured, kWindow);
  EXPECT_EQ(Run(150), (Shows{{1, 21}, {21, 22}, {41, 23}, {61, 24}, {81, 25}, {101, 3}, {121, 3}}));
  MoveTo(0);  // off: the press fades back
  Pass();
  EXPECT_EQ(Button().state, ImageButtonState::PressOut);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
  Run(50);
  MoveTo(go);  // back: pressed again from frame 0
  Pass();
  EXPECT_EQ(Button().state, ImageButtonState::PressIn);
  EXPECT_EQ(Button().frame, 0);
  std::vector<std::uint32_t> clicks;
  Run(30, &clicks);
  fake_.primaryDown = false;
  Run(300, &clicks);
  EXPECT_EQ(clicks, (std::vector<std::uint32_t>{1}));  // in the pass that sees the release
  EXPECT_EQ(fake_.captured, 0);
  EXPECT_EQ(Button().state, ImageButtonState::Idle);
  EXPECT_EQ(fake_.shown.back().second, 2);  // the hover look again
  EXPECT_EQ(Button().frame, 7);
}

TEST_F(ImageButtonMachine, ReleasedOffTheButtonReportsNothingAndFadesOutAfterThePress) {
  const ControlRef go = AddButton();
  MoveTo(go);
  Run(300);
  fake_.primaryDown = true;
  buttons_->Press(go, true);
  Run(150);
  MoveTo(0);
  Run(10);
  fake_.primaryDown = false;
  std::vector<std::uint32_t> clicks;
  const Shows shown = Run(600, &clicks);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(fake_.captured, 0);
  // The press fades back to the hover look, then the hover fades out to the normal look.
  EXPECT_EQ(Button().state, ImageButtonState::Idle);
  EXPECT_FALSE(Button().hoverOutPending);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().second, 1);
  EXPECT_EQ(Button().frame, 0);
}

TEST_F(ImageButtonMachine, NoHighlightForADisabledButtonADragFromElsewhereOrTheMasksOutside) {
  const ControlRef go = AddButton();
  // A drag that began outside every button.
  fake_.primaryDown = true;
  MoveTo(go);
  Run(50);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
  fake_.primaryDown = false;
  // Disabled: neither hovered nor pressed, and its click is not passed on.
  buttons_->SetDisabled(go, true, false);
  Run(50);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
  buttons_->Press(go, true);
  EXPECT_EQ(Pass(), 0);
  EXPECT_EQ(Button().state, ImageButtonState::Idle);
  // A mask pixel of the mask colour lies outside the button; any other inside.
  buttons_.emplace(fake_);
  fake_.mask = 77;
  const ControlRef masked = AddButton(false, 77);
  MoveTo(masked);
  fake_.maskPixel = 0x00FF00FF;
  Run(5);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
  fake_.maskPixel = 0x00000000;
  Run(5);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, &Button());
}

TEST_F(ImageButtonMachine, EnablingFromAStillDisableShowsTheNormalLookAfterSevenPeriods) {
  const ControlRef save = AddButton();
  buttons_->SetDisabled(save, true, false);
  Run(10);
  buttons_->SetDisabled(save, false, true);
  EXPECT_EQ(Run(300), (Shows{{141, 1}}));
  // Disabling with animation plays the whole fade to the disabled look.
  buttons_->SetDisabled(save, true, true);
  EXPECT_EQ(Run(300), (Shows{{1, 41}, {21, 42}, {41, 43}, {61, 44}, {81, 45}, {101, 4}, {121, 4}}));
  // Asking for the state it has changes nothing.
  buttons_->SetDisabled(save, true, true);
  EXPECT_EQ(Button().state, ImageButtonState::Idle);
}

TEST_F(ImageButtonMachine, DisablingAHeldButtonForgetsItAndItsRelease) {
  const ControlRef go = AddButton();
  MoveTo(go);
  Run(10);
  fake_.primaryDown = true;
  buttons_->Press(go, true);
  buttons_->SetDisabled(go, true, true);
  EXPECT_EQ(buttons_->Tracker().pressedButton, nullptr);
  EXPECT_EQ(buttons_->Tracker().hoveredButton, nullptr);
  fake_.primaryDown = false;
  std::vector<std::uint32_t> clicks;
  Run(200, &clicks);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(fake_.shown.back().second, 4);
}

TEST_F(ImageButtonMachine, AutoRepeatReportsAfter300MsThenEvery200MsUntilThePointerLeaves) {
  const ControlRef go = AddButton(true);
  MoveTo(go);
  Run(10);
  fake_.primaryDown = true;
  buttons_->Press(go, true);
  std::vector<std::uint32_t> clicks;
  Run(750, &clicks);
  EXPECT_EQ(clicks, (std::vector<std::uint32_t>{301, 502, 703}));
  MoveTo(0);  // off the button: the next repeat due stops them
  clicks.clear();
  Run(300, &clicks);
  MoveTo(go);
  Run(300, &clicks);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(buttons_->Tracker().repeatStart, 0u);
  fake_.primaryDown = false;
  Run(5, &clicks);
  EXPECT_EQ(clicks, (std::vector<std::uint32_t>{1}));  // the release over it still clicks
}

TEST_F(ImageButtonMachine, EventsOfOtherControlsComeBackFromTheNextPoll) {
  const ControlRef go = AddButton();
  buttons_->Press(4242, true);
  EXPECT_EQ(buttons_->PollClick(), 4242);
  EXPECT_EQ(buttons_->PollClick(), 0);
  buttons_->Press(4243, false);  // of any type
  EXPECT_EQ(buttons_->PollClick(), 4243);
  // A left click on a button that is not hovered is ignored and not passed on; another event
  // type on the hovered button does not press it.
  buttons_->Press(go, true);
  MoveTo(go);
  Pass();
  buttons_->Press(go, false);
  EXPECT_EQ(buttons_->PollClick(), 0);
  EXPECT_EQ(Button().state, ImageButtonState::HoverIn);
}

TEST_F(ImageButtonMachine, AFrameWhoseImageIsGoneIsSkipped) {
  const ControlRef go = AddButton();
  fake_.deleted = {12, 13};
  MoveTo(go);
  Pass();
  EXPECT_EQ(Run(300), (Shows{{1, 11}, {103, 14}, {138, 15}, {172, 2}, {206, 2}}));
}

}  // namespace

// The loop rests until the machine says something is due: at every millisecond of a hover, a
// press and a disable fade, the prediction names exactly the next millisecond at which a pass
// shows an image (or ends a state), and nothing while all rests.
TEST_F(ImageButtonMachine, TheNextChangeIsPredictedToTheMillisecond) {
  const ControlRef control = AddButton();
  EXPECT_EQ(buttons_->TicksUntilChange(fake_.now, 50), -1);
  const auto checkUntilIdle = [this](const char* what) {
    for (int step = 0; step < 1000 && Button().state != ImageButtonState::Idle; ++step) {
      const std::int32_t predicted = buttons_->TicksUntilChange(fake_.now, 1000);
      ASSERT_GE(predicted, 0) << what;
      // Passes before the predicted tick change nothing; the pass at it does.
      for (std::int32_t tick = 0; tick <= predicted; ++tick) {
        const std::size_t shownBefore = fake_.shown.size();
        const ImageButtonState stateBefore = Button().state;
        const std::int32_t frameBefore = Button().frame;
        if (tick > 0) ++fake_.now;
        buttons_->Animate();
        const bool changed = fake_.shown.size() != shownBefore || Button().state != stateBefore ||
                             Button().frame != frameBefore;
        ASSERT_EQ(changed, tick == predicted) << what << " at step " << step << ", tick " << tick;
      }
    }
  };
  MoveTo(static_cast<WindowRef>(control));
  Pass();
  checkUntilIdle("hover");
  ++fake_.now;
  buttons_->Press(control, true);
  checkUntilIdle("press");
  buttons_->SetDisabled(control, true, true);
  checkUntilIdle("disable");
  EXPECT_EQ(buttons_->TicksUntilChange(fake_.now, 50), -1);
}

TEST_F(ImageButtonMachine, AnAutoRepeatIsDueOnceMoreThan300MsHavePassed) {
  const ControlRef control = AddButton(true);
  MoveTo(static_cast<WindowRef>(control));
  Pass();
  Run(300);
  fake_.primaryDown = true;
  buttons_->Press(control, true);
  Run(200);
  EXPECT_EQ(buttons_->TicksUntilChange(fake_.now, 1000), 101);
  Run(100);
  EXPECT_EQ(buttons_->TicksUntilChange(fake_.now, 1000), 1);
  std::vector<std::uint32_t> clicks;
  Run(1, &clicks);
  EXPECT_EQ(clicks.size(), 1u);
  // The next repeat comes more than 200 ms later.
  EXPECT_EQ(buttons_->TicksUntilChange(fake_.now, 1000), 201);
}
