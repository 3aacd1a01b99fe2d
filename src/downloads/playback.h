// Playback and the clipboard: what the main loop does with a saved song and a stream address,
// and the player step that loads the site's player movie and sizes the window for it.
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
