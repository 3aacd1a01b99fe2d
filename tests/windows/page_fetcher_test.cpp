// WinINet fetches against the stand-in site (reached through the system proxy).
#include "net/page_fetcher.h"

#include <gtest/gtest.h>

#include "acquisition/profile_recognition.h"
#include "program_fixture.h"
#include "common/test_files.h"

namespace {

class PageFetcherTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    ASSERT_TRUE(PrepareFetchBuffer(buffer, ProgramHeapAllocator()));
  }
  void TearDown() override {
    FreeFetchBuffer(buffer, ProgramHeapAllocator());
    ProgramTest::TearDown();
  }
  FetchBuffer buffer = {nullptr, -1, 0};
};

TEST_F(PageFetcherTest, FetchesAProfilePageWhole) {
  const int length = PageFetcher(HttpSession, "http://www.verdimo.test/someband", buffer);
  ASSERT_GT(length, 0);
  EXPECT_EQ(buffer.length, length);
  const std::string page = PageText(buffer.data, length);
  EXPECT_EQ(page, SiteFixture("profiles/someband/page.html"));
  EXPECT_EQ(buffer.data[buffer.capacity], '\0');
}

TEST_F(PageFetcherTest, AnErrorPageIsABodyLikeAnyOther) {
  const int length = PageFetcher(HttpSession, "http://www.verdimo.test/nosuchband", buffer);
  EXPECT_EQ(length, 83);
  EXPECT_NE(PageText(buffer.data, length).find("Not found"), std::string::npos);
}

TEST_F(PageFetcherTest, ABodyWithAZeroByteGivesTheTextBeforeIt) {
  const int length = PageFetcher(HttpSession, "http://www.verdimo.test/fault/zero-byte-page", buffer);
  EXPECT_EQ(length, 12);
  EXPECT_EQ(PageText(buffer.data, length), "before");
}

TEST_F(PageFetcherTest, AnAddressWithoutAServerCannotBeOpened) {
  // Through the proxy every address reaches a server; a direct session meets the closed port.
  const UniqueInternetHandle direct(
      InternetOpenA("Mozilla/4.0 (compatible; ST)", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
  EXPECT_EQ(PageFetcher(direct.get(), "http://127.0.0.1:1/page", buffer), -2);
  EXPECT_EQ(buffer.length, -2);
  // The same record serves the next fetch from its start.
  EXPECT_EQ(PageFetcher(HttpSession, "http://www.verdimo.test/fault/zero-byte-page", buffer), 12);
}

TEST_F(PageFetcherTest, AConnectionDroppedPartWayFails) {
  EXPECT_EQ(PageFetcher(HttpSession, "http://www.verdimo.test/fault/drop-page", buffer), -1);
}

TEST_F(PageFetcherTest, TheServerSeesTheProgramsUserAgent) {
  const int length = PageFetcher(HttpSession, "http://www.verdimo.test/echo/user-agent", buffer);
  EXPECT_EQ(PageText(buffer.data, length), "Mozilla/4.0 (compatible; ST)");
}

TEST_F(PageFetcherTest, ALargeBodyArrivesWholeAndTheBlockGrowsAhead) {
  const int size = 3 * 1000 * 1000 + 17;
  const int length = PageFetcher(HttpSession, "http://www.verdimo.test/fault/big-page?bytes=" + std::to_string(size), buffer);
  ASSERT_EQ(length, size);
  EXPECT_GE(buffer.capacity, size + 10000);
  for (int i : {0, 63, 64, 999999, size - 1}) {
    const char expected = i % 64 == 63 ? '\n' : static_cast<char>('a' + i % 26);
    EXPECT_EQ(buffer.data[i], expected) << i;
  }
  EXPECT_EQ(buffer.data[buffer.capacity], '\0');
}

TEST_F(PageFetcherTest, WithoutASessionTheBufferIsLeftAsItIs) {
  EXPECT_EQ(PageFetcher(nullptr, "http://www.verdimo.test/someband", buffer), -1);
}

}  // namespace
