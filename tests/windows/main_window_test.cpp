// The real window and its controls, made by start-up in this process.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

#include "wingui/row_buttons.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "host/player_host.h"
#include "program_fixture.h"
#include "shell/layout.h"
#include "shell/window_callback.h"

namespace {

using MainWindowTest = ProgramTest;

TEST_F(MainWindowTest, ClientAreaTitleAndFrame) {
  RECT client;
  GetClientRect(MainWindow, &client);
  EXPECT_EQ(client.right - client.left, 400);
  EXPECT_EQ(client.bottom - client.top, 185);
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader");
  const LONG_PTR style = GetWindowLongPtrA(MainWindow, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(IsWindowVisible(MainWindow));
}

TEST_F(MainWindowTest, WindowSitsCentredAndRaisedByOneHundredPixels) {
  RECT frame;
  GetWindowRect(MainWindow, &frame);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  EXPECT_NEAR(frame.left, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, 1);
  EXPECT_NEAR(frame.top, (GetSystemMetrics(SM_CYSCREEN) - height) / 2 - 100, 1);
}

TEST_F(MainWindowTest, ControlsStandAtTheirPlacesWithTheirVisibility) {
  struct Expected {
    const char* name;
    HWND control;
    int x, y, width, height;
    bool visible;
  } const expected[] = {
      {"SidePanelLeft", SidePanelLeft, 0, 26, 150, 119, false},
      {"SidePanelRight", SidePanelRight, 234, 26, 150, 119, false},
      {"TickerStrip", TickerStrip, 15, 147, 370, 18, false},
      {"NoticeBanner", NoticeBanner, 0, 145, 370, 20, true},  // an image control takes its image's size
      {"UrlField", UrlField, 93, 2, 170, 20, true},
      {"GoButton", GoButton, 265, 1, 55, 23, true},
      {"SongList", SongList, 0, 25, 400, 120, true},
      {"SaveButton", SaveButton, 321, 1, 78, 23, true},
      {"SiteLink", SiteLink, 2, 165, 95, 20, true},
      {"HomeLink", HomeLink, 97, 165, 92, 20, true},
      {"LoadingSpinner", LoadingSpinner, 150, 40, 84, 84, false},
      {"PlayerPanel", PlayerPanel, 0, 145, 400, 300, false},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.name);
    ASSERT_NE(e.control, nullptr);
    EXPECT_EQ(GetParent(e.control), MainWindow);
    const RECT rect = ChildRect(e.control);
    EXPECT_EQ(rect.left, e.x);
    EXPECT_EQ(rect.top, e.y);
    EXPECT_EQ(rect.right - rect.left, e.width);
    EXPECT_EQ(rect.bottom - rect.top, e.height);
    EXPECT_EQ(IsWindowVisible(e.control) != FALSE, e.visible);
  }
  // The test prefix has the stand-in player: it fills PlayerPanel, on white.
  EXPECT_EQ(FlashReady, 1);
  ASSERT_NE(FlashControl, nullptr);
  long colour = 0;
  EXPECT_EQ(FlashControl->get_BackgroundColor(&colour), S_OK);
  EXPECT_EQ(colour, 0xFFFFFF);
  HWND player = GetWindow(PlayerPanel, GW_CHILD);
  ASSERT_NE(player, nullptr);
  const RECT rect = ChildRect(player);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 300);
}

TEST_F(MainWindowTest, AddressFieldHasTheFocusAndSaveSongsStartsDisabled) {
  EXPECT_EQ(GetFocus(), UrlField);
  EXPECT_FALSE(IsWindowEnabled(SaveButton));
  EXPECT_TRUE(IsWindowEnabled(GoButton));
  EXPECT_EQ(WindowTextOf(SiteLink), "www.verdimo.test");
  EXPECT_EQ(WindowTextOf(HomeLink), "www.vmd-author.test");
  EXPECT_EQ(SiteLinkTip.Get(), "www.verdimo.test");
  EXPECT_EQ(TickerAddress, "http://www.vmd-author.test/downloader/verdimo/notice/files/ticker.html");
}

