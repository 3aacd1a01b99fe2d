#include "shell/loop_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "wingui/row_button_place.h"
#include "wingui/song_states.h"

TEST(LoopTimers, ElapsedMustExceedTheLimitAcrossTheWrap) {
  struct Case {
    std::uint32_t start;
    std::uint32_t now;
    std::uint32_t limit;
    bool beyond;
  } cases[] = {
      {1000, 1000, 0, false},
      {1000, 1001, 0, true},
      {1000, 11000, 10000, false},
      {1000, 11001, 10000, true},
      {0xFFFFF000u, 0xFFFFF000u + 10000u, 10000, false},  // now has wrapped to a small value
      {0xFFFFF000u, 0xFFFFF000u + 10001u, 10000, true},
      {0xFFFFFFFFu, 0, 0, true},
      {0xFFFFFFFFu, 0, 1, false},
      {5, 4, 10000, true},  // a start in the future reads as almost 49.7 days ago
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TicksElapsedBeyond(c.start, c.now, c.limit), c.beyond)
        << c.start << " " << c.now << " " << c.limit;
  }
}

TEST(Banner, TimeComesFromTheNoticeUnlessItIsZero) {
  EXPECT_EQ(BannerTimeFor(0), 10000);
  EXPECT_EQ(BannerTimeFor(1), 1);
  EXPECT_EQ(BannerTimeFor(25000), 25000);
  EXPECT_EQ(BannerTimeFor(-3), -3);
}

TEST(Banner, EndsOnlyAfterStrictlyMoreThanItsTime) {
  const std::uint32_t start = 0xFFFFD8F0u;  // 10000 ms before the tick count wraps
  const std::int32_t time = BannerTimeFor(0);
  EXPECT_FALSE(BannerShouldEnd(start, time, start));
  EXPECT_FALSE(BannerShouldEnd(start, time, start + 9999u));
  EXPECT_FALSE(BannerShouldEnd(start, time, start + 10000u));  // == 0 after the wrap
  EXPECT_TRUE(BannerShouldEnd(start, time, start + 10001u));
  // A failed notice (time 1) ends it on the second millisecond.
  EXPECT_FALSE(BannerShouldEnd(500, BannerTimeFor(1), 501));
  EXPECT_TRUE(BannerShouldEnd(500, BannerTimeFor(1), 502));
  EXPECT_TRUE(BannerShouldEnd(500, -1, 500));
}

TEST(Banner, AClickOpensOnlyAWebLinkOrWithoutALinkTheHomePage) {
  const char* home = "http://home.test/";
  const struct {
    const char* link;
    BannerClickKind kind;
    const char* address;
  } cases[] = {
      {"", BannerClickKind::kOpenHomePage, home},
      {"https://x.test/news", BannerClickKind::kOpenWebAddress, "https://x.test/news"},
      {"cmd /c echo x", BannerClickKind::kNothing, ""},
      {"file:///C:/", BannerClickKind::kNothing, ""},
  };
  for (const auto& c : cases) {
    const BannerClickAction action = BannerClickFor(c.link, home);
    EXPECT_EQ(action.kind, c.kind) << c.link;
    EXPECT_EQ(action.address, c.address) << c.link;
  }
}

namespace {

constexpr const char* kTicker = "http://author.test/ticker.html";

struct Strip {
  std::string address;
  int reads = 0;
  explicit Strip(std::string present) : address(std::move(present)) {}
  std::function<std::string()> Reader() {
    return [this] {
      ++reads;
      return address;
    };
  }
};

void ExpectNoActions(const TickerActions& a) {
  EXPECT_FALSE(a.navigateBack);
  EXPECT_FALSE(a.openOutside);
  EXPECT_FALSE(a.focusUrlField);
}

}  // namespace

TEST(TickerWatch, AQuietStripKeepsTheTickerAddress) {
  Strip strip("about:blank");
  TickerWatch watch;
  for (std::uint32_t now = 100; now < 110; ++now) {
    ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, now));
    EXPECT_EQ(watch.seenAddress, kTicker);
    EXPECT_EQ(watch.pauseStart, 0u);
  }
  strip.address = kTicker;
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 200));
  strip.address = "";
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 201));
  EXPECT_EQ(watch.seenAddress, kTicker);
  EXPECT_EQ(strip.reads, 12);
}

