// Values of the site constants. The hosts are the program's configuration; the messages are
// shown to the user exactly as written here.
#include "acquisition/site_constants.h"

#include "base/program_constants.h"

const char* const SiteDomain = "verdimo.test";
const char* const SiteLabel = "verdimo";
const char* const SiteHomeHost = "www.verdimo.test";
const char* const PlayerMovieHost = "player.verdimo.test";
const char* const PlaylistHost = "media.verdimo.test";

const char* const kPlaylistPath = "/services/media/musicplayerxml.ashx?b=";

const char* const kSiteErrorText = "Ein unerwarteter Fehler ist aufgetreten. Sorry!";

const char* const kReadMessageTitle = kProgramTitle;
const char* const kSiteErrorMessage =
    "Auf der Verdimo Seite ist ein unerwarteter Fehler ist aufgetreten!\n"
    "Bitte versuche es in einigen Augenblicken erneut.";
const char* const kMiniPlayerMessage =
    "To download this song klick on \"View artists/band profile...\" and enter the URL of the "
    "artist!";
const char* const kNoMemoryMessage = "There is not enough memory to read this profile.";
