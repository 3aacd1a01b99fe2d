// The player's movie and the clipboard, on the main thread.
#include "downloads/playback.h"

#include <windows.h>

#include <cstring>

#include "host/player_host.h"
#include "host/wide_text.h"
#include "base/win_handles.h"

// The results of LoadMovie and Zoom are not read: the window changes its height whatever the
// player makes of the movie. A player that cannot be confined is given no movie.
void LoadPlayerMovie(const std::string& address) {
  if (!ConfineFlashMovies()) return;
  const UniqueBstr url = BstrOf(ToWideText(address));
  FlashControl->LoadMovie(0, url.get());
}

void ResetPlayerZoom() {
  if (FlashControl != nullptr) FlashControl->Zoom(0);
}

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
