#include "net/fetch_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

// The byte a fake body holds at offset i of fetch number f.
char BodyByte(long long i, int f) { return static_cast<char>('A' + (i * 7 + f) % 26); }

// Serves a body in chunks of the given sizes; a negative entry is a failing read. After the
// list every read returns 0.
struct ScriptedReader {
  std::vector<int> chunks;
  int fetch = 0;
  std::size_t next = 0;
  long long offset = 0;
  std::vector<int> asked;

  explicit ScriptedReader(std::vector<int> script, int fetchNumber = 0)
      : chunks(std::move(script)), fetch(fetchNumber) {}

  bool operator()(char* dest, int maxBytes, int* bytesRead) {
    asked.push_back(maxBytes);
    if (next == chunks.size()) {
      *bytesRead = 0;
      return true;
    }
    const int size = chunks[next++];
    if (size < 0) return false;
    for (int i = 0; i < size; ++i) dest[i] = BodyByte(offset + i, fetch);
    offset += size;
    *bytesRead = size;
    return true;
  }
};

// realloc with a record of every request; fails the grow numbered failOn (1-based, 0 = never).
struct CountingHeap {
  int grows = 0;
  int failOn = 0;
  std::size_t largest = 0;
  int releases = 0;

  static void* Grow(void* context, void* block, std::size_t newSize) {
    CountingHeap& heap = *static_cast<CountingHeap*>(context);
    ++heap.grows;
    heap.largest = std::max(heap.largest, newSize);
    if (heap.grows == heap.failOn) return nullptr;
    return std::realloc(block, newSize);
  }
  static void Release(void* context, void* block) {
    ++static_cast<CountingHeap*>(context)->releases;
    std::free(block);
  }
  BlockAllocator Allocator() { return BlockAllocator{Grow, Release, this}; }
};

// An allocator whose fresh bytes are never zero.
void* DirtyGrow(void*, void* block, std::size_t newSize) {
  const std::size_t kept = block ? *(static_cast<std::size_t*>(block) - 1) : 0;
  std::size_t* raw = static_cast<std::size_t*>(std::malloc(newSize + sizeof(std::size_t)));
  if (!raw) return nullptr;
  *raw = newSize;
  char* grown = reinterpret_cast<char*>(raw + 1);
  std::memset(grown, 0x5A, newSize);
  if (block) {
    std::memcpy(grown, block, std::min(kept, newSize));
    std::free(static_cast<std::size_t*>(block) - 1);
  }
  return grown;
}
void DirtyRelease(void*, void* block) {
  if (block) std::free(static_cast<std::size_t*>(block) - 1);
}

void ExpectBody(const FetchBuffer& buffer, long long length, int fetch) {
  for (long long i = 0; i < length; ++i) {
    if (buffer.data[i] != BodyByte(i, fetch)) {
      ADD_FAILURE() << "byte " << i << " of fetch " << fetch << " lost";
      return;
    }
  }
}

void NoPause() {}

}  // namespace

TEST(FetchBuffer, PrepareGivesAZeroFilledBlockOf5001Bytes) {
  const BlockAllocator dirty{DirtyGrow, DirtyRelease, nullptr};
  FetchBuffer buffer{nullptr, 7, 7};
  ASSERT_TRUE(PrepareFetchBuffer(buffer, dirty));
  EXPECT_EQ(buffer.length, -1);
  EXPECT_EQ(buffer.capacity, 5000);
  for (int i = 0; i <= 5000; ++i) ASSERT_EQ(buffer.data[i], 0) << i;
  FreeFetchBuffer(buffer, dirty);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.capacity, 0);
  EXPECT_EQ(buffer.length, -1);
}

TEST(FetchBuffer, PrepareWithoutMemoryLeavesNoBlockAndFillFails) {
  CountingHeap heap;
  heap.failOn = 1;
  FetchBuffer buffer{nullptr, 0, 0};
  EXPECT_FALSE(PrepareFetchBuffer(buffer, heap.Allocator()));
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.capacity, 0);
  EXPECT_EQ(buffer.length, -1);
  ScriptedReader reader({10});
  EXPECT_EQ(FillFetchBuffer(buffer, std::ref(reader), NoPause, heap.Allocator()), kFetchNoMemory);
  EXPECT_TRUE(reader.asked.empty());
  FreeFetchBuffer(buffer, heap.Allocator());
  EXPECT_EQ(heap.releases, 0);
}

