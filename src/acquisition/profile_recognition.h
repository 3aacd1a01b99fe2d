// Recognising a profile: the entered text turned into an address, and the friend ID, the
// artist's name and the site's player movie found in that address and the fetched page.
#pragma once

#include <string>
#include <string_view>

// Kinds of player movie, as the player step sizes its panel for them.
constexpr int kFullPlayerKind = 0;
constexpr int kMiniPlayerKind = 1;

// The player movie address a page carries.
struct PlayerMovie {
  bool found = false;       // false: the read leaves PlayerMovieKind as it was
  std::string address;      // raw, as in the page (entities not yet decoded); "" when not found
  int kind = kFullPlayerKind;
  bool miniPlayer = false;  // the mini player was the movie found
};

// What one read learns from its address and its profile page.
struct ProfileFindings {
  std::string friendId;  // as found, untrimmed; the playlist is read only if it is not blank
  bool pageRead = false;  // the fetch gave a body: only then does the read set ArtistName
  bool siteError = false;  // the page is the site's error page: the read shows its message
  std::string artistName;  // raw and untrimmed; meaningful when pageRead
  PlayerMovie movie;
};

// The address a read fetches for the entered text: a bare profile name (neither the site's
// domain nor "http://" in it, in any letter case) goes after the home address; a text with the
// domain but without "http://" gets "http://" in front; anything else stays as it is.
std::string NormaliseProfileAddress(std::string_view entered);

// The tooltip and target of SiteLink after a read: the address when its lower-case copy holds
// the site's label followed by ".", else SiteHomeHost.
std::string SiteLinkTipFor(std::string_view address);

// Whether the address (in its own letter case) holds "." or "/" + the site's label + ".";
// only such an address is fetched and searched for a friend ID.
bool IsOnSite(std::string_view address);

// The friend ID the address gives: the "&friendID=" value up to the next "&"; when that is
// blank and the marker is there, everything after the marker; when still blank, the "&fid="
// value up to the next "&" (possibly empty). Case-sensitive.
std::string FriendIdFromAddress(std::string_view address);

// The friend ID the page gives, the first non-empty of: the "&amp;friendID=" value up to the
// next double quote, the "&friendID=" value up to the next double quote, the "&friendID=" value
// up to the next "&"; "" when none.
std::string FriendIdFromPage(std::string_view page);

// The site's full, mini or popup player, the first of these three whose address prefix is
// followed in the page by a non-empty text up to a double quote.
PlayerMovie FindPlayerMovie(std::string_view page);

// The raw text after the name marker up to the next "<"; "" when the page has no marker.
std::string ArtistNameFromPage(std::string_view page);

// Whether the page holds the site's error text.
bool IsSiteErrorPage(std::string_view page);

// Everything a read finds from an on-site address (see IsOnSite) and the block its page fetch
// filled, with the length the fetch returned. A length of 0 or less leaves only what the address
// gives; the page's friend ID is looked for only when the address's is blank.
ProfileFindings RecogniseProfile(std::string_view address, const char* data, int length);

// The playlist service's address for a friend ID, taken as it is.
std::string PlaylistRequestAddress(std::string_view friendId);

// A fetched block as text: at most length bytes, ending before the first zero byte; "" for a
// length of 0 or less or no block. PageView sees it in the block, PageText copies it.
std::string_view PageView(const char* data, int length);
std::string PageText(const char* data, int length);
