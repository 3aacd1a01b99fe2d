// Wall time of Save Songs for the stand-in site's "fifty" profile (50 songs of 1 MB): the real
// window and main loop run in this process, the profile is read, then every row is started into
// one folder exactly as the Save Songs button does after its folder chooser, and the loop runs
// until every row has ended. The saved files are checked byte for byte afterwards.
//
//   save_songs_bench.exe FOLDER\ [--trace] [--raw]
//
// --trace prints each row's timeline (seen "Downloading...", seen "Ready!"/"Failed!") and how the
//         loop spent its time, to see where a slow save loses it.
// --raw   skips the window: 50 plain threads call TransferToFile side by side, like the jobs do
//         but with no list in between, which isolates the cost of the system's URL download.
//
// Prints "save songs: X s" (or "raw transfers: X s") and exits with 0 only when all 50 files are
// complete and correct.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/song_list.h"
#include "downloads/url_transfer.h"
#include "shell/app_state.h"
#include "shell/main_loop.h"
#include "shell/startup.h"

namespace {

constexpr int kSongCount = 50;
constexpr long long kSongBytes = 1048576;
constexpr const char* kProfileName = "fifty";

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The site's generated body: a frame header, then a pattern that differs per seed.
unsigned char GeneratedByte(long long seed, long long i) {
  static const unsigned char header[4] = {0xFF, 0xFB, 0x90, 0x64};
  if (i < 4) return header[i];
  return static_cast<unsigned char>((i * 131 + seed * 7 + (i >> 8)) & 0xFF);
}

std::string SongUrl(int seed) {
  return "http://audio.verdimo.test/gen/" + std::to_string(kSongBytes) + "/" + std::to_string(seed) + ".mp3";
}

// "" when the file holds exactly the song of that seed, else what is wrong with it.
std::string SongFileProblem(const std::string& path, int seed) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "missing";
  std::vector<unsigned char> data(static_cast<size_t>(kSongBytes) + 1);
  DWORD got = 0, total = 0;
  while (total < data.size() && ReadFile(file, data.data() + total, static_cast<DWORD>(data.size() - total), &got, nullptr) && got > 0) {
    total += got;
  }
  CloseHandle(file);
  if (total != kSongBytes) return std::to_string(total) + " bytes instead of " + std::to_string(kSongBytes);
  for (long long i = 0; i < kSongBytes; ++i) {
    if (data[static_cast<size_t>(i)] != GeneratedByte(seed, i)) return "wrong byte at " + std::to_string(i);
  }
  return "";
}

// Checks the files at paths[n - 1] against seed n; prints each problem. Returns the number of
// bad files.
int CountBadSongFiles(const std::vector<std::string>& paths) {
  int bad = 0;
  for (int n = 1; n <= kSongCount; ++n) {
    const std::string& path = paths[static_cast<size_t>(n - 1)];
    const std::string problem = path.empty() ? "no path" : SongFileProblem(path, n);
    if (!problem.empty()) {
      std::printf("FAIL: song %d (%s): %s\n", n, path.c_str(), problem.c_str());
      ++bad;
    }
  }
  return bad;
}

// How the loop spent the time between the start of the save and its end.
struct LoopTally {
  long long outerPasses = 0;
  long long events = 0;
  double inOuterPass = 0;
  double inEvents = 0;
  double inPolling = 0;
};

// Runs main-loop passes, as the program's own loop does, until done() holds or timeoutSeconds
// pass; returns done()'s last answer.
template <typename Done>
bool RunLoopUntil(Done done, double timeoutSeconds, LoopTally* tally = nullptr) {
  const double start = Now();
  for (;;) {
    const double t0 = Now();
    const bool finished = done();
    const double t1 = Now();
    if (tally != nullptr) tally->inPolling += t1 - t0;
    if (finished) return true;
    if (t1 - start > timeoutSeconds) return false;
    OuterPass();
    const double t2 = Now();
    bool close = false, focus = false;
    long long events = 0;
    while (EventPass(&close, &focus) && !close && !focus) ++events;
    if (tally != nullptr) {
      ++tally->outerPasses;
      tally->events += events;
      tally->inOuterPass += t2 - t1;
      tally->inEvents += Now() - t2;
    }
  }
}

bool RowHasEnded(const std::string& state) { return state == kStateReady || state == kStateFailed; }

struct RowTimes {
  double downloading = -1;  // first seen "Downloading..."
  double ended = -1;        // first seen "Ready!" or "Failed!"
};

void PrintTrace(const std::vector<RowTimes>& rows, double started, const LoopTally& tally, double total) {
  std::printf("row  downloading@  ended@  (seconds after the save began)\n");
  for (size_t row = 0; row < rows.size(); ++row) {
    std::printf("%3zu  %10.3f  %8.3f\n", row + 1, rows[row].downloading - started, rows[row].ended - started);
  }
  std::vector<double> ends;
  for (const RowTimes& row : rows) ends.push_back(row.ended - started);
  std::sort(ends.begin(), ends.end());
  std::printf("first row ended %.3f s, median %.3f s, last %.3f s\n", ends.front(), ends[ends.size() / 2], ends.back());
  std::printf("loop: %lld outer passes (%.3f s in them), %lld events (%.3f s), %.3f s polling the rows, of %.3f s\n",
              tally.outerPasses, tally.inOuterPass, tally.events, tally.inEvents, tally.inPolling, total);
}