TEST(FetchBuffer, LengthCapacityAndContentsAfterVariousBodies) {
  struct Case {
    std::vector<int> chunks;
    int length;
    int capacity;
    int reads;  // including the closing read of 0
  } cases[] = {
      {{}, 0, 10000, 1},
      {{1}, 1, 20000, 2},
      {{5000}, 5000, 20000, 2},
      {{10000}, 10000, 20000, 2},
      {{10000, 10000}, 20000, 40000, 3},
      {{10000, 10000, 10000}, 30000, 40000, 4},
      {{10000, 10000, 10000, 1}, 30001, 80000, 5},
      {{3, 9999, 1, 10000, 7}, 20010, 40000, 6},
      {std::vector<int>(100, 1000), 100000, 160000, 101},
  };
  for (const Case& c : cases) {
    FetchBuffer buffer{nullptr, 0, 0};
    const BlockAllocator dirty{DirtyGrow, DirtyRelease, nullptr};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, dirty));
    ScriptedReader reader(c.chunks);
    int pauses = 0;
    const int length = FillFetchBuffer(buffer, std::ref(reader), [&] { ++pauses; }, dirty);
    EXPECT_EQ(length, c.length);
    EXPECT_EQ(buffer.length, c.length);
    EXPECT_EQ(buffer.capacity, c.capacity) << c.length;
    EXPECT_GE(buffer.capacity, buffer.length + kFetchReadSize);
    EXPECT_EQ(static_cast<int>(reader.asked.size()), c.reads);
    EXPECT_EQ(pauses, c.reads - 1);
    EXPECT_TRUE(std::all_of(reader.asked.begin(), reader.asked.end(),
                            [](int n) { return n == kFetchReadSize; }));
    ExpectBody(buffer, buffer.length, 0);
    // The rest of the block, the grown parts included, is zero.
    for (int i = buffer.length; i <= buffer.capacity; ++i) {
      ASSERT_EQ(buffer.data[i], 0) << "byte " << i << " after a body of " << c.length;
    }
    FreeFetchBuffer(buffer, dirty);
  }
}

TEST(FetchBuffer, AFailedReadCountsNothingButKeepsTheBytes) {
  FetchBuffer buffer{nullptr, 0, 0};
  const BlockAllocator native = NativeBlockAllocator();
  ASSERT_TRUE(PrepareFetchBuffer(buffer, native));
  ScriptedReader reader({10000, 4000, -1, 10});
  EXPECT_EQ(FillFetchBuffer(buffer, std::ref(reader), NoPause, native), -1);
  EXPECT_EQ(buffer.length, -1);
  EXPECT_EQ(reader.asked.size(), 3u);
  ExpectBody(buffer, 14000, 0);
  EXPECT_EQ(buffer.data[buffer.capacity], 0);
  FreeFetchBuffer(buffer, native);
}

TEST(FetchBuffer, AReaderReportingMoreThanItWasAskedForFails) {
  FetchBuffer buffer{nullptr, 0, 0};
  const BlockAllocator native = NativeBlockAllocator();
  ASSERT_TRUE(PrepareFetchBuffer(buffer, native));
  for (int bad : {kFetchReadSize + 1, -5}) {
    const int length = FillFetchBuffer(
        buffer, [bad](char*, int, int* n) { *n = bad; return true; }, NoPause, native);
    EXPECT_EQ(length, -1) << bad;
  }
  FreeFetchBuffer(buffer, native);
}