TEST_F(MainWindowTest, SongListHasItsStylesAndFourColumns) {
  const LONG_PTR style = GetWindowLongPtrA(SongList, GWL_STYLE);
  EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(style & LVS_SINGLESEL);
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(GetWindowLongPtrA(SongList, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  const LRESULT extended = SendMessageA(SongList, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
  EXPECT_TRUE(extended & LVS_EX_GRIDLINES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  const char* titles[] = {"Name", "URL", "State", "Path"};
  const int widths[] = {120, 180, 88, 200};
  for (int i = 0; i < 4; ++i) {
    char text[32] = "";
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = text;
    column.cchTextMax = sizeof(text);
    ASSERT_TRUE(SendMessageA(SongList, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(text, titles[i]);
    EXPECT_EQ(column.cx, widths[i]);
  }
  LVCOLUMNA fifth = {};
  fifth.mask = LVCF_WIDTH;
  EXPECT_FALSE(SendMessageA(SongList, LVM_GETCOLUMNA, 4, reinterpret_cast<LPARAM>(&fifth)));
  EXPECT_EQ(SongRowCount(SongList), 0);
  EXPECT_EQ(SelectedSongRow(SongList), -1);
}

TEST_F(MainWindowTest, RowsAreAddedInOrderWithEmptyStateAndPath) {
  EXPECT_TRUE(AddSongRow(SongList, "First", "http://a/1.mp3", 0));
  EXPECT_TRUE(AddSongRow(SongList, "Second", "", 1));
  EXPECT_TRUE(AddSongRow(SongList, "Third", "http://a/3.mp3", 2));
  ASSERT_EQ(SongRowCount(SongList), 3);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnName), "First");
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnUrl), "http://a/1.mp3");
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnName), "Second");
  EXPECT_EQ(GetSongCell(SongList, 1, kColumnUrl), "");
  EXPECT_EQ(GetSongCell(SongList, 2, kColumnName), "Third");
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(GetSongCell(SongList, row, kColumnState), "");
    EXPECT_EQ(GetSongCell(SongList, row, kColumnPath), "");
    EXPECT_EQ(GetRowButton(SongList, row), nullptr);
  }
}

// Runs the loop (which carries out the worker's cell operations) until the worker has added its
// 300 rows "Song k" with "http://x/k", and checks them.
void ExpectSongsFromWorker(std::thread& worker) {
  RunLoopUntil([] { return SongRowCount(SongList) == 300; });
  worker.join();
  ASSERT_EQ(SongRowCount(SongList), 300);
  for (int i = 0; i < 300; i += 37) {
    EXPECT_EQ(GetSongCell(SongList, i, kColumnName), "Song " + std::to_string(i));
    EXPECT_EQ(GetSongCell(SongList, i, kColumnUrl), "http://x/" + std::to_string(i));
  }
}

TEST_F(MainWindowTest, RowsFromASecondThreadArriveInOrder) {
  // The worker's cell operations are carried out by this thread while it runs the loop. The
  // list is hidden, as it is while a read fills it.
  ShowWindow(SongList, SW_HIDE);
  std::thread worker([] {
    for (int i = 0; i < 300; ++i) AddSongRow(SongList, "Song " + std::to_string(i), "http://x/" + std::to_string(i), i);
  });
  ExpectSongsFromWorker(worker);
}

// A read sends its rows in batches into the hidden list; the list must stay hidden (turning its
// redrawing back on may not show it), a shown list must stay shown, and an older read's batch
// must add nothing.
TEST_F(MainWindowTest, BatchesKeepTheOrderTheListsLookAndTheGeneration) {
  std::vector<SongRowCells> rows;
  for (int i = 0; i < 300; ++i) rows.push_back({"Song " + std::to_string(i), "http://x/" + std::to_string(i)});
  const int generation = ListGeneration.load();
  ShowWindow(SongList, SW_HIDE);
  std::thread worker([&rows, generation] {
    std::size_t next = 0;
    for (std::size_t batch = 1; next < rows.size(); next += batch, batch *= 2) {
      AddSongRows(SongList, rows, next, batch, static_cast<int>(next), generation);
    }
  });
  ExpectSongsFromWorker(worker);
  EXPECT_EQ(GetWindowLongPtrA(SongList, GWL_STYLE) & WS_VISIBLE, 0);
  ShowWindow(SongList, SW_SHOW);
  EXPECT_EQ(AddSongRows(SongList, rows, 0, 2, 300, generation), 2);
  EXPECT_TRUE(IsWindowVisible(SongList));
  ListGeneration.fetch_add(1);
  EXPECT_EQ(AddSongRows(SongList, rows, 0, 5, 302, generation), 0);
  EXPECT_EQ(SongRowCount(SongList), 302);
}

TEST_F(MainWindowTest, CellsRoundTripIncludingLongAndHighBytes) {
  AddSongRow(SongList, "Row", "http://a", 0);
  const std::string longText(3000, 'x');
  const std::string highBytes = "Caf\xE9 \x80\x92 \xFF";
  const struct {
    int column;
    std::string text;
  } cases[] = {{kColumnName, highBytes}, {kColumnUrl, longText}, {kColumnState, "Downloading..."},
               {kColumnPath, "C:\\music\\Row.mp3"}, {kColumnState, ""}};
  for (const auto& c : cases) {
    EXPECT_TRUE(SetSongCell(SongList, 0, c.column, c.text));
    EXPECT_EQ(GetSongCell(SongList, 0, c.column), c.text);
  }
}

