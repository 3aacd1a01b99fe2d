// The window's geometry and the names the shell gives its windows and menu items, each written
// once: the layout makes the controls from it, the player step moves them, and the home link's
// glide keeps within it. Portable, so the loop's pure state machines read it too.
#pragma once

struct LayoutRect {
  int x;
  int y;
  int width;
  int height;
};

constexpr int kWindowWidth = 400;

// The window's three forms: its client height, where the player stands, and the y of the bottom
// row (the two links and the ticker strip).
struct WindowForm {
  int clientHeight;
  LayoutRect playerPanel;
  int linkY;
  int tickerY;
};
constexpr WindowForm kCollapsedForm = {185, {0, 0, 0, 0}, 165, 147};
constexpr WindowForm kFullPlayerForm = {485, {0, 145, 400, 300}, 465, 447};
constexpr WindowForm kMiniPlayerForm = {255, {52, 150, 400, 60}, 235, 217};

// Places in the collapsed window. The player panel is made hidden where the full player stands.
constexpr LayoutRect kSiteLinkPlace = {2, kCollapsedForm.linkY, 95, 20};
constexpr LayoutRect kHomeLinkPlace = {97, kCollapsedForm.linkY, 92, 20};
constexpr LayoutRect kTickerStripPlace = {15, kCollapsedForm.tickerY, 370, 18};
constexpr LayoutRect kPlayerPanelPlace = kFullPlayerForm.playerPanel;

// The home link glides between these x positions of its left and right edges.
constexpr int kGlideLeftLimit = 100;
constexpr int kGlideRightLimit = kWindowWidth;

constexpr const char* kMainWindowClass = "VerdimoMainWindow";
constexpr const char* kPanelClass = "VerdimoPanel";

// The popup menus' items, as the commands their choice gives.
enum PopupMenuItem {
  kDownloadSongItem = 0,
  kCopyUrlItem = 1,
  kPlayItem = 2,
};
