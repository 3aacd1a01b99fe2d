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
      {"http://user@x.test/", false},
      {"http://a@b/", false},
      {"http://b/?a@c", true},
      {"http://x.test/%zz", false},
      {"http://x.test/a%2", false},
      {"http://x.test/%", false},
      {"http://x.test/%aF", true},
      {"http://x.test/" + std::string(2048 - 14, 'a'), true},
      {"http://x.test/" + std::string(2049 - 14, 'a'), false},
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

TEST(WebAddress, LinksBecomeWebAddressesOrNothing) {
  const struct {
    std::string text;
    std::string opened;  // "" = nothing opens
  } cases[] = {
      {"www.vmd-author.test", "http://www.vmd-author.test"},
      {"HTTPS://x.test/a", "HTTPS://x.test/a"},
      {"http://x.test", "http://x.test"},
      {"mshta http://x.test/x.hta#verdimo.test", ""},
      {"calc.exe", "http://calc.exe"},
      {"file:///C:/windows/win.ini", ""},
      {"\\\\host\\share", ""},
      {"", ""},
  };
  for (const auto& c : cases) {
    const std::string address = LinkWebAddress(c.text);
    EXPECT_EQ(IsWebAddress(address) ? address : "", c.opened) << c.text;
  }
}
