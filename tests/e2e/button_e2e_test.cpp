// Go! under the real mouse: its looks at rest, under the pointer and held, a press released on
// it that starts a read, and a press dragged off and released elsewhere that starts nothing.
#include <windows.h>

#include <png.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"

namespace {

class ButtonTest : public ProgramTest {};

// One of the program's built-in images as RGB bytes, read from the source tree; empty when it
// cannot be read.
std::vector<unsigned char> BuiltinImage(const char* name) {
  bool exists = false;
  const std::string bytes =
      ReadWholeFile(Settings().siteRoot + "\\..\\src\\resources\\images\\" + name + ".png", &exists);
  if (!exists) return {};
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
  return rgb;
}

// Whether the control shows exactly these pixels.
bool Shows(HWND control, const std::vector<unsigned char>& rgb) {
  Screenshot shot;
  return !rgb.empty() && CaptureWindow(control, &shot) && shot.rgb == rgb;
}

// Runs xdotool (real input through the X server, which the program's X driver takes as it takes
// a user's hand); false where there is no Wine or no xdotool.
bool Xdotool(std::vector<std::string> arguments) {
  using Spawn = long(__cdecl*)(char* const argv[], int wait);
  const auto spawn = reinterpret_cast<Spawn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "__wine_unix_spawnvp")));
  if (spawn == nullptr || GetFileAttributesA("Z:\\usr\\bin\\xdotool") == INVALID_FILE_ATTRIBUTES) return false;
  arguments.insert(arguments.begin(), "/usr/bin/xdotool");
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(&argument[0]);
  argv.push_back(nullptr);
  return spawn(argv.data(), 1) == 0;
}

// Presses or releases the left mouse button where the pointer stands. Through the X server where
// it can: input sent with SendInput from this process reaches the program's messages at once,
// but Wine keeps the program's answer to GetAsyncKeyState up to 50 ms old, so a press could be
// polled as a release.
void LeftButton(bool down) {
  if (Xdotool({down ? "mousedown" : "mouseup", "1"})) return;
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
  SendInput(1, &input, sizeof(input));
}

// Moves the pointer while a button is held: the program then holds the X pointer grab, and
// Wine's SetCursorPos from another program does not move the pointer through a grab.
void DragPointerTo(POINT screen) {
  if (!Xdotool({"mousemove", std::to_string(screen.x), std::to_string(screen.y)})) MovePointer(screen);
}

TEST_F(ButtonTest, GoPressedAndReleasedOnItStartsARead) {
  const std::vector<unsigned char> normal = BuiltinImage("go_normal"), hover = BuiltinImage("go_hover");
  ASSERT_FALSE(normal.empty());
  ASSERT_NE(normal, hover);
  HWND go = Control(run_, kGoButtonId);
  ASSERT_NE(go, nullptr);
  ASSERT_TRUE(SendMessageTimeoutA(Control(run_, kUrlFieldId), WM_SETTEXT, 0,
                                  reinterpret_cast<LPARAM>("someband"), SMTO_ABORTIFHUNG, 5000, nullptr));
  EXPECT_TRUE(PollUntil([&] { return Shows(go, normal); }, 10000)) << "Go! at rest is not its normal image";
  // On its way to the hover image the button shows blends of the two (the fade takes about 240
  // ms, each blend about 34 ms); a few tries allow for a capture that comes too late.
  bool blendSeen = false;
  for (int attempt = 0; attempt < 3 && !blendSeen; ++attempt) {
    ParkPointer();
    ASSERT_TRUE(PollUntil([&] { return Shows(go, normal); }, 3000));
    // Straight onto the button: MovePointer waits to see the pointer stay, longer than the fade.
    const POINT centre = CentreOf(go);
    SetCursorPos(centre.x, centre.y);
    blendSeen = PollUntil(
        [&] {
          Screenshot shot;
          return CaptureWindow(go, &shot) && shot.rgb.size() == normal.size() && shot.rgb != normal &&
                 shot.rgb != hover;
        },
        400, 5);
  }
  EXPECT_TRUE(blendSeen) << "Go! jumped from its normal to its hover image without a blend";
  EXPECT_TRUE(PollUntil([&] { return Shows(go, hover); }, 3000)) << "Go! under the pointer is not its hover image";

  const long long offset = RequestLogSize();
  LeftButton(true);
  LeftButton(false);
  ASSERT_TRUE(WaitForReadEnd(run_, "http://www.verdimo.test:80/someband", offset, 30000)) << "no read started";
  EXPECT_TRUE(PollUntil([&] { return SongRowCount(run_) == 5; }, 10000));
}

TEST_F(ButtonTest, GoPressedDraggedOffAndReleasedElsewhereStartsNothing) {
  const std::vector<unsigned char> normal = BuiltinImage("go_normal"), hover = BuiltinImage("go_hover"),
                                   pressed = BuiltinImage("go_pressed");
  HWND go = Control(run_, kGoButtonId);
  ASSERT_NE(go, nullptr);
  ASSERT_TRUE(SendMessageTimeoutA(Control(run_, kUrlFieldId), WM_SETTEXT, 0,
                                  reinterpret_cast<LPARAM>("someband"), SMTO_ABORTIFHUNG, 5000, nullptr));
  MovePointer(CentreOf(go));
  ASSERT_TRUE(PollUntil([&] { return Shows(go, hover); }, 5000));

  const long long offset = RequestLogSize();
  LeftButton(true);
  EXPECT_TRUE(PollUntil([&] { return Shows(go, pressed); }, 3000)) << "the press was not taken";
  DragPointerTo(POINT{0, 0});
  EXPECT_TRUE(PollUntil([&] { return Shows(go, hover); }, 3000)) << "the press did not fade back on leaving";
  LeftButton(false);
  EXPECT_TRUE(PollUntil([&] { return Shows(go, normal); }, 3000)) << "the hover did not fade out";
  EXPECT_FALSE(PollUntil(
      [&] {
        return RequestLogged(offset, "GET", "http://www.verdimo.test:80/someband", -1) ||
               Visible(Control(run_, kLoadingSpinnerId));
      },
      1500))
      << "a read started";
}

}  // namespace
