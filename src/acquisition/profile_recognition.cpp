// The rules by which a read turns the entered text into an address and finds the artist's
// friend ID, name and player movie. All searches are byte-exact and case-sensitive except the
// two on the lower-case copy of an address.
#include "acquisition/profile_recognition.h"

#include <cstring>
#include <utility>

#include "acquisition/site_constants.h"
#include "base/text_search.h"

namespace {

constexpr std::string_view kHttp = "http://";
constexpr std::string_view kHttps = "https://";
constexpr std::string_view kFriendIdMarker = "&friendID=";
constexpr std::string_view kEscapedFriendIdMarker = "&amp;friendID=";
constexpr std::string_view kShortFriendIdMarker = "&fid=";
constexpr std::string_view kNameMarker = "<span class=\"nametext\">";
constexpr std::string_view kAmpersand = "&";
constexpr std::string_view kLessThan = "<";
constexpr std::string_view kQuote = "\"";

constexpr std::string_view kFullPlayerPath = "/music/musicplayer.swf";
constexpr std::string_view kMiniPlayerPath = "/mini/mini.swf";
constexpr std::string_view kPopupPlayerPath = "/music/player_popup.swf";

std::string HomeAddress() { return std::string(kHttp) + SiteHomeHost + "/"; }

std::string PlayerPrefix(std::string_view path) {
  return std::string(kHttp) + PlayerMovieHost + std::string(path);
}

}  // namespace

std::string NormaliseProfileAddress(std::string_view entered) {
  const std::string lower = LowerAnsi(entered);
  // An address that starts with its scheme, in any letter case, is taken as it is.
  const bool hasScheme = ContainsText(lower, kHttp) || lower.compare(0, kHttps.size(), kHttps) == 0;
  if (!hasScheme && !ContainsText(lower, SiteDomain)) return HomeAddress() + std::string(entered);
  if (!hasScheme) return std::string(kHttp) + std::string(entered);
  return std::string(entered);
}

std::string SiteLinkTipFor(std::string_view address) {
  const std::string labelPattern = std::string(SiteLabel) + ".";
  if (ContainsText(LowerAnsi(address), labelPattern)) return std::string(address);
  return SiteHomeHost;
}

bool IsOnSite(std::string_view address) {
  const std::string label = std::string(SiteLabel) + ".";
  return ContainsText(address, "." + label) || ContainsText(address, "/" + label);
}

std::string FriendIdFromAddress(std::string_view address) {
  std::string friendId = Between(address, kFriendIdMarker, kAmpersand, 1);
  if (IsBlank(friendId)) {
    // The value may close the address, with no "&" behind it.
    const int marker = FindText(address, kFriendIdMarker, 1);
    if (marker != 0) {
      friendId = std::string(address.substr(marker - 1 + kFriendIdMarker.size()));
    }
  }
  if (IsBlank(friendId)) friendId = Between(address, kShortFriendIdMarker, kAmpersand, 1);
  return friendId;
}

std::string FriendIdFromPage(std::string_view page) {
  std::string friendId = Between(page, kEscapedFriendIdMarker, kQuote, 1);
  if (friendId.empty()) friendId = Between(page, kFriendIdMarker, kQuote, 1);
  if (friendId.empty()) friendId = Between(page, kFriendIdMarker, kAmpersand, 1);
  return friendId;
}

PlayerMovie FindPlayerMovie(std::string_view page) {
  struct Candidate {
    std::string_view path;
    int kind;
  };
  const Candidate candidates[] = {
      {kFullPlayerPath, kFullPlayerKind},
      {kMiniPlayerPath, kMiniPlayerKind},
      {kPopupPlayerPath, kFullPlayerKind},
  };
  PlayerMovie movie;
  for (const Candidate& candidate : candidates) {
    const std::string prefix = PlayerPrefix(candidate.path);
    const std::string tail = Between(page, prefix, kQuote, 1);
    if (tail.empty()) continue;
    movie.found = true;
    movie.address = prefix + tail;
    movie.kind = candidate.kind;
    movie.miniPlayer = candidate.path == kMiniPlayerPath;
    break;
  }
  return movie;
}

std::string ArtistNameFromPage(std::string_view page) {
  return Between(page, kNameMarker, kLessThan, 1);
}

bool IsSiteErrorPage(std::string_view page) { return ContainsText(page, kSiteErrorText); }

ProfileFindings RecogniseProfile(std::string_view address, const char* data, int length) {
  ProfileFindings findings;
  findings.friendId = FriendIdFromAddress(address);
  findings.pageRead = length > 0;
  if (!findings.pageRead) return findings;
  const std::string page = PageText(data, length);
  findings.siteError = IsSiteErrorPage(page);
  findings.movie = FindPlayerMovie(page);
  findings.artistName = ArtistNameFromPage(page);
  if (IsBlank(findings.friendId)) {
    std::string fromPage = FriendIdFromPage(page);
    if (!fromPage.empty()) findings.friendId = std::move(fromPage);
  }
  return findings;
}

std::string PlaylistRequestAddress(std::string_view friendId) {
  return std::string(kHttp) + PlaylistHost + kPlaylistPath + std::string(friendId);
}

std::string_view PageView(const char* data, int length) {
  if (data == nullptr || length <= 0) return std::string_view();
  const std::size_t size = static_cast<std::size_t>(length);
  const void* zero = std::memchr(data, 0, size);
  return std::string_view(data, zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - data) : size);
}

std::string PageText(const char* data, int length) { return std::string(PageView(data, length)); }
