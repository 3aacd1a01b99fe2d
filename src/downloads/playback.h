// Playback and the clipboard: what the main loop does with a saved song and a stream address.
#pragma once

#include <string>

// Puts text on the clipboard as CF_TEXT; silently does nothing when the clipboard is busy.
void CopyTextToClipboard(const std::string& text);

// Hands PlayerMovieUrl to the player and sizes the window for it, then empties PlayerMovieUrl.
void PlayerStep();
