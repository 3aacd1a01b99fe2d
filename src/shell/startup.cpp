// Start-up reads as the list of its steps; each step is a call with a name. Everything made
// here is released together by the end sequence.
#include "shell/startup.h"

#include <windows.h>
#include <wininet.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <urlmon.h>

#include <memory>

#include "acquisition/site_constants.h"
#include "notice/author_constants.h"
#include "notice/notice_fetcher.h"
#include "notice/text_unscrambler.h"
#include "resources/bitmaps.h"
#include "resources/builtin_images.h"
#include "host/browser_host.h"
#include "base/app_state.h"
#include "host/player_host.h"
#include "base/app_state.h"
#include "shell/layout.h"
#include "base/program_constants.h"
#include "shell/main_loop.h"
#include "shell/download_job.h"
#include "shell/read_results.h"
#include "shell/window_state.h"
#include "shell/song_rows.h"
#include "shell/window_callback.h"
#include "wingui/row_buttons.h"
#include "shell/window_layout.h"
#include "skin/image_button.h"
#include "skin/pointer_helpers.h"

namespace {


void InitialisePlatform() {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES |
                                                         ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // The loop's 1 ms pause and the workers' 1 ms pauses mean 1 ms, not a 15.6 ms tick.
  timeBeginPeriod(1);
}

// The panels' pages come from servers the program does not control. For this process the browser
// keeps them from rising into the local machine's zone, locks that zone down, starts no download
// of theirs and opens no window they ask for beyond its rules. A feature the system does not know
// is simply left out.
void RestrictBrowserFeatures() {
  const INTERNETFEATURELIST features[] = {FEATURE_ZONE_ELEVATION, FEATURE_LOCALMACHINE_LOCKDOWN,
                                          FEATURE_RESTRICT_FILEDOWNLOAD, FEATURE_WINDOW_RESTRICTIONS};
  for (INTERNETFEATURELIST feature : features) {
    CoInternetSetFeatureEnabled(feature, SET_FEATURE_ON_PROCESS, TRUE);
  }
}

// GuiLock is made once per process and never deleted: a worker may still hold it when the
// window closes.
void CreateGuiLock() {
  static bool made;
  if (!made) InitializeCriticalSection(&GuiLock);
  made = true;
}

void OpenHttpSession() {
  HttpSession = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
}

void LoadCursors() {
  WaitCursor = LoadCursorA(nullptr, IDC_WAIT);
  ArrowCursor = LoadCursorA(nullptr, IDC_ARROW);
  HandCursor = LoadCursorA(nullptr, IDC_HAND);
}

void UnscrambleNoticeAddresses() {
  NoticeBaseAddress = TextUnscrambler(kScrambledNoticeBase);
  NoticePath = TextUnscrambler(kScrambledNoticePath);
}

void MakeBrushes() {
  HollowBrush = static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH));
  WhiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255)));
}

void BuildPopupMenus() {
  const struct {
    int menu;
    int item;
    const char* text;
  } items[] = {{0, kDownloadSongItem, "Download Song"}, {0, kCopyUrlItem, "Copy URL"}, {1, kPlayItem, "Play"},
               {1, kCopyUrlItem, "Copy URL"}, {2, kCopyUrlItem, "Copy URL"}};
  for (UniqueMenu& menu : PopupMenus) menu.reset(CreatePopupMenu());
  for (const auto& item : items) {
    AppendMenuA(PopupMenus[item.menu].get(), MF_STRING, static_cast<UINT_PTR>(item.item), item.text);
  }
}

HFONT ComicSans(int points) {
  const ScreenDc screen;
  const int height = -MulDiv(points, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
  return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH,
                     "Comic Sans MS");
}

void LoadFonts() {
  SmallFont.reset(ComicSans(7));
  NormalFont.reset(ComicSans(9));
}

// The white canvas with the header strip across its top; the strip itself is freed once drawn.
void PaintBackgroundCanvas() {
  UniqueBitmap header(LoadBuiltinBitmap(kHeaderStripImage, 400, 26));
  BackgroundCanvas.reset(SolidBitmap(kWindowWidth, kFullPlayerForm.clientHeight, RGB(255, 255, 255)));
  const ScreenDc screen;
  UniqueMemoryDc canvasDc(CreateCompatibleDC(screen.get()));
  UniqueMemoryDc headerDc(CreateCompatibleDC(screen.get()));
  const ScopedSelectObject canvas(canvasDc.get(), BackgroundCanvas.get());
  const ScopedSelectObject strip(headerDc.get(), header.get());
  BitBlt(canvasDc.get(), 0, 0, 400, 26, headerDc.get(), 0, 0, SRCCOPY);
}

void DecodeButtonAndSpinnerImages() {
  for (int i = 0; i < 4; ++i) {
    GoImages[i].reset(LoadBuiltinBitmap(kGoImages[i], 55, 23));
    SaveImages[i].reset(LoadBuiltinBitmap(kSaveImages[i], 78, 23));
  }
  for (int i = 0; i < kSpinnerFrameCount; ++i) {
    SpinnerFrames[i].reset(LoadBuiltinBitmap(SpinnerImageName(i), 84, 84));
  }
  BlankBannerImage.reset(SolidBitmap(370, 20, RGB(255, 255, 255)));
}

