// Reading the songs out of the site's playlist document: every "title=" starts one song, whose
// title and stream address are the next quoted title, durl (or purl) values from there on.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct PlaylistSong {
  // Both are decoded, with every control byte (1 to 31, 127) made a blank.
  std::string name;  // the title, never empty before decoding
  std::string url;   // the durl value, or purl when durl is blank or missing; may be ""
};

// The bounds of what one playlist may give, applied as each value is taken from the document, so
// that a hostile playlist cannot make a read hold more than a bounded amount of memory, however
// its values repeat or overlap:
// - a value is read at most kLongestRawValue bytes far (an entity reference is never that long);
// - a decoded title is cut at kLongestSongName bytes;
// - an address whose raw value is longer than kLongestRawValue, or whose decoded form is longer
//   than kLongestSongAddress, gives an empty URL (it could never be fetched);
// - the scan stops before the song that would make more than kMostPlaylistSongs rows, or more
//   than kMostPlaylistTextBytes of names and URLs together.
constexpr std::size_t kLongestRawValue = 8 * 1024;
constexpr std::size_t kLongestSongName = 1024;
constexpr std::size_t kLongestSongAddress = 2048;
constexpr std::size_t kMostPlaylistSongs = 100000;
constexpr std::size_t kMostPlaylistTextBytes = 64 * 1024 * 1024;

// How a song's text is decoded: into the window's code page (EntityDecoder), or into UTF-8 with
// every character kept (EntityDecoderUtf8), as the command line lists and names songs.
enum class SongText { kCodePage, kUtf8 };

// The songs of the document in document order, one per "title=" whose following title="..."
// value is not empty. Every value is searched from its "title=" onward without stopping at the
// next track, so a track without durl takes the durl of a later one. Linear in the document.
// complete, when given, tells whether every song was taken (false: the bounds left some out).
std::vector<PlaylistSong> ScanPlaylist(std::string_view doc, bool* complete = nullptr);

// The same songs, handed to onSong one by one as they are found. Returns whether every song of
// the document was taken.
bool ScanPlaylist(std::string_view doc, const std::function<void(PlaylistSong&&)>& onSong,
                  SongText text = SongText::kCodePage);

// A raw title or address as a row shows it: decoded (only its first kLongestRawValue bytes), with
// every control byte made a blank, then bounded as above ("" for an address too long).
// A UTF-8 title is cut between characters.
std::string SongNameFrom(std::string_view rawTitle, SongText text = SongText::kCodePage);
std::string SongAddressFrom(std::string_view rawAddress, SongText text = SongText::kCodePage);
