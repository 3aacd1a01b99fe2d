#include "notice/notice_data.h"

#include <gtest/gtest.h>

#include <string>

TEST(NoticeData, ReadsTimeAndLinkAsTheAuthorWritesThem) {
  const std::string full(5000, '7');  // a whole block of digits with no zero byte
  std::string padded = "6000;http://x.test/";
  padded.resize(5000, '\0');
  const struct {
    std::string block;
    int time;
    const char* link;
  } cases[] = {
      {"5000;http://x.test/news.html", 5000, "http://x.test/news.html"},
      {"5000", 5000, ""},
      {" \t 7000 ms;http://x.test/", 7000, "http://x.test/"},
      {"-5;http://x.test/", -5, "http://x.test/"},
      {"+12;", 12, ""},
      {"", 0, ""},
      {"soon;http://x.test/", 0, "http://x.test/"},
      {"- 5;l", 0, "l"},
      {"5000;http://x.test/a;more;fields", 5000, "http://x.test/a"},
      {"5000;;http://x.test/", 5000, ""},
      {std::string("5000;http://x.test/\0junk;", 25), 5000, "http://x.test/"},
      {padded, 6000, "http://x.test/"},
      // Numbers outside the 32-bit range are no time; the edges still are.
      {full, 0, ""},
      {"2147483647;l", 2147483647, "l"},
      {"2147483648;l", 0, "l"},
      {"-2147483648;l", -2147483647 - 1, "l"},
      {"-2147483649;l", 0, "l"},
      {"000000000000000000005000;l", 5000, "l"},
      {"99999999999999999999999999;l", 0, "l"},
  };
  for (const auto& c : cases) {
    const NoticeData data = ReadNoticeData(c.block);
    EXPECT_EQ(data.time, c.time) << ::testing::PrintToString(c.block.substr(0, 40));
    EXPECT_EQ(data.link, c.link) << ::testing::PrintToString(c.block.substr(0, 40));
  }
}

TEST(NoticeData, ReadsNoFurtherThanTheBlock) {
  // The block ends in the middle of a text: the digit after it is not read.
  const char text[] = "123;http://x.test/9";
  const NoticeData data = ReadNoticeData(std::string_view(text, 2));
  EXPECT_EQ(data.time, 12);
  EXPECT_EQ(data.link, "");
  EXPECT_EQ(ReadNoticeData(std::string_view(text, 10)).link, "http:/");
}
