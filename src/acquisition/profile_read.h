// One read of a profile, from the entered text to its songs, without a window: what it finds it
// reports to ProfileReadEvents, and what it fetches goes through a PageTransport. The window
// answers the events with its list, cursor, message boxes and title; the command line prints.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "acquisition/profile_scan.h"
#include "net/page_transport.h"

// The messages a read may owe the user.
enum class ReadMessage {
  kSiteError,      // the profile page is the site's error page
  kMiniPlayer,     // a page with only the mini player gave no songs
  kSongsLeftOut,   // the playlist held more songs than a list takes; the first ones are listed
  kNoMemory,       // no memory for a page or its songs; nothing is listed
};

// What a read learned from the profile page.
struct ProfilePage {
  bool pageRead = false;    // the fetch gave a body: then artistName stands
  std::string artistName;   // raw and untrimmed
  bool movieFound = false;  // the page carried a player movie whose address is a web address
  std::string movieAddress; // decoded, control bytes blanked
  int movieKind = 0;
  bool miniPlayerSeen = false;
};

// How a read ended.
struct ProfileReadEnd {
  bool onSite = false;      // the address was one the read fetches
  int pageLength = 0;       // what the page's fetch returned (see PageTransport::Fetch)
  unsigned pageStatus = 0;  // its HTTP status, where the transport tells (the window reads any answer)
  bool playlistAsked = false;  // a friend ID was found, so the playlist was fetched
  int playlistLength = 0;
  unsigned playlistStatus = 0;
  ProfilePage page;
  std::size_t songsListed = 0;
  bool complete = true;     // false: songs were left out
  bool noMemory = false;
};

class ProfileReadEvents {
 public:
  virtual ~ProfileReadEvents() = default;
  // Whether the read is still wanted; a read no longer wanted stops fetching and its findings are
  // still reported (the window drops those of a replaced read).
  virtual bool StillWanted() = 0;
  // Around each fetch: busy while the network is asked.
  virtual void Fetching(bool busy) = 0;
  // The address the read is about, as the site link's tip; reported first.
  virtual void AddressKnown(const std::string& address, const std::string& siteLinkTip) = 0;
  virtual void PageRead(const ProfilePage& page) = 0;
  // Songs in playlist order, starting at row first; returns how many of them were taken (fewer
  // when the taker wants no more, which ends the listing).
  virtual std::size_t SongsFound(std::vector<PlaylistSong>& songs, std::size_t first) = 0;
  virtual void Message(ReadMessage message, const std::string& text) = 0;
  // The last event of every read.
  virtual void Ended(const ProfileReadEnd& end) = 0;
};

// The words of each message.
std::string ReadMessageText(ReadMessage message, std::size_t songsListed);

// Reads the profile the entered text names. Songs are handed over in batches: the first alone,
// so the taker has a row as early as if each went on its own, then twice as many each time up to
// kLargestSongBatch. Nothing is handed over before the whole playlist is scanned, so a read that
// runs out of memory lists nothing. Never throws.
constexpr std::size_t kLargestSongBatch = 256;
// Song names and addresses are decoded as text says.
ProfileReadEnd ReadProfile(const std::string& enteredText, PageTransport& transport, ProfileReadEvents& events,
                           SongText text = SongText::kCodePage);
