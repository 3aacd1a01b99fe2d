// The window as the user first sees it, the notice banner giving way to the ticker, the gliding
// home link, and a clean end on the close request.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "common/recorder_log.h"
#include "common/test_files.h"
#include "e2e/program_driver.h"
#include "e2e/program_test.h"

namespace {

class WindowTest : public ProgramTest {};

// A point of the window's client area, as a pixel of a screenshot of the whole window.
COLORREF ClientPixel(HWND window, const Screenshot& shot, int x, int y) {
  POINT at = {x, y};
  ClientToScreen(window, &at);
  return shot.Pixel(at.x - shot.screen.left, at.y - shot.screen.top);
}

int LeftOf(HWND control) { return ChildRect(control).left; }

TEST_F(WindowTest, OpensCollapsedWithItsTitleAndEndsWithExitCodeZero) {
  EXPECT_EQ(kProgramTitle, WindowTitle(run_.window));
  RECT client = {};
  ASSERT_TRUE(GetClientRect(run_.window, &client));
  EXPECT_EQ(400, client.right - client.left);
  EXPECT_EQ(185, client.bottom - client.top);

  // The start state: an empty four-column list, Go! usable, Save Songs not yet.
  EXPECT_TRUE(Visible(Control(run_, kSongListId)));
  EXPECT_EQ(0, SongRowCount(run_));
  const std::vector<ListColumn> columns = SongListColumns(run_);
  ASSERT_EQ(4u, columns.size());
  const ListColumn expected[] = {{"Name", 120}, {"URL", 180}, {"State", 88}, {"Path", 200}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(expected[i].title, columns[i].title) << "column " << i;
    EXPECT_EQ(expected[i].width, columns[i].width) << "column " << i;
  }
  EXPECT_TRUE(Enabled(Control(run_, kGoButtonId)));
  EXPECT_TRUE(Visible(Control(run_, kSaveButtonId)));
  EXPECT_FALSE(IsWindowEnabled(Control(run_, kSaveButtonId)));
  EXPECT_FALSE(Visible(Control(run_, kLoadingSpinnerId)));

  // The screenshot is taken once the window has painted its white canvas: the strip right of
  // the notice banner and the ticker's place shows the background alone.
  ParkPointer();
  Screenshot shot;
  const bool painted = PollUntil(
      [&] {
        return CaptureWindow(run_.window, &shot) &&
               ClientPixel(run_.window, shot, 395, 150) == RGB(255, 255, 255);
      },
      15000, 100);
  EXPECT_TRUE(painted) << "background pixel is 0x" << std::hex << ClientPixel(run_.window, shot, 395, 150);
  std::set<COLORREF> colours;
  for (int y = 0; y < shot.height; y += 3) {
    for (int x = 0; x < shot.width; x += 3) colours.insert(shot.Pixel(x, y));
  }
  EXPECT_GT(colours.size(), 8u) << "the screenshot shows hardly anything";
  const std::string png = Settings().output + "\\window.png";
  ASSERT_TRUE(WritePng(shot, png));
  bool exists = false;
  const std::string written = ReadWholeFile(png, &exists);
  ASSERT_TRUE(exists);
  EXPECT_EQ(0, written.compare(0, 8, "\x89PNG\r\n\x1a\n", 8));

  RequestClose(run_);
  DWORD exitCode = 1;
  ASSERT_TRUE(WaitForExit(run_, 30000, &exitCode)) << "the program did not end after WM_CLOSE";
  EXPECT_EQ(0u, exitCode);
  EXPECT_FALSE(IsWindow(run_.window));
}

TEST_F(WindowTest, NoticeBannerGivesWayToTickerAndHomeLinkGlidesUnlessPointedAt) {
  ParkPointer();
  HWND banner = Control(run_, kNoticeBannerId);
  HWND ticker = Control(run_, kTickerStripId);
  ASSERT_NE(nullptr, banner);
  ASSERT_NE(nullptr, ticker);
  EXPECT_TRUE(Visible(banner));
  EXPECT_FALSE(Visible(ticker));
  // The site serves a notice of 5 s; the banner gives way after it (at the latest after 10 s).
  ASSERT_TRUE(PollUntil([&] { return !Visible(banner) && Visible(ticker); }, 30000, 50))
      << "banner visible " << Visible(banner) << ", ticker visible " << Visible(ticker);

  HWND link = Control(run_, kHomeLinkId);
  ASSERT_NE(nullptr, link);
  const RECT first = ChildRect(link);
  EXPECT_TRUE(PollUntil([&] { return LeftOf(link) != first.left; }, 5000)) << "the home link stands at x "
                                                                            << first.left;
  const RECT later = ChildRect(link);
  EXPECT_EQ(first.top, later.top) << "the link glides along its row only";
  EXPECT_EQ(first.right - first.left, later.right - later.left);
  EXPECT_GE(later.left, 97);
  EXPECT_LE(later.left + (later.right - later.left), 401);

  // With the pointer on it the link stops (after at most a step or two already under way).
  MovePointer(CentreOf(link));
  int settled = LeftOf(link);
  ASSERT_TRUE(PollUntil(
      [&] {
        const int now = LeftOf(link);
        const bool still = now == settled;
        settled = now;
        return still;
      },
      5000, 150));
  EXPECT_FALSE(PollUntil([&] { return LeftOf(link) != settled; }, 700, 20))
      << "the link moved from x " << settled << " to " << LeftOf(link) << " under the pointer";

  ParkPointer();
  EXPECT_TRUE(PollUntil([&] { return LeftOf(link) != settled; }, 5000)) << "the link did not glide on";
}

// A program planted under a link's host name in the program's working folder is never started:
// the links go to the shell as web addresses.
TEST_F(WindowTest, TheLinksOpenWebAddressesAndNeverStartAProgram) {
  const std::string marker = MarkerOfTheProgram();
  DeleteFileA(marker.c_str());
  const std::string planted = ProgramNextToThisOne("marker_program.exe");
  for (const char* host : {"www.vmd-author.test", "www.verdimo.test"}) {
    ASSERT_TRUE(CopyFileA(planted.c_str(), run_.folder.File(host).c_str(), FALSE)) << host;
  }
  ClearRecordedLines();
  ClickAt(CentreOf(Control(run_, kHomeLinkId)));
  EXPECT_TRUE(WaitForRecordedLine("http://www.vmd-author.test", 15000)) << ::testing::PrintToString(RecordedLines());
  ClickAt(CentreOf(Control(run_, kSiteLinkId)));
  EXPECT_TRUE(WaitForRecordedLine("http://www.verdimo.test", 15000)) << ::testing::PrintToString(RecordedLines());
  EXPECT_FALSE(PollUntil([&] { return FileExists(marker); }, 2000, 100)) << "a planted program was started";
}

}  // namespace
