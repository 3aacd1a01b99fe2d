// The window without a mouse: a profile read, a song saved and its address copied, with keys alone.
#include <gtest/gtest.h>

#include "e2e/program_driver.h"
#include "e2e/program_test.h"

namespace {

class KeyboardTest : public ProgramTest {
 protected:
  bool FocusComesTo(int id) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return PollUntil(
        [&] { return GetGUIThreadInfo(run_.process.dwThreadId, &info) && info.hwndFocus == Control(run_, id); }, 5000);
  }
};

TEST_F(KeyboardTest, ReadsSavesAndCopiesWithKeysAlone) {
  ASSERT_TRUE(FocusComesTo(kUrlFieldId));
  const long long offset = RequestLogSize();
  for (char letter : std::string("SOMEBAND")) PressKey(static_cast<WORD>(letter));  // types lowercase
  PressKey(VK_RETURN);
  ASSERT_TRUE(WaitForReadEnd(run_, "http://www.verdimo.test:80/someband", offset, 30000));
  ASSERT_TRUE(PollUntil([&] { return SongRowCount(run_) == 5 && Enabled(Control(run_, kSaveButtonId)); }, 10000));
  for (const auto& [held, id] : {std::pair<WORD, int>{0, kGoButtonId}, {0, kSaveButtonId}, {0, kSongListId},
                                 {0, kUrlFieldId}, {VK_SHIFT, kSongListId}}) {
    PressKey(VK_TAB, held);
    ASSERT_TRUE(FocusComesTo(id)) << (held ? "Shift+Tab" : "Tab") << " did not reach control " << id;
  }
  // Down and Return save the first row as a double-click does: the dialog opens in the working
  // folder with the song's name, and Return there saves it. The list has the focus again after.
  for (WORD key : {VK_DOWN, VK_RETURN}) PressKey(key);
  HWND dialog = WaitForSaveDialog(run_, 15000);
  ASSERT_TRUE(PollUntil([&] { return ControlText(GetDlgItem(dialog, 1148)) == "Rock & Roll.mp3"; }, 5000));
  PressKey(VK_RETURN);
  ASSERT_TRUE(PollUntil([&] { return SongCell(run_, 0, 2) == "Ready!"; }, 30000)) << SongCell(run_, 0, 2);
  EXPECT_EQ(FixtureSong("tone1.mp3"), ReadWholeFile(run_.folder.File("Rock & Roll.mp3")));
  // Shift+F10 opens the ready row's menu under the row; its second item is "Copy URL".
  ASSERT_TRUE(FocusComesTo(kSongListId) && OpenClipboard(nullptr) && EmptyClipboard() && CloseClipboard());
  PressKey(VK_F10, VK_SHIFT);
  HWND shown = nullptr;
  RECT menu = {}, cell = {};
  ASSERT_TRUE(PollUntil([&] { return Visible(shown = FindWindowA("#32768", nullptr)); }, 5000)) << "no menu";
  ASSERT_TRUE(GetWindowRect(shown, &menu) && NameCellOnScreen(run_, 0, &cell));
  EXPECT_TRUE(menu.left >= cell.left && menu.left < cell.right && abs(menu.top - cell.bottom) < 4);
  for (WORD key : {VK_DOWN, VK_DOWN, VK_RETURN}) PressKey(key);
  EXPECT_TRUE(PollUntil([] {
    HANDLE text = OpenClipboard(nullptr) ? GetClipboardData(CF_TEXT) : nullptr;
    const std::string copied = text != nullptr ? static_cast<const char*>(GlobalLock(text)) : "";
    if (text != nullptr) GlobalUnlock(text);
    return CloseClipboard() && copied == "http://audio.verdimo.test/songs/tone1.mp3";
  }, 5000));
}

}  // namespace
