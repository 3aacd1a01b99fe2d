// The notice fetcher against the stand-in site in each of its notice modes, the hand-over of the
// image between the fetcher and start-up, and the decoder on damaged notice images.
#include "notice/notice_fetcher.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <string>

#include "program_fixture.h"
#include "resources/bitmaps.h"
#include "common/site_control.h"
#include "common/test_files.h"

namespace {

constexpr const char* kNoticeLink = "http://www.vmd-author.test/news.html";
constexpr COLORREF kNoticeField = RGB(0xF5, 0xE6, 0xA8);  // the fixture image's background

HBITMAP BannerImage() {
  return reinterpret_cast<HBITMAP>(SendMessageA(NoticeBanner, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

// Puts the banner back to its blank image and forgets the notice, as before the first fetch.
void ForgetNotice() {
  PumpMessages();  // an image the start-up fetch posted is taken before it is deleted
  SendMessageA(NoticeBanner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(BlankBannerImage.get()));
  if (HBITMAP image = NoticeImage.exchange(nullptr)) DeleteObject(image);
  NoticeTime = 0;
  NoticeLink.Set("");
}

COLORREF PixelOf(HBITMAP image, int x, int y) {
  UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  HGDIOBJ old = SelectObject(dc.get(), image);
  const COLORREF pixel = GetPixel(dc.get(), x, y);
  SelectObject(dc.get(), old);
  return pixel;
}

// Whether the site logs a request for the notice file within timeoutMs.
bool LoggedAfter(long long offset, const char* file, DWORD timeoutMs) {
  const std::string address = std::string("http://www.vmd-author.test:80/downloader/verdimo/notice/files/") + file;
  return WaitUntil([&] { return RequestLogged(offset, "GET", address, -1); }, timeoutMs);
}

class NoticeFetcherTest : public ProgramTest {
 protected:
  void TearDown() override {
    EXPECT_TRUE(SetNoticeMode("valid"));
    ProgramTest::TearDown();
  }
};

TEST_F(NoticeFetcherTest, EachNoticeModeGivesItsTimeLinkAndImage) {
  const struct {
    const char* mode;
    int time;
    const char* link;
    bool image;
    bool imageAsked;
  } cases[] = {
      {"valid", 5000, kNoticeLink, true, true},
      {"nolink", 1, "", false, false},
      {"negative", 1, kNoticeLink, false, false},
      {"notpng", 1, kNoticeLink, false, true},
      {"truncated", 1, kNoticeLink, false, true},
      {"noanswer", 1, "", false, false},
  };
  const bool logged = !RequestLogPath().empty();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    ASSERT_TRUE(SetNoticeMode(c.mode));
    ForgetNotice();
    const long long logOffset = RequestLogSize();
    NoticeFetchRequest request{WindowNotice, HttpSession};
    NoticeFetcher(&request);
    PumpMessages();  // the fetcher posts the image to the banner's thread
    if (logged) {
      // Only a complete notice (a time above 0 and a link) sends for the image.
      EXPECT_TRUE(LoggedAfter(logOffset, "notice-data.txt", 3000));
      EXPECT_EQ(LoggedAfter(logOffset, "notice1.png", c.imageAsked ? 3000 : 300), c.imageAsked);
    }
    EXPECT_EQ(NoticeTime.load(), c.time);
    EXPECT_EQ(NoticeLink.Get(), c.link);
    HBITMAP image = NoticeImage.load();
    if (c.image) {
      ASSERT_NE(image, nullptr);
      BITMAP info = {};
      GetObjectA(image, sizeof(info), &info);
      EXPECT_EQ(info.bmWidth, 370);
      EXPECT_EQ(info.bmHeight, 20);
      EXPECT_EQ(PixelOf(image, 2, 2), kNoticeField);
      EXPECT_EQ(BannerImage(), image);
    } else {
      EXPECT_EQ(image, nullptr);
      EXPECT_EQ(BannerImage(), BlankBannerImage.get());
    }
    const RECT banner = ChildRect(NoticeBanner);
    EXPECT_EQ(banner.right - banner.left, 370);
    EXPECT_EQ(banner.bottom - banner.top, 20);
  }
}

DWORD WINAPI PublishImage(void* image) {
  PublishNoticeImage(WindowNotice, static_cast<HBITMAP>(image));
  return 0;
}

// Start-up publishes the banner while the fetcher publishes the image, one before the other or
// both at once: the banner always ends with the image.
TEST_F(NoticeFetcherTest, WhicheverSideComesSecondGivesTheBannerItsImage) {
  HWND banner = NoticeBanner;
  UniqueBitmap image(SolidBitmap(370, 20, kNoticeField));
  enum Order { kImageFirst, kBannerFirst, kTogether };
  for (int round = 0; round < 150; ++round) {
    const Order order = static_cast<Order>(round % 3);
    PumpMessages();
    SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(BlankBannerImage.get()));
    NoticeBanner = nullptr;
    NoticeImage = nullptr;
    if (order == kBannerFirst) PublishNoticeBanner(WindowNotice, banner);
    UniqueKernelHandle fetcher(CreateThread(nullptr, 0, PublishImage, image.get(), 0, nullptr));
    ASSERT_TRUE(fetcher);
    if (order == kImageFirst) {
      ASSERT_EQ(WaitForSingleObject(fetcher.get(), 10000), WAIT_OBJECT_0);
    }
    if (order == kTogether) {
      for (int spin = 0; spin < round * 20; ++spin) YieldProcessor();
    }
    if (order != kBannerFirst) PublishNoticeBanner(WindowNotice, banner);
    ASSERT_EQ(WaitForSingleObject(fetcher.get(), 10000), WAIT_OBJECT_0);
    PumpMessages();
    ASSERT_EQ(BannerImage(), image.get()) << "round " << round;
  }
  NoticeImage = nullptr;  // the test's own image, not the end sequence's to delete
}

// Rewrites the CRC of the chunk whose data starts at offset (after its length and type).
void FixChunkCrc(std::string& png, size_t typeOffset, size_t length) {
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + typeOffset),
                          static_cast<uInt>(length + 4));
  for (int i = 0; i < 4; ++i) png[typeOffset + 4 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
}

size_t ChunkLength(const std::string& png, size_t at) {
  size_t length = 0;
  for (int i = 0; i < 4; ++i) length = length << 8 | static_cast<unsigned char>(png[at + i]);
  return length;
}

// Decodes the bytes and drops what comes of it: a damaged image may decode to some picture, but
// it must never bring the decoder down.
void DecodeAndDrop(const std::string& bytes) {
  HBITMAP image = NoticeBitmapFrom(bytes.data(), bytes.size());
  if (image != nullptr) DeleteObject(image);
}

TEST(NoticeImage, DamagedTruncatedOrHostileDataGivesNoImage) {
  const std::string png = SiteFixture("author/downloader/verdimo/notice/files/notice1.png");
  ASSERT_EQ(png.size(), 2418u);
  HBITMAP whole = NoticeBitmapFrom(png.data(), png.size());
  ASSERT_NE(whole, nullptr);
  DeleteObject(whole);

  for (size_t length = 0; length < png.size(); ++length) {
    ASSERT_EQ(NoticeBitmapFrom(png.data(), length), nullptr) << "cut at " << length;
  }
  // Every byte of every chunk's data changed, with the chunk's CRC made right again, so that the
  // damage reaches the header checks and the decompressor instead of stopping at the CRC.
  for (size_t at = 8; at + 12 <= png.size();) {
    const size_t length = ChunkLength(png, at);
    for (size_t i = 0; i < length; ++i) {
      std::string damaged = png;
      damaged[at + 8 + i] = static_cast<char>(damaged[at + 8 + i] ^ 0x5A);
      FixChunkCrc(damaged, at + 4, length);
      DecodeAndDrop(damaged);
    }
    at += length + 12;
  }
  // A header that announces a huge image over the same few pixels.
  std::string huge = png;
  const char size[8] = {0, 0, 0x20, 0, 0, 0, 0x20, 0};  // 8192 x 8192
  huge.replace(16, 8, size, 8);
  FixChunkCrc(huge, 12, 13);
  EXPECT_EQ(NoticeBitmapFrom(huge.data(), huge.size()), nullptr);
  EXPECT_EQ(NoticeBitmapFrom(nullptr, 100), nullptr);
}

}  // namespace
