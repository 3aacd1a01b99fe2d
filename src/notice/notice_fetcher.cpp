// The notice data and image share one fetch block. Everything in them came from a server: the
// time is read with bounds (ReadNoticeData), the image goes through the same checked decoder as
// the built-in images, and the link is only stored here; the click on the banner decides whether
// it may be opened.
#include "notice/notice_fetcher.h"

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "net/page_fetcher.h"
#include "notice/author_constants.h"
#include "notice/notice_data.h"
#include "notice/text_unscrambler.h"
#include "resources/bitmaps.h"
#include "base/threads.h"

namespace {

std::atomic<int> FetchersRunning{0};

std::string NoticeFileAddress(const char* scrambledName) {
  return TextUnscrambler(kScrambledNoticeBase) + TextUnscrambler(kScrambledNoticePath) +
         TextUnscrambler(scrambledName);
}

// Posted, not sent: the banner belongs to the main thread, which may be busy with start-up; the
// image stays valid until the end sequence has destroyed the banner.
void GiveBannerImage(HWND banner, HBITMAP image) {
  PostMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
}

// The notice's time, or 1 when the notice is not complete or its image fails.
int FetchNotice(const NoticeFetchRequest& request, FetchBuffer& buffer) {
  const NoticeResults& notice = request.results;
  const int dataLength = PageFetcher(request.session, NoticeFileAddress(kScrambledNoticeDataFile), buffer);
  notice.time = 0;
  notice.link.Set("");
  if (dataLength == 0) return 1;
  // A failed fetch (negative length) leaves what the block holds: nothing after a failed
  // opening, or the part of the body read before a failed read.
  const NoticeData data = ReadNoticeData(std::string_view(buffer.data, buffer.capacity));
  if (data.time == 0) return 1;
  notice.link.Set(data.link);
  if (data.time < 0 || data.link.empty()) return 1;
  notice.time = data.time;  // the banner keeps this time while the image is fetched

  const int imageLength = PageFetcher(request.session, NoticeFileAddress(kScrambledNoticeImageFile), buffer);
  if (imageLength == 0) return 1;
  // The decoder reads no further than the block holds: the body, or after a failed fetch the
  // whole block.
  const std::size_t size = static_cast<std::size_t>(imageLength > 0 ? imageLength : buffer.capacity);
  HBITMAP image = NoticeBitmapFrom(buffer.data, size);
  if (image == nullptr) return 1;
  PublishNoticeImage(notice, image);
  return data.time;
}

DWORD WINAPI CountedNoticeFetcher(void* parameter) {
  const std::unique_ptr<NoticeFetchRequest> request(static_cast<NoticeFetchRequest*>(parameter));
  NoticeFetcher(request.get());
  FetchersRunning.fetch_sub(1);
  return 0;
}

}  // namespace

void StartNoticeFetcher(const NoticeResults& results, HINTERNET session) {
  FetchersRunning.fetch_add(1);
  auto* request = new NoticeFetchRequest{results, session};
  if (!StartThread(CountedNoticeFetcher, request)) {
    delete request;
    FetchersRunning.fetch_sub(1);
  }
}

bool NoticeFetcherRunning() { return FetchersRunning.load() > 0; }

DWORD WINAPI NoticeFetcher(void* parameter) {
  const NoticeFetchRequest& request = *static_cast<const NoticeFetchRequest*>(parameter);
  FetchBuffer buffer{};
  if (!PrepareFetchBuffer(buffer, ProgramHeapAllocator())) {
    request.results.time = 1;
    return 0;
  }
  request.results.time = FetchNotice(request, buffer);
  FreeFetchBuffer(buffer, ProgramHeapAllocator());
  return 0;
}

void PublishNoticeBanner(const NoticeResults& results, HWND banner) {
  results.banner.store(banner);
  HBITMAP image = results.image.load();
  if (banner != nullptr && image != nullptr) {
    SendMessageA(banner, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(image));
  }
}

void PublishNoticeImage(const NoticeResults& results, HBITMAP image) {
  results.image.store(image);
  HWND banner = results.banner.load();
  if (banner != nullptr) GiveBannerImage(banner, image);
}

HBITMAP NoticeBitmapFrom(const char* bytes, std::size_t size) {
  if (bytes == nullptr || size == 0) return nullptr;
  return BitmapFromImage(DecodePng(reinterpret_cast<const unsigned char*>(bytes), size));
}
