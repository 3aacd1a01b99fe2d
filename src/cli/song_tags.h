// --tag: the song's title, artist, track and address written into the saved MP3 as ID3v2.4 frames
// in UTF-8 (TIT2, TPE1, TRCK "n/total", WOAF), through TagLib on a stream over a file the command
// line opened itself, never by path; the server's other frames and any ID3v1 tag stay as they are.
#pragma once

#include <cstddef>
#include <string>

#include "cli/local_files.h"

struct SongTagValues {
  std::string title;
  std::string artist;
  std::string address;
  std::size_t track = 1;
  std::size_t total = 1;
};

enum class TagOutcome { kTagged, kNotMp3, kFailed };

// Tags the MP3 that file (open to read and write) holds, in place.
TagOutcome TagSong(RandomAccessFile& file, const SongTagValues& values);

// The frames TagSong writes, read back from the MP3 file holds; false when it has none.
bool ReadSongTags(RandomAccessFile& file, SongTagValues& values);
