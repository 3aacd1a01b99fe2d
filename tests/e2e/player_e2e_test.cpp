// The site's player below the list: the window grows for a full player, shrinks for a mini
// player and collapses when a read finds none; the player (the project's stand-in in the test
// prefix) shows the movie it was given. And a saved song played with the default program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"
#include "common/recorder_log.h"

namespace {

class PlayerTest : public ProgramTest {
 protected:
  int ClientHeight() const {
    RECT client = {};
    GetClientRect(run_.window, &client);
    return client.bottom - client.top;
  }

  // The stand-in player's window in PlayerPanel: its text is the movie it holds.
  HWND Player() const {
    HWND panel = Control(run_, kPlayerPanelId);
    return panel != nullptr ? GetWindow(panel, GW_CHILD) : nullptr;
  }

  // Waits for the window to settle at height with the player holding movie.
  void ExpectPlayerState(int height, const std::string& movie, bool shown) {
    EXPECT_TRUE(PollUntil([&] { return ClientHeight() == height; }, 10000))
        << "client height " << ClientHeight() << ", expected " << height;
    ASSERT_NE(nullptr, Player()) << "no player in PlayerPanel";
    EXPECT_TRUE(PollUntil([&] { return ControlText(Player()) == movie; }, 5000))
        << "the player holds \"" << ControlText(Player()) << "\"";
    EXPECT_EQ(shown, Visible(Control(run_, kPlayerPanelId)));
    EXPECT_EQ(height - 20, ChildRect(Control(run_, kSiteLinkId)).top);
  }

  // Closes the program's message box once it shows, as a user would with OK.
  bool CloseMessageBox(DWORD timeoutMs) {
    HWND box = nullptr;
    PollUntil(
        [&] {
          std::pair<DWORD, HWND> found = {run_.process.dwProcessId, nullptr};
          EnumWindows(
              [](HWND window, LPARAM parameter) -> BOOL {
                auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
                DWORD process = 0;
                GetWindowThreadProcessId(window, &process);
                char className[16] = "";
                GetClassNameA(window, className, sizeof(className));
                if (process == found->first && std::string(className) == "#32770" && IsWindowVisible(window)) {
                  found->second = window;
                  return FALSE;
                }
                return TRUE;
              },
              reinterpret_cast<LPARAM>(&found));
          box = found.second;
          return box != nullptr;
        },
        timeoutMs);
    if (box == nullptr) return false;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return true;
  }
};

TEST_F(PlayerTest, WindowGrowsForTheFullPlayerShrinksForTheMiniAndCollapsesWithoutOne) {
  ASSERT_EQ(185, ClientHeight());
  ASSERT_NE(nullptr, Control(run_, kPlayerPanelId)) << "no PlayerPanel: is the stand-in player registered?";
  EXPECT_FALSE(Visible(Control(run_, kPlayerPanelId)));

  ASSERT_NO_FATAL_FAILURE(ReadProfile("someband", 5));
  ExpectPlayerState(485, "http://player.verdimo.test/music/musicplayer.swf?n=1&a=0&friendID=1001", true);
  const RECT panel = ChildRect(Control(run_, kPlayerPanelId));
  EXPECT_EQ(0, panel.left);
  EXPECT_EQ(145, panel.top);
  EXPECT_EQ(400, panel.right - panel.left);
  EXPECT_EQ(300, panel.bottom - panel.top);
  // The player is painted on the white background the program gave it.
  ParkPointer();
  Screenshot shot;
  ASSERT_TRUE(PollUntil(
      [&] {
        if (!CaptureWindow(run_.window, &shot)) return false;
        POINT at = {390, 430};
        ClientToScreen(run_.window, &at);
        return shot.Pixel(at.x - shot.screen.left, at.y - shot.screen.top) == RGB(255, 255, 255);
      },
      10000, 100))
      << "the player area is not white";
  WritePng(shot, Settings().output + "\\player-full.png");

  // minionly has no songs: the program says so in a message box, then the mini player shows.
  const long long offset = RequestLogSize();
  std::string problem;
  ASSERT_TRUE(EnterAddress(run_, "minionly", &problem)) << problem;
  EXPECT_TRUE(CloseMessageBox(30000)) << "no message box for the empty mini-player profile";
  ASSERT_TRUE(WaitForReadEnd(run_, "http://www.verdimo.test:80/minionly", offset, 30000));
  ExpectPlayerState(255, "http://player.verdimo.test/mini/mini.swf?n=2&friendID=1002", true);
  const RECT mini = ChildRect(Control(run_, kPlayerPanelId));
  EXPECT_EQ(52, mini.left);
  EXPECT_EQ(150, mini.top);
  EXPECT_EQ(60, mini.bottom - mini.top);

  // An address off the site: nothing is read, the player is emptied and the window collapses.
  ASSERT_TRUE(EnterAddress(run_, "http://example.test/x", &problem)) << problem;
  ExpectPlayerState(185, "unload", false);
  EXPECT_EQ(kProgramTitle, WindowTitle(run_.window));
}

// The recorder (tests/recorder) is the test prefix's default program for ".mp3" files: it notes
// each file it is asked to open.
using PlayTest = PlayerTest;

TEST_F(PlayTest, DoubleClickAndPlayOpenASavedSongWithTheDefaultProgram) {
  ASSERT_NO_FATAL_FAILURE(ReadProfile("someband", 5));
  const std::string path = target_.File("played.mp3");
  RECT cell = {};
  ASSERT_TRUE(NameCellOnScreen(run_, 0, &cell));
  DoubleClickAt(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  HWND dialog = WaitForSaveDialog(run_, 15000);
  ASSERT_NE(nullptr, dialog) << "no save dialog";
  ASSERT_TRUE(AnswerSaveDialog(dialog, path));
  ASSERT_TRUE(PollUntil([&] { return SongCell(run_, 0, 2) == "Ready!"; }, 30000)) << SongCell(run_, 0, 2);

  // A double-click on the ready row plays the file.
  ClearRecordedLines();
  ASSERT_TRUE(NameCellOnScreen(run_, 0, &cell));
  DoubleClickAt(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  EXPECT_TRUE(WaitForRecordedLine(path, 20000)) << "recorded: " << ::testing::PrintToString(RecordedLines());
  EXPECT_EQ(std::vector<std::string>{path}, RecordedLines());

  // So does "Play", the first item of the ready row's menu.
  ClearRecordedLines();
  MovePointer(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2});
  INPUT click[2] = {};
  click[0].type = click[1].type = INPUT_MOUSE;
  click[0].mi.dwFlags = MOUSEEVENTF_RIGHTDOWN;
  click[1].mi.dwFlags = MOUSEEVENTF_RIGHTUP;
  SendInput(2, click, sizeof(INPUT));
  ASSERT_TRUE(PollUntil([&] { return FindWindowA("#32768", nullptr) != nullptr; }, 10000)) << "no row menu";
  PressKey(VK_DOWN);
  PressKey(VK_RETURN);
  EXPECT_TRUE(WaitForRecordedLine(path, 20000)) << "recorded: " << ::testing::PrintToString(RecordedLines());
  EXPECT_EQ(std::vector<std::string>{path}, RecordedLines());
}

}  // namespace
