#include "base/web_address.h"

#include <gtest/gtest.h>

#include <string>

TEST(WebAddress, OnlyHttpAndHttpsAddressesWithAHost) {
  const struct {
    std::string text;
    bool web;
  } cases[] = {
      {"http://www.vmd-author.test/news.html", true},
      {"https://x.test", true},
      {"HTTP://x.test/", true},
      {"HttpS://x.test/?q=1#top", true},
      {"http://x", true},
      {"http://x.test:8080/a%20b", true},
      {"http://user@x.test/", true},
      {"http://[::1]:80/", true},
      {"http:", false},
      {"http://", false},
      {"https://", false},
      {"http:///path", false},
      {"http://:80/", false},
      {"http://user@/", false},
      {"http://x.test:8o/", false},
      {"http:x.test", false},
      {"http:\\\\x.test\\", false},
      {" http://x", false},
      {"http://x.test/ a", false},
      {"http://x.test/\"--flag", false},
      {"http://x.test/\t", false},
      {std::string("http://x.test/\0", 15), false},
      {"http://x.test/\xE9", false},
      {"http://x.test/|calc", false},
      {"cmd /c echo x", false},
      {"C:\\windows\\system32\\calc.exe", false},
      {"calc.exe", false},
      {"file:///C:/", false},
      {"javascript:alert(1)", false},
      {"ftp://x.test/", false},
      {"www.vmd-author.test", false},
      {"", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsWebAddress(c.text), c.web) << ::testing::PrintToString(c.text);
  }
}
