// Which texts from outside may be opened at all.
#include "base/web_address.h"

#include <gtest/gtest.h>

TEST(WebAddress, OnlyHttpAndHttpsAddressesWithAHostMayBeOpened) {
  const struct {
    const char* text;
    bool web;
  } cases[] = {
      {"http://www.vmd-author.test/news.html", true},
      {"https://x.test", true},
      {"HTTP://X.TEST/", true},
      {"hTtPs://x.test/a b", true},
      {"cmd /c echo x", false},
      {"C:\\windows\\system32\\calc.exe", false},
      {"file:///C:/", false},
      {"javascript:alert(1)", false},
      {"ftp://x.test/", false},
      {"www.vmd-author.test", false},
      {" http://x.test/", false},
      {"http:", false},
      {"http://", false},
      {"http:///etc", false},
      {"http://\\\\server\\share", false},
      {"http://x.test/\r\ncalc.exe", false},
      {"http://x.test/\" calc.exe", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsWebAddress(c.text), c.web) << c.text;
}
