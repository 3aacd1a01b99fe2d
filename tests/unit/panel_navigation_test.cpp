#include "host/panel_navigation.h"

#include <gtest/gtest.h>

TEST(PanelNavigation, OnlyWebPagesAndTheBlankPage) {
  const struct {
    const wchar_t* address;
    bool allowed;
  } cases[] = {
      {L"http://www.vmd-author.test/news.html", true}, {L"HTTPS://vmd-author.test/", true}, {L"About:Blank", true},
      {L"file:///C:/windows/win.ini", false}, {L"C:\\windows\\win.ini", false}, {L"\\\\host\\share\\a.htm", false},
      {L"javascript:alert(1)", false}, {L"res://ieframe.dll/", false}, {L"about:blank#x", false},
      {L"mk:@MSITStore:C:\\x.chm::/a.htm", false}, {L" http://www.vmd-author.test/", false}, {L"http://", false},
      {L"http://www.vmd-author.test/\x0130", false}, {L"\xFF48ttp://www.vmd-author.test/", false}, {L"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(PanelMayNavigate(c.address), c.allowed) << c.address;
}
