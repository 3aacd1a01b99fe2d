// Reading a profile and saving its songs with no window at all: the workers' events go to a
// recorder, the network to the Windows transports, against the stand-in site.
#include <windows.h>
#include <wininet.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/profile_read.h"
#include "base/win_handles.h"
#include "common/test_files.h"
#include "downloads/song_save.h"
#include "net/page_fetcher.h"
#include "net/url_transfer.h"

namespace {

struct RecordedRead : ProfileReadEvents {
  std::vector<std::string> events;
  std::vector<PlaylistSong> songs;
  bool StillWanted() override { return true; }
  void Fetching(bool busy) override { events.push_back(busy ? "fetching" : "fetched"); }
  void AddressKnown(const std::string& address, const std::string& tip) override {
    events.push_back("address " + address + " tip " + tip);
  }
  void PageRead(const ProfilePage& page) override {
    events.push_back("page " + page.artistName + " movie " + page.movieAddress);
  }
  std::size_t SongsFound(std::vector<PlaylistSong>& found, std::size_t first) override {
    events.push_back("songs from " + std::to_string(first) + ": " + std::to_string(found.size()));
    songs.insert(songs.end(), found.begin(), found.end());
    return found.size();
  }
  void Message(ReadMessage, const std::string& text) override { events.push_back("message " + text); }
  void Ended(const ProfileReadEnd& end) override { events.push_back("ended " + std::to_string(end.songsListed)); }
};

struct RecordedSave : SongSaveEvents {
  std::string answer;  // what the "dialog" answers
  std::vector<std::string> states;
  bool StillWanted() override { return true; }
  void StateChanged(SongSaveState state, const std::string& path) override {
    const char* names[] = {"waiting", "downloading", "ready", "failed", "cancelled"};
    states.push_back(names[static_cast<int>(state)] + (path.empty() ? "" : " " + path));
  }
  std::string AskTargetPath(const std::string& proposal) override {
    states.push_back("asked " + proposal);
    return answer;
  }
  void Progress(std::uint64_t, std::uint64_t) override {}
};

TEST(WindowlessWorkers, ReadAProfileAndSaveItsSongsThroughTheirEvents) {
  const UniqueInternetHandle session(
      InternetOpenA("Mozilla/4.0 (compatible; ST)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  WinInetPageTransport pages(session.get());
  RecordedRead read;
  ReadProfile("someband", pages, read);
  const std::vector<std::string> expected = {
      "address http://www.verdimo.test/someband tip http://www.verdimo.test/someband", "fetching", "fetched",
      "page Some Band movie http://player.verdimo.test/music/musicplayer.swf?n=1&a=0&friendID=1001", "fetching",
      "fetched", "songs from 0: 1", "songs from 1: 2", "songs from 3: 2", "ended 5"};
  EXPECT_EQ(read.events, expected);
  ASSERT_EQ(read.songs.size(), 5u);

  ScopedComApartment com;
  UrlMonFileTransport files;
  const std::string folder = FreshTempFolder("windowless");
  const auto song = [](const std::string& url, const std::string& name, const std::string& target) {
    SongSaveRequest request;
    request.url = url;
    request.name = name;
    request.targetPath = target;
    return request;
  };
  RecordedSave toFolder;
  SaveSong(song(read.songs[0].url, read.songs[0].name, folder + "Rock & Roll"), files, toFolder);
  RecordedSave cancelled;
  SaveSong(song(read.songs[1].url, read.songs[1].name, ""), files, cancelled);
  RecordedSave chosen;
  chosen.answer = folder + "chosen";
  SaveSong(song("file:///C:/windows/win.ini", "Not a Song", ""), files, chosen);
  EXPECT_EQ(toFolder.states, (std::vector<std::string>{"waiting", "downloading " + folder + "Rock & Roll.mp3",
                                                      "ready " + folder + "Rock & Roll.mp3"}));
  EXPECT_EQ(cancelled.states, (std::vector<std::string>{"waiting", "asked EndlessSummer.mp3", "cancelled"}));
  EXPECT_EQ(chosen.states,
            (std::vector<std::string>{"waiting", "asked Not a Song.mp3", "downloading " + folder + "chosen.mp3", "failed"}));
  EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Rock & Roll.mp3"});
}

}  // namespace