TEST(TickerWatch, AFollowedLinkGoesBackAndPausesFor5000ms) {
  Strip strip(kTicker);
  TickerWatch watch;
  watch.seenAddress = kTicker;
  strip.address = "http://elsewhere.test/page";
  const TickerActions followed = TickerWatchStep(watch, strip.Reader(), kTicker, 70000);
  EXPECT_TRUE(followed.navigateBack);
  EXPECT_FALSE(followed.openOutside);
  EXPECT_TRUE(followed.focusUrlField);
  EXPECT_EQ(watch.seenAddress, "http://elsewhere.test/page");
  EXPECT_EQ(watch.pauseStart, 70000u);

  // During the pause the strip is not even read, whatever it shows.
  strip.address = "http://third.test/";
  const int readsBefore = strip.reads;
  for (std::uint32_t now : {70001u, 72000u, 75000u}) {
    ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, now));
    EXPECT_EQ(watch.pauseStart, 70000u);
  }
  EXPECT_EQ(strip.reads, readsBefore);

  // After the pause the present address is taken as seen, without acting on it.
  strip.address = kTicker;
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 75001));
  EXPECT_EQ(watch.pauseStart, 0u);
  EXPECT_EQ(watch.seenAddress, kTicker);
  EXPECT_EQ(strip.reads, readsBefore + 1);
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 75002));
}

TEST(TickerWatch, OnlyGoogleAddressesInAnyCaseAreOpenedOutside) {
  struct Case {
    const char* address;
    bool outside;
  } cases[] = {
      {"http://www.google.com/search?q=x", true},
      {"HTTP://WWW.GOOGLE.DE/", true},
      {"http://x.test/?r=GoOgLe", true},
      {"http://googl.e/", false},
      {"http://author.test/other.html", false},
  };
  for (const Case& c : cases) {
    Strip strip(c.address);
    TickerWatch watch;
    watch.seenAddress = kTicker;
    const TickerActions a = TickerWatchStep(watch, strip.Reader(), kTicker, 1234);
    EXPECT_TRUE(a.navigateBack) << c.address;
    EXPECT_TRUE(a.focusUrlField) << c.address;
    EXPECT_EQ(a.openOutside, c.outside) << c.address;
    EXPECT_EQ(watch.seenAddress, c.address);
  }
}

TEST(TickerWatch, BlankAddressesNeverCountAsFollowedLinks) {
  for (const char* blank : {"", "about:blank"}) {
    Strip strip(blank);
    TickerWatch watch;
    watch.seenAddress = "http://somewhere.test/";
    ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 10));
    EXPECT_EQ(watch.seenAddress, kTicker);
    EXPECT_EQ(watch.pauseStart, 0u);
  }
}

TEST(TickerWatch, APauseStartedAtTickZeroIsNotLost) {
  Strip strip("http://elsewhere.test/");
  TickerWatch watch;
  watch.seenAddress = kTicker;
  EXPECT_TRUE(TickerWatchStep(watch, strip.Reader(), kTicker, 0).navigateBack);
  EXPECT_NE(watch.pauseStart, 0u);
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 1));
  EXPECT_NE(watch.pauseStart, 0u);
  ExpectNoActions(TickerWatchStep(watch, strip.Reader(), kTicker, 5001));
  EXPECT_NE(watch.pauseStart, 0u);
  TickerWatchStep(watch, strip.Reader(), kTicker, 5002);
  EXPECT_EQ(watch.pauseStart, 0u);
}

TEST(TickerWatch, ThePauseEndsAcrossTheTickWrap) {
  Strip strip("http://elsewhere.test/");
  TickerWatch watch;
  watch.seenAddress = kTicker;
  const std::uint32_t start = 0xFFFFF000u;
  TickerWatchStep(watch, strip.Reader(), kTicker, start);
  TickerWatchStep(watch, strip.Reader(), kTicker, start + 5000u);
  EXPECT_EQ(watch.pauseStart, start);
  TickerWatchStep(watch, strip.Reader(), kTicker, start + 5001u);
  EXPECT_EQ(watch.pauseStart, 0u);
}

