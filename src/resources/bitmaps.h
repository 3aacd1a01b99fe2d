// Windows bitmaps from the built-in images.
#pragma once

#include <windows.h>

#include "resources/png_image.h"

// A 24-bit device-independent bitmap with the image's pixels; 0 when the image is not ok().
HBITMAP BitmapFromImage(const DecodedImage& image);

// The built-in image of that name as a bitmap. A damaged or missing image gives a white bitmap
// of the size the program expects, so start-up never stops over artwork.
HBITMAP LoadBuiltinBitmap(const char* name, int width, int height);

// A bitmap of that size filled with one colour.
HBITMAP SolidBitmap(int width, int height, COLORREF colour);
