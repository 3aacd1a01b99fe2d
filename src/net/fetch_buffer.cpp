// The fetch loop over a caller-owned block.
#include "net/fetch_buffer.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void* NativeGrow(void*, void* block, std::size_t newSize) { return std::realloc(block, newSize); }

void NativeRelease(void*, void* block) { std::free(block); }

constexpr std::int64_t kLargestCapacity = std::int64_t{kFetchMaxBody} + kFetchReadSize;

// Makes room for one read behind buffer.length. Growth doubles so that a long body costs few
// copies; the cap keeps a runaway body from taking more than the limit allows.
bool MakeRoomForRead(FetchBuffer& buffer, const BlockAllocator& allocator) {
  const std::int64_t needed = std::int64_t{buffer.length} + kFetchReadSize;
  if (needed <= buffer.capacity) return true;
  const std::int64_t wanted =
      std::min(std::max(needed, 2 * std::int64_t{buffer.capacity}), kLargestCapacity);
  void* grown = allocator.grow(allocator.context, buffer.data, static_cast<std::size_t>(wanted) + 1);
  if (grown == nullptr) return false;
  char* data = static_cast<char*>(grown);
  // The old terminating zero is part of the new room.
  std::memset(data + buffer.capacity, 0, static_cast<std::size_t>(wanted - buffer.capacity) + 1);
  buffer.data = data;
  buffer.capacity = static_cast<int>(wanted);
  return true;
}

}  // namespace

BlockAllocator NativeBlockAllocator() { return BlockAllocator{NativeGrow, NativeRelease, nullptr}; }

bool PrepareFetchBuffer(FetchBuffer& buffer, const BlockAllocator& allocator) {
  buffer.length = -1;
  void* block = allocator.grow(allocator.context, nullptr, kFetchInitialCapacity + 1);
  if (block == nullptr) {
    buffer.data = nullptr;
    buffer.capacity = 0;
    return false;
  }
  std::memset(block, 0, kFetchInitialCapacity + 1);
  buffer.data = static_cast<char*>(block);
  buffer.capacity = kFetchInitialCapacity;
  return true;
}

int FillFetchBuffer(FetchBuffer& buffer, const ReadChunk& read, const ReadPause& pause,
                    const BlockAllocator& allocator) {
  if (buffer.data == nullptr || buffer.capacity < 0) {
    buffer.length = kFetchNoMemory;
    return kFetchNoMemory;
  }
  buffer.length = 0;
  for (;;) {
    if (!MakeRoomForRead(buffer, allocator)) {
      buffer.length = kFetchNoMemory;
      break;
    }
    int count = 0;
    if (!read(buffer.data + buffer.length, kFetchReadSize, &count) || count < 0 ||
        count > kFetchReadSize) {
      // A count outside the window would mean bytes written past the block: treat it as the
      // read failure it is.
      buffer.length = -1;
      break;
    }
    if (count == 0) break;
    if (buffer.length > kFetchMaxBody - count) {
      buffer.length = -1;
      break;
    }
    buffer.length += count;
    if (pause) pause();
  }
  return buffer.length;
}

void FreeFetchBuffer(FetchBuffer& buffer, const BlockAllocator& allocator) {
  if (buffer.data != nullptr) allocator.release(allocator.context, buffer.data);
  buffer.data = nullptr;
  buffer.capacity = 0;
  buffer.length = -1;
}
