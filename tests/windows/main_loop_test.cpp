// The main loop's dispatch and upkeep, driven with real messages in the real window.
#include "shell/main_loop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <vector>

#include "wingui/row_buttons.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "downloads/playback.h"
#include "program_fixture.h"
#include "shell/window_callback.h"
#include "common/recorder_log.h"
#include "common/test_files.h"
#include "skin/image_button.h"

#include <commctrl.h>

namespace {

using MainLoopTest = ProgramTest;

void PressReturnIn(HWND control) {
  PostMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
  PostMessageA(control, WM_KEYUP, VK_RETURN, 0xC0000001);
}

void SelectRow(int row) {
  LVITEMA item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(SongList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The items of the popup menu that opens within the time-out, which is then closed; empty when
// none opens.
std::vector<std::string> CapturePopupMenu(DWORD timeoutMs) {
  std::vector<std::string> items;
  HWND menuWindow = WaitForOwnWindow("#32768", nullptr, timeoutMs);
  if (menuWindow == nullptr) return items;
  HMENU menu = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
  for (int i = 0; menu != nullptr && i < GetMenuItemCount(menu); ++i) {
    char text[64] = "";
    GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
    items.push_back(std::to_string(GetMenuItemID(menu, i)) + ":" + text);
  }
  PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
  PostMessageA(MainWindow, WM_CANCELMODE, 0, 0);
  return items;
}

TEST_F(MainLoopTest, ReturnInTheAddressFieldStartsARead) {
  SetFocus(UrlField);
  SetWindowTextA(UrlField, "popupband");
  const int generation = ListGeneration.load();
  PressReturnIn(UrlField);
  ASSERT_TRUE(RunLoopUntil([] { return SongRowCount(SongList) == 2 && ProfileReadsRunning.load() == 0; }));
  EXPECT_EQ(ListGeneration.load(), generation + 1);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "Popup One");
}

TEST_F(MainLoopTest, ReturnElsewhereStartsNothing) {
  SetWindowTextA(UrlField, "popupband");
  SetFocus(SongList);
  const int generation = ListGeneration.load();
  PressReturnIn(SongList);
  RunLoopFor(300);
  EXPECT_EQ(ListGeneration.load(), generation);
  EXPECT_EQ(ProfileReadsRunning.load(), 0);
}

TEST_F(MainLoopTest, GoWithABlankFieldStartsNothingButWithTextReads) {
  SetWindowTextA(UrlField, "   ");
  const int generation = ListGeneration.load();
  ASSERT_TRUE(ClickImageButtonWithTheMouse(GoButton));
  RunLoopFor(200);
  EXPECT_EQ(ListGeneration.load(), generation);
  SetWindowTextA(UrlField, " popupband");  // not trimmed: the blank stays in the address
  ASSERT_TRUE(ClickImageButtonWithTheMouse(GoButton));
  ASSERT_TRUE(RunLoopUntil([] { return ListGeneration.load() > 0 && ProfileReadsRunning.load() == 0; }));
  EXPECT_EQ(ListGeneration.load(), generation + 1);
}

TEST_F(MainLoopTest, RightClickOpensTheMenuOfTheRowsState) {
  const struct {
    const char* state;
    std::vector<std::string> menu;
  } cases[] = {
      {"", {"0:Download Song", "1:Copy URL"}},
      {"Waiting...", {"0:Download Song", "1:Copy URL"}},
      {"Failed!", {"0:Download Song", "1:Copy URL"}},
      {"Ready!", {"2:Play", "1:Copy URL"}},
      {"Downloading...", {"1:Copy URL"}},
      {"Something else", {}},
  };
  AddSongRow(SongList, "Song", "http://audio.verdimo.test/songs/tone1.mp3", 0);
  SelectRow(0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.state);
    SetSongCell(SongList, 0, kColumnState, c.state);
    auto menu = std::async(std::launch::async, [] { return CapturePopupMenu(1500); });
    bool close = false, focus = false;
    DispatchLoopEvent({LoopEventKind::kControl, SongList, kRightClick, 0}, &close, &focus);
    EXPECT_EQ(menu.get(), c.menu);
    RunLoopFor(50);
  }
}

TEST_F(MainLoopTest, RowActionsNeedASelectedRow) {
  AddSongRow(SongList, "Song", "http://audio.verdimo.test/songs/tone1.mp3", 0);
  ASSERT_EQ(SelectedSongRow(SongList), -1);
  auto menu = std::async(std::launch::async, [] { return CapturePopupMenu(800); });
  bool close = false, focus = false;
  DispatchLoopEvent({LoopEventKind::kControl, SongList, kRightClick, 0}, &close, &focus);
  DispatchLoopEvent({LoopEventKind::kControl, SongList, kLeftDoubleClick, 0}, &close, &focus);
  DispatchLoopEvent({LoopEventKind::kMenu, nullptr, 0, 0}, &close, &focus);
  EXPECT_TRUE(menu.get().empty());
  EXPECT_EQ(RunningDownloads.load(), 0);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "");
}

