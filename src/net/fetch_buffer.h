// The page fetcher's growable memory block and the read loop that fills it, apart from the
// network calls: the caller supplies the reads, the pause between them and the memory.
#pragma once

#include <cstddef>
#include <functional>

// A caller-owned block: data has room for capacity + 1 bytes and its last byte is always zero.
// length counts the valid bytes after a fetch; it is negative after a failure.
struct FetchBuffer {
  char* data;
  int length;
  int capacity;
  // The HTTP status the fetch was answered with (0: none came, or the transport does not tell).
  // Any answer's body is kept; the status is for callers that tell an error page from a page.
  unsigned status = 0;
  unsigned retryAfter = 0;  // the answer's Retry-After in seconds, 0 for none
};

// Where blocks come from (on Windows the program's private heap). grow works like realloc:
// it returns a block of newSize bytes that starts with the bytes of block (null block: a new
// one), or null when it cannot, leaving block as it was. It need not zero the new part; the
// fetch buffer does that itself.
struct BlockAllocator {
  void* (*grow)(void* context, void* block, std::size_t newSize);
  void (*release)(void* context, void* block);
  void* context;
};

// realloc and free.
BlockAllocator NativeBlockAllocator();

// Bytes every read asks for; the block always has this much room behind length before a read.
constexpr int kFetchReadSize = 10000;
// Capacity of a freshly prepared block.
constexpr int kFetchInitialCapacity = 5000;
// Longest body kept; a longer one ends the fetch as failed (length -1).
constexpr int kFetchMaxBody = 64 * 1024 * 1024;
// The length of a fetch that found no memory for its block.
constexpr int kFetchNoMemory = -3;

// One read of up to maxBytes into dest; false when the read failed, else *bytesRead is the
// count (0 at the end of the body).
using ReadChunk = std::function<bool(char* dest, int maxBytes, int* bytesRead)>;
// Run after every read that brought bytes (the fetcher's 1-ms pause); may be empty.
using ReadPause = std::function<void()>;

// Gives buffer a new zero-filled block of kFetchInitialCapacity + 1 bytes, capacity
// kFetchInitialCapacity and length -1. Without memory: data null, capacity 0, length -1, and
// false. Meant for a fresh record; a block it already holds is not released.
bool PrepareFetchBuffer(FetchBuffer& buffer, const BlockAllocator& allocator);

// Reads a whole body into buffer from its start and returns its final length:
// the body's byte count, 0 for an empty body, -1 when a read failed or the body would exceed
// kFetchMaxBody, kFetchNoMemory when the block could not grow or buffer has no block. Before each read the block
// grows, when needed, to max(length + kFetchReadSize, twice its capacity) (never beyond
// kFetchMaxBody + kFetchReadSize), keeping its bytes and zero-filling the new part. After a
// failure the block stays valid and zero-terminated, with the bytes read so far; bytes beyond
// the new length may still hold an earlier body.
int FillFetchBuffer(FetchBuffer& buffer, const ReadChunk& read, const ReadPause& pause,
                    const BlockAllocator& allocator);

// Releases the block; afterwards data is null, capacity 0 and length -1.
void FreeFetchBuffer(FetchBuffer& buffer, const BlockAllocator& allocator);
