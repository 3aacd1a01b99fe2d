// The main loop polls instead of blocking on the queue: each outer pass does the upkeep (banner
// timer, ticker watch, row-count watch, new list, row buttons, link glide, pending row click)
// and pauses 1 ms; then event passes work off the queued events one by one, and upkeep runs
// again only once the queue is empty.
//
// The 1 ms pause wakes early for input, and while it lasts it serves the messages that workers
// send to the controls (every cell operation of a worker is one such message), so a worker that
// adds a thousand rows does not wait a whole pass for each.
#include "shell/main_loop.h"

#include <commctrl.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>

#include "acquisition/profile_reader.h"
#include "acquisition/song_list.h"
#include "acquisition/text_search.h"
#include "downloads/download_job.h"
#include "downloads/download_naming.h"
#include "downloads/playback.h"
#include "notice/author_constants.h"
#include "host/browser_host.h"
#include "shell/app_state.h"
#include "shell/layout.h"
#include "shell/loop_state.h"
#include "shell/window_callback.h"
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

void NoticeBannerStep(std::uint32_t now) {
  if (!BannerShowing) return;
  if (BannerShouldEnd(BannerStart, BannerTimeFor(NoticeTime.load()), now)) {
    BannerShowing = 0;
    ShowWindow(TickerStrip, SW_SHOW);
    ShowWindow(NoticeBanner, SW_HIDE);
  }
}

void TickerWatchPass(std::uint32_t now) {
  const TickerActions actions =
      TickerWatchStep(Ticker, [] { return BrowserLocation(TickerBrowser); }, TickerAddress, now);
  if (actions.navigateBack) NavigateBrowser(TickerBrowser, TickerAddress);
  if (actions.openOutside) OpenWithDefaultProgram(Ticker.seenAddress, false);
  if (actions.focusUrlField) SetFocus(UrlField);
}

void RowCountWatch() {
  const int count = SongRowCount();
  if (count == KnownRowCount) return;
  StartThread(count > 0 ? ImageButtonEnabler : ImageButtonDisabler, SaveButton);
  KnownRowCount = count;
}

void GiveRowsTheirButtons() {
  const int count = SongRowCount();
  for (int row = 0; row < count; ++row) CreateRowDownloadButton(row);
}

// The title names the artist that the last read found on its profile page; a read that fetched
// no page leaves the plain title that its start set.
void UpdateTitle() {
  const std::string title = ArtistNameFound.load() ? WindowTitleFor(ArtistName.Get()) : kProgramTitle;
  SetWindowTextA(MainWindow, title.c_str());
}

void PlayerAndNewListStep() {
  if (ProfileReadsRunning.load() != 0) return;
  if (PlayerPanel != nullptr && !PlayerMovieUrl.Get().empty()) PlayerStep();
  if (SongListFilled.load() == 1) {
    GiveRowsTheirButtons();
    SongListFilled = 0;
    UpdateTitle();
  }
}

void RowButtonUpkeep() {
  if (RowButtonList.empty()) return;
  const int top = static_cast<int>(SendMessageA(SongList, LVM_GETTOPINDEX, 0, 0));
  const int count = SongRowCount();
  bool moved = false;
  for (int row = 0; row < count; ++row) {
    HWND button = GetRowButton(row);
    if (button == nullptr || !IsWindow(button)) continue;
    RECT cell;
    if (StateCellBounds(row, &cell)) {
      RECT now;
      GetWindowRect(button, &now);
      MapWindowPoints(nullptr, SongList, reinterpret_cast<POINT*>(&now), 2);
      const RowButtonRect current = {now.left, now.top, now.right - now.left, now.bottom - now.top};
      if (RowButtonNeedsMove(current, cell.left, cell.top, cell.right, cell.bottom)) {
        const RowButtonRect place = RowButtonRectFor(cell.left, cell.top, cell.right, cell.bottom);
        SetWindowPos(button, nullptr, place.x, place.y, place.width, place.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(button, row < top ? SW_HIDE : SW_SHOW);
        moved = true;
      }
    }
    if (GetSongCell(row, kColumnState) == kStateDownloading) {
      DestroyRowDownloadButton(button);
      SetRowButton(row, nullptr);
    }
  }
  if (moved) {
    InvalidateRect(SongList, nullptr, TRUE);
    UpdateWindow(SongList);
  }
}

void PointerAndGlide(std::uint32_t now) {
  POINT cursor;
  GetCursorPos(&cursor);
  WindowUnderPointer = WindowFromPoint(cursor);
  PrimaryButtonHeld = IsMouseButtonDown() ? 1 : 0;
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
    InvalidateRect(MainWindow, &trail, TRUE);
  }
  if (!PrimaryButtonHeld) GlidePaused = 0;
}