TEST(FetchBuffer, AFailedGrowReportsFailureAndLosesNothing) {
  // Grow 1 is the prepare, 2 makes 10000, 3 makes 20000, 4 would make 40000.
  for (int failOn = 2; failOn <= 4; ++failOn) {
    CountingHeap heap;
    heap.failOn = failOn;
    FetchBuffer buffer{nullptr, 0, 0};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, heap.Allocator()));
    ScriptedReader reader({10000, 10000, 10000, 10000});
    const int expectedCapacity = failOn == 2 ? 5000 : failOn == 3 ? 10000 : 20000;
    const long long keptBytes = expectedCapacity - kFetchReadSize < 0 ? 0 : expectedCapacity - kFetchReadSize;
    EXPECT_EQ(FillFetchBuffer(buffer, std::ref(reader), NoPause, heap.Allocator()), kFetchNoMemory);
    EXPECT_EQ(buffer.length, kFetchNoMemory);
    EXPECT_EQ(buffer.capacity, expectedCapacity) << failOn;
    ASSERT_NE(buffer.data, nullptr);
    ExpectBody(buffer, keptBytes, 0);
    EXPECT_EQ(buffer.data[buffer.capacity], 0);
    EXPECT_EQ(heap.grows, failOn);
    FreeFetchBuffer(buffer, heap.Allocator());
    EXPECT_EQ(heap.releases, 1);
  }
}

TEST(FetchBuffer, ASecondFetchWritesFromTheStartAgain) {
  FetchBuffer buffer{nullptr, 0, 0};
  const BlockAllocator native = NativeBlockAllocator();
  ASSERT_TRUE(PrepareFetchBuffer(buffer, native));
  ScriptedReader first({10000, 10000, 2000});
  ASSERT_EQ(FillFetchBuffer(buffer, std::ref(first), NoPause, native), 22000);
  const int capacityAfterFirst = buffer.capacity;

  ScriptedReader second({300}, 1);
  EXPECT_EQ(FillFetchBuffer(buffer, std::ref(second), NoPause, native), 300);
  ExpectBody(buffer, 300, 1);
  // The block never shrinks, and what lies beyond the new body is the earlier one.
  EXPECT_EQ(buffer.capacity, capacityAfterFirst);
  EXPECT_EQ(buffer.data[300], BodyByte(300, 0));

  // After a failure as well.
  ScriptedReader failing({-1});
  EXPECT_EQ(FillFetchBuffer(buffer, std::ref(failing), NoPause, native), -1);
  ScriptedReader third({5}, 2);
  EXPECT_EQ(FillFetchBuffer(buffer, std::ref(third), NoPause, native), 5);
  ExpectBody(buffer, 5, 2);
  FreeFetchBuffer(buffer, native);
}

namespace {

// A body of a given size served in full windows, each filled with one byte of its index.
struct LongBody {
  long long size;
  long long served = 0;
  explicit LongBody(long long bodySize) : size(bodySize) {}
  bool operator()(char* dest, int maxBytes, int* bytesRead) {
    const long long left = size - served;
    const int n = static_cast<int>(std::min<long long>(left, maxBytes));
    std::memset(dest, static_cast<char>('a' + (served / maxBytes) % 26), static_cast<std::size_t>(n));
    served += n;
    *bytesRead = n;
    return true;
  }
};

}  // namespace

TEST(FetchBuffer, BodiesUpTo64MiBAreKeptAndLongerOnesFailWithinTheLimit) {
  for (long long size : {static_cast<long long>(kFetchMaxBody), kFetchMaxBody + 1LL, kFetchMaxBody * 2LL}) {
    CountingHeap heap;
    FetchBuffer buffer{nullptr, 0, 0};
    ASSERT_TRUE(PrepareFetchBuffer(buffer, heap.Allocator()));
    LongBody body(size);
    const int length = FillFetchBuffer(buffer, std::ref(body), NoPause, heap.Allocator());
    if (size <= kFetchMaxBody) {
      EXPECT_EQ(length, size);
    } else {
      EXPECT_EQ(length, -1) << size;
    }
    EXPECT_LE(heap.largest, static_cast<std::size_t>(kFetchMaxBody) + kFetchReadSize + 1);
    EXPECT_LE(buffer.capacity, kFetchMaxBody + kFetchReadSize);
    EXPECT_EQ(buffer.data[buffer.capacity], 0);
    // Geometric growth: a few dozen grows, not thousands.
    EXPECT_LT(heap.grows, 20);
    // The first and the last window of the kept part survived every move of the block.
    EXPECT_EQ(buffer.data[0], 'a');
    const long long lastWindow = (kFetchMaxBody - 1) / kFetchReadSize;
    EXPECT_EQ(buffer.data[lastWindow * kFetchReadSize], static_cast<char>('a' + lastWindow % 26));
    FreeFetchBuffer(buffer, heap.Allocator());
  }
}
