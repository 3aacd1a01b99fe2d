// The browser panels' host: with the stand-in control registered, a panel is a live browser that
// fetches through the site and reports where it is; with the platform's own control, which never
// reports a page as loaded here, the waits of five panels end together once their shared budget
// has passed.
#include <windows.h>
#include <exdisp.h>

#include <gtest/gtest.h>

#include <string>

#include "host/browser_host.h"
#include "host/player_host.h"
#include "program_fixture.h"
#include "common/test_files.h"
#include "common/stand_in_browser_control.h"
#include "base/app_state.h"
#include "shell/window_state.h"

namespace {

const std::string kPanelPage = "http://www.vmd-author.test/downloader/verdimo/notice/files/panel1.htm";
const std::string kTickerPage = "http://www.vmd-author.test/downloader/verdimo/notice/files/ticker.html";

IWebBrowser2* BrowserPointer(HWND browser) {
  return reinterpret_cast<IWebBrowser2*>(GetWindowLongPtrA(browser, GWLP_USERDATA));
}

class BrowserHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    // ATL's host as start-up loads it; the extra reference keeps it loaded for later tests.
    LoadControlHost();
    ASSERT_NE(nullptr, AtlLibrary);
    parent_ = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, parent_);
  }
  void TearDown() override { DestroyWindow(parent_); }

  HWND parent_ = nullptr;
};

TEST_F(BrowserHostTest, PanelIsABrowserThatFetchesThroughTheSiteAndReportsItsAddress) {
  const long long logBefore = RequestLogSize();
  HWND browser = CreateBrowserControl(parent_, -10, -15, 200, 150, kPanelPage, StartBrowserReadyDeadline());
  ASSERT_NE(nullptr, browser);
  char className[32] = "";
  GetClassNameA(browser, className, sizeof(className));
  EXPECT_STREQ("AtlAxWin", className);
  EXPECT_EQ(GetParent(browser), parent_);
  EXPECT_TRUE(GetWindowLongPtrA(browser, GWL_STYLE) & WS_VISIBLE);
  IWebBrowser2* web = BrowserPointer(browser);
  ASSERT_NE(nullptr, web) << "no IWebBrowser2 in the window's user data";
  ASSERT_EQ(1u, StandInBrowserWindows(browser).size()) << "the stand-in is not the hosted control";

  EXPECT_TRUE(PumpUntil([&] { return BrowserLocation(browser) == kPanelPage; }))
      << "location: " << BrowserLocation(browser);
  EXPECT_TRUE(RequestLogged(logBefore, "GET", "http://www.vmd-author.test:80/downloader/verdimo/notice/files/panel1.htm", 200));

  VARIANT_BOOL silent = VARIANT_FALSE;
  EXPECT_EQ(0, SilenceBrowser(browser));
  ASSERT_TRUE(SUCCEEDED(web->get_Silent(&silent)));
  EXPECT_EQ(VARIANT_TRUE, silent);

  // An empty address leaves the page where it is; another address is followed.
  NavigateBrowser(browser, "");
  PumpUntil([] { return false; }, 200);
  EXPECT_EQ(kPanelPage, BrowserLocation(browser));
  NavigateBrowser(browser, kTickerPage);
  EXPECT_TRUE(PumpUntil([&] { return BrowserLocation(browser) == kTickerPage; }))
      << "location: " << BrowserLocation(browser);

  // The control goes with its window.
  DestroyWindow(browser);
  EXPECT_TRUE(StandInBrowserWindows(parent_).empty());
  EXPECT_EQ("", BrowserLocation(browser));
}

TEST_F(BrowserHostTest, FivePanelsWithoutAnHtmlEngineShareOneWaitBudget) {
  StandInBrowserHidden hidden;
  ASSERT_TRUE(hidden.hidden());
  const DWORD start = GetTickCount();
  const BrowserReadyDeadline deadline = StartBrowserReadyDeadline();
  HWND browsers[5];
  for (HWND& browser : browsers) browser = CreateBrowserControl(parent_, 0, 0, 200, 150, kPanelPage, deadline);
  const DWORD elapsed = GetTickCount() - start;
  RecordProperty("creation_ms", static_cast<int>(elapsed));

  for (HWND browser : browsers) {
    ASSERT_NE(nullptr, browser);
    IWebBrowser2* web = BrowserPointer(browser);
    ASSERT_NE(nullptr, web) << "the platform's control was not hosted";
    EXPECT_TRUE(StandInBrowserWindows(browser).empty());
    READYSTATE state = READYSTATE_COMPLETE;
    ASSERT_TRUE(SUCCEEDED(web->get_ReadyState(&state)));
    ASSERT_NE(READYSTATE_COMPLETE, state) << "the platform's control loaded a page; the bound is not tested";
  }
  // Five unbounded waits would never end; a budget for each would take five times as long.
  EXPECT_GE(elapsed, kBrowserReadyBudget - 20);
  EXPECT_LT(elapsed, 3 * kBrowserReadyBudget);
  for (HWND browser : browsers) DestroyWindow(browser);
}

}  // namespace
