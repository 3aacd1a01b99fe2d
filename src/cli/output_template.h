// -o: how a run lays out its files in the folder. "{artist}", "{title}" and "{index}" stand for
// the song's values; "/" separates folders only where the template writes it. Each value passes
// the file naming rules, so no value makes a folder or leaves the chosen one.
#pragma once

#include <cstddef>
#include <string>

#include "downloads/download_naming.h"

struct TemplateValues {
  std::string artist;
  std::string title;
  std::size_t index = 1;  // the song's place in its playlist, from 1
  std::size_t count = 1;  // the playlist's songs: {index} is zero-padded to its width
};

// The file's path in the folder, "/" between folders, without ".mp3" unless the template ends
// with it; "" when the template makes no file there (a folder part empty, "." or "..").
std::string ExpandTemplate(const std::string& layout, const TemplateValues& values, const NameBounds& bounds);
