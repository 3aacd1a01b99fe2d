// The built-in PNG files as the build embeds them (see cmake/embed_images.cmake).
#pragma once

struct EmbeddedImage {
  const char* name;            // file name without ".png", e.g. "go_normal"
  const unsigned char* bytes;  // the PNG file as it is
  int size;
};

extern const EmbeddedImage kEmbeddedImages[];
extern const int kEmbeddedImageCount;