TEST_F(MainWindowTest, WritesOfAnOlderListGenerationAreRefused) {
  const int generation = ListGeneration.load();
  EXPECT_TRUE(AddSongRow(SongList, "Mine", "", 0, generation));
  ListGeneration.fetch_add(1);
  EXPECT_FALSE(AddSongRow(SongList, "Stale", "", 1, generation));
  EXPECT_FALSE(SetSongCell(SongList, 0, kColumnState, "Ready!", generation));
  EXPECT_EQ(SongRowCount(SongList), 1);
  EXPECT_EQ(GetSongCell(SongList, 0, kColumnState), "");
  EXPECT_TRUE(SetSongCell(SongList, 0, kColumnState, "Ready!", ListGeneration.load()));
}

TEST_F(MainWindowTest, RowButtonCoversTheStateCellLessTenPixelsEachSide) {
  for (int i = 0; i < 3; ++i) AddSongRow(SongList, "Song", "url", i);
  for (int row = 0; row < 3; ++row) {
    HWND button = CreateRowDownloadButton(SongList, row, SmallFont.get());
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetRowButton(SongList, row), button);
    EXPECT_EQ(GetParent(button), SongList);
    EXPECT_EQ(WindowTextOf(button), "Download");
    RECT cell = {};
    cell.top = 2;
    cell.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageA(SongList, LVM_GETSUBITEMRECT, row, reinterpret_cast<LPARAM>(&cell)));
    const RECT rect = ChildRect(button);
    EXPECT_EQ(rect.left, cell.left + 10);
    EXPECT_EQ(rect.top, cell.top);
    EXPECT_EQ(rect.right - rect.left, cell.right - cell.left - 20);
    EXPECT_EQ(rect.bottom - rect.top, cell.bottom - cell.top);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(button, GWLP_WNDPROC)), RowButtonProc);
  }
  EXPECT_EQ(RowButtonList.size(), 3u);
}

TEST_F(MainWindowTest, ClearSongListDestroysEveryRowButtonAndEmptiesTheList) {
  HWND buttons[4];
  for (int i = 0; i < 4; ++i) AddSongRow(SongList, "Song", "url", i);
  for (int i = 0; i < 4; ++i) buttons[i] = CreateRowDownloadButton(SongList, i, SmallFont.get());
  ClearSongList(SongList);
  for (HWND button : buttons) EXPECT_FALSE(IsWindow(button));
  EXPECT_TRUE(RowButtonList.empty());
  EXPECT_EQ(SongRowCount(SongList), 0);
  ClearSongList(SongList);  // an empty list stays as it is
  EXPECT_EQ(SongRowCount(SongList), 0);
}

TEST_F(MainWindowTest, ReleaseOverARowButtonNotesItsRowOnlyWhenThePointerIsOnIt) {
  AddSongRow(SongList, "Song", "url", 0);
  HWND button = CreateRowDownloadButton(SongList, 0, SmallFont.get());
  ASSERT_NE(button, nullptr);
  WindowUnderPointer = nullptr;  // the press was dragged off the button
  SendMessageA(button, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(ClickedRow, -1);
  WindowUnderPointer = button;
  SendMessageA(button, WM_LBUTTONUP, 0, 0);
  EXPECT_EQ(ClickedRow, 0);
  EXPECT_EQ(ClickedButton, button);
  ClickedRow = -1;
}

}  // namespace

namespace {

std::string SiteLinkTooltipText() {
  char text[256] = "";
  TOOLINFOA tool = {};
  tool.cbSize = sizeof(tool);
  tool.hwnd = MainWindow;
  tool.uId = reinterpret_cast<UINT_PTR>(SiteLink);
  tool.lpszText = text;
  SendMessageA(SiteLinkTooltip, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&tool));
  return text;
}

TEST_F(MainWindowTest, SiteLinkTooltipFollowsTheTipAlsoFromAWorker) {
  ASSERT_NE(SiteLinkTooltip, nullptr);
  EXPECT_EQ(SiteLinkTooltipText(), "www.verdimo.test");
  std::thread worker([] { SetSiteLinkTooltip("http://www.verdimo.test/someband"); });
  RunLoopUntil([] { return SiteLinkTooltipText() == "http://www.verdimo.test/someband"; }, 5000);
  worker.join();
  EXPECT_EQ(SiteLinkTooltipText(), "http://www.verdimo.test/someband");
}

}  // namespace
