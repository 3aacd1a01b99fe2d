#include "base/app_state.h"

HINSTANCE ModuleInstance;
HINTERNET HttpSession;
HCURSOR WaitCursor, ArrowCursor, HandCursor;
HMODULE AtlLibrary;
CRITICAL_SECTION GuiLock;
HBRUSH HollowBrush;
UniqueBrush WhiteBrush;
UniqueBrush BackgroundBrush;
UniqueFont SmallFont, NormalFont;
UniqueBitmap BackgroundCanvas;
UniqueBitmap GoImages[4], SaveImages[4];
UniqueBitmap SpinnerFrames[24];
UniqueBitmap BlankBannerImage;
UniqueMenu PopupMenus[3];
UniqueAccelerators ReturnShortcut;

std::string NoticeBaseAddress, NoticePath, TickerAddress, SaveFolder;
int FlashReady;

std::atomic<HWND> MainWindow;
HWND UrlField, GoButton, SaveButton, SongList, SiteLink, HomeLink;
HWND TickerStrip, SidePanelLeft, SidePanelRight, LoadingSpinner, PlayerPanel;
HWND TickerBrowser, LeftPanelBrowser, RightPanelBrowser, NoticePanel[2];
HWND SiteLinkTooltip;

void ClearGlobalState() {
  ModuleInstance = GetModuleHandleA(nullptr);
  HttpSession = nullptr;
  WaitCursor = ArrowCursor = HandCursor = nullptr;
  AtlLibrary = nullptr;
  HollowBrush = nullptr;
  NoticeBaseAddress.clear();
  NoticePath.clear();
  TickerAddress.clear();
  SaveFolder.clear();
  FlashReady = 0;
  MainWindow = nullptr;
  UrlField = GoButton = SaveButton = SongList = SiteLink = HomeLink = nullptr;
  TickerStrip = SidePanelLeft = SidePanelRight = LoadingSpinner = nullptr;
  PlayerPanel = TickerBrowser = LeftPanelBrowser = RightPanelBrowser = nullptr;
  NoticePanel[0] = NoticePanel[1] = nullptr;
  SiteLinkTooltip = nullptr;
}
