// The main loop's timers and small state machines, as functions of explicit state and the
// present tick count, so the loop itself only reads the clock and the controls and acts on the
// answers. Tick counts are 32-bit milliseconds that wrap after 49.7 days; every timer compares
// the wrapped difference and ends only when it exceeds its limit.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Whether more than limit milliseconds lie between start and now.
bool TicksElapsedBeyond(std::uint32_t start, std::uint32_t now, std::uint32_t limit);

// --- Notice banner -------------------------------------------------------------------------

constexpr std::int32_t kDefaultBannerTime = 10000;

// The banner's display time: noticeTime when it is not 0, else kDefaultBannerTime.
std::int32_t BannerTimeFor(std::int32_t noticeTime);

// Whether the banner shown since bannerStart has been up longer than bannerTime. A negative
// time ends it at once, as any elapsed time exceeds it.
bool BannerShouldEnd(std::uint32_t bannerStart, std::int32_t bannerTime, std::uint32_t now);

// What a click on the banner opens. The notice link came from a server: it is opened only when
// it is a web address (IsWebAddress), and then only as an address, never started as a program.
// Without a link the program's own home page is opened as before.
enum class BannerClickKind { kNothing, kOpenWebAddress, kOpenHomePage };
struct BannerClickAction {
  BannerClickKind kind;
  std::string address;
};
BannerClickAction BannerClickFor(std::string_view noticeLink, std::string_view homePage);

// --- Ticker watch --------------------------------------------------------------------------

// How long the watch rests after it sent the strip back.
constexpr std::uint32_t kTickerPause = 5000;

struct TickerWatch {
  std::string seenAddress;     // last address read from the strip, or the ticker's own address
  std::uint32_t pauseStart = 0;  // 0 = no pause running
};

// What the loop does after a watch step.
struct TickerActions {
  bool navigateBack = false;   // navigate the strip to the ticker's address
  bool openOutside = false;    // open watch.seenAddress with the default program
  bool focusUrlField = false;  // give the keyboard focus to the address field
};

// One watch step. presentAddress reads the strip's location; it is called only when the watch
// looks at the strip (not during a pause). An address other than the one seen before, and
// neither "" nor "about:blank", is a followed link: the strip goes back, the field gets the
// focus, the pause starts, and an address containing "google" in any letter case is also opened
// outside. A pause starting at tick 0 is stored as starting at 1, since 0 means "no pause".
TickerActions TickerWatchStep(TickerWatch& watch, const std::function<std::string()>& presentAddress,
                              std::string_view tickerAddress, std::uint32_t now);

// --- Home link glide -----------------------------------------------------------------------

constexpr std::uint32_t kGlideInterval = 10;

struct GlideState {
  int x;                    // the link's present x
  int direction;            // 1 = moving right, 0 = moving left
  std::uint32_t glideTime;  // tick of the last step (or of the last paused pass)
};

// One glide pass: when neither paused nor under the pointer and more than kGlideInterval has
// passed, the link moves one pixel; returns whether it moved (state.x is the new x). The
// direction turns when the link's right edge passes x 400 or its left edge falls below x 100.
// A paused pass restarts the interval, so the glide resumes one full interval later.
bool GlideStep(GlideState& state, bool paused, bool pointerOnLink, std::uint32_t now);

// --- Window title --------------------------------------------------------------------------

// "Verdimo Music Downloader" when artistName is blank (spaces only) or empty, else that title,
// " - " and artistName as it is.
std::string WindowTitleFor(std::string_view artistName);

// --- Row actions by State ------------------------------------------------------------------

// The popup menu a right click on a row opens: 0 for "", "Waiting..." and "Failed!", 1 for
// "Ready!", 2 for "Downloading...", -1 (none) for any other text.
int MenuForState(std::string_view state);

enum class DoubleClickAction { None, StartDownload, OpenFile };

// StartDownload for "", "Waiting..." and "Failed!", OpenFile for "Ready!", None otherwise.
DoubleClickAction DoubleClickActionForState(std::string_view state);

// --- Keyboard focus ------------------------------------------------------------------------

// The window's tab stops, in the order Tab visits them: the address field, Go!, Save Songs and
// the song list.
constexpr int kTabStopCount = 4;

// The stop that Tab (Shift+Tab: backward) moves the focus to from stop from (-1: the focus is on
// none of them, and then Tab starts at the first, Shift+Tab at the last): the next usable one
// round the loop, from itself when it is the only one; -1 when none is usable.
int NextTabStop(int from, bool backward, const std::array<bool, kTabStopCount>& usable);

// --- When the loop next has something to do -----------------------------------------------

// The longest the loop rests without input: what it can only poll (the ticker's address, the
// pointer after it has left the window, a button held outside it) is looked at this often.
constexpr std::uint32_t kWatchInterval = 50;

// What the loop's timers stand at after an outer pass.
struct LoopWakeInputs {
  std::uint32_t now = 0;
  bool bannerShowing = false;
  std::uint32_t bannerStart = 0;
  std::int32_t bannerTime = 0;
  std::uint32_t tickerPauseStart = 0;  // 0 = no pause running
  bool glideMoving = false;             // neither paused nor under the pointer
  std::uint32_t glideTime = 0;
  std::int32_t imageButtonsDueIn = -1;  // ticks until the next image-button change; -1 = none
};

// Ticks from now until the first timer's strict test first holds (banner end, ticker pause end,
// next glide step, next image-button frame), at most kWatchInterval; 0 when one is due now.
std::uint32_t TicksUntilNextStep(const LoopWakeInputs& in);

// The tick count moves in steps (16 ms under Wine, 15 or 16 ms on Windows) and changes to a value
// close to the precise clock's at that moment. The pause learns both from the readings it takes:
// the smallest change seen, and the smallest lead of the precise clock over the tick count (a
// reading taken right after a change). A late reading never makes either larger.
struct TickSteps {
  std::uint32_t lastTick = 0;
  std::uint32_t step = 0;  // smallest change seen; 0 = none seen yet
  std::int32_t lead = 0;   // smallest precise clock minus tick count seen
  bool read = false;
};
void NoteTickReading(TickSteps& steps, std::uint32_t tick, std::uint32_t preciseNow);

// One wait of a pause that lasts until the tick count reaches dueTick: once the steps are known,
// until 1 ms before the precise clock reaches the change that gets there (by the value it will
// change to, plus the lead), else 1 ms; at least 1 ms, and never more than one step beyond the
// ticks left, whatever the readings.
std::uint32_t PauseSliceFor(const TickSteps& steps, std::uint32_t tickNow, std::uint32_t dueTick,
                            std::uint32_t preciseNow);
