// Timers and small state machines of the main loop.
#include "shell/loop_state.h"

#include <cstddef>

#include "base/program_constants.h"
#include "base/text_search.h"
#include "base/web_address.h"
#include "shell/window_layout.h"
#include "wingui/song_states.h"

namespace {

constexpr std::string_view kBlankPage = "about:blank";
bool ContainsGoogleInAnyCase(std::string_view address) {
  return LowerAnsi(address).find("google") != std::string::npos;
}

bool IsFreeState(std::string_view state) {
  return state == kStateNone || state == kStateWaiting || state == kStateFailed;
}

}  // namespace

bool TicksElapsedBeyond(std::uint32_t start, std::uint32_t now, std::uint32_t limit) {
  // Unsigned subtraction gives the right distance across the wrap of the tick count.
  return static_cast<std::uint32_t>(now - start) > limit;
}

std::int32_t BannerTimeFor(std::int32_t noticeTime) {
  return noticeTime != 0 ? noticeTime : kDefaultBannerTime;
}

bool BannerShouldEnd(std::uint32_t bannerStart, std::int32_t bannerTime, std::uint32_t now) {
  if (bannerTime < 0) return true;
  return TicksElapsedBeyond(bannerStart, now, static_cast<std::uint32_t>(bannerTime));
}

BannerClickAction BannerClickFor(std::string_view noticeLink, std::string_view homePage) {
  if (noticeLink.empty()) return {BannerClickKind::kOpenHomePage, std::string(homePage)};
  if (IsWebAddress(noticeLink)) return {BannerClickKind::kOpenWebAddress, std::string(noticeLink)};
  return {BannerClickKind::kNothing, std::string()};
}

TickerActions TickerWatchStep(TickerWatch& watch, const std::function<std::string()>& presentAddress,
                              std::string_view tickerAddress, std::uint32_t now) {
  TickerActions actions;
  if (watch.pauseStart != 0) {
    if (TicksElapsedBeyond(watch.pauseStart, now, kTickerPause)) {
      watch.seenAddress = presentAddress();
      watch.pauseStart = 0;
    }
    return actions;
  }
  const std::string old = watch.seenAddress;
  watch.seenAddress = presentAddress();
  if (watch.seenAddress != old && !watch.seenAddress.empty() && watch.seenAddress != kBlankPage) {
    actions.navigateBack = true;
    actions.openOutside = ContainsGoogleInAnyCase(watch.seenAddress);
    actions.focusUrlField = true;
    watch.pauseStart = now != 0 ? now : 1;
  } else {
    watch.seenAddress = std::string(tickerAddress);
  }
  return actions;
}

bool GlideStep(GlideState& state, bool paused, bool pointerOnLink, std::uint32_t now) {
  if (paused || pointerOnLink) {
    state.glideTime = now;
    return false;
  }
  if (!TicksElapsedBeyond(state.glideTime, now, kGlideInterval)) return false;
  state.glideTime = now;
  if (state.direction == 1) {
    state.x += 1;
    if (state.x + kHomeLinkPlace.width > kGlideRightLimit) state.direction = 0;
  } else {
    state.x -= 1;
    if (state.x < kGlideLeftLimit) state.direction = 1;
  }
  return true;
}

std::string WindowTitleFor(std::string_view artistName) {
  if (artistName.find_first_not_of(' ') == std::string_view::npos) return std::string(kProgramTitle);
  std::string title(kProgramTitle);
  title += " - ";
  title += artistName;
  return title;
}

int MenuForState(std::string_view state) {
  if (IsFreeState(state)) return 0;
  if (state == kStateReady) return 1;
  if (state == kStateDownloading) return 2;
  return -1;
}

DoubleClickAction DoubleClickActionForState(std::string_view state) {
  if (IsFreeState(state)) return DoubleClickAction::StartDownload;
  if (state == kStateReady) return DoubleClickAction::OpenFile;
  return DoubleClickAction::None;
}

int NextTabStop(int from, bool backward, const std::array<bool, kTabStopCount>& usable) {
  const int step = backward ? kTabStopCount - 1 : 1;
  int at = from >= 0 && from < kTabStopCount ? from : (backward ? 0 : kTabStopCount - 1);
  for (int tried = 0; tried < kTabStopCount; ++tried) {
    at = (at + step) % kTabStopCount;
    if (usable[static_cast<std::size_t>(at)]) return at;
  }
  return -1;
}

namespace {

// Ticks from now until more than limit ticks lie between start and now; 0 when they already do.
std::uint32_t TicksUntilBeyond(std::uint32_t start, std::uint32_t now, std::uint32_t limit) {
  const std::uint32_t elapsed = now - start;
  return elapsed > limit ? 0 : limit + 1 - elapsed;
}

}  // namespace

std::uint32_t TicksUntilNextStep(const LoopWakeInputs& in) {
  std::uint32_t due = kWatchInterval;
  const auto sooner = [&due](std::uint32_t ticks) { due = ticks < due ? ticks : due; };
  if (in.bannerShowing) {
    sooner(in.bannerTime < 0 ? 0
                             : TicksUntilBeyond(in.bannerStart, in.now, static_cast<std::uint32_t>(in.bannerTime)));
  }
  if (in.tickerPauseStart != 0) sooner(TicksUntilBeyond(in.tickerPauseStart, in.now, kTickerPause));
  if (in.glideMoving) sooner(TicksUntilBeyond(in.glideTime, in.now, kGlideInterval));
  if (in.imageButtonsDueIn >= 0) sooner(static_cast<std::uint32_t>(in.imageButtonsDueIn));
  return due;
}

void NoteTickReading(TickSteps& steps, std::uint32_t tick, std::uint32_t preciseNow) {
  const std::int32_t lead = static_cast<std::int32_t>(preciseNow - tick);
  if (!steps.read || lead < steps.lead) steps.lead = lead;
  if (steps.read && tick != steps.lastTick) {
    const std::uint32_t change = tick - steps.lastTick;
    if (change < 0x80000000u && (steps.step == 0 || change < steps.step)) steps.step = change;
  }
  steps.lastTick = tick;
  steps.read = true;
}

std::uint32_t PauseSliceFor(const TickSteps& steps, std::uint32_t tickNow, std::uint32_t dueTick,
                            std::uint32_t preciseNow) {
  const std::uint32_t ticksLeft = dueTick - tickNow;
  if (ticksLeft == 0 || ticksLeft >= 0x80000000u) return 1;
  if (!steps.read || steps.step == 0) return 1;
  const std::uint32_t changes = (ticksLeft + steps.step - 1) / steps.step;
  const std::uint32_t expected = tickNow + changes * steps.step + static_cast<std::uint32_t>(steps.lead) - 1;
  const std::int32_t untilExpected = static_cast<std::int32_t>(expected - preciseNow);
  if (untilExpected <= 1) return 1;
  const std::uint32_t slice = static_cast<std::uint32_t>(untilExpected);
  const std::uint32_t bound = ticksLeft + steps.step;
  return slice < bound ? slice : bound;
}
