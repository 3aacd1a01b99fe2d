// One read: normalise the entered text, fetch the profile page, find the friend ID, the artist
// and the player movie, fetch the playlist and add its songs, then hand the list back.
//
// Several reads may run at once. Only the newest may touch what the user sees: a read whose
// list generation is no longer the current one adds no rows, shows no message and publishes no
// artist, player movie or SiteLinkTip; it still counts itself out, and the last read to end
// enables Go!. The playlist is hostile: its rows are bounded as they are scanned, and a read
// that finds no memory says so and lists nothing instead of ending the program.
#include "acquisition/profile_reader.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "acquisition/entity_decoder.h"
#include "net/page_fetcher.h"
#include "acquisition/profile_recognition.h"
#include "acquisition/profile_scan.h"
#include "acquisition/site_constants.h"
#include "wingui/song_list.h"
#include "wingui/tooltip.h"
#include "base/text_search.h"
#include "base/app_state.h"
#include "base/web_address.h"
#include "skin/pointer_helpers.h"

namespace {

bool IsCurrent(int generation) { return generation == ListGeneration.load(); }

// Runs publish while the read is still the newest, under the lock that a new read's start takes
// to raise the generation: the test and the writes are one step. Returns whether it ran.
template <typename Publish>
bool PublishIfCurrent(int generation, Publish publish) {
  std::lock_guard<std::mutex> hold(ReadResultLock);
  if (!IsCurrent(generation)) return false;
  publish();
  return true;
}

// The box is owned by the program's window only while that window is in the foreground, so
// that it does not take the input away from another program.
void ShowReadMessage(const char* text, UINT icon) {
  HWND window = MainWindow;
  HWND owner = GetForegroundWindow() == window ? window : nullptr;
  MessageBoxA(owner, text, kReadMessageTitle, MB_OK | icon);
}

// A read that a newer one has replaced stops fetching at its next read of the network: the new
// list's buttons, title and player wait until no read runs, and a server that never finishes an
// old page must not hold them back.
int FetchWithWaitCursor(const std::string& address, FetchBuffer& buffer, int generation) {
  SetCursor(WaitCursor);
  const int length = PageFetcher(address, buffer, [generation] { return IsCurrent(generation); });
  SetCursor(ArrowCursor);
  return length;
}

// The rows travel to the list in batches, one message each: the first row alone, so that the list
// has a row (and Save Songs can be enabled) as early as if every row went on its own, then twice
// as many each time up to kLargestRowBatch, so the window's thread serves the spinner and input
// between batches.
constexpr std::size_t kLargestRowBatch = 256;

// What a playlist fetch came to.
struct PlaylistRead {
  int added = 0;
  bool complete = true;   // false: the playlist held more songs than a list takes
  bool noMemory = false;  // the fetch found no memory for the document
};

// Adds the playlist's songs as rows, in the playlist's order.
PlaylistRead ReadPlaylist(const std::string& friendId, FetchBuffer& buffer, int generation) {
  PlaylistRead read;
  const int length = FetchWithWaitCursor(PlaylistRequestAddress(friendId), buffer, generation);
  read.noMemory = length == kFetchNoMemory;
  if (length <= 0) return read;
  // The rows are all taken from the document before the first goes to the list: a scan that
  // runs out of memory leaves the list empty.
  std::vector<SongRowCells> rows;
  read.complete = ScanPlaylist(PageText(buffer.data, length), [&rows](PlaylistSong&& song) {
    rows.push_back(SongRowCells{std::move(song.name), std::move(song.url)});
  });
  int added = 0;
  std::size_t batch = 1;
  for (std::size_t next = 0; next < rows.size(); next += batch, batch = std::min(2 * batch, kLargestRowBatch)) {
    const int count = static_cast<int>(std::min(batch, rows.size() - next));
    const int took = AddSongRows(SongList, rows, next, static_cast<std::size_t>(count), added, generation);
    added += took;
    // A newer list has begun (or the list took no more).
    if (took != count) break;
  }
  read.added = added;
  return read;
}

std::string SongsLeftOutMessage(int listed) {
  return "This profile lists more songs than the program can show; the first " + std::to_string(listed) +
         " are listed.";
}

// What a profile page offered, once it has passed the checks of a read.
struct PageResults {
  bool miniPlayerSeen = false;
  bool movieFound = false;
  bool pageRead = false;
  std::string friendId;
};

// Fetches and recognises the profile page and publishes the artist and the player movie. The
// movie's address is a page's text like a title, and only a web address is handed to the player.
PageResults ReadProfilePage(const std::string& address, FetchBuffer& buffer, int generation, bool* noMemory) {
  PageResults page;
  const int length = FetchWithWaitCursor(address, buffer, generation);
  *noMemory = length == kFetchNoMemory;
  const ProfileFindings found = RecogniseProfile(address, buffer.data, length);
  page.friendId = found.friendId;
  page.pageRead = found.pageRead;
  if (found.siteError && IsCurrent(generation)) ShowReadMessage(kSiteErrorMessage, MB_ICONINFORMATION);
  std::string movie;
  if (found.movie.found) {
    page.miniPlayerSeen = found.movie.miniPlayer;
    movie = BlankControlBytes(EntityDecoder(found.movie.address));
    page.movieFound = IsWebAddress(movie);
  }
  PublishIfCurrent(generation, [&] {
    if (page.movieFound) {
      PlayerMovieKind = found.movie.kind;
      PlayerMovieUrl.Set(movie);
    }
    if (page.pageRead) ArtistName.Set(found.artistName);
  });
  return page;
}

// Every way a read ends: the message it owes the user, the player's unloading when it found no
// movie, the list shown again and its flags for the main loop.
void EndRead(int generation, const PageResults& page, const PlaylistRead& playlist, bool noMemory) {
  bool current = IsCurrent(generation);
  if (current && noMemory) {
    ShowReadMessage(kNoMemoryMessage, MB_ICONWARNING);
  } else if (current && !playlist.complete) {
    ShowReadMessage(SongsLeftOutMessage(playlist.added).c_str(), MB_ICONINFORMATION);
  }
  if (current && page.miniPlayerSeen && SongRowCount(SongList) == 0) ShowReadMessage(kMiniPlayerMessage, 0);
  if (current) {
    ShowWindow(SongList, SW_SHOW);
    ShowWindow(LoadingSpinner, SW_HIDE);
    ShowWindow(SidePanelLeft, SW_HIDE);
    ShowWindow(SidePanelRight, SW_HIDE);
  }
  PublishIfCurrent(generation, [&] {
    if (!page.movieFound) PlayerMovieUrl.Set(kUnloadMovie);
    ArtistNameFound = page.pageRead ? 1 : 0;
    SongListFilled = 1;
  });
}

}  // namespace

