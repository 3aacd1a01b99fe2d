// The player step runs on the main thread inside the loop's upkeep: it loads the movie (or
// "unload") into the player, puts the bottom row where the new height wants it and animates
// the window there. The window grows under controls already in place, and shrinks before the
// player is hidden, so no frame shows a gap.
#include "downloads/playback.h"

#include <windows.h>

#include <cstring>

#include "host/player_host.h"
#include "host/wide_text.h"
#include "base/app_state.h"
#include "base/win_handles.h"

namespace {

// Where the bottom row and the player stand in each of the window's heights.
struct PlayerLayout {
  int clientHeight;
  RECT panel;  // x, y, width, height
  int linkY;
  int tickerY;
};
constexpr PlayerLayout kCollapsedLayout = {185, {0, 0, 0, 0}, 165, 147};
constexpr PlayerLayout kFullLayout = {485, {0, 145, 400, 300}, 465, 447};
constexpr PlayerLayout kMiniLayout = {255, {52, 150, 400, 60}, 235, 217};

int ClientHeight() {
  RECT client;
  GetClientRect(MainWindow, &client);
  return client.bottom - client.top;
}

// Sets the client area's size, keeping the window's position.
void SetClientSize(int width, int height) {
  RECT frame = {0, 0, width, height};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(MainWindow, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(MainWindow, GWL_EXSTYLE)));
  SetWindowPos(MainWindow, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Moves a control to y, keeping its x and size.
void MoveToY(HWND control, int y) {
  RECT rect;
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 1);
  SetWindowPos(control, nullptr, rect.left, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MoveBottomRow(const PlayerLayout& layout) {
  MoveToY(HomeLink, layout.linkY);
  MoveToY(SiteLink, layout.linkY);
  MoveToY(TickerStrip, layout.tickerY);
}

void PlacePlayer(const PlayerLayout& layout) {
  ShowWindow(PlayerPanel, SW_HIDE);
  SetWindowPos(PlayerPanel, nullptr, layout.panel.left, layout.panel.top, layout.panel.right,
               layout.panel.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  MoveBottomRow(layout);
}

// The results of LoadMovie and Zoom are not read: the window changes its height whatever the
// player makes of the movie. A player that cannot be confined is given no movie.
void LoadMovie(const std::string& address) {
  if (!ConfineFlashMovies()) return;
  const UniqueBstr url = BstrOf(ToWideText(address));
  FlashControl->LoadMovie(0, url.get());
}

void ResetZoom() {
  if (FlashControl != nullptr) FlashControl->Zoom(0);  // the view back to 100 %
}

}  // namespace

void CopyTextToClipboard(const std::string& text) {
  if (!OpenClipboard(nullptr)) return;
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, text.size() + 1));
  EmptyClipboard();
  if (memory) {
    if (void* bytes = GlobalLock(memory.get())) {
      std::memcpy(bytes, text.c_str(), text.size() + 1);
      GlobalUnlock(memory.get());
      // On success the clipboard owns the memory.
      if (SetClipboardData(CF_TEXT, memory.get()) != nullptr) memory.release();
    }
  }
  CloseClipboard();
}

void AnimateWindowHeight(int target, HeightAnimationForm form) {
  const DWORD t0 = GetTickCount();
  RECT client;
  GetClientRect(MainWindow, &client);
  const int width = client.right - client.left;
  AnimateHeight(
      client.bottom - client.top, target, form,
      [t0] { return static_cast<std::int32_t>(GetTickCount() - t0); },
      [width](int height) {
        SetClientSize(width, height);
        Sleep(1);
      });
}

void PlayerStep() {
  const std::string movie = PlayerMovieUrl.Get();
  if (movie == kUnloadMovie) {
    LoadMovie(kUnloadMovie);  // replaces layer 0, which stops the site's player
    MoveBottomRow(kCollapsedLayout);
    AnimateWindowHeight(kCollapsedLayout.clientHeight, HeightAnimationForm::kSetThenTest);
    ShowWindow(PlayerPanel, SW_HIDE);
  } else {
    LoadMovie(movie);
    ResetZoom();
    switch (PlayerMovieKind.load()) {
      case 0:
        PlacePlayer(kFullLayout);
        if (ClientHeight() != kFullLayout.clientHeight) {
          AnimateWindowHeight(kFullLayout.clientHeight, HeightAnimationForm::kSetThenTest);
        } else {
          RECT client;
          GetClientRect(MainWindow, &client);
          SetClientSize(client.right - client.left, kFullLayout.clientHeight);
        }
        break;
      case 1:
        PlacePlayer(kMiniLayout);
        AnimateWindowHeight(kMiniLayout.clientHeight, HeightAnimationForm::kTestThenSet);
        break;
      default:
        break;
    }
    ShowWindow(PlayerPanel, SW_SHOW);
  }
  PlayerMovieUrl.Set("");
}
