// Direct playlist scan over 1-based positions, one Between per value.
#include "reference/profile_scan_plain.h"

#include <string>
#include <utility>

#include "acquisition/entity_decoder.h"
#include "base/text_search.h"

std::vector<PlaylistSong> ScanPlaylistPlain(std::string_view doc) {
  std::vector<PlaylistSong> songs;
  std::size_t textBytes = 0;
  int p = FindText(doc, "title=", 1);
  int cur = 0;
  do {
    cur = p;
    p = FindText(doc, "title=", cur + 6);
    if (cur != 0) {
      std::string title = Between(doc, "title=\"", "\"", cur);
      std::string address = Between(doc, "durl=\"", "\"", cur);
      if (TrimBlanks(address).empty()) address = Between(doc, "purl=\"", "\"", cur);
      address = SongAddressFrom(address);
      if (!title.empty()) {
        PlaylistSong song{SongNameFrom(title), address};
        textBytes += song.name.size() + song.url.size();
        if (songs.size() == kMostPlaylistSongs || textBytes > kMostPlaylistTextBytes) break;
        songs.push_back(std::move(song));
      }
    }
  } while (p != 0);
  return songs;
}
