// Recognising a profile: address normalisation, the SiteLink tip, which addresses are read,
// the friend-ID sources and their order, the player movie kinds, the artist name, the error
// page, the playlist address and the text of a fetched block.
#include "acquisition/profile_recognition.h"

#include <gtest/gtest.h>

#include <string>

#include "acquisition/site_constants.h"

namespace {

const std::string kFull = "http://player.verdimo.test/music/musicplayer.swf";
const std::string kMini = "http://player.verdimo.test/mini/mini.swf";
const std::string kPopup = "http://player.verdimo.test/music/player_popup.swf";

ProfileFindings RecogniseText(const std::string& address, const std::string& page) {
  return RecogniseProfile(address, page.data(), static_cast<int>(page.size()));
}

}  // namespace

TEST(ProfileRecognition, NormaliseProfileAddress) {
  struct Case {
    std::string entered, address;
  } cases[] = {
      {"someband", "http://www.verdimo.test/someband"},
      {"", "http://www.verdimo.test/"},
      {" someband ", "http://www.verdimo.test/ someband "},   // not trimmed
      {"www.VERDIMO.Test/someband", "http://www.VERDIMO.Test/someband"},
      {"verdimo.test/x", "http://verdimo.test/x"},
      {"http://www.example.com/band", "http://www.example.com/band"},
      {"HTTP://www.example.com/band", "HTTP://www.example.com/band"},
      {"https://www.verdimo.test/band", "https://www.verdimo.test/band"},
      {"HTTPS://www.verdimo.test/band", "HTTPS://www.verdimo.test/band"},
      {"https://www.example.com/band", "https://www.example.com/band"},
      {"\xC4rzte", "http://www.verdimo.test/\xC4rzte"},
      {"www.verdimo.testing.com", "http://www.verdimo.testing.com"},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseProfileAddress(c.entered), c.address);
}

TEST(ProfileRecognition, SiteLinkTipAndWhichAddressesAreRead) {
  struct Case {
    std::string address, tip;
    bool onSite;
  } cases[] = {
      {"http://www.verdimo.test/band", "http://www.verdimo.test/band", true},
      {"http://verdimo.test/band", "http://verdimo.test/band", true},   // path-label pattern
      {"http://WWW.VERDIMO.TEST/band", "http://WWW.VERDIMO.TEST/band", false},
      {"http://www.example.com/", "www.verdimo.test", false},
      {"http://www.verdimo-fans.com/", "www.verdimo.test", false},
      {"http://myverdimo.test/", "http://myverdimo.test/", false},
      {"http://www.example.com/a.verdimo.b", "http://www.example.com/a.verdimo.b", true},
      {"http://https://www.verdimo.test/band", "http://https://www.verdimo.test/band", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SiteLinkTipFor(c.address), c.tip) << c.address;
    EXPECT_EQ(IsOnSite(c.address), c.onSite) << c.address;
  }
}

TEST(ProfileRecognition, FriendIdFromAddressSourcesInOrder) {
  const std::string base = "http://www.verdimo.test/index.cfm?fuseaction=user";
  struct Case {
    std::string query, friendId;
  } cases[] = {
      {"&friendID=123&x=1", "123"},
      {"&friendID=123", "123"},                    // the rest of the address
      {"&fid=77&x", "77"},
      {"&fid=77", ""},                             // "&fid=" has no rest-of-address fall-back
      {"&FRIENDID=5", ""},                         // case-sensitive
      {"&friendID= 42 &x", " 42 "},                // untrimmed
      {"&friendID=1&friendID=2&", "1"},
      {"&fid=9&y=1&friendID=  ", "9"},             // a blank rest falls through to "&fid="
      {"&fid=9&friendID=&", "&"},                  // a rest that is not blank is taken whole
      {"&friendID=  &fid=9&", "  &fid=9&"},
      {"&fid=8&friendID=3&", "3"},                 // "&friendID=" wins wherever it stands
      {"&fid=&x", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FriendIdFromAddress(base + c.query), c.friendId) << c.query;
  }
}

