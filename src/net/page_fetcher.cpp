// The body is kept as raw bytes: no character set conversion, no look at the status code (a
// server's error page counts as a body like any other).
#include "net/page_fetcher.h"

#include <windows.h>
#include <wininet.h>

#include "base/win_handles.h"
#include "net/web_request.h"

namespace {

HANDLE ProgramHeap() {
  static HANDLE heap = HeapCreate(0, 0, 0);  // made once, kept for the life of the process
  return heap;
}

void* HeapGrow(void*, void* block, std::size_t newSize) {
  HANDLE heap = ProgramHeap();
  if (heap == nullptr) return nullptr;
  return block == nullptr ? HeapAlloc(heap, HEAP_ZERO_MEMORY, newSize)
                          : HeapReAlloc(heap, HEAP_ZERO_MEMORY, block, newSize);
}

void HeapRelease(void*, void* block) {
  if (block != nullptr && ProgramHeap() != nullptr) HeapFree(ProgramHeap(), 0, block);
}

}  // namespace

const BlockAllocator& ProgramHeapAllocator() {
  static const BlockAllocator allocator = {HeapGrow, HeapRelease, nullptr};
  return allocator;
}

int PageFetcher(HINTERNET session, const std::string& address, FetchBuffer& buffer,
                const std::function<bool()>& stillWanted, DWORD receiveTimeoutMs, const TransferLimits* pace) {
  if (session == nullptr) return buffer.length;
  WebRequest web;
  if (receiveTimeoutMs != 0) {
    web = OpenWebRequest(session, address, "", 0, receiveTimeoutMs);
  } else {
    web.request.reset(InternetOpenUrlA(session, address.c_str(), "", 0, INTERNET_FLAG_PASSIVE, 0));
  }
  const UniqueInternetHandle& request = web.request;
  if (!request) {
    buffer.length = -2;
    return -2;
  }
  DWORD status = 0;
  DWORD statusSize = sizeof(status);
  if (HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr)) {
    buffer.status = status;
  }
  const std::uint64_t startMs = GetTickCount64();
  TransferPace watch(pace != nullptr ? *pace : TransferLimits(), 0);
  std::uint64_t received = 0;
  const auto paceBroken = [&] {
    if (pace == nullptr) return false;
    watch.Reported(static_cast<std::uint32_t>(received), GetTickCount64() - startMs);
    return watch.MustEnd(GetTickCount64() - startMs);
  };
  const ReadChunk read = [&request, &stillWanted, &received, &paceBroken, pace](char* dest, int maxBytes, int* bytesRead) {
    if (paceBroken()) return false;
    if (stillWanted || pace != nullptr) {
      if (stillWanted && !stillWanted()) return false;
      // A read waits until it has all it asked for; asked for what has arrived, it comes back
      // as soon as the server sends anything, so the question above is asked again in time.
      DWORD available = 0;
      if (!InternetQueryDataAvailable(request.get(), &available, 0, 0)) return false;
      if (available > 0 && available < static_cast<DWORD>(maxBytes)) maxBytes = static_cast<int>(available);
      if (stillWanted && !stillWanted()) return false;
    }
    DWORD count = 0;
    const BOOL ok = InternetReadFile(request.get(), dest, static_cast<DWORD>(maxBytes), &count);
    *bytesRead = static_cast<int>(count);
    received += count;
    return ok != FALSE && !paceBroken();
  };
  const int length = FillFetchBuffer(buffer, read, [] { Sleep(1); }, ProgramHeapAllocator());
  // A connection that ends before the announced length is a failed read, not a short body.
  DWORD announced = 0;
  DWORD size = sizeof(announced);
  if (length >= 0 &&
      HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced, &size, nullptr) &&
      static_cast<DWORD>(length) < announced) {
    buffer.length = -1;
    return -1;
  }
  return length;
}

int WinInetPageTransport::Fetch(const std::string& address, FetchBuffer& buffer,
                                const std::function<bool()>& stillWanted) {
  return PageFetcher(session_, address, buffer, stillWanted, receiveTimeoutMs_, pace_);
}

const BlockAllocator& WinInetPageTransport::Allocator() const { return ProgramHeapAllocator(); }