int SaveSongsRun(const std::string& folder, bool trace) {
  if (!StartUp()) {
    std::printf("FAIL: start-up could not make the window\n");
    EndSequence();
    return 1;
  }
  BeginMainLoop();
  // The user clicks Save Songs on a list that has been read and shown with its row buttons.
  const double readStart = Now();
  StartProfileRead(kProfileName);
  const bool read = RunLoopUntil(
      [] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0 && SongRowCount() == kSongCount; }, 60);
  if (!read) {
    std::printf("FAIL: reading \"%s\" gave %d rows\n", kProfileName, SongRowCount());
    EndSequence();
    return 1;
  }
  if (trace) std::printf("profile read: %.3f s\n", Now() - readStart);

  std::vector<RowTimes> rows(kSongCount);
  LoopTally tally;
  const double started = Now();
  SaveSongsIntoFolder(folder);
  const double allStarted = Now();
  // Only rows not yet ended are asked for their State, so the polling costs little once most
  // are done.
  int ended = 0;
  const bool done = RunLoopUntil(
      [&] {
        const double now = Now();
        for (int row = 0; row < kSongCount; ++row) {
          RowTimes& times = rows[static_cast<size_t>(row)];
          if (times.ended >= 0) continue;
          const std::string state = GetSongCell(row, kColumnState);
          if (state == kStateDownloading && times.downloading < 0) times.downloading = now;
          if (RowHasEnded(state)) {
            times.ended = now;
            ++ended;
          }
        }
        return ended == kSongCount && RunningDownloads.load() == 0;
      },
      600, &tally);
  const double finished = Now();

  std::vector<std::string> paths(kSongCount);
  for (int row = 0; row < kSongCount; ++row) {
    if (GetSongCell(row, kColumnUrl) != SongUrl(row + 1)) {
      std::printf("FAIL: row %d has URL %s\n", row + 1, GetSongCell(row, kColumnUrl).c_str());
    }
    if (GetSongCell(row, kColumnState) == kStateReady) paths[static_cast<size_t>(row)] = GetSongCell(row, kColumnPath);
  }
  EndSequence();

  std::printf("save songs: %.3f s (starting the %d jobs took %.3f s)\n", finished - started, kSongCount,
              allStarted - started);
  if (trace) PrintTrace(rows, started, tally, finished - started);
  if (!done) {
    std::printf("FAIL: only %d of %d rows ended within the time limit\n", ended, kSongCount);
    return 1;
  }
  return CountBadSongFiles(paths) == 0 ? 0 : 1;
}

struct RawTransfer {
  std::string url;
  std::string path;
  bool ok = false;
  double started = 0;
  double finished = 0;
};

DWORD WINAPI RawTransferThread(void* parameter) {
  auto* transfer = static_cast<RawTransfer*>(parameter);
  transfer->started = Now();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  transfer->ok = TransferToFile(transfer->url, transfer->path);
  CoUninitialize();
  transfer->finished = Now();
  return 0;
}

int RawTransfersRun(const std::string& folder, bool trace) {
  std::vector<RawTransfer> transfers(kSongCount);
  std::vector<HANDLE> threads;
  const double started = Now();
  for (int n = 1; n <= kSongCount; ++n) {
    RawTransfer& transfer = transfers[static_cast<size_t>(n - 1)];
    transfer.url = SongUrl(n);
    char name[32];
    std::snprintf(name, sizeof(name), "Piece %02d.mp3", n);
    transfer.path = folder + name;
    HANDLE thread = CreateThread(nullptr, 0, RawTransferThread, &transfer, 0, nullptr);
    if (thread != nullptr) threads.push_back(thread);
  }
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  const double finished = Now();
  for (HANDLE thread : threads) CloseHandle(thread);

  std::printf("raw transfers: %.3f s\n", finished - started);
  std::vector<std::string> paths(kSongCount);
  for (size_t i = 0; i < transfers.size(); ++i) {
    if (trace) {
      std::printf("%3zu  started %.3f  finished %.3f  %s\n", i + 1, transfers[i].started - started,
                  transfers[i].finished - started, transfers[i].ok ? "ok" : "failed");
    }
    if (transfers[i].ok) paths[i] = transfers[i].path;
  }
  return CountBadSongFiles(paths) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string folder;
  bool trace = false, raw = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) {
      trace = true;
    } else if (std::strcmp(argv[i], "--raw") == 0) {
      raw = true;
    } else {
      folder = argv[i];
    }
  }
  if (folder.empty()) {
    std::printf("usage: save_songs_bench FOLDER\\ [--trace] [--raw]\n");
    return 2;
  }
  if (folder.back() != '\\') folder += '\\';
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return raw ? RawTransfersRun(folder, trace) : SaveSongsRun(folder, trace);
}
