// The main loop polls instead of blocking on the queue: each outer pass does the upkeep (banner
// timer, ticker watch, row-count watch, new list, row buttons, link glide, pending row click)
// and pauses; then event passes work off the queued events one by one, and upkeep runs again
// only once the queue is empty.
//
// The pause wakes at once for input, for a message another thread posts or sends (it serves
// sent messages meanwhile: every cell operation of a worker is one) and for WakeMainLoop. While
// a read, a transfer, a new list, a player movie, a row click or another change that workers
// make without a message is under way, it lasts 1 ms, as it always did. Otherwise it lasts until
// the next timer of the upkeep or of the image buttons is due, and at most kWatchInterval, the
// pace at which the loop looks at what it can only poll: the ticker's address, and the pointer
// off the window (a pointer that comes onto the window is input and wakes the loop at once).
#include "shell/main_loop.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "shell/profile_reader.h"
#include "wingui/row_button_place.h"
#include "wingui/row_buttons.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "base/text_search.h"
#include "shell/download_job.h"
#include "downloads/download_naming.h"
#include "downloads/playback.h"
#include "notice/author_constants.h"
#include "notice/notice_fetcher.h"
#include "host/browser_host.h"
#include "base/app_state.h"
#include "shell/read_results.h"
#include "base/threads.h"
#include "shell/layout.h"
#include "shell/loop_state.h"
#include "shell/player_step.h"
#include "shell/window_callback.h"
#include "shell/window_keys.h"
#include "shell/window_layout.h"
#include "shell/window_state.h"
#include "skin/image_button.h"
#include "skin/pointer_helpers.h"

namespace {

// Main thread only.
std::uint32_t BannerStart;
int BannerShowing;
TickerWatch Ticker;
int KnownRowCount;
int PrimaryButtonHeld;
int GlidePaused;
GlideState Glide;
HWND LinkUnderPointer;

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, &text[0], length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

// The upkeep steps return whether they changed anything on the screen.
bool NoticeBannerStep(std::uint32_t now) {
  if (!BannerShowing) return false;
  if (!BannerShouldEnd(BannerStart, BannerTimeFor(NoticeTime.load()), now)) return false;
  BannerShowing = 0;
  ShowWindow(TickerStrip, SW_SHOW);
  ShowWindow(NoticeBanner, SW_HIDE);
  return true;
}

bool TickerWatchPass(std::uint32_t now) {
  const TickerActions actions =
      TickerWatchStep(Ticker, [] { return BrowserLocation(TickerBrowser); }, TickerAddress, now);
  if (actions.navigateBack) NavigateBrowser(TickerBrowser, TickerAddress);
  // The address came from a page: it is opened only as a web address.
  if (actions.openOutside) OpenWebAddress(Ticker.seenAddress);
  if (actions.focusUrlField) SetFocus(UrlField);
  return actions.navigateBack || actions.openOutside || actions.focusUrlField;
}

void RowCountWatch() {
  const int count = SongRowCount(SongList);
  if (count == KnownRowCount) return;
  StartImageButtonEnabler(WindowImageButtons().Set(), SaveButton, count > 0);
  KnownRowCount = count;
}

// The SiteLink's tooltip follows SiteLinkTip, which a read publishes together with its other
// results; the tooltip itself is the window's, so it is written here on the window's thread.
std::string ShownSiteLinkTip;

void SiteLinkTipWatch() {
  std::string tip = SiteLinkTip.Get();
  if (tip == ShownSiteLinkTip) return;
  SetSiteLinkTooltip(tip);
  ShownSiteLinkTip.swap(tip);
}

// The list generation whose rows have their buttons: a read has ended and its rows show them.
// Only the rows in view and a few around them have a button window (the upkeep makes and takes
// them down as the list scrolls): a profile of many songs would otherwise ask for more windows
// than the system gives a process, and replacing its rows would be mostly destroying buttons.
int ButtonedGeneration;
constexpr int kNoButtonedGeneration = -2;

void GiveRowsTheirButtons() { ButtonedGeneration = ListGeneration.load(); }

// The title names the artist that the last read found on its profile page; a read that fetched
// no page leaves the plain title that its start set.
void UpdateTitle() {
  const std::string title = ArtistNameFound.load() ? WindowTitleFor(ArtistName.Get()) : kProgramTitle;
  SetWindowTextA(MainWindow, title.c_str());
}

bool PlayerAndNewListStep() {
  if (ProfileReadsRunning.load() != 0) return false;
  bool changed = false;
  if (PlayerPanel != nullptr && !PlayerMovieUrl.Get().empty()) {
    PlayerStep();
    changed = true;
  }
  if (SongListFilled.load() == 1) {
    GiveRowsTheirButtons();
    SongListFilled = 0;
    UpdateTitle();
    changed = true;
  }
  return changed;
}

// What the buttons' places and the rows' States depend on: the first row shown and its State
// cell (the scroll positions, the columns, the header), the number of rows and buttons, and the
// list's count of changes to its rows and cells (a row's marks included). While all of it stays
// as it was after a pass, another pass would find every button in its place, so it is left out.
struct RowButtonLayout {
  int top = -1;
  int count = -1;
  RECT topCell = {};
  bool topCellKnown = false;
  bool buttoned = false;
  std::size_t buttons = 0;
  unsigned long changes = 0;

