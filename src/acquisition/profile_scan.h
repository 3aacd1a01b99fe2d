// Reading the songs out of the site's playlist document: every "title=" starts one song, whose
// title and stream address are the next quoted title, durl (or purl) values from there on.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct PlaylistSong {
  // Both are decoded, with every control byte (1 to 31, 127) made a blank.
  std::string name;  // the title, never empty before decoding
  std::string url;   // the durl value, or purl when durl is blank or missing; may be ""
};

// The songs of the document in document order, one per "title=" whose following title="..."
// value is not empty. Every value is searched from its "title=" onward without stopping at the
// next track, so a track without durl takes the durl of a later one. Linear in the document.
std::vector<PlaylistSong> ScanPlaylist(std::string_view doc);

// The same songs, handed to onSong one by one as they are found.
void ScanPlaylist(std::string_view doc, const std::function<void(PlaylistSong&&)>& onSong);
