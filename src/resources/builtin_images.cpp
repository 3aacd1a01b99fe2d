#include "resources/builtin_images.h"

#include <cstring>

#include "resources/embedded_images.h"

const char* const kHeaderStripImage = "header_strip";
const char* const kGoImages[4] = {"go_normal", "go_hover", "go_pressed", "go_disabled"};
const char* const kSaveImages[4] = {"save_normal", "save_hover", "save_pressed", "save_disabled"};

const char* SpinnerImageName(int index) {
  static const char* const kNames[kSpinnerFrameCount] = {
      "spinner_01", "spinner_02", "spinner_03", "spinner_04", "spinner_05", "spinner_06",
      "spinner_07", "spinner_08", "spinner_09", "spinner_10", "spinner_11", "spinner_12",
      "spinner_13", "spinner_14", "spinner_15", "spinner_16", "spinner_17", "spinner_18",
      "spinner_19", "spinner_20", "spinner_21", "spinner_22", "spinner_23", "spinner_24"};
  return index >= 0 && index < kSpinnerFrameCount ? kNames[index] : "";
}

DecodedImage DecodeBuiltinImage(const char* name) {
  for (int i = 0; i < kEmbeddedImageCount; ++i) {
    if (kEmbeddedImages[i].name != nullptr && std::strcmp(kEmbeddedImages[i].name, name) == 0) {
      return DecodePng(kEmbeddedImages[i].bytes, static_cast<std::size_t>(kEmbeddedImages[i].size));
    }
  }
  return DecodedImage();
}