  bool operator==(const RowButtonLayout& other) const {
    return top == other.top && count == other.count && topCellKnown == other.topCellKnown &&
           EqualRect(&topCell, &other.topCell) && buttoned == other.buttoned && buttons == other.buttons &&
           changes == other.changes;
  }
};
RowButtonLayout LastRowButtonLayout;

// Takes down the buttons of rows outside the span; returns whether there were any.
bool DropButtonsOutside(const RowButtonSpan& span) {
  std::vector<std::pair<int, HWND>> outside;
  for (const RowButtonRecord* record : RowButtonList) {
    if (!span.Holds(record->row)) outside.emplace_back(record->row, record->button);
  }
  for (const auto& gone : outside) {
    if (GetRowButton(SongList, gone.first) == gone.second) SetRowButton(SongList, gone.first, nullptr);
    DestroyRowDownloadButton(gone.second);
  }
  return !outside.empty();
}

// Brings one row's button to what the row needs: none once the row has been "Downloading...",
// one made when the list's rows have their buttons (made), and in its cell, shown unless the row
// is above the first one shown or taken by a job. Returns whether anything changed.
bool KeepRowButton(int row, int top, bool make, bool* moved) {
  HWND button = GetRowButton(SongList, row);
  if (button != nullptr && !IsWindow(button)) button = nullptr;
  if (SongRowLostButton(SongList, row) || GetSongCell(SongList, row, kColumnState) == kStateDownloading) {
    if (button == nullptr) return false;
    DestroyRowDownloadButton(button);
    SetRowButton(SongList, row, nullptr);
    return true;
  }
  if (button == nullptr) return make && CreateRowDownloadButton(SongList, row, SmallFont.get()) != nullptr;
  RECT cell;
  if (!StateCellBounds(SongList, row, &cell)) return false;
  RECT now;
  GetWindowRect(button, &now);
  MapWindowPoints(nullptr, SongList, reinterpret_cast<POINT*>(&now), 2);
  const RowButtonRect current = {now.left, now.top, now.right - now.left, now.bottom - now.top};
  if (!RowButtonNeedsMove(current, cell.left, cell.top, cell.right, cell.bottom)) return false;
  const RowButtonRect place = RowButtonRectFor(cell.left, cell.top, cell.right, cell.bottom);
  SetWindowPos(button, nullptr, place.x, place.y, place.width, place.height, SWP_NOZORDER | SWP_NOACTIVATE);
  // A button whose row a job has taken stays hidden until the job gives the row back.
  ShowWindow(button, row < top || SongRowTaken(SongList, row) ? SW_HIDE : SW_SHOW);
  *moved = true;
  return true;
}

bool RowButtonUpkeep() {
  const bool buttoned = ButtonedGeneration == ListGeneration.load();
  if (RowButtonList.empty() && !buttoned) return false;
  const int top = static_cast<int>(SendMessageA(SongList, LVM_GETTOPINDEX, 0, 0));
  const int count = SongRowCount(SongList);
  RowButtonLayout layout;
  layout.top = top;
  layout.count = count;
  layout.topCellKnown = StateCellBounds(SongList, top, &layout.topCell);
  layout.buttoned = buttoned;
  layout.buttons = RowButtonList.size();
  layout.changes = SongListChanges(SongList);
  if (layout == LastRowButtonLayout) return false;
  // Buttons made by other means than the upkeep (none of a read's rows) are only kept in place.
  RowButtonSpan span = {0, count};
  bool changed = false;
  if (buttoned) {
    span = RowButtonSpanFor(top, static_cast<int>(SendMessageA(SongList, LVM_GETCOUNTPERPAGE, 0, 0)), count);
    changed = DropButtonsOutside(span);
  }
  bool moved = false;
  for (int row = span.first; row < span.end; ++row) changed = KeepRowButton(row, top, buttoned, &moved) || changed;
  if (moved) {
    InvalidateRect(SongList, nullptr, TRUE);
    UpdateWindow(SongList);
  }
  // What this pass changed (buttons made, moved or gone) is part of the layout the next pass sees.
  LastRowButtonLayout = layout;
  LastRowButtonLayout.buttons = RowButtonList.size();
  LastRowButtonLayout.changes = SongListChanges(SongList);
  return changed;
}

// Reads the pointer, unless the image buttons' pass has just read it and nothing happened since.
void PointerAndGlide(std::uint32_t now, bool readAgain) {
  PointerReading pointer = {};
  if (!TakeKeptPointerReading(&pointer) || readAgain) {
    GetCursorPos(&pointer.at);
    pointer.under = WindowFromPoint(pointer.at);
  }
  WindowUnderPointer = pointer.under;
  PrimaryButtonHeld = IsMouseButtonDown(1);
  // The links show their hover colour while the pointer is on them.
  HWND link = (WindowUnderPointer == SiteLink || WindowUnderPointer == HomeLink) ? WindowUnderPointer : nullptr;
  if (link != LinkUnderPointer) {
    if (LinkUnderPointer != nullptr) InvalidateRect(LinkUnderPointer, nullptr, TRUE);
    if (link != nullptr) InvalidateRect(link, nullptr, TRUE);
    LinkUnderPointer = link;
  }
  const int oldX = Glide.x;
  if (GlideStep(Glide, GlidePaused != 0, WindowUnderPointer == HomeLink, now)) {
    RECT place;
    GetWindowRect(HomeLink, &place);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&place), 2);
    SetWindowPos(HomeLink, nullptr, Glide.x, place.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // The link draws without a background of its own: repaint the window's canvas under both
    // its old and its new place, or the text would smear.
    RECT trail = {std::min(oldX, Glide.x), place.top, std::max(oldX, Glide.x) + (place.right - place.left),
                  place.bottom};
    RedrawWindow(MainWindow, &trail, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
  if (!PrimaryButtonHeld) GlidePaused = 0;
}

// How one wait of a pause ended.
enum class PauseWait { kTimedOut, kServedSentMessages, kEnds };

// Waits up to slice ms for input, a posted or sent message or, with wakeable, WakeMainLoop.
// Messages that other threads send are served; the pause goes on after them unless something the
// loop takes is waiting. kEnds: input, a posted message, a paint, a timer, WakeMainLoop, or a
// failed wait.
PauseWait WaitOnce(DWORD slice, bool wakeable) {
  HANDLE wake = wakeable ? MainLoopWakeEvent() : nullptr;
  const DWORD handles = wake != nullptr ? 1 : 0;
  const DWORD woke = MsgWaitForMultipleObjectsEx(handles, &wake, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  if (woke == WAIT_TIMEOUT) return PauseWait::kTimedOut;
  if (woke != WAIT_OBJECT_0 + handles) return PauseWait::kEnds;
  MSG message;
  PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_PAINT | QS_TIMER | QS_HOTKEY)) != 0) {
    return PauseWait::kEnds;
  }
  return PauseWait::kServedSentMessages;
}