TEST(Glide, TheFullJourneyFrom97) {
  GlideState glide{97, 1, 0};
  std::uint32_t now = 50000;
  std::vector<int> xs;
  for (int step = 0; step < 2000; ++step) {
    now += 11;
    ASSERT_TRUE(GlideStep(glide, false, false, now));
    xs.push_back(glide.x);
  }
  // Out of the start, then to and fro between 99 and 309, one pixel per step.
  EXPECT_EQ(xs[0], 98);
  EXPECT_EQ(*std::max_element(xs.begin(), xs.end()), 309);
  const auto firstAt309 = std::find(xs.begin(), xs.end(), 309);
  ASSERT_NE(firstAt309, xs.end());
  EXPECT_EQ(firstAt309 - xs.begin(), 309 - 98);
  EXPECT_EQ(*std::min_element(firstAt309, xs.end()), 99);
  for (std::size_t i = 1; i < xs.size(); ++i) ASSERT_EQ(std::abs(xs[i] - xs[i - 1]), 1) << i;
  // A full round trip is 2 * (309 - 99) steps.
  const auto secondAt309 = std::find(firstAt309 + 1, xs.end(), 309);
  ASSERT_NE(secondAt309, xs.end());
  EXPECT_EQ(secondAt309 - firstAt309, 2 * (309 - 99));
}

TEST(Glide, TurnsExactlyAtTheEdges) {
  GlideState right{308, 1, 0};
  GlideStep(right, false, false, 100);
  EXPECT_EQ(right.x, 309);
  EXPECT_EQ(right.direction, 0);
  GlideState beforeRight{307, 1, 0};
  GlideStep(beforeRight, false, false, 100);
  EXPECT_EQ(beforeRight.direction, 1);

  GlideState left{100, 0, 0};
  GlideStep(left, false, false, 100);
  EXPECT_EQ(left.x, 99);
  EXPECT_EQ(left.direction, 1);
  GlideState beforeLeft{101, 0, 0};
  GlideStep(beforeLeft, false, false, 100);
  EXPECT_EQ(beforeLeft.direction, 0);
}

TEST(Glide, StepsOnlyAfterMoreThan10msAndRestartsTheIntervalWhenHeld) {
  GlideState glide{150, 1, 1000};
  EXPECT_FALSE(GlideStep(glide, false, false, 1010));
  EXPECT_EQ(glide.x, 150);
  EXPECT_EQ(glide.glideTime, 1000u);
  EXPECT_TRUE(GlideStep(glide, false, false, 1011));
  EXPECT_EQ(glide.x, 151);
  EXPECT_EQ(glide.glideTime, 1011u);

  // The pointer on the link or a pause: no move, and the interval starts anew.
  EXPECT_FALSE(GlideStep(glide, false, true, 1100));
  EXPECT_EQ(glide.glideTime, 1100u);
  EXPECT_FALSE(GlideStep(glide, true, false, 1200));
  EXPECT_EQ(glide.glideTime, 1200u);
  EXPECT_EQ(glide.x, 151);
  EXPECT_FALSE(GlideStep(glide, false, false, 1210));
  EXPECT_TRUE(GlideStep(glide, false, false, 1211));
  EXPECT_EQ(glide.x, 152);

  // Across the wrap of the tick count.
  GlideState wrapping{150, 0, 0xFFFFFFFAu};
  EXPECT_FALSE(GlideStep(wrapping, false, false, 4));
  EXPECT_TRUE(GlideStep(wrapping, false, false, 5));
  EXPECT_EQ(wrapping.x, 149);
}

TEST(WindowTitle, ShowsTheArtistUntrimmedUnlessBlank) {
  struct Case {
    const char* artist;
    const char* title;
  } cases[] = {
      {"", "Verdimo Music Downloader"},
      {"   ", "Verdimo Music Downloader"},
      {"Band", "Verdimo Music Downloader - Band"},
      {" Band  ", "Verdimo Music Downloader -  Band  "},
      {"\tBand", "Verdimo Music Downloader - \tBand"},
      {"\t", "Verdimo Music Downloader - \t"},
  };
  for (const Case& c : cases) EXPECT_EQ(WindowTitleFor(c.artist), c.title) << '"' << c.artist << '"';
}

TEST(RowActions, MenuAndDoubleClickPerState) {
  struct Case {
    const char* state;
    int menu;
    DoubleClickAction doubleClick;
  } cases[] = {
      {kStateNone, 0, DoubleClickAction::StartDownload},
      {kStateWaiting, 0, DoubleClickAction::StartDownload},
      {kStateFailed, 0, DoubleClickAction::StartDownload},
      {kStateReady, 1, DoubleClickAction::OpenFile},
      {kStateDownloading, 2, DoubleClickAction::None},
      {"Download", -1, DoubleClickAction::None},
      {"Waiting..", -1, DoubleClickAction::None},
      {"ready!", -1, DoubleClickAction::None},
      {"Ready! ", -1, DoubleClickAction::None},
      {" ", -1, DoubleClickAction::None},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MenuForState(c.state), c.menu) << '"' << c.state << '"';
    EXPECT_EQ(DoubleClickActionForState(c.state), c.doubleClick) << '"' << c.state << '"';
  }
}

