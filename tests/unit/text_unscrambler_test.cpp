#include "notice/text_unscrambler.h"

#include <gtest/gtest.h>

#include "notice/author_constants.h"

TEST(TextUnscrambler, RaisesEveryByteByTwoExceptTwo) {
  EXPECT_EQ(TextUnscrambler(""), "");
  EXPECT_EQ(TextUnscrambler("f"), "h");
  EXPECT_EQ(TextUnscrambler(std::string("a\x02z", 3)), std::string("c\x02|", 3));
  EXPECT_EQ(TextUnscrambler(std::string("\x01", 1)), std::string("\x03", 1));
  EXPECT_EQ(TextUnscrambler(std::string("\xFD", 1)), std::string("\xFF", 1));
}

TEST(TextUnscrambler, HighestStoredBytes) {
  // 0xFE wraps to 0xFF; 0xFF gives nothing, so such a text shrinks.
  EXPECT_EQ(TextUnscrambler(std::string("a\xFE", 2)), std::string("c\xFF", 2));
  EXPECT_EQ(TextUnscrambler(std::string("a\xFF" "b", 3)), "cd");
}

TEST(TextUnscrambler, StoredAuthorAddressesGiveTheirPlainTexts) {
  struct Case {
    const char* stored;
    const char* plain;
  } cases[] = {
      {kScrambledNoticeBase, "http://www.vmd-author.test"},
      {kScrambledNoticePath, "/downloader/verdimo/notice/files/"},
      {kScrambledLeftPanelPage, "panel1.htm"},
      {kScrambledRightPanelPage, "panel2.htm"},
      {kScrambledTickerPage, "ticker.html"},
      {kScrambledNoticeDataFile, "notice-data.txt"},
      {kScrambledNoticeImageFile, "notice1.png"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextUnscrambler(c.stored), c.plain);
    EXPECT_EQ(TextScrambler(c.plain), c.stored);
  }
}
