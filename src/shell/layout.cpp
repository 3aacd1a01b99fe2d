// The window's controls are made in a fixed order with fixed places; the main loop later shows,
// hides and moves them. Browser panels whose control cannot be hosted simply stay empty.
#include "shell/layout.h"

#include <commctrl.h>

#include "acquisition/site_constants.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "wingui/tooltip.h"
#include "notice/author_constants.h"
#include "notice/notice_fetcher.h"
#include "host/browser_host.h"
#include "notice/text_unscrambler.h"
#include "host/player_host.h"
#include "base/app_state.h"
#include "shell/window_callback.h"
#include "shell/window_layout.h"
#include "shell/window_state.h"
#include "skin/image_button.h"
#include "skin/pointer_helpers.h"

namespace {

constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HMENU ControlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

void RegisterClasses() {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = WindowCallback;
  windowClass.hInstance = ModuleInstance;
  windowClass.hCursor = ArrowCursor;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kMainWindowClass;
  RegisterClassExA(&windowClass);

  WNDCLASSEXA panelClass = {};
  panelClass.cbSize = sizeof(panelClass);
  panelClass.lpfnWndProc = DefWindowProcA;
  panelClass.hInstance = ModuleInstance;
  panelClass.hCursor = ArrowCursor;
  panelClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  panelClass.lpszClassName = kPanelClass;
  RegisterClassExA(&panelClass);
}

HWND Panel(int id, int x, int y, int width, int height) {
  return CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, x, y, width,
                         height, MainWindow, ControlId(id), ModuleInstance, nullptr);
}

HWND Panel(int id, const LayoutRect& place) { return Panel(id, place.x, place.y, place.width, place.height); }

HWND ImageControl(int id, int x, int y, int width, int height, HBITMAP image) {
  HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_NOTIFY,
                                 x, y, width, height, MainWindow, ControlId(id), ModuleInstance,
                                 nullptr);
  if (control != nullptr) {
    SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
  }
  return control;
}

HWND LinkControl(int id, const LayoutRect& place, const char* text) {
  HWND control = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOTIFY | SS_LEFTNOWORDWRAP,
                                 place.x, place.y, place.width, place.height, MainWindow, ControlId(id),
                                 ModuleInstance, nullptr);
  if (control != nullptr) {
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(NormalFont.get()), TRUE);
  }
  return control;
}

std::string AuthorPage(const char* scrambledName) {
  return NoticeBaseAddress + NoticePath + TextUnscrambler(scrambledName);
}

// Go! and Save Songs: at the top of the window, fading through 7 frames between their looks
// (normal, hover, pressed, disabled), the hover in 240 ms and the others in 140 ms.
ImageButtonDescription FadingButton(int number, int x, const UniqueBitmap (&looks)[4]) {
  constexpr std::int32_t kFrames = 7;
  const auto ref = [](const void* handle) { return reinterpret_cast<std::intptr_t>(handle); };
  const ImageRef normal = ref(looks[0].get()), hover = ref(looks[1].get()), pressed = ref(looks[2].get());
  ImageButtonDescription button;
  button.window = ref(MainWindow);
  button.number = number;
  button.x = x;
  button.y = 1;
  button.hover = {{normal, hover}, kFrames, 240};
  button.press = {{hover, pressed}, kFrames, 140};
  button.disable = {{normal, ref(looks[3].get())}, kFrames, 140};
  button.pressedImage = pressed;
  return button;
}

}  // namespace

