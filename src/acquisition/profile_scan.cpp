// The playlist scan. Each song searches its values from its own "title=" onward; these start
// positions only move forward through the document, so each pattern keeps the last occurrence
// it found and searches again only once a start has passed it. Every byte is then looked at a
// bounded number of times, however far the values lie from their tracks.
#include "acquisition/profile_scan.h"

#include <utility>

#include "acquisition/entity_decoder.h"
#include "base/text_search.h"

namespace {

constexpr std::string_view kTrackMarker = "title=";
constexpr std::string_view kTitleMarker = "title=\"";
constexpr std::string_view kStreamMarker = "durl=\"";
constexpr std::string_view kPageStreamMarker = "purl=\"";
constexpr std::string_view kQuote = "\"";
constexpr std::size_t kNone = std::string_view::npos;

// The next occurrence of a pattern at or after a position, remembered between calls. Correct
// for any order of calls; only asks the document again when the position has gone past the
// remembered occurrence (or back before the last search).
struct ForwardSearch {
  std::string_view doc;
  std::string_view pattern;
  std::size_t searchedFrom = kNone;  // kNone: nothing remembered yet
  std::size_t found = kNone;

  std::size_t From(std::size_t position) {
    const bool remembered = searchedFrom != kNone && position >= searchedFrom &&
                            (found == kNone || found >= position);
    if (!remembered) {
      searchedFrom = position;
      found = doc.find(pattern, position);
    }
    return found;
  }
};

// One quoted value: its opening marker and the quote that closes it.
struct ValueSearch {
  ForwardSearch opening;
  ForwardSearch closing;

  // The text between the first opening marker at or after position and the next quote, or "".
  std::string From(std::size_t position) {
    const std::size_t marker = opening.From(position);
    if (marker == kNone) return std::string();
    const std::size_t start = marker + opening.pattern.size();
    const std::size_t end = closing.From(start);
    if (end == kNone) return std::string();
    return std::string(opening.doc.substr(start, end - start));
  }
};

ValueSearch ValueSearchFor(std::string_view doc, std::string_view marker) {
  return ValueSearch{ForwardSearch{doc, marker}, ForwardSearch{doc, kQuote}};
}

}  // namespace

void ScanPlaylist(std::string_view doc, const std::function<void(PlaylistSong&&)>& onSong) {
  ValueSearch title = ValueSearchFor(doc, kTitleMarker);
  ValueSearch stream = ValueSearchFor(doc, kStreamMarker);
  ValueSearch pageStream = ValueSearchFor(doc, kPageStreamMarker);
  for (std::size_t track = doc.find(kTrackMarker); track != kNone;
       track = doc.find(kTrackMarker, track + kTrackMarker.size())) {
    const std::string rawTitle = title.From(track);
    std::string address = stream.From(track);
    if (IsBlank(address)) address = pageStream.From(track);
    if (rawTitle.empty()) continue;
    // Decoding can make control bytes ("&#10;"); a title or address never carries one further.
    onSong(PlaylistSong{BlankControlBytes(EntityDecoder(rawTitle)), BlankControlBytes(EntityDecoder(address))});
  }
}

std::vector<PlaylistSong> ScanPlaylist(std::string_view doc) {
  std::vector<PlaylistSong> songs;
  ScanPlaylist(doc, [&songs](PlaylistSong&& song) { songs.push_back(std::move(song)); });
  return songs;
}
