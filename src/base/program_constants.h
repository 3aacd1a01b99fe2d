// The program's own names and numbers that the program and its tests of both builds share: the
// window's title, the control numbers, the Return shortcut's event. No Windows types here.
#pragma once

constexpr const char* kProgramTitle = "Verdimo Music Downloader";

// The user agent of every page fetch and song transfer the program makes itself.
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; ST)";

// The player movie a read publishes when it found none: the player step hands it to the player,
// which then unloads the site's movie, and shrinks the window.
constexpr const char* kUnloadMovie = "unload";

// Control numbers (WM_COMMAND identifiers) of the window's controls.
enum ControlNumber {
  kUrlFieldId = 100,
  kGoButtonId,
  kSaveButtonId,
  kSongListId,
  kSiteLinkId,
  kHomeLinkId,
  kNoticeBannerId,
  kLoadingSpinnerId,
  kSidePanelLeftId,
  kSidePanelRightId,
  kTickerStripId,
  kPlayerPanelId,
};

// The Return key arrives as this menu event.
constexpr int kReturnEvent = 10;

// Types of control events, as the main loop tells them apart.
enum ControlEventType {
  kLeftClick = 0,
  kRightClick = 1,
  kLeftDoubleClick = 2,
  kFocusGained = 3,
  kOtherControlEvent = 4,
  // The menu key or Shift+F10: a row's menu asked for without a pointer position.
  kMenuKey = 5,
};
