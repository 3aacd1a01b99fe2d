// The window's side of a read: the read itself (acquisition/profile_read.h) knows no window; its
// events are carried out here with the effects the window always had, on the read's thread.
//
// Several reads may run at once. Only the newest may touch what the user sees: a read whose
// list generation is no longer the current one adds no rows, shows no message and publishes no
// artist, player movie or SiteLinkTip; it still counts itself out, and the last read to end
// enables Go!.
#include "shell/profile_reader.h"

#include <memory>
#include <utility>
#include <vector>

#include "acquisition/profile_read.h"
#include "acquisition/site_constants.h"
#include "base/app_state.h"
#include "base/program_constants.h"
#include "shell/window_state.h"
#include "net/page_fetcher.h"
#include "shell/read_results.h"
#include "skin/pointer_helpers.h"
#include "shell/song_rows.h"
#include "wingui/song_list.h"

namespace {

class WindowReadEvents : public ProfileReadEvents {
 public:
  explicit WindowReadEvents(int generation) : generation_(generation) {}

  // A read that a newer one has replaced stops fetching at its next read of the network: the new
  // list's buttons, title and player wait until no read runs, and a server that never finishes
  // an old page must not hold them back.
  bool StillWanted() override { return IsCurrent(); }

  void Fetching(bool busy) override { SetCursor(busy ? WaitCursor : ArrowCursor); }

  void AddressKnown(const std::string&, const std::string& siteLinkTip) override {
    PublishIfCurrent([&] {
      SiteLinkTip.Set(siteLinkTip);
      PreviousArtistName.Set(ArtistName.Get());
    });
  }

  void PageRead(const ProfilePage& page) override {
    pageRead_ = page.pageRead;
    movieFound_ = page.movieFound;
    PublishIfCurrent([&] {
      if (page.movieFound) {
        PlayerMovieKind = page.movieKind;
        PlayerMovieUrl.Set(page.movieAddress);
      }
      if (page.pageRead) ArtistName.Set(page.artistName);
    });
  }

  std::size_t SongsFound(std::vector<PlaylistSong>& songs, std::size_t first) override {
    std::vector<SongRowCells> rows;
    rows.reserve(songs.size());
    for (PlaylistSong& song : songs) rows.push_back(SongRowCells{std::move(song.name), std::move(song.url)});
    const int took = AddSongRows(SongList, rows, 0, rows.size(), static_cast<int>(first), generation_);
    return took < 0 ? 0 : static_cast<std::size_t>(took);
  }

  // The box is owned by the program's window only while that window is in the foreground, so
  // that it does not take the input away from another program.
  void Message(ReadMessage message, const std::string& text) override {
    if (!IsCurrent()) return;
    HWND window = MainWindow;
    HWND owner = GetForegroundWindow() == window ? window : nullptr;
    MessageBoxA(owner, text.c_str(), kReadMessageTitle, MB_OK | IconOf(message));
  }

  void Ended(const ProfileReadEnd&) override {
    if (IsCurrent()) {
      ShowWindow(SongList, SW_SHOW);
      ShowWindow(LoadingSpinner, SW_HIDE);
      ShowWindow(SidePanelLeft, SW_HIDE);
      ShowWindow(SidePanelRight, SW_HIDE);
    }
    PublishIfCurrent([&] {
      if (!movieFound_) PlayerMovieUrl.Set(kUnloadMovie);
      ArtistNameFound = pageRead_ ? 1 : 0;
      SongListFilled = 1;
    });
  }

 private:
  static UINT IconOf(ReadMessage message) {
    switch (message) {
      case ReadMessage::kSiteError:
      case ReadMessage::kSongsLeftOut:
        return MB_ICONINFORMATION;
      case ReadMessage::kNoMemory:
        return MB_ICONWARNING;
      case ReadMessage::kMiniPlayer:
        break;
    }
    return 0;
  }

  bool IsCurrent() const { return generation_ == ListGeneration.load(); }

  // Runs publish while the read is still the newest, under the lock that a new read's start takes
  // to raise the generation: the test and the writes are one step.
  template <typename Publish>
  void PublishIfCurrent(Publish publish) {
    std::lock_guard<std::mutex> hold(ReadResultLock);
    if (IsCurrent()) publish();
  }

  const int generation_;
  bool pageRead_ = false;
  bool movieFound_ = false;
};

}  // namespace

DWORD WINAPI ProfileReader(void* parameter) {
  const std::unique_ptr<ProfileReadRequest> request(static_cast<ProfileReadRequest*>(parameter));
  // ProfileReadsRunning was raised by the loop when it started this read, so that the loop
  // never sees a read as ended before its thread has begun.
  SetImageButtonEnabled(GoButton, false);
  WindowReadEvents events(request->generation);
  WinInetPageTransport transport(HttpSession);
  ReadProfile(request->enteredText, transport, events);
  if (ProfileReadsRunning.fetch_sub(1) == 1) SetImageButtonEnabled(GoButton, true);
  return 0;
}