// Waits up to 1 ms; returns early when input or a posted message arrives, and serves the
// messages that other threads send meanwhile.
void PauseOneMillisecond() {
  const DWORD start = timeGetTime();
  for (;;) {
    const DWORD elapsed = timeGetTime() - start;
    if (elapsed >= 1) return;
    const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, 1 - elapsed, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (woke != WAIT_OBJECT_0) return;
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    if (HIWORD(GetQueueStatus(QS_INPUT | QS_POSTMESSAGE | QS_PAINT | QS_TIMER | QS_HOTKEY)) != 0) return;
  }
}

void PendingRowClick() {
  if (ClickedRow <= -1) return;
  ShowWindow(ClickedButton, SW_HIDE);
  StartDownload(ClickedRow, "");
  ClickedRow = -1;
}

void ShowRowMenu(int state) {
  if (state < 0 || state > 2) return;
  POINT at;
  GetCursorPos(&at);
  TrackPopupMenu(PopupMenus[state].get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x - 1,
                 at.y - 1, 0, MainWindow, nullptr);
}

void SongListEvent(int type) {
  const int row = SelectedSongRow();
  if (row < 0) return;
  const std::string state = GetSongCell(row, kColumnState);
  if (type == kLeftDoubleClick) {
    switch (DoubleClickActionForState(state)) {
      case DoubleClickAction::StartDownload:
        StartDownload(row, "");
        break;
      case DoubleClickAction::OpenFile:
        OpenWithDefaultProgram(GetSongCell(row, kColumnPath), true);
        break;
      case DoubleClickAction::None:
        break;
    }
  } else if (type == kRightClick) {
    ShowRowMenu(MenuForState(state));
  }
}

void MenuEvent(int item) {
  if (item == kReturnEvent) {
    if (GetFocus() == UrlField) StartProfileRead(WindowText(UrlField));
    return;
  }
  const int row = SelectedSongRow();
  if (row < 0) return;
  switch (item) {
    case 0:
      StartDownload(row, "");
      break;
    case 1:
      CopyTextToClipboard(GetSongCell(row, kColumnUrl));
      break;
    case 2:
      OpenWithDefaultProgram(GetSongCell(row, kColumnPath), true);
      break;
    default:
      break;
  }
}