// Waits length ms by the precise clock, ending early as WaitOnce says.
void PauseFor(DWORD length, bool wakeable) {
  const DWORD start = timeGetTime();
  for (;;) {
    const DWORD elapsed = timeGetTime() - start;
    if (elapsed >= length) return;
    if (WaitOnce(length - elapsed, wakeable) != PauseWait::kServedSentMessages) return;
  }
}

// Waits up to 1 ms; returns early when input or a posted message arrives, and serves the
// messages that other threads send meanwhile.
void PauseOneMillisecond() { PauseFor(1, false); }

// The tick count's steps as the pauses have read them.
TickSteps TickReadings;

// Waits until the tick count has gone ticks further (the next timer's strict test then holds),
// returning early as PauseOneMillisecond does, and when a worker calls WakeMainLoop.
void PauseForTicks(std::uint32_t ticks) {
  const DWORD startTick = GetTickCount();
  const DWORD dueTick = startTick + ticks;
  for (;;) {
    const DWORD tick = GetTickCount();
    const DWORD precise = timeGetTime();
    NoteTickReading(TickReadings, tick, precise);
    if (tick - startTick >= ticks) return;
    if (WaitOnce(PauseSliceFor(TickReadings, tick, dueTick, precise), true) == PauseWait::kEnds) return;
  }
}

