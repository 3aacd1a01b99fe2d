#include "notice/text_unscrambler.h"

#include <gtest/gtest.h>

#include "notice/author_constants.h"

TEST(TextUnscrambler, RaisesEveryByteByTwoExceptTwoAndEndsAtFEOrFF) {
  const struct {
    std::string stored;
    std::string plain;
  } cases[] = {
      {"", ""},
      {"f", "h"},
      {std::string("a\x02z", 3), std::string("c\x02|", 3)},
      {"\x01", "\x03"},
      {"\xFD", "\xFF"},
      {"a\xFE", "c"},
      {"a\xFF" "b", "c"},
      {"ab\xFE\x02z", "cd"},
      {"\xFF", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TextUnscrambler(c.stored), c.plain) << "stored " << ::testing::PrintToString(c.stored);
  }
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
