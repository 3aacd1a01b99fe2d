// A read of a profile: normalise the entered text, fetch the profile page, find the friend ID, the
// artist and the player movie, fetch the playlist and hand its songs over, then end. Every value
// from the network is checked here, before it is reported: the player movie must be a web
// address, the songs are bounded as they are scanned, and a lack of memory ends the read with
// nothing listed instead of ending the program.
#include "acquisition/profile_read.h"

#include <algorithm>
#include <new>
#include <utility>

#include "acquisition/entity_decoder.h"
#include "acquisition/profile_recognition.h"
#include "acquisition/site_constants.h"
#include "base/text_search.h"
#include "base/web_address.h"

namespace {

// The read's one block, given back however the read ends.
class ReadBuffer {
 public:
  explicit ReadBuffer(const BlockAllocator& allocator) : allocator_(allocator) {
    ready_ = PrepareFetchBuffer(buffer_, allocator_);
  }
  ~ReadBuffer() { FreeFetchBuffer(buffer_, allocator_); }
  ReadBuffer(const ReadBuffer&) = delete;
  ReadBuffer& operator=(const ReadBuffer&) = delete;
  bool ready() const { return ready_; }
  FetchBuffer& get() { return buffer_; }

 private:
  const BlockAllocator& allocator_;
  FetchBuffer buffer_ = {nullptr, -1, 0};
  bool ready_ = false;
};

int Fetch(const std::string& address, PageTransport& transport, FetchBuffer& buffer, ProfileReadEvents& events) {
  events.Fetching(true);
  buffer.status = 0;
  const int length = transport.Fetch(address, buffer, [&events] { return events.StillWanted(); });
  events.Fetching(false);
  return length;
}

ProfilePage PageFrom(const ProfileFindings& found) {
  ProfilePage page;
  page.pageRead = found.pageRead;
  if (found.pageRead) page.artistName = found.artistName;
  if (found.movie.found) {
    page.miniPlayerSeen = found.movie.miniPlayer;
    // The movie's address is a page's text like a title, and only a web address goes to a player.
    page.movieAddress = BlankControlBytes(EntityDecoder(found.movie.address));
    page.movieFound = IsWebAddress(page.movieAddress);
    if (page.movieFound) page.movieKind = found.movie.kind;
  }
  return page;
}

// Hands the songs over in growing batches, counting in taken how many were taken.
void HandOver(std::vector<PlaylistSong>& songs, ProfileReadEvents& events, std::size_t& taken) {
  std::size_t batch = 1;
  std::vector<PlaylistSong> part;
  while (taken < songs.size()) {
    const std::size_t count = std::min(batch, songs.size() - taken);
    part.assign(std::make_move_iterator(songs.begin() + static_cast<std::ptrdiff_t>(taken)),
                std::make_move_iterator(songs.begin() + static_cast<std::ptrdiff_t>(taken + count)));
    const std::size_t took = events.SongsFound(part, taken);
    taken += took;
    if (took != count) break;
    batch = std::min(2 * batch, kLargestSongBatch);
  }
}

void ReadOnSite(const std::string& address, PageTransport& transport, FetchBuffer& buffer,
                ProfileReadEvents& events, SongText text, ProfileReadEnd& end) {
  end.pageLength = Fetch(address, transport, buffer, events);
  end.pageStatus = buffer.status;
  end.noMemory = end.pageLength == kFetchNoMemory;
  const ProfileFindings found = RecogniseProfile(address, buffer.data, end.pageLength);
  if (found.siteError) events.Message(ReadMessage::kSiteError, ReadMessageText(ReadMessage::kSiteError, 0));
  end.page = PageFrom(found);
  events.PageRead(end.page);
  if (end.noMemory || IsBlank(found.friendId)) return;

  end.playlistAsked = true;
  end.playlistLength = Fetch(PlaylistRequestAddress(found.friendId), transport, buffer, events);
  end.playlistStatus = buffer.status;
  end.noMemory = end.playlistLength == kFetchNoMemory;
  if (end.playlistLength <= 0) return;
  std::vector<PlaylistSong> songs;
  // Scanned where the fetch left it: a copy would hold a long playlist twice.
  end.complete = ScanPlaylist(PageView(buffer.data, end.playlistLength),
                              [&songs](PlaylistSong&& song) { songs.push_back(std::move(song)); }, text);
  HandOver(songs, events, end.songsListed);
}

}  // namespace

std::string ReadMessageText(ReadMessage message, std::size_t songsListed) {
  switch (message) {
    case ReadMessage::kSiteError:
      return kSiteErrorMessage;
    case ReadMessage::kMiniPlayer:
      return kMiniPlayerMessage;
    case ReadMessage::kSongsLeftOut:
      return "This profile lists more songs than the program can show; the first " + std::to_string(songsListed) +
             " are listed.";
    case ReadMessage::kNoMemory:
      return kNoMemoryMessage;
  }
  return std::string();
}

ProfileReadEnd ReadProfile(const std::string& enteredText, PageTransport& transport, ProfileReadEvents& events,
                           SongText text) {
  ProfileReadEnd end;
  try {
    const std::string address = NormaliseProfileAddress(enteredText);
    events.AddressKnown(address, SiteLinkTipFor(address));
    end.onSite = IsOnSite(address);
    ReadBuffer buffer(transport.Allocator());
    if (!buffer.ready()) {
      end.noMemory = true;
    } else if (end.onSite) {
      ReadOnSite(address, transport, buffer.get(), events, text, end);
    }
  } catch (const std::bad_alloc&) {
    end.noMemory = true;
  }
  if (end.noMemory) {
    end.complete = true;
    events.Message(ReadMessage::kNoMemory, ReadMessageText(ReadMessage::kNoMemory, 0));
  } else if (!end.complete) {
    events.Message(ReadMessage::kSongsLeftOut, ReadMessageText(ReadMessage::kSongsLeftOut, end.songsListed));
  }
  if (end.page.miniPlayerSeen && end.songsListed == 0) {
    events.Message(ReadMessage::kMiniPlayer, ReadMessageText(ReadMessage::kMiniPlayer, 0));
  }
  events.Ended(end);
  return end;
}
