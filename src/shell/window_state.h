// The window's state, which the shell owns: the resources start-up makes and the end sequence
// releases, the window and its controls, and what the notice fetcher publishes for the banner.
// Lower layers are handed the window or value they work on.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>

#include "base/shared_text.h"
#include "base/win_handles.h"
#include "notice/notice_fetcher.h"
#include "skin/image_button.h"

// Resources made at start-up and released by the end sequence.
extern HINTERNET HttpSession;
extern HCURSOR WaitCursor, ArrowCursor, HandCursor;
extern HBRUSH HollowBrush;
extern UniqueBrush WhiteBrush;
extern UniqueBrush BackgroundBrush;
extern UniqueFont SmallFont, NormalFont;
extern UniqueBitmap BackgroundCanvas;
extern UniqueBitmap GoImages[4], SaveImages[4];
extern UniqueBitmap SpinnerFrames[24];
extern UniqueBitmap BlankBannerImage;
extern UniqueMenu PopupMenus[3];
extern UniqueAccelerators ReturnShortcut;

extern std::string NoticeBaseAddress, NoticePath, TickerAddress, SaveFolder;
extern int FlashReady;

// The window and its controls; 0 until made.
extern HWND UrlField, GoButton, SaveButton, SongList, SiteLink, HomeLink;
// Made and cleared by the main thread; readers and download jobs still running when the window
// closes read it as it is cleared.
extern std::atomic<HWND> MainWindow;
extern HWND TickerStrip, SidePanelLeft, SidePanelRight, LoadingSpinner, PlayerPanel;
extern HWND TickerBrowser, LeftPanelBrowser, RightPanelBrowser, NoticePanel[2];
extern HWND SiteLinkTooltip;
// The window's image buttons: made by start-up with the controls, destroyed by the end sequence;
// there only in between. Guarded by GuiLock from start-up on: a read may look at them through
// their controls.
extern std::unique_ptr<ImageButtons> WindowButtons;
inline ImageButtons& WindowImageButtons() { return *WindowButtons; }

extern SharedText NoticeLink;
extern std::atomic<int> NoticeTime;
extern std::atomic<HBITMAP> NoticeImage;
// Published by start-up once made, read by the notice fetcher (see PublishNoticeBanner).
extern std::atomic<HWND> NoticeBanner;
// The four above, as the notice fetcher writes them.
extern const NoticeResults WindowNotice;

// Puts every value back to its start (start-up).
void ResetWindowState();
