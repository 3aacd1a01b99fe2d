// The site's player playing a movie, and copying a stream address to the clipboard. (Opening a
// saved song is a command of the shell; sizing the window for the player is its layout's.)
#pragma once

#include <string>

// Puts text on the clipboard as CF_TEXT; silently does nothing when the clipboard is busy.
void CopyTextToClipboard(const std::string& text);

// Loads address (or kUnloadMovie) as the player's movie, confined first to the player; does nothing
// without a player, or with one that cannot be confined.
void LoadPlayerMovie(const std::string& address);
// Sets the player's view back to 100 %.
void ResetPlayerZoom();