// Whether something runs that the loop follows by polling a value a worker writes.
bool WorkUnderWay() {
  return ProfileReadsRunning.load() > 0 || RunningDownloads.load() > 0 || ClickedRow > -1 ||
         NoticeFetcherRunning() || ImageButtonThreadsRunning() > 0 ||
         // Only with the player does step O4 act on a new list or a movie.
         (PlayerPanel != nullptr && (SongListFilled.load() == 1 || !PlayerMovieUrl.Get().empty()));
}

void PauseUntilNextStep() {
  if (WorkUnderWay()) return PauseOneMillisecond();
  LoopWakeInputs in;
  in.now = GetTickCount();
  in.bannerShowing = BannerShowing != 0;
  in.bannerStart = BannerStart;
  in.bannerTime = BannerTimeFor(NoticeTime.load());
  in.tickerPauseStart = Ticker.pauseStart;
  in.glideMoving = GlidePaused == 0 && WindowUnderPointer != HomeLink;
  in.glideTime = Glide.glideTime;
  in.imageButtonsDueIn = WindowImageButtons().TicksUntilChange(static_cast<std::int32_t>(kWatchInterval));
  const std::uint32_t ticks = TicksUntilNextStep(in);
  // Something due now still rests 1 ms, as the loop always did.
  if (ticks == 0) return PauseOneMillisecond();
  // Nothing is due within the watch's pace: no timer's test waits for a given tick, so one wait
  // of that length does, without stepping up to a change of the tick count.
  if (ticks >= kWatchInterval) return PauseFor(kWatchInterval, true);
  PauseForTicks(ticks);
}

void PendingRowClick() {
  if (ClickedRow <= -1) return;
  // The row is the job's from now on: its button hides at once.
  TakeSongRow(SongList, ClickedRow, true, ListGeneration.load());
  StartDownload(ClickedRow, "");
  ClickedRow = -1;
}

