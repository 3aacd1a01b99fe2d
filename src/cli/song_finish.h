// The last step of a song saved with --tag: its file made of the whole ".part" (or, for a song an
// earlier run saved untagged, of that file) through a copy beside it, opened without following
// links, tagged, flushed and renamed over the file; the ".part" goes last. A run killed at any
// moment leaves the ".part" or the file whole, and the record says which to finish.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "cli/song_tags.h"
#include "downloads/save_run.h"

// What the copy is called while it is tagged: path + this.
constexpr const char* kTaggingSuffix = ".tagging";

// tags null: the ".part" only renamed to path.
SongFinish FinishSong(const std::string& path, bool fromPart, const SongTagValues* tags);

// --playlist: the playlist file's text, "#EXTM3U" and for each song "#EXTINF:-1,<title>" and its
// path in the folder ("/" between folders), in playlist order.
std::string PlaylistText(const std::vector<std::pair<std::string, std::string>>& titlesAndPaths);
