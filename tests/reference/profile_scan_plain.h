// The playlist scan written the direct way, each value found by Between from its track's
// "title=" onward; slow on long documents but plainly right, so the fast scan is checked
// against it.
#pragma once

#include <string_view>
#include <vector>

#include "acquisition/profile_scan.h"

std::vector<PlaylistSong> ScanPlaylistPlain(std::string_view doc);
