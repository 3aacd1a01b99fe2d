// The program's process-wide state: handles made at start-up, the controls, and the values that
// worker threads publish for the main loop. Flags and counters shared between threads are
// atomics; texts shared between threads are SharedText, always replaced whole. A writer publishes
// its texts before it changes the flag or counter that the reader polls.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/program_constants.h"
#include "base/shared_text.h"
#include "base/win_handles.h"

// Resources made at start-up and released by the end sequence.
extern HINSTANCE ModuleInstance;
extern HINTERNET HttpSession;
extern HCURSOR WaitCursor, ArrowCursor, HandCursor;
extern HMODULE AtlLibrary;
extern CRITICAL_SECTION GuiLock;
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

// Main thread only.
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

// Puts every global back to its start value (step one of start-up).
void ClearGlobalState();