TEST(TabStops, TabGoesRoundTheUsableStopsAndShiftTabBack) {
  const std::array<bool, kTabStopCount> all = {true, true, true, true}, noSave = {true, true, false, true}, none = {};
  const struct { std::array<bool, kTabStopCount> usable; int from; bool back; int next; } cases[] = {
      {all, 0, false, 1}, {all, 3, false, 0}, {all, 0, true, 3}, {all, -1, false, 0}, {all, -1, true, 3},
      {noSave, 1, false, 3}, {noSave, 3, true, 1}, {noSave, 2, true, 1}, {none, 1, true, -1}};
  for (const auto& c : cases) EXPECT_EQ(NextTabStop(c.from, c.back, c.usable), c.next) << c.from << c.back;
}

TEST(RowButtons, CoverTheStateCellLessTenPixelsOnEachSide) {
  const RowButtonRect r = RowButtonRectFor(300, 17, 388, 31);
  EXPECT_EQ(r.x, 310);
  EXPECT_EQ(r.y, 17);
  EXPECT_EQ(r.width, 68);
  EXPECT_EQ(r.height, 14);
  EXPECT_FALSE(RowButtonNeedsMove(r, 300, 17, 388, 31));
  EXPECT_TRUE(RowButtonNeedsMove(r, 301, 17, 389, 31));  // scrolled sideways
  EXPECT_TRUE(RowButtonNeedsMove(r, 300, 3, 388, 17));   // scrolled up one row
  EXPECT_TRUE(RowButtonNeedsMove(r, 300, 17, 390, 31));  // column widened
  EXPECT_TRUE(RowButtonNeedsMove(r, 300, 17, 388, 32));  // taller row
  // A narrow column gives a negative width; the comparison still holds.
  const RowButtonRect narrow = RowButtonRectFor(300, 0, 310, 14);
  EXPECT_EQ(narrow.width, -10);
  EXPECT_FALSE(RowButtonNeedsMove(narrow, 300, 0, 310, 14));
}

// Rows in view and a margin of kRowButtonMargin around them have buttons, never beyond the list.
TEST(RowButtons, OnlyTheRowsInViewAndTheirMarginHaveButtons) {
  const struct {
    int top, perPage, count, first, end;
  } cases[] = {
      {0, 6, 20000, 0, 12},          {100, 6, 20000, 95, 112}, {19994, 6, 20000, 19989, 20000},
      {0, 6, 3, 0, 3},               {0, 0, 0, 0, 0},          {0, -1, 4, 0, 4},
      {2147483640, 6, 5, 5, 5},
  };
  for (const auto& c : cases) {
    const RowButtonSpan span = RowButtonSpanFor(c.top, c.perPage, c.count);
    EXPECT_EQ(span.first, c.first) << c.top << " " << c.count;
    EXPECT_EQ(span.end, c.end) << c.top << " " << c.count;
  }
}