TEST(ProfileRecognition, FriendIdFromPageSourcesInOrder) {
  struct Case {
    std::string page, friendId;
  } cases[] = {
      {"<a href=\"x?a=1&amp;friendID=123&amp;type=x\">", "123&amp;type=x"},
      {"<a href=\"x?a=1&friendID=55\">", "55"},
      {"flashvars=a=1&friendID=66&b=2", "66"},     // no quote after it: up to the next "&"
      {"&friendID=8\" &amp;friendID=7\"", "7"},    // the escaped form is tried first
      {"&amp;friendID=7\" &friendID=8\"", "7"},
      {"&amp;friendID=\" &friendID=8\"", "8"},     // an empty value falls through
      {"&amp;friendID= \"", " "},                  // a blank one is taken (untrimmed test)
      {"&friendID=\"x\" &friendID=9\"", "\"x\" "},  // each source looks at the first marker only
      {"&friendID=&x", ""},
      {"no marker here", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FriendIdFromPage(c.page), c.friendId) << c.page;
}

TEST(ProfileRecognition, PlayerMovieKinds) {
  struct Case {
    std::string page;
    bool found;
    std::string address;
    int kind;
    bool mini;
  } cases[] = {
      {"<embed src=\"" + kMini + "?m=1\"><embed src=\"" + kFull + "?a=1&amp;b=2\">", true,
       kFull + "?a=1&amp;b=2", 0, false},
      {"<embed src=\"" + kMini + "?m=1\">", true, kMini + "?m=1", 1, true},
      {"<embed src=\"" + kPopup + "?p=3\">", true, kPopup + "?p=3", 0, false},
      {"\"" + kPopup + "?p\" \"" + kMini + "?m\"", true, kMini + "?m", 1, true},
      {"\"" + kFull + "\" \"" + kMini + "?m\"", true, kMini + "?m", 1, true},   // empty tail
      {"\"" + kFull + "\"", false, "", 0, false},
      {"\"" + kFull + "?never closed", false, "", 0, false},
      {"\"http://www.verdimo.test/music/musicplayer.swf?x\"", false, "", 0, false},
      {"\"" + kFull + "x\"", true, kFull + "x", 0, false},
      {"", false, "", 0, false},
  };
  for (const Case& c : cases) {
    const PlayerMovie movie = FindPlayerMovie(c.page);
    EXPECT_EQ(movie.found, c.found) << c.page;
    EXPECT_EQ(movie.address, c.address) << c.page;
    if (c.found) {
      EXPECT_EQ(movie.kind, c.kind) << c.page;
    }
    EXPECT_EQ(movie.miniPlayer, c.mini) << c.page;
  }
}

TEST(ProfileRecognition, ArtistNameIsRawAndUntrimmed) {
  struct Case {
    std::string page, name;
  } cases[] = {
      {"<td><span class=\"nametext\"> The Band </span>", " The Band "},
      {"<span class=\"nametext\">A&amp;B<br>C</span>", "A&amp;B"},
      {"<span class=\"nametext\">First</span><span class=\"nametext\">Second<", "First"},
      {"<span class=\"nametext\"><b>x</b>", ""},
      {"<span class=\"nametext\">never closed", ""},
      {"<span class=nametext>X</span>", ""},
      {"<span class=\"NameText\">X</span>", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ArtistNameFromPage(c.page), c.name) << c.page;
}

TEST(ProfileRecognition, SiteErrorPage) {
  EXPECT_TRUE(IsSiteErrorPage("<p>Ein unerwarteter Fehler ist aufgetreten. Sorry!</p>"));
  EXPECT_FALSE(IsSiteErrorPage("<p>Ein unerwarteter Fehler ist aufgetreten.</p>"));
  EXPECT_FALSE(IsSiteErrorPage("ein unerwarteter fehler ist aufgetreten. sorry!"));
  EXPECT_STREQ(kSiteErrorMessage,
               "Auf der Verdimo Seite ist ein unerwarteter Fehler ist aufgetreten!\n"
               "Bitte versuche es in einigen Augenblicken erneut.");
  EXPECT_STREQ(kMiniPlayerMessage,
               "To download this song klick on \"View artists/band profile...\" and enter the "
               "URL of the artist!");
  EXPECT_STREQ(kReadMessageTitle, "Verdimo Music Downloader");
}

TEST(ProfileRecognition, RecogniseProfileGathersOneRead) {
  const std::string address = "http://www.verdimo.test/band";
  const std::string page = "Ein unerwarteter Fehler ist aufgetreten. Sorry!"
                           "<span class=\"nametext\">Band</span>"
                           "<embed src=\"" + kMini + "?id=5\">"
                           "<a href=\"x?&amp;friendID=99\">";
  ProfileFindings f = RecogniseText(address, page);
  EXPECT_TRUE(f.pageRead);
  EXPECT_TRUE(f.siteError);  // the read goes on with what the error page holds
  EXPECT_EQ(f.artistName, "Band");
  EXPECT_EQ(f.movie.address, kMini + "?id=5");
  EXPECT_TRUE(f.movie.miniPlayer);
  EXPECT_EQ(f.friendId, "99");

  // The address's own friend ID keeps the page from being asked.
  f = RecogniseText(address + "?&friendID=12", page);
  EXPECT_EQ(f.friendId, "12");

  // A page without any of the markers still counts as read: the artist name becomes empty.
  f = RecogniseText(address, "<html></html>");
  EXPECT_TRUE(f.pageRead);
  EXPECT_FALSE(f.siteError);
  EXPECT_EQ(f.artistName, "");
  EXPECT_FALSE(f.movie.found);
  EXPECT_EQ(f.friendId, "");

  // A blank friend ID from the address gives way to the page's.
  f = RecogniseText(address + "?&fid=  &", "<a href=\"x?&amp;friendID=5\">");
  EXPECT_EQ(f.friendId, "5");

  // A blank friend ID from the address and none in the page: nothing usable.
  f = RecogniseText(address + "?&fid=  &", "<html></html>");
  EXPECT_TRUE(f.friendId.find_first_not_of(' ') == std::string::npos);
}

TEST(ProfileRecognition, RecogniseProfileReadsOnlyTheFetchedText) {
  const std::string address = "http://www.verdimo.test/band?&fid=4&";
  const std::string stale = "<span class=\"nametext\">Old</span>&amp;friendID=1\"";
  for (int length : {0, -1, -2}) {
    const ProfileFindings f = RecogniseProfile(address, stale.data(), length);
    EXPECT_FALSE(f.pageRead) << length;
    EXPECT_EQ(f.artistName, "") << length;
    EXPECT_EQ(f.friendId, "4") << length;
  }
  // Only length bytes count, and a zero byte ends the text before that.
  const std::string block = std::string("<span class=\"nametext\">New<") + '\0' +
                            "&amp;friendID=2\"" + "<span";
  ProfileFindings f = RecogniseProfile("http://www.verdimo.test/b", block.data(),
                                       static_cast<int>(block.size()));
  EXPECT_EQ(f.artistName, "New");
  EXPECT_EQ(f.friendId, "");
  f = RecogniseProfile("http://www.verdimo.test/b", block.data(), 26);
  EXPECT_EQ(f.artistName, "");  // "<" not within the first 26 bytes
}

TEST(ProfileRecognition, PlaylistRequestAddressTakesTheFriendIdAsFound) {
  EXPECT_EQ(PlaylistRequestAddress("123"),
            "http://media.verdimo.test/services/media/musicplayerxml.ashx?b=123");
  EXPECT_EQ(PlaylistRequestAddress(" 123&amp;type=x"),
            "http://media.verdimo.test/services/media/musicplayerxml.ashx?b= 123&amp;type=x");
}

TEST(ProfileRecognition, PageTextEndsAtLengthOrZeroByte) {
  const char block[] = "abc\0def";  // 8 bytes with the closing zero
  struct Case {
    const char* data;
    int length;
    std::string text;
  } cases[] = {
      {block, 3, "abc"}, {block, 2, "ab"}, {block, 8, "abc"}, {block + 4, 3, "def"},
      {block, 0, ""},    {block, -1, ""},  {block, -2, ""},   {nullptr, 5, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PageText(c.data, c.length), c.text) << c.length;
    // The view is the same text where it lies in the block, no copy of it.
    const std::string_view view = PageView(c.data, c.length);
    EXPECT_EQ(view, c.text) << c.length;
    EXPECT_TRUE(view.empty() || view.data() == c.data) << c.length;
  }
  const std::string high = "\xE4\xFF\x80";
  EXPECT_EQ(PageText(high.data(), 3), high);
}
