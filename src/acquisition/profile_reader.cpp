// One read: normalise the entered text, fetch the profile page, find the friend ID, the artist
// and the player movie, fetch the playlist and add its songs, then hand the list back.
//
// Several reads may run at once. Only the newest may touch what the user sees: a read whose
// list generation is no longer the current one adds no rows, shows no message and publishes no
// artist or player movie; it still counts itself out, and the last read to end enables Go!.
#include "acquisition/profile_reader.h"

#include <memory>

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
  HWND owner = GetForegroundWindow() == MainWindow ? MainWindow : nullptr;
  MessageBoxA(owner, text, kReadMessageTitle, MB_OK | icon);
}

int FetchWithWaitCursor(const std::string& address, FetchBuffer& buffer) {
  SetCursor(WaitCursor);
  const int length = PageFetcher(address, buffer);
  SetCursor(ArrowCursor);
  return length;
}

// Adds the playlist's songs as rows; returns how many were added.
int ReadPlaylist(const std::string& friendId, FetchBuffer& buffer, int generation) {
  const int length = FetchWithWaitCursor(PlaylistRequestAddress(friendId), buffer);
  if (length <= 0) return 0;
  int added = 0;
  ScanPlaylist(PageText(buffer.data, length), [&](PlaylistSong&& song) {
    if (AddSongRow(SongList, song.name, song.url, added, generation)) ++added;
  });
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
    const int length = FetchWithWaitCursor(address, buffer);
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