// The loop rests until the first timer's strict test holds, and never longer than the watch
// interval; a timer due now gives 0.
TEST(LoopWake, RestsUntilTheFirstTimerIsDueAndNoLongerThanTheWatchInterval) {
  const auto idle = [](std::uint32_t now) {
    LoopWakeInputs in;
    in.now = now;
    return in;
  };
  struct Case {
    const char* what;
    LoopWakeInputs in;
    std::uint32_t ticks;
  };
  std::vector<Case> cases;
  cases.push_back({"nothing running", idle(1000), kWatchInterval});
  LoopWakeInputs glide = idle(1000);
  glide.glideMoving = true;
  glide.glideTime = 1000;
  cases.push_back({"glide just stepped", glide, 11});
  glide.glideTime = 990;
  cases.push_back({"glide at exactly 10", glide, 1});
  glide.glideTime = 989;
  cases.push_back({"glide overdue", glide, 0});
  glide.glideTime = 0xFFFFFFFCu;  // across the wrap: 1004 ticks ago
  cases.push_back({"glide across the wrap", glide, 0});
  glide.now = 3;
  glide.glideTime = 0xFFFFFFFEu;  // 5 ticks ago
  cases.push_back({"glide across the wrap, not yet", glide, 6});
  LoopWakeInputs paused = glide;
  paused.glideMoving = false;
  cases.push_back({"glide paused", paused, kWatchInterval});
  LoopWakeInputs banner = idle(10000);
  banner.bannerShowing = true;
  banner.bannerStart = 100;
  banner.bannerTime = 9920;
  cases.push_back({"banner ends after 9920", banner, 21});
  banner.bannerTime = 9990;
  cases.push_back({"banner end beyond the watch interval", banner, kWatchInterval});
  banner.bannerStart = 0;
  banner.bannerTime = 10000;
  cases.push_back({"banner at exactly its time", banner, 1});
  banner.bannerTime = -1;
  cases.push_back({"negative banner time", banner, 0});
  banner.bannerTime = 100;
  banner.bannerShowing = false;
  cases.push_back({"banner gone", banner, kWatchInterval});
  LoopWakeInputs ticker = idle(6000);
  ticker.tickerPauseStart = 1000;
  cases.push_back({"ticker pause at exactly 5000", ticker, 1});
  ticker.tickerPauseStart = 990;
  cases.push_back({"ticker pause over", ticker, 0});
  ticker.tickerPauseStart = 5990;
  cases.push_back({"ticker pause far off", ticker, kWatchInterval});
  LoopWakeInputs buttons = glide;
  buttons.glideMoving = true;
  buttons.now = 1000;
  buttons.glideTime = 1000;
  buttons.imageButtonsDueIn = 4;
  cases.push_back({"a frame before the glide", buttons, 4});
  buttons.imageButtonsDueIn = 30;
  cases.push_back({"the glide before a frame", buttons, 11});
  for (const Case& c : cases) EXPECT_EQ(TicksUntilNextStep(c.in), c.ticks) << c.what;
}

// The pause learns the tick count's steps and the precise clock's lead, then waits until 1 ms
// before the change that reaches the due tick; without what it needs it waits 1 ms at a time.
TEST(LoopWake, APauseSliceWaitsUntilJustBeforeTheChangeThatReachesTheDueTick) {
  TickSteps steps;
  EXPECT_EQ(PauseSliceFor(steps, 1000, 1011, 1005), 1u);  // nothing read yet
  NoteTickReading(steps, 1000, 1007);
  EXPECT_EQ(PauseSliceFor(steps, 1000, 1011, 1007), 1u);  // no step seen yet
  NoteTickReading(steps, 1000, 1012);                     // the same value, later: nothing learnt
  NoteTickReading(steps, 1032, 1035);                     // an update was missed: 32
  NoteTickReading(steps, 1048, 1049);                     // read right after the change
  NoteTickReading(steps, 1048, 1060);                     // a late reading teaches nothing
  EXPECT_EQ(steps.step, 16u);
  EXPECT_EQ(steps.lead, 1);
  struct Case {
    std::uint32_t tickNow, dueTick, preciseNow, slice;
  } cases[] = {
      {1048, 1059, 1050, 14},  // the change to 1064 comes at 1065: woken at 1064
      {1048, 1064, 1050, 14},  // exactly one step
      {1048, 1065, 1050, 30},  // two changes to go
      {1048, 1059, 1062, 2},
      {1048, 1059, 1063, 1},   // close to the change: 1 ms at a time
      {1048, 1059, 1070, 1},   // the change is late
      {1048, 1048, 1050, 1},   // already due
      {1048, 1040, 1050, 1},   // past due
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PauseSliceFor(steps, c.tickNow, c.dueTick, c.preciseNow), c.slice)
        << c.tickNow << " " << c.dueTick << " " << c.preciseNow;
  }
  // Never more than one step beyond the ticks left, whatever the readings say.
  TickSteps odd = steps;
  odd.lead = 5000;
  EXPECT_EQ(PauseSliceFor(odd, 1048, 1059, 1050), 27u);
  // Across the wrap of both clocks.
  TickSteps wrapped;
  NoteTickReading(wrapped, 0xFFFFFFF0u, 0x5u);
  NoteTickReading(wrapped, 0u, 0x6u);
  EXPECT_EQ(wrapped.step, 16u);
  EXPECT_EQ(wrapped.lead, 6);
  EXPECT_EQ(PauseSliceFor(wrapped, 0, 11, 0x7u), 14u);
}
