// Direct playlist scan over 1-based positions, one Between per value.
#include "reference/profile_scan_plain.h"

#include <string>

#include "acquisition/entity_decoder.h"
#include "base/text_search.h"

std::vector<PlaylistSong> ScanPlaylistPlain(std::string_view doc) {
  std::vector<PlaylistSong> songs;
  int p = FindText(doc, "title=", 1);
  int cur = 0;
  do {
    cur = p;
    p = FindText(doc, "title=", cur + 6);
    if (cur != 0) {
      std::string title = Between(doc, "title=\"", "\"", cur);
      std::string address = Between(doc, "durl=\"", "\"", cur);
      if (TrimBlanks(address).empty()) address = Between(doc, "purl=\"", "\"", cur);
      address = BlankControlBytes(EntityDecoder(address));
      if (!title.empty()) songs.push_back(PlaylistSong{BlankControlBytes(EntityDecoder(title)), address});
    }
  } while (p != 0);
  return songs;
}
