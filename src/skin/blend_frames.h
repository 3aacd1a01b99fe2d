// The cross-fade frames an image button plays between two of its looks, made once when the
// button is created.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// steps + 2 images: entry 0 is from itself, entry steps + 1 is to itself, and entry k between
// is a new image blended k/steps of the way from from to to (so entry steps looks like to).
// The new images belong to the caller. Empty when an image is missing or steps is below 1.
// Both images are read over the size of from.
std::vector<HBITMAP> BlendFrames(HBITMAP from, HBITMAP to, int steps);

// The colours of an image, column by column (x outer, y inner), as GetPixel gives them; empty
// when the image cannot be read.
std::vector<std::uint32_t> ReadImageColours(HBITMAP image, int width, int height);