TEST_F(MainLoopTest, CopyUrlPutsTheRowsAddressOnTheClipboardByteForByte) {
  const std::string urls[] = {"http://audio.verdimo.test/songs/tone5.mp3?from=verdimo&id=5",
                              "http://a.test/Caf\xE9 \x80\x92\xFF.mp3", ""};
  for (const std::string& url : urls) {
    SCOPED_TRACE(url);
    ClearSongList(SongList);
    AddSongRow(SongList, "Song", url, 0);
    SelectRow(0);
    CopyTextToClipboard("something else");  // an empty cell must replace it too
    bool close = false, focus = false;
    DispatchLoopEvent({LoopEventKind::kMenu, nullptr, 0, 1}, &close, &focus);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    ASSERT_GE(GlobalSize(data), url.size() + 1);
    const char* text = static_cast<const char*>(GlobalLock(data));
    EXPECT_EQ(std::string(text, url.size() + 1), std::string(url.c_str(), url.size() + 1));
    GlobalUnlock(data);
    CloseClipboard();
  }
}

TEST_F(MainLoopTest, AReleasedRowButtonStartsAJobThatAsksForAName) {
  AddSongRow(SongList, "Song", "http://audio.verdimo.test/songs/tone1.mp3", 0);
  HWND button = CreateRowDownloadButton(SongList, 0, SmallFont.get());
  ASSERT_NE(button, nullptr);
  WindowUnderPointer = button;
  SendMessageA(button, WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(ClickedRow, 0);
  // The next outer pass hides the button and starts the job, whose save dialog we cancel.
  auto dialog = std::async(std::launch::async, [] {
    HWND found = WaitForOwnWindow("#32770", nullptr, 20000);
    if (found != nullptr) PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
    return found != nullptr;
  });
  OuterPass();
  EXPECT_EQ(ClickedRow, -1);
  EXPECT_FALSE(IsWindowVisible(button));
  // The job reads its row through the window's thread, so the loop runs while the dialog comes.
  ASSERT_TRUE(RunLoopUntil([&dialog] { return dialog.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(dialog.get());
  // Cancelled while the row still has its button: State "" and the button back.
  ASSERT_TRUE(RunLoopUntil([] { return RunningDownloads.load() == 0; }));
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "");
  EXPECT_TRUE(IsWindowVisible(button));
}

TEST_F(MainLoopTest, ARowThatIsDownloadingLosesItsButton) {
  AddSongRow(SongList, "Song", "url", 0);
  AddSongRow(SongList, "Other", "url", 1);
  HWND first = CreateRowDownloadButton(SongList, 0, SmallFont.get());
  HWND second = CreateRowDownloadButton(SongList, 1, SmallFont.get());
  SetSongCell(SongList, 0, kColumnState, "Downloading...");
  OuterPass();
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(GetRowButton(SongList, 0), nullptr);
  EXPECT_TRUE(IsWindow(second));
  EXPECT_EQ(RowButtonList.size(), 1u);
}

// The upkeep leaves out its pass over every row while nothing it depends on has changed; each
// change after such a quiet pass must still reach the buttons.
TEST_F(MainLoopTest, AfterAQuietPassTheUpkeepStillSeesEachChange) {
  for (int i = 0; i < 3; ++i) AddSongRow(SongList, "Song", "url", i);
  for (int i = 0; i < 3; ++i) CreateRowDownloadButton(SongList, i, SmallFont.get());
  const auto buttonsSitInTheirCells = [] {
    for (int row = 0; row < SongRowCount(SongList); ++row) {
      RECT cell;
      HWND button = GetRowButton(SongList, row);
      if (button == nullptr) continue;
      if (!StateCellBounds(SongList, row, &cell)) return false;
      const RECT place = ChildRect(button);
      if (place.left != cell.left + 10 || place.top != cell.top) return false;
    }
    return true;
  };
  OuterPass();
  OuterPass();
  ASSERT_TRUE(buttonsSitInTheirCells());
  SendMessageA(SongList, LVM_SETCOLUMNWIDTH, kColumnUrl, 60);  // the State column moves left
  OuterPass();
  EXPECT_TRUE(buttonsSitInTheirCells());
  OuterPass();
  HWND middle = GetRowButton(SongList, 1);
  SetSongCell(SongList, 1, kColumnState, "Downloading...");
  OuterPass();
  EXPECT_FALSE(IsWindow(middle));
  EXPECT_EQ(RowButtonList.size(), 2u);
  OuterPass();
  DestroyRowDownloadButton(GetRowButton(SongList, 0));
  SendMessageA(SongList, LVM_DELETEITEM, 0, 0);  // the last row's button must move up
  OuterPass();
  EXPECT_TRUE(buttonsSitInTheirCells());
}

TEST_F(MainLoopTest, RowButtonsFollowTheirCellsWhenTheListScrolls) {
  for (int i = 0; i < 20; ++i) AddSongRow(SongList, "Song", "url", i);
  for (int i = 0; i < 20; ++i) CreateRowDownloadButton(SongList, i, SmallFont.get());
  SendMessageA(SongList, LVM_SCROLL, 0, 60);
  OuterPass();
  const int top = static_cast<int>(SendMessageA(SongList, LVM_GETTOPINDEX, 0, 0));
  ASSERT_GT(top, 0);
  for (int row = 0; row < 20; ++row) {
    RECT cell = {};
    cell.top = 2;
    cell.left = LVIR_BOUNDS;
    SendMessageA(SongList, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell));
    const RECT rect = ChildRect(GetRowButton(SongList, row));
    EXPECT_EQ(rect.left, cell.left + 10) << row;
    EXPECT_EQ(rect.top, cell.top) << row;
    if (row < top) {
      EXPECT_FALSE(IsWindowVisible(GetRowButton(SongList, row))) << row;
    }
  }
}

TEST_F(MainLoopTest, SaveSongsFollowsTheRowCount) {
  EXPECT_FALSE(IsWindowEnabled(SaveButton));
  AddSongRow(SongList, "Song", "url", 0);
  ASSERT_TRUE(RunLoopUntil([] { return IsWindowEnabled(SaveButton) != FALSE; }, 5000));
  EXPECT_EQ(CurrentMainLoopView().knownRowCount, 1);
  ClearSongList(SongList);
  ASSERT_TRUE(RunLoopUntil([] { return IsWindowEnabled(SaveButton) == FALSE; }, 5000));
  EXPECT_EQ(CurrentMainLoopView().knownRowCount, 0);
}

TEST_F(MainLoopTest, TheBannerGivesWayToTheTickerAfterTheNoticeTime) {
  NoticeTime = 300;
  BeginMainLoop();
  RunLoopFor(50);
  EXPECT_TRUE(IsWindowVisible(NoticeBanner));
  EXPECT_FALSE(IsWindowVisible(TickerStrip));
  ASSERT_TRUE(RunLoopUntil([] { return !CurrentMainLoopView().bannerShowing; }, 5000));
  EXPECT_FALSE(IsWindowVisible(NoticeBanner));
  EXPECT_TRUE(IsWindowVisible(TickerStrip));
}

TEST_F(MainLoopTest, HomeLinkGlidesButNeverUnderThePointer) {
  SetCursorPos(0, 0);
  const int before = ChildRect(HomeLink).left;
  ASSERT_TRUE(RunLoopUntil([before] { return ChildRect(HomeLink).left != before; }, 3000));
  EXPECT_EQ(ChildRect(HomeLink).top, 165);
  RECT link;
  GetWindowRect(HomeLink, &link);
  SetCursorPos(link.left + 5, link.top + 5);
  RunLoopFor(50);
  const int held = ChildRect(HomeLink).left;
  RunLoopFor(300);
  EXPECT_EQ(ChildRect(HomeLink).left, held);
  SetCursorPos(0, 0);
}

// A row that a job has taken keeps its button hidden until the job gives the row back, also when
// the list's upkeep moves the button; a cancelled dialog gives it back.
TEST_F(MainLoopTest, ARowTakenByAJobShowsNoButtonUntilTheJobEnds) {
  for (int i = 0; i < 20; ++i) AddSongRow(SongList, "Song", "http://audio.verdimo.test/songs/tone1.mp3", i);
  for (int i = 0; i < 20; ++i) CreateRowDownloadButton(SongList, i, SmallFont.get());
  HWND button = GetRowButton(SongList, 10);
  SelectRow(10);
  std::promise<void> scrolled;
  auto dialog = std::async(std::launch::async, [&scrolled] {
    HWND found = WaitForOwnWindow("#32770", nullptr, 20000);
    if (found == nullptr) return false;
    scrolled.get_future().wait_for(std::chrono::seconds(20));
    PostMessageA(found, WM_COMMAND, IDCANCEL, 0);
    return true;
  });
  bool close = false, focus = false;
  DispatchLoopEvent({LoopEventKind::kControl, SongList, kLeftDoubleClick, 0}, &close, &focus);
  ASSERT_TRUE(RunLoopUntil([] { return GetSongCell(SongList, 10, kColumnState) == "Waiting..."; }));
  // The dialog is open; the user scrolls the list and every button moves.
  SendMessageA(SongList, LVM_SCROLL, 0, 40);
  OuterPass();
  EXPECT_FALSE(IsWindowVisible(button));
  scrolled.set_value();
  ASSERT_TRUE(RunLoopUntil([&dialog] { return dialog.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
  EXPECT_TRUE(dialog.get());
  ASSERT_TRUE(RunLoopUntil([] { return RunningDownloads.load() == 0; }));
  EXPECT_EQ(GetSongCell(SongList, 10, kColumnState), "");
  EXPECT_TRUE(IsWindowVisible(button));
}

// A job is counted before its thread runs, and it belongs to the list of the moment it was
// started: a new list made before the job's first step is never written to, and a row click
// still pending when the list is replaced is dropped with it.
TEST_F(MainLoopTest, JobsAndClicksBelongToTheListTheyStartedIn) {
  const std::string folder = FreshTempFolder("handover");
  AddSongRow(SongList, "Old", "http://audio.verdimo.test/songs/tone1.mp3", 0);
  HWND button = CreateRowDownloadButton(SongList, 0, SmallFont.get());
  StartDownload(0, folder + "Old.mp3");
  EXPECT_GT(RunningDownloads.load(), 0);
  ListGeneration.fetch_add(1);
  ClearSongList(SongList);
  AddSongRow(SongList, "New", "http://audio.verdimo.test/songs/tone2.mp3", 0);
  ASSERT_TRUE(RunLoopUntil([] { return RunningDownloads.load() == 0; }, 30000));
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "");
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnPath), "");

  button = CreateRowDownloadButton(SongList, 0, SmallFont.get());
  WindowUnderPointer = button;
  SendMessageA(button, WM_LBUTTONUP, 0, 0);
  ASSERT_EQ(ClickedRow, 0);
  StartProfileRead("http://example.test/offsite");
  EXPECT_EQ(ClickedRow, -1);
  OuterPass();
  EXPECT_EQ(RunningDownloads.load(), 0);
}

// Texts from a page or a server reach the system only as web addresses, through the shell's
// "open" verb (the test prefix's handler records them); nothing else is started. The banner's
// click hands the notice link over the same way.
TEST_F(MainLoopTest, OutsideTextsOpenOnlyAsWebAddresses) {
  const std::string marker = FreshTempFolder("outside") + "started.txt";
  const std::string web = "http://www.vmd-author.test/news.html";
  ClearRecordedLines();
  for (const std::string& text : {"cmd /c echo x > " + marker, std::string("C:\\windows\\system32\\calc.exe"),
                                   std::string("file:///C:/"), std::string("javascript:alert(1)"), web}) {
    OpenWebAddress(text);
  }
  NoticeLink.Set("cmd /c echo x > " + marker);
  bool close = false, focus = false;
  DispatchLoopEvent({LoopEventKind::kControl, NoticeBanner, kLeftClick, 0}, &close, &focus);
  NoticeLink.Set("https://www.vmd-author.test/other.html");
  DispatchLoopEvent({LoopEventKind::kControl, NoticeBanner, kLeftClick, 0}, &close, &focus);
  EXPECT_TRUE(WaitForRecordedLine("https://www.vmd-author.test/other.html", 10000));
  EXPECT_TRUE(WaitForRecordedLine(web, 10000));
  RunLoopFor(500);
  std::vector<std::string> recorded = RecordedLines();
  std::sort(recorded.begin(), recorded.end());
  EXPECT_EQ(recorded, (std::vector<std::string>{web, "https://www.vmd-author.test/other.html"}));
  bool started = false;
  ReadWholeFile(marker, &started);
  EXPECT_FALSE(started);
}

// A profile of 20,000 songs is listed whole: its last row, scrolled into view, shows its button
// over its State cell, and only the rows around the view have button windows.
TEST_F(MainLoopTest, TheLastOfTwentyThousandRowsShowsItsButton) {
  StartProfileRead("hugeband");
  ASSERT_TRUE(RunLoopUntil([] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0; }, 300000));
  ASSERT_EQ(SongRowCount(SongList), 20000);
  SendMessageA(SongList, LVM_ENSUREVISIBLE, 19999, FALSE);
  HWND button = nullptr;
  ASSERT_TRUE(RunLoopUntil([&button] {
    button = GetRowButton(SongList, 19999);
    return button != nullptr && IsWindowVisible(button);
  }, 10000));
  RECT cell;
  ASSERT_TRUE(StateCellBounds(SongList, 19999, &cell));
  POINT middle = {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  ClientToScreen(SongList, &middle);
  EXPECT_EQ(WindowFromPoint(middle), button);
  EXPECT_EQ(WindowTextOf(button), "Download");
  int buttons = 0;
  EnumChildWindows(SongList, [](HWND, LPARAM count) {
                     ++*reinterpret_cast<int*>(count);
                     return TRUE;
                   },
                   reinterpret_cast<LPARAM>(&buttons));
  EXPECT_LT(buttons, 40);  // the header and the buttons of a view and its margin
}

TEST_F(MainLoopTest, TheCloseRequestEndsTheLoop) {
  PostMessageA(MainWindow, WM_CLOSE, 0, 0);
  bool close = false, focus = false;
  for (int i = 0; i < 100 && !close; ++i) EventPass(&close, &focus);
  EXPECT_TRUE(close);
  EXPECT_TRUE(IsWindow(MainWindow));  // the end sequence closes it, not the loop
}

}  // namespace