void ControlEvent(HWND control, int type, bool* focusEvent) {
  if (control == HomeLink) {
    OpenWithDefaultProgram(kAuthorHomeHost, false);
  } else if (control == NoticeBanner) {
    const std::string link = NoticeLink.Get();
    OpenWithDefaultProgram(link.empty() ? std::string(kAuthorHomePage) : link, false);
  } else if (control == SiteLink) {
    OpenWithDefaultProgram(SiteLinkTip.Get(), false);
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
    PressImageButton(control, type);
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

DWORD WINAPI SpinnerAnimator(void*) {
  int previous = 0, visible = 0, frame = 0;
  for (;;) {
    Sleep(120);
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
  BannerStart = GetTickCount();
  BannerShowing = 1;
  Ticker = TickerWatch();
  KnownRowCount = 0;
  PrimaryButtonHeld = 0;
  GlidePaused = 0;
  LinkUnderPointer = nullptr;
  RECT place = {97, 0, 0, 0};
  if (HomeLink != nullptr) {
    GetWindowRect(HomeLink, &place);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&place), 2);
  }
  Glide = GlideState{static_cast<int>(place.left), 1, 0};
}

void OuterPass() {
  NoticeBannerStep(GetTickCount());  // O1
  TickerWatchPass(GetTickCount());   // O2
  RowCountWatch();                   // O3
  PlayerAndNewListStep();            // O4
  RowButtonUpkeep();                 // O5
  PointerAndGlide(GetTickCount());   // O6
  PauseOneMillisecond();             // O7
  PendingRowClick();                 // O8
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

bool EventPass(bool* closeRequested, bool* focusEvent) {
  AnimateImageButtons();  // E1
  TrackImageButtonPointer();
  HWND clicked = PollImageButtonClick();
  if (clicked != nullptr && clicked == SaveButton) {  // E2
    SaveAllSongs();
  } else if (clicked != nullptr && clicked == GoButton) {
    const std::string text = WindowText(UrlField);
    if (!TrimBlanks(text).empty()) StartProfileRead(text);
  }
  MSG message;  // E3
  if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
  if (message.message == WM_MOUSEMOVE) RecordLoopEvent({LoopEventKind::kPointerMoved, nullptr, 0, 0});
  if (!TranslateAcceleratorA(MainWindow, ReturnShortcut.get(), &message)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  LoopEvent event;  // E4
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

// The new read's list generation and its count in ProfileReadsRunning are taken here, on the
// loop's thread, before the list is cleared: a read still running from before can then add no
// row to the new list, and the loop never sees the new read as ended before it began.
void StartProfileRead(const std::string& text) {
  const int generation = ListGeneration.fetch_add(1) + 1;
  ProfileReadsRunning.fetch_add(1);
  ClearSongList();
  ShowWindow(SongList, SW_HIDE);
  ShowWindow(LoadingSpinner, SW_SHOW);
  ShowWindow(SidePanelLeft, SW_SHOW);
  ShowWindow(SidePanelRight, SW_SHOW);
  UpdateWindow(MainWindow);
  SetWindowTextA(MainWindow, kProgramTitle);
  auto* request = new ProfileReadRequest{text, generation};
  if (!StartThread(ProfileReader, request)) {
    delete request;
    ProfileReadsRunning.fetch_sub(1);
  }
}

namespace {

// Waits until the last job has taken its copy of the hand-over record. A job takes it before
// any control operation, so the wait cannot block on the jobs; it serves their messages to the
// list meanwhile, so the jobs already started get on with their rows.
void WaitForRequestTaken() {
  while (DownloadRequest.row.load() != -1) {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    Sleep(0);
  }
}

}  // namespace

// Every start waits until the previous job has taken the one hand-over record, so two quick
// starts never lose a download.
void StartDownload(int row, const std::string& targetPath) {
  WaitForRequestTaken();
  DownloadRequest.targetPath = targetPath;
  DownloadRequest.row.store(row);
  if (!StartThread(DownloadJob, &DownloadRequest)) DownloadRequest.row.store(-1);
}

namespace {

int CALLBACK FolderChooserStart(HWND dialog, UINT message, LPARAM, LPARAM start) {
  if (message == BFFM_INITIALIZED && start != 0 && *reinterpret_cast<const char*>(start) != '\0') {
    SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, start);
  }
  return 0;
}

std::string ChooseFolder(const std::string& start) {
  char display[MAX_PATH] = "";
  BROWSEINFOA browse = {};
  browse.hwndOwner = MainWindow;
  browse.pszDisplayName = display;
  browse.lpszTitle = "";
  browse.ulFlags = BIF_RETURNONLYFSDIRS;
  browse.lpfn = FolderChooserStart;
  browse.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&browse);
  if (chosen == nullptr) return std::string();
  char path[MAX_PATH] = "";
  const BOOL ok = SHGetPathFromIDListA(chosen, path);
  CoTaskMemFree(chosen);
  if (!ok || path[0] == '\0') return std::string();
  std::string folder = path;
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace

void SaveAllSongs() {
  const std::string chosen = ChooseFolder(SaveFolder);
  if (chosen.empty()) return;  // cancelled: SaveFolder keeps its value
  SaveFolder = chosen;
  SaveSongsIntoFolder(SaveFolder);
}

// Every row is started, whatever its State; each start waits only until its job has taken the
// request, so the whole list transfers side by side. Titles come from the network: each is made
// a safe file name before it is joined to the folder.
void SaveSongsIntoFolder(const std::string& folder) {
  for (int row = 0; row < SongRowCount(); ++row) {
    const std::string name = GetSongCell(row, kColumnName);
    StartDownload(row, folder + SafeFileName(name, folder.size()));
    WaitForRequestTaken();
  }
}

void OpenWithDefaultProgram(const std::string& text, bool isDownloadedFile) {
  if (text.empty()) return;
  if (!isDownloadedFile) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::string commandLine = text;
    if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return;
    }
  }
  // A saved song is only ever opened, never started as a program: its bytes came from the
  // network.
  const size_t slash = text.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
  SHELLEXECUTEINFOA shell = {};
  shell.cbSize = sizeof(shell);
  shell.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
  shell.lpVerb = isDownloadedFile ? "open" : "Open";
  shell.lpFile = text.c_str();
  shell.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  shell.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&shell);
}

void StartSpinnerAnimator() {
  static bool started;
  if (!started) started = StartThread(SpinnerAnimator, nullptr);
}

MainLoopView CurrentMainLoopView() {
  return MainLoopView{BannerShowing != 0, KnownRowCount, Glide.x, Glide.direction};
}