// At the pointer for a right click; asked for by a key, beside the row, under its Name cell.
void ShowRowMenu(int state, int besideRow) {
  if (state < 0 || state > 2) return;
  POINT at;
  RECT cell;
  if (besideRow >= 0 && NameCellBounds(SongList, besideRow, &cell)) {
    at = POINT{cell.left + 1, cell.bottom + 1};
    ClientToScreen(SongList, &at);
  } else {
    GetCursorPos(&at);
  }
  TrackPopupMenu(PopupMenus[state].get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x - 1,
                 at.y - 1, 0, MainWindow, nullptr);
}

void SongListEvent(int type) {
  const int row = SelectedSongRow(SongList);
  if (row < 0) return;
  const std::string state = GetSongCell(SongList, row, kColumnState);
  if (type == kLeftDoubleClick) {
    switch (DoubleClickActionForState(state)) {
      case DoubleClickAction::StartDownload:
        StartDownload(row, "");
        break;
      case DoubleClickAction::OpenFile:
        OpenSavedSong(GetSongCell(SongList, row, kColumnPath));
        break;
      case DoubleClickAction::None:
        break;
    }
  } else if (type == kRightClick || type == kMenuKey) {
    ShowRowMenu(MenuForState(state), type == kMenuKey ? row : -1);
  }
}

void MenuEvent(int item) {
  if (item == kReturnEvent) {
    if (GetFocus() == UrlField) StartProfileRead(WindowText(UrlField));
    return;
  }
  const int row = SelectedSongRow(SongList);
  if (row < 0) return;
  switch (item) {
    case kDownloadSongItem:
      StartDownload(row, "");
      break;
    case kCopyUrlItem:
      CopyTextToClipboard(GetSongCell(SongList, row, kColumnUrl));
      break;
    case kPlayItem:
      OpenSavedSong(GetSongCell(SongList, row, kColumnPath));
      break;
    default:
      break;
  }
}

void ControlEvent(HWND control, int type, bool* focusEvent) {
  if (control == HomeLink) {
    OpenLink(kAuthorHomeHost);
  } else if (control == NoticeBanner) {
    const BannerClickAction click = BannerClickFor(NoticeLink.Get(), kAuthorHomePage);
    if (click.kind == BannerClickKind::kOpenWebAddress) OpenWebAddress(click.address);
    if (click.kind == BannerClickKind::kOpenHomePage) OpenLink(click.address);
  } else if (control == SiteLink) {
    OpenLink(SiteLinkTip.Get());
  } else if (control == UrlField) {
    if (type != kFocusGained) return;
    PrimaryButtonHeld = 1;
    GlidePaused = 1;
    SendMessageA(UrlField, EM_SETSEL, 0, GetWindowTextLengthA(UrlField) + 1);
    Sleep(100);
    *focusEvent = true;
  } else if (control == SongList) {
    SongListEvent(type);
  } else {
    WindowImageButtons().Press(control, type);
  }
}

void PointerMoved() {
  if (!IsWindowVisible(NoticeBanner) || GetCursor() == HandCursor) return;
  POINT at;
  RECT banner;
  GetCursorPos(&at);
  GetWindowRect(NoticeBanner, &banner);
  if (PtInRect(&banner, at)) SetCursor(HandCursor);
}

// Set by the end sequence; the spinner's thread ends at its next step.
std::atomic<bool> SpinnerStopping;
UniqueKernelHandle SpinnerThread;

DWORD WINAPI SpinnerAnimator(void*) {
  int previous = 0, visible = 0, frame = 0;
  for (;;) {
    Sleep(120);
    if (SpinnerStopping.load()) return 0;
    previous = visible;
    visible = LoadingSpinner != nullptr && IsWindowVisible(LoadingSpinner);
    HWND spinner = LoadingSpinner;
    if (previous != visible) {
      frame = 0;
      SendMessageA(spinner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SpinnerFrames[0].get()));
    }
    if (visible) {
      frame = (frame + 1) % 24;
      SendMessageA(spinner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SpinnerFrames[frame].get()));
    }
  }
}

}  // namespace

