// The author's notice as the user meets it: the banner shows the notice image for the notice's
// time, a failed notice gives way to the ticker at once, a notice still on its way keeps the
// banner for the program's own 10 seconds, and a click opens nothing that is not a web address.
// The site's notice mode is set before each start, since every start fetches the notice.
#include <gtest/gtest.h>

#include <string>

#include "e2e/program_driver.h"
#include "common/site_control.h"

namespace {

constexpr COLORREF kNoticeField = RGB(0xF5, 0xE6, 0xA8);  // the served image's background

class NoticeTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_TRUE(SetNoticeMode("valid")); }

  void StartWithNotice(const char* mode, const std::string& data = "") {
    ASSERT_TRUE(SetNoticeMode(mode, data)) << "the site did not take the notice mode " << mode;
    ParkPointer();
    std::string problem;
    ASSERT_TRUE(StartProgram(&run_, &problem)) << problem;
    shown_ = GetTickCount();  // the loop, and with it the banner's time, begins after this
    banner_ = Control(run_, kNoticeBannerId);
    ticker_ = Control(run_, kTickerStripId);
    ASSERT_NE(nullptr, banner_);
    ASSERT_NE(nullptr, ticker_);
  }

  // Milliseconds left until ms after the window appeared (0 when that is past).
  DWORD Until(DWORD ms) const {
    const DWORD since = GetTickCount() - shown_;
    return since < ms ? ms - since : 0;
  }
  bool BannerGone() const { return !Visible(banner_) && Visible(ticker_); }

  TempFolder scratch_{"notice"};
  ProgramRun run_;
  DWORD shown_ = 0;
  HWND banner_ = nullptr;
  HWND ticker_ = nullptr;
};

TEST_F(NoticeTest, AValidNoticeShowsItsImageForItsFiveSeconds) {
  StartWithNotice("valid");
  Screenshot shot;
  EXPECT_TRUE(PollUntil([&] { return CaptureWindow(banner_, &shot) && shot.Pixel(2, 2) == kNoticeField; },
                        Until(4500), 50))
      << "the banner shows 0x" << std::hex << shot.Pixel(2, 2) << ", not the notice image";
  const RECT place = ChildRect(banner_);
  EXPECT_EQ(370, place.right - place.left);  // an image control takes its image's size
  EXPECT_EQ(20, place.bottom - place.top);
  EXPECT_FALSE(PollUntil([&] { return !Visible(banner_); }, Until(4500), 50)) << "the banner went early";
  // Gone after its own 5 s, well before the program's 10 s.
  EXPECT_TRUE(PollUntil([&] { return BannerGone(); }, Until(9000), 50))
      << "banner visible " << Visible(banner_) << ", ticker visible " << Visible(ticker_);
}

TEST_F(NoticeTest, ANoticeWhoseImageFailsGivesWayAtOnce) {
  StartWithNotice("truncated");
  EXPECT_TRUE(PollUntil([&] { return BannerGone(); }, Until(4000), 20))
      << "banner visible " << Visible(banner_) << ", ticker visible " << Visible(ticker_);
}

TEST_F(NoticeTest, ANoticeStillOnItsWayKeepsTheBannerTenSeconds) {
  StartWithNotice("slow");  // the notice data arrives only after 15 s
  EXPECT_FALSE(PollUntil([&] { return !Visible(banner_); }, Until(8500), 50)) << "the banner went early";
  EXPECT_TRUE(PollUntil([&] { return BannerGone(); }, Until(13500), 50))
      << "banner visible " << Visible(banner_) << ", ticker visible " << Visible(ticker_);
}

// A link that is a command line is never started: the click is ignored.
TEST_F(NoticeTest, AClickOnTheBannerStartsNoCommandFromTheNotice) {
  const std::string mark = scratch_.File("started.txt");
  StartWithNotice("valid", "60000;cmd /c echo started> " + mark);
  ASSERT_TRUE(Visible(banner_));
  ClickAt(CentreOf(banner_));
  EXPECT_FALSE(PollUntil([&] { return FileExists(mark); }, 4000, 50)) << "the notice's command ran";
  EXPECT_TRUE(ProgramRunning(run_));
  EXPECT_TRUE(Visible(banner_));
}

}  // namespace