DWORD WINAPI ProfileReader(void* parameter) {
  const std::unique_ptr<ProfileReadRequest> request(static_cast<ProfileReadRequest*>(parameter));
  const int generation = request->generation;
  // ProfileReadsRunning was raised by the loop when it started this read, so that the loop
  // never sees a read as ended before its thread has begun.
  SetImageButtonEnabled(GoButton, false);

  FetchBuffer buffer = {nullptr, -1, 0};
  PageResults page;
  PlaylistRead playlist;
  bool noMemory = false;
  try {
    const std::string address = NormaliseProfileAddress(request->enteredText);
    const std::string tip = SiteLinkTipFor(address);
    PublishIfCurrent(generation, [&] {
      SiteLinkTip.Set(tip);
      PreviousArtistName.Set(ArtistName.Get());
    });
    noMemory = !PrepareFetchBuffer(buffer, ProgramHeapAllocator());
    if (!noMemory && IsOnSite(address)) page = ReadProfilePage(address, buffer, generation, &noMemory);
    if (!noMemory && !IsBlank(page.friendId)) {
      playlist = ReadPlaylist(page.friendId, buffer, generation);
      noMemory = playlist.noMemory;
    }
  } catch (const std::bad_alloc&) {
    noMemory = true;
  }
  FreeFetchBuffer(buffer, ProgramHeapAllocator());
  if (noMemory) {
    // Rows are added only once the whole playlist is in memory, so none came from this read.
    playlist = PlaylistRead();
  }
  EndRead(generation, page, playlist, noMemory);
  if (ProfileReadsRunning.fetch_sub(1) == 1) SetImageButtonEnabled(GoButton, true);
  return 0;
}
