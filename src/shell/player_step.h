// The player step: loads the movie a read published into the player and gives the window the
// form it needs for it.
#pragma once

#include "shell/window_height.h"

// Hands PlayerMovieUrl to the player and sizes the window for it, then empties PlayerMovieUrl.
// Only when PlayerPanel (and so FlashControl) exists.
void PlayerStep();

// Takes MainWindow's client height to target over 200 ms, blocking; keeps the window's place
// and its client width.
void AnimateWindowHeight(int target, HeightAnimationForm form);