void UseCanvasAsBackground() {
  BackgroundBrush.reset(CreatePatternBrush(BackgroundCanvas.get()));
  SetClassLongPtrA(MainWindow, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(BackgroundBrush.get()));
  InvalidateRect(MainWindow, nullptr, TRUE);
}

void AddReturnShortcut() {
  ACCEL returnKey = {FVIRTKEY, VK_RETURN, kReturnEvent};
  ReturnShortcut.reset(CreateAcceleratorTableA(&returnKey, 1));
}

void ShowMainWindow() {
  ShowWindow(MainWindow, SW_SHOW);
  UpdateWindow(MainWindow);
}

// Releases what only the main thread uses. What a reader or the notice fetcher may still be using
// when the window closes (the HTTP session, GuiLock) is left to the end of the process: no thread
// is ever stopped, so nothing they touch is torn down. The image buttons go once no enabler runs:
// a read reaches them only through their controls, gone with the window, and only under GuiLock.
void ReleaseResources() {
  for (UniqueMenu& menu : PopupMenus) menu.reset();
  ReturnShortcut.reset();
  RemoveTickerMouseHook();
  WaitForImageButtonThreads();
  ForgetImageButtonChanges();
  {
    GuiLockHold hold;  // a read that is still ending may enable Go! meanwhile
    WindowButtons.reset();
  }
  ForgetLoopEvents();
  for (UniqueBitmap& image : GoImages) image.reset();
  for (UniqueBitmap& image : SaveImages) image.reset();
  for (UniqueBitmap& image : SpinnerFrames) image.reset();
  BlankBannerImage.reset();
  // A fetcher still running may publish its image later; the process ends before that matters.
  if (HBITMAP noticeImage = NoticeImage.exchange(nullptr)) DeleteObject(noticeImage);
  BackgroundCanvas.reset();
  SmallFont.reset();
  NormalFont.reset();
  WhiteBrush.reset();
  ForgetRowButtons();
  ReleaseFlashControl();
  // ATL.dll stays loaded: a control host may still have threads in it, and the process ends next.
  // The window class owns its background brush and deletes it with the class.
  BackgroundBrush.release();
  UnregisterClassA(kMainWindowClass, ModuleInstance);
  UnregisterClassA(kPanelClass, ModuleInstance);
  timeEndPeriod(1);
}

// A job may still be asking for a file name when the window closes; its dialog would wait for an
// answer that no one gives, and the end sequence for the job. The user has closed the program:
// the dialog is answered as cancelled.
BOOL CALLBACK CancelDialogOfThisProcess(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char className[16] = "";
  GetClassNameA(window, className, sizeof(className));
  if (process == GetCurrentProcessId() && lstrcmpA(className, "#32770") == 0) {
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

}  // namespace

bool StartUp() {
  ResetSongRows();
  ResetRowClick();
  ForgetRowButtons();
  ResetReadResults();
  ResetWindowState();
  ResetDownloads();
  InitialisePlatform();
  RestrictBrowserFeatures();
  CreateGuiLock();
  OpenHttpSession();
  LoadCursors();
  LoadControlHost();
  SiteLinkTip.Set(SiteHomeHost);
  UnscrambleNoticeAddresses();
  MakeBrushes();
  BuildPopupMenus();
  LoadFonts();
  PaintBackgroundCanvas();
  DecodeButtonAndSpinnerImages();
  StartNoticeFetcher(WindowNotice, HttpSession);
  MainWindow = OpenMainWindow();
  if (MainWindow == nullptr) return false;
  UseCanvasAsBackground();
  AddReturnShortcut();
  WindowButtons = std::make_unique<ImageButtons>();
  CreateControls(*WindowButtons);
  ShowMainWindow();
  SaveFolder.clear();
  SetSiteLinkTooltip(SiteLinkTip.Get());
  TickerAddress = NoticeBaseAddress + NoticePath + TextUnscrambler(kScrambledTickerPage);
  StartSpinnerAnimator();
  NavigateBrowser(TickerBrowser, TickerAddress);
  SetFocus(UrlField);
  return true;
}


void EndSequence() {
  if (MainWindow != nullptr) DestroyWindow(MainWindow);
  MainWindow = nullptr;
  NoticeBanner = nullptr;  // gone with the window; a late notice image finds no banner
  // Songs of Save Songs that have not begun are not started any more.
  DropWaitingDownloads();
  // Jobs still running write their rows through the list, which is gone now; they only need
  // time to finish their files. Messages are still pumped so nothing of theirs waits on us.
  while (RunningDownloads.load() > 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    EnumWindows(CancelDialogOfThisProcess, 0);
    Sleep(1);
  }
  StopSpinnerAnimator();
  ReleaseResources();
}

// The process ends here, with every thread still running (a read, an enabler) ended by the
// system together with it: returning from the entry would first run the destructors of the
// globals those threads may still be using.
int VerdimoMain() {
  if (StartUp()) RunMainLoop();
  EndSequence();
  ExitProcess(0);
}
