// The playlist scan. Each song searches its values from its own "title=" onward; these start
// positions only move forward through the document, so each pattern keeps the last occurrence
// it found and searches again only once a start has passed it. Every byte is then looked at a
// bounded number of times, however far the values lie from their tracks. Values are views into
// the document; many tracks may find the same value, which is then decoded once.
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

  // The text between the first opening marker at or after position and the next quote, or ""
  // (then with no start: kNone).
  std::string_view From(std::size_t position, std::size_t* start) {
    *start = kNone;
    const std::size_t marker = opening.From(position);
    if (marker == kNone) return std::string_view();
    const std::size_t valueStart = marker + opening.pattern.size();
    const std::size_t end = closing.From(valueStart);
    if (end == kNone) return std::string_view();
    *start = valueStart;
    return opening.doc.substr(valueStart, end - valueStart);
  }
};

ValueSearch ValueSearchFor(std::string_view doc, std::string_view marker) {
  return ValueSearch{ForwardSearch{doc, marker}, ForwardSearch{doc, kQuote}};
}

// The last value a field gave and what became of it: the next track mostly finds the same one.
struct DecodedValue {
  std::size_t start = kNone;
  std::string text;
  bool blank = true;
};

std::string Decoded(std::string_view raw, SongText text) {
  raw = raw.substr(0, kLongestRawValue);
  return text == SongText::kUtf8 ? EntityDecoderUtf8(raw) : BlankControlBytes(EntityDecoder(raw));
}

}  // namespace

std::string SongNameFrom(std::string_view rawTitle, SongText text) {
  std::string name = Decoded(rawTitle, text);
  if (name.size() > kLongestSongName) {
    std::size_t end = kLongestSongName;
    while (text == SongText::kUtf8 && end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
    name.resize(end);
  }
  return name;
}

std::string SongAddressFrom(std::string_view rawAddress, SongText text) {
  if (rawAddress.size() > kLongestRawValue) return std::string();
  std::string address = Decoded(rawAddress, text);
  if (address.size() > kLongestSongAddress) address.clear();
  return address;
}

bool ScanPlaylist(std::string_view doc, const std::function<void(PlaylistSong&&)>& onSong, SongText text) {
  ValueSearch title = ValueSearchFor(doc, kTitleMarker);
  ValueSearch stream = ValueSearchFor(doc, kStreamMarker);
  ValueSearch pageStream = ValueSearchFor(doc, kPageStreamMarker);
  DecodedValue name;
  DecodedValue streamAddress;
  DecodedValue pageAddress;
  // The value found from this track on, decoded by make unless it is the one decoded last.
  const auto take = [text](ValueSearch& search, DecodedValue& last, std::size_t track,
                           std::string (*make)(std::string_view, SongText)) -> const DecodedValue& {
    std::size_t start = kNone;
    const std::string_view raw = search.From(track, &start);
    if (start == kNone || start != last.start) {
      last.start = start;
      last.blank = IsBlank(raw);
      last.text = make(raw, text);
    }
    return last;
  };
  std::size_t songs = 0;
  std::size_t textBytes = 0;
  for (std::size_t track = doc.find(kTrackMarker); track != kNone;
       track = doc.find(kTrackMarker, track + kTrackMarker.size())) {
    std::size_t titleStart = kNone;
    // A title is tested untrimmed: only an empty value makes no song.
    if (title.From(track, &titleStart).empty()) continue;
    const DecodedValue& songName = take(title, name, track, SongNameFrom);
    const DecodedValue* address = &take(stream, streamAddress, track, SongAddressFrom);
    if (address->blank) address = &take(pageStream, pageAddress, track, SongAddressFrom);
    if (songs == kMostPlaylistSongs ||
        songName.text.size() + address->text.size() > kMostPlaylistTextBytes - textBytes) {
      return false;
    }
    ++songs;
    textBytes += songName.text.size() + address->text.size();
    onSong(PlaylistSong{songName.text, address->text});
  }
  return true;
}

std::vector<PlaylistSong> ScanPlaylist(std::string_view doc, bool* complete) {
  std::vector<PlaylistSong> songs;
  const bool all = ScanPlaylist(doc, [&songs](PlaylistSong&& song) { songs.push_back(std::move(song)); });
  if (complete != nullptr) *complete = all;
  return songs;
}
