// The player step, which loads the site's player movie and sizes the window for it, and copying
// a stream address to the clipboard. (Opening a saved song is a command of the shell.)
#pragma once

#include <string>

#include "downloads/window_height.h"

// Puts text on the clipboard as CF_TEXT; silently does nothing when the clipboard is busy.
void CopyTextToClipboard(const std::string& text);

// Hands PlayerMovieUrl to the player and sizes the window for it, then empties PlayerMovieUrl.
// Only when PlayerPanel (and so FlashControl) exists.
void PlayerStep();

// Takes MainWindow's client height to target over 200 ms, blocking; keeps the window's place
// and its client width.
void AnimateWindowHeight(int target, HeightAnimationForm form);
