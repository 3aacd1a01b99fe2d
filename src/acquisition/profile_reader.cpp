// One read: normalise the entered text, fetch the profile page, find the friend ID, the artist
// and the player movie, fetch the playlist and add its songs, then hand the list back.
//
// Several reads may run at once. Only the newest may touch what the user sees: a read whose
// list generation is no longer the current one adds no rows, shows no message and publishes no
// artist or player movie; it still counts itself out, and the last read to end enables Go!.
#include "acquisition/profile_reader.h"

#include <algorithm>
#include <memory>
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
#include "skin/pointer_helpers.h"

namespace {

bool IsCurrent(int generation) { return generation == ListGeneration.load(); }

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

// Adds the playlist's songs as rows, in the playlist's order; returns how many were added.
int ReadPlaylist(const std::string& friendId, FetchBuffer& buffer, int generation) {
  const int length = FetchWithWaitCursor(PlaylistRequestAddress(friendId), buffer, generation);
  if (length <= 0) return 0;
  std::vector<SongRowCells> rows;
  ScanPlaylist(PageText(buffer.data, length), [&rows](PlaylistSong&& song) {
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
  return added;
}

}  // namespace

DWORD WINAPI ProfileReader(void* parameter) {
  const std::unique_ptr<ProfileReadRequest> request(static_cast<ProfileReadRequest*>(parameter));
  const int generation = request->generation;

  const std::string address = NormaliseProfileAddress(request->enteredText);
  // A read that a newer one has already replaced publishes nothing, its tip included.
  if (IsCurrent(generation)) {
    const std::string tip = SiteLinkTipFor(address);
    SiteLinkTip.Set(tip);
    SetTooltipText(SiteLinkTooltip, MainWindow, SiteLink, tip);
  }
  PreviousArtistName.Set(ArtistName.Get());
  // ProfileReadsRunning was raised by the loop when it started this read, so that the loop
  // never sees a read as ended before its thread has begun.
  SetImageButtonEnabled(GoButton, false);

  FetchBuffer buffer = {nullptr, -1, 0};
  PrepareFetchBuffer(buffer, ProgramHeapAllocator());
  bool miniPlayerSeen = false;
  bool movieFound = false;
  bool pageRead = false;
  std::string friendId;

  if (IsOnSite(address)) {
    const int length = FetchWithWaitCursor(address, buffer, generation);
    const ProfileFindings found = RecogniseProfile(address, buffer.data, length);
    friendId = found.friendId;
    if (found.siteError && IsCurrent(generation)) ShowReadMessage(kSiteErrorMessage, MB_ICONINFORMATION);
    if (found.movie.found) {
      miniPlayerSeen = found.movie.miniPlayer;
      if (IsCurrent(generation)) {
        PlayerMovieKind = found.movie.kind;
        PlayerMovieUrl.Set(EntityDecoder(found.movie.address));
        movieFound = true;
      }
    }
    pageRead = found.pageRead;
    if (pageRead && IsCurrent(generation)) ArtistName.Set(found.artistName);
  }
  if (!IsBlank(friendId)) ReadPlaylist(friendId, buffer, generation);

  // The end of the read.
  const bool current = IsCurrent(generation);
  if (current && miniPlayerSeen && SongRowCount(SongList) == 0) ShowReadMessage(kMiniPlayerMessage, 0);
  if (current && !movieFound) PlayerMovieUrl.Set("unload");
  FreeFetchBuffer(buffer, ProgramHeapAllocator());
  if (current) {
    ShowWindow(SongList, SW_SHOW);
    ShowWindow(LoadingSpinner, SW_HIDE);
    ShowWindow(SidePanelLeft, SW_HIDE);
    ShowWindow(SidePanelRight, SW_HIDE);
    ArtistNameFound = pageRead ? 1 : 0;
    SongListFilled = 1;
  }
  if (ProfileReadsRunning.fetch_sub(1) == 1) SetImageButtonEnabled(GoButton, true);
  return 0;
}