HWND OpenMainWindow() {
  RegisterClasses();
  RECT frame = {0, 0, kWindowWidth, kCollapsedForm.clientHeight};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND window = CreateWindowExA(0, kMainWindowClass, kProgramTitle, kWindowStyle, x, y, width, height,
                                nullptr, nullptr, ModuleInstance, nullptr);
  if (window != nullptr) {
    SetWindowPos(window, nullptr, x, y - 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return window;
}

void CreateControls(ImageButtons& buttons) {
  // The five browsers wait for their blank first page within one bound together.
  const BrowserReadyDeadline browsersReady = StartBrowserReadyDeadline();
  SidePanelLeft = Panel(kSidePanelLeftId, 0, 26, 150, 119);
  LeftPanelBrowser = CreateBrowserControl(SidePanelLeft, -10, -15, 200, 150,
                                          AuthorPage(kScrambledLeftPanelPage), browsersReady);
  SidePanelRight = Panel(kSidePanelRightId, 234, 26, 150, 119);
  RightPanelBrowser = CreateBrowserControl(SidePanelRight, -10, -15, 200, 150,
                                           AuthorPage(kScrambledRightPanelPage), browsersReady);
  SilenceBrowser(LeftPanelBrowser);
  SilenceBrowser(RightPanelBrowser);
  ShowWindow(SidePanelLeft, SW_HIDE);
  ShowWindow(SidePanelRight, SW_HIDE);

  TickerStrip = Panel(kTickerStripId, kTickerStripPlace);
  TickerBrowser = CreateBrowserControl(TickerStrip, -5, -3, 430, 60, "", browsersReady);
  NoticePanel[0] = CreateBrowserControl(TickerStrip, -5, -3, 1, 1,
                                        std::string(kAuthorFirstHomeAddress) + NoticePath + kNoticeAlertPage,
                                        browsersReady);
  NoticePanel[1] = CreateBrowserControl(TickerStrip, -5, -3, 1, 1,
                                        NoticeBaseAddress + NoticePath + kNoticeAlertPage, browsersReady);
  SilenceBrowser(TickerBrowser);
  SilenceBrowser(NoticePanel[0]);
  SilenceBrowser(NoticePanel[1]);
  InstallTickerMouseHook(TickerStrip, TickerBrowser);
  ShowWindow(TickerStrip, SW_HIDE);

  // Made with the blank image, then published: if the notice image is there already, it is put
  // in at once; if not, the fetcher puts it in when it comes.
  PublishNoticeBanner(WindowNotice, ImageControl(kNoticeBannerId, 0, 145, 370, 18, BlankBannerImage.get()));

  UrlField = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                             WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 93, 2, 170, 20,
                             MainWindow, ControlId(kUrlFieldId), ModuleInstance, nullptr);
  SendMessageA(UrlField, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), TRUE);
  SetFocus(UrlField);

  GoButton = buttons.Create(FadingButton(kGoButtonId, 265, GoImages));
  SendMessageA(GoButton, WM_SETFONT, reinterpret_cast<WPARAM>(NormalFont.get()), TRUE);

  SongList = CreateSongList(MainWindow, kSongListId, 0, 25, 400, 120, NormalFont.get());
  SongListRows.Attach(SongList);

  SaveButton = buttons.Create(FadingButton(kSaveButtonId, 321, SaveImages));
  buttons.SetDisabled(SaveButton, true, false);
  EnableWindow(SaveButton, FALSE);
  SendMessageA(SaveButton, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(SaveImages[3].get()));

  SiteLink = LinkControl(kSiteLinkId, kSiteLinkPlace, SiteHomeHost);
  SiteLinkTooltip = MakeTooltip(MainWindow, SiteLink);
  HomeLink = LinkControl(kHomeLinkId, kHomeLinkPlace, kAuthorHomeHost);

  LoadingSpinner = ImageControl(kLoadingSpinnerId, 150, 40, 0, 0, SpinnerFrames[0].get());
  ShowWindow(LoadingSpinner, SW_HIDE);

  PlayerPanel = Panel(kPlayerPanelId, kPlayerPanelPlace);
  ShowWindow(PlayerPanel, SW_HIDE);
  FlashReady = CreateFlashControl(PlayerPanel) ? 1 : 0;
  if (FlashReady) {
    FlashControl->put_BackgroundColor(0xFFFFFF);
  } else {
    DestroyWindow(PlayerPanel);
    PlayerPanel = nullptr;
  }
}

void SetSiteLinkTooltip(const std::string& text) { SetTooltipText(SiteLinkTooltip, MainWindow, SiteLink, text); }