void BeginMainLoop() {
  ForgetPointerReading();
  LastRowButtonLayout = RowButtonLayout();
  ButtonedGeneration = kNoButtonedGeneration;
  BannerStart = GetTickCount();
  BannerShowing = 1;
  Ticker = TickerWatch();
  KnownRowCount = 0;
  ShownSiteLinkTip = SiteLinkTip.Get();
  PrimaryButtonHeld = 0;
  GlidePaused = 0;
  LinkUnderPointer = nullptr;
  RECT place = {kHomeLinkPlace.x, 0, 0, 0};
  if (HomeLink != nullptr) {
    GetWindowRect(HomeLink, &place);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&place), 2);
  }
  Glide = GlideState{static_cast<int>(place.left), 1, 0};
}

void OuterPass() {
  bool changed = NoticeBannerStep(GetTickCount());
  changed = TickerWatchPass(GetTickCount()) || changed;
  RowCountWatch();
  SiteLinkTipWatch();
  changed = PlayerAndNewListStep() || changed;
  changed = RowButtonUpkeep() || changed;
  PointerAndGlide(GetTickCount(), changed);
  PauseUntilNextStep();
  PendingRowClick();
}

void DispatchLoopEvent(const LoopEvent& event, bool* closeRequested, bool* focusEvent) {
  switch (event.kind) {
    case LoopEventKind::kClose:
      *closeRequested = true;
      break;
    case LoopEventKind::kPointerMoved:
      PointerMoved();
      break;
    case LoopEventKind::kControl:
      ControlEvent(event.control, event.type, focusEvent);
      break;
    case LoopEventKind::kMenu:
      MenuEvent(event.item);
      break;
  }
}

namespace {

// Save Songs asks for its folder; Go! reads what the field holds, unless that is blank.
void ImageButtonCommand(HWND clicked) {
  if (clicked == nullptr) return;
  ForgetPointerReading();
  if (clicked == SaveButton) {
    SaveAllSongs();
  } else if (clicked == GoButton) {
    const std::string text = WindowText(UrlField);
    if (!TrimBlanks(text).empty()) StartProfileRead(text);
  }
}

}  // namespace

bool EventPass(bool* closeRequested, bool* focusEvent) {
  ImageButtons& buttons = WindowImageButtons();
  buttons.Animate();
  buttons.TrackPointer();
  ImageButtonCommand(buttons.PollClick());
  // One message a pass: the window callback records what it means as loop events, which are then
  // carried out here, on the loop's own level, and not inside the window procedure.
  MSG message;
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  ForgetPointerReading();
  if (message.message == WM_MOUSEMOVE) RecordLoopEvent({LoopEventKind::kPointerMoved, nullptr, 0, 0});
  const KeyRoute key = RouteWindowKey(message);
  ImageButtonCommand(key.press);
  if (!key.taken && (key.bypassShortcut || !TranslateAcceleratorA(MainWindow, ReturnShortcut.get(), &message))) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  LoopEvent event;
  while (TakeLoopEvent(&event)) {
    DispatchLoopEvent(event, closeRequested, focusEvent);
    if (*closeRequested) break;
  }
  return true;
}

void RunMainLoop() {
  BeginMainLoop();
  bool closeRequested = false;
  while (!closeRequested) {
    OuterPass();
    bool focusEvent = false;
    while (EventPass(&closeRequested, &focusEvent) && !closeRequested && !focusEvent) {
    }
  }
}

void StartSpinnerAnimator() {
  if (SpinnerThread) return;
  SpinnerStopping = false;
  SpinnerThread = StartOwnedThread(SpinnerAnimator, nullptr);
}

// The spinner's thread gives LoadingSpinner its frames with messages to this thread, so the wait
// serves them.
void StopSpinnerAnimator() {
  if (!SpinnerThread) return;
  SpinnerStopping = true;
  HANDLE thread = SpinnerThread.get();
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  SpinnerThread.reset();
}

MainLoopView CurrentMainLoopView() {
  return MainLoopView{BannerShowing != 0, KnownRowCount, Glide.x, Glide.direction};
}
