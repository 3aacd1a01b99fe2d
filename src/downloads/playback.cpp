#include "downloads/playback.h"

#include <windows.h>

#include <cstring>

#include "base/app_state.h"
#include "base/win_handles.h"

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

// The player is not hosted on this platform (PlayerPanel is never made), so the main loop never
// calls this; it only hands the request back.
void PlayerStep() { PlayerMovieUrl.Set(""); }
