// The 33 built-in images by role: names of the embedded PNG files, in the order start-up
// decodes them.
#pragma once

#include "resources/png_image.h"

constexpr int kSpinnerFrameCount = 24;

extern const char* const kHeaderStripImage;
// Normal, hover, pressed, disabled.
extern const char* const kGoImages[4];
extern const char* const kSaveImages[4];
// spinner_01 .. spinner_24
const char* SpinnerImageName(int index);

// The embedded PNG of that name decoded; not ok() when the name is unknown or the data damaged.
DecodedImage DecodeBuiltinImage(const char* name);
