// The player step runs on the main thread inside the loop's upkeep: it loads the movie (or
// kUnloadMovie) into the player, puts the bottom row where the new height wants it and animates
// the window there. The window grows under controls already in place, and shrinks before the
// player is hidden, so no frame shows a gap.
#include "shell/player_step.h"

#include <windows.h>

#include <string>

#include "base/app_state.h"
#include "base/program_constants.h"
#include "shell/window_state.h"
#include "shell/read_results.h"
#include "downloads/playback.h"
#include "shell/window_layout.h"

namespace {

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

void MoveBottomRow(const WindowForm& form) {
  MoveToY(HomeLink, form.linkY);
  MoveToY(SiteLink, form.linkY);
  MoveToY(TickerStrip, form.tickerY);
}

void PlacePlayer(const WindowForm& form) {
  ShowWindow(PlayerPanel, SW_HIDE);
  const LayoutRect& panel = form.playerPanel;
  SetWindowPos(PlayerPanel, nullptr, panel.x, panel.y, panel.width, panel.height, SWP_NOZORDER | SWP_NOACTIVATE);
  MoveBottomRow(form);
}

}  // namespace

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
    LoadPlayerMovie(kUnloadMovie);  // replaces layer 0, which stops the site's player
    MoveBottomRow(kCollapsedForm);
    AnimateWindowHeight(kCollapsedForm.clientHeight, HeightAnimationForm::kSetThenTest);
    ShowWindow(PlayerPanel, SW_HIDE);
  } else {
    LoadPlayerMovie(movie);
    ResetPlayerZoom();
    switch (PlayerMovieKind.load()) {
      case 0:
        PlacePlayer(kFullPlayerForm);
        if (ClientHeight() != kFullPlayerForm.clientHeight) {
          AnimateWindowHeight(kFullPlayerForm.clientHeight, HeightAnimationForm::kSetThenTest);
        } else {
          RECT client;
          GetClientRect(MainWindow, &client);
          SetClientSize(client.right - client.left, kFullPlayerForm.clientHeight);
        }
        break;
      case 1:
        PlacePlayer(kMiniPlayerForm);
        AnimateWindowHeight(kMiniPlayerForm.clientHeight, HeightAnimationForm::kTestThenSet);
        break;
      default:
        break;
    }
    ShowWindow(PlayerPanel, SW_SHOW);
  }
  PlayerMovieUrl.Set("");
}
