// The music site's host names and the fixed texts a profile read uses or shows.
#pragma once

// The site's domain, its first label in lower case, and the hosts of its home page, its player
// movies and its playlist service.
extern const char* const SiteDomain;       // "verdimo.test"
extern const char* const SiteLabel;        // "verdimo"
extern const char* const SiteHomeHost;     // "www.verdimo.test"
extern const char* const PlayerMovieHost;  // "player.verdimo.test"
extern const char* const PlaylistHost;     // "media.verdimo.test"

// Path and query key of the playlist service; the friend ID follows as it was found.
extern const char* const kPlaylistPath;  // "/services/media/musicplayerxml.ashx?b="

// The text by which the site's own error page is recognised.
extern const char* const kSiteErrorText;

// Title of both message boxes of a read.
extern const char* const kReadMessageTitle;
// Shown (information icon) when the profile page is the site's error page.
extern const char* const kSiteErrorMessage;
// Shown (no icon) when a page with only the mini player gave no songs.
extern const char* const kMiniPlayerMessage;
// Shown (warning icon) when a read found no memory for a page or its songs; nothing is listed.
extern const char* const kNoMemoryMessage;
