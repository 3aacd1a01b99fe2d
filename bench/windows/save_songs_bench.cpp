// Wall time of Save Songs for the stand-in site's "fifty" profile (50 songs of 1 MB): the real
// window and main loop run in this process, the profile is read, then every row is started into
// one folder exactly as the Save Songs button does after its folder chooser, and the loop runs
// until every row has ended. The saved files are checked byte for byte afterwards.
//
//   save_songs_bench.exe FOLDER\ [--trace] [--hide-list | --raw | --bare | --raw-wininet]
//
// --trace       prints each row's timeline (when its ".part" and final file show in the folder,
//               when the loop saw "Downloading..." and "Ready!"/"Failed!"), the loop's longest
//               passes and the process's CPU time, to see where a slow save loses it.
// --hide-list   hides the song list before the save, to tell its repaints from the rest.
// --raw         skips the window: 50 plain threads call TransferToFile side by side, as the jobs
//               do but with no list in between, which isolates the system's URL download call.
// --bare        50 plain threads each call URLDownloadToFileA straight into the song's file, with
//               no binding callback and no checks: the system's call alone, the mark Save Songs
//               is measured against.
// --raw-wininet the same with a plain WinINet read loop (no cache, 64 KB reads straight into the
//               file) in place of the URL download call, for comparison.
//
// Prints "save songs: X s" (or "raw transfers: X s") and exits with 0 only when all 50 files are
// complete and correct.
#include <windows.h>
#include <objbase.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "net/url_transfer.h"
#include "base/app_state.h"
#include "shell/window_state.h"
#include "shell/download_job.h"
#include "shell/read_results.h"
#include "shell/main_loop.h"
#include "shell/startup.h"
#include "common/main_loop_wait.h"

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
  // Each pass: when it began, how long its outer pass and its event passes took.
  struct Pass {
    double began, outer, events;
  };
  std::vector<Pass> passes;
};

// Runs main-loop passes, as the program's own loop does, until done() holds or timeoutMs pass,
// and tallies where the time went; returns done()'s last answer.
bool RunLoopTallied(const std::function<bool()>& done, DWORD timeoutMs, LoopTally* tally) {
  return WaitUntil(
      [&] {
        const double t0 = Now();
        const bool finished = done();
        tally->inPolling += Now() - t0;
        return finished;
      },
      timeoutMs, 0,
      [tally] {
        const double t1 = Now();
        OuterPass();
        const double t2 = Now();
        bool close = false, focus = false;
        long long events = 0;
        while (EventPass(&close, &focus) && !close && !focus) ++events;
        const double t3 = Now();
        ++tally->outerPasses;
        tally->events += events;
        tally->inOuterPass += t2 - t1;
        tally->inEvents += t3 - t2;
        tally->passes.push_back({t1, t2 - t1, t3 - t2});
      });
}

bool RowHasEnded(const std::string& state) { return state == kStateReady || state == kStateFailed; }

double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  const auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Watches the target folder from its own thread, so the times do not depend on the loop: when
// each song's ".part" file first shows, and when its final file does. The URL download call
// writes the ".part" file only when it copies the finished body out of WinINet's cache, so under
// Wine the ".part" time is the end of the network transfer, not its start. The watcher's own
// look every 5 ms costs a little CPU, so traced runs are a little slower than plain ones.
struct FolderWatch {
  std::string folder;
  std::atomic<bool> stop{false};
  double partSeen[kSongCount];
  double fileSeen[kSongCount];
};

DWORD WINAPI FolderWatcher(void* parameter) {
  auto* watch = static_cast<FolderWatch*>(parameter);
  const std::string pattern = watch->folder + "Piece *";
  while (!watch->stop.load()) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    const double now = Now();
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const int n = std::atoi(found.cFileName + 6);
        if (n < 1 || n > kSongCount) continue;
        const bool part = std::strstr(found.cFileName, ".part") != nullptr;
        double& seen = part ? watch->partSeen[n - 1] : watch->fileSeen[n - 1];
        if (seen < 0) seen = now;
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    Sleep(5);
  }
  return 0;
}

struct RowTimes {
  double downloading = -1;  // the loop first saw "Downloading..."
  double ended = -1;        // the loop first saw "Ready!" or "Failed!"
};

std::string Seconds(double at, double origin) {
  char text[32];
  if (at < 0) return "      -";
  std::snprintf(text, sizeof(text), "%7.3f", at - origin);
  return text;
}

void PrintTrace(const std::vector<RowTimes>& rows, const FolderWatch& watch, double started, double allStarted,
                const LoopTally& tally, double total, double cpu) {
  std::printf("seconds after the save began; .part/file: seen by a folder watcher (5 ms), state: seen by the loop\n");
  std::printf("row   .part    file  Downl.   ended\n");
  for (size_t row = 0; row < rows.size(); ++row) {
    std::printf("%3zu %s %s %s %s\n", row + 1, Seconds(watch.partSeen[row], started).c_str(),
                Seconds(watch.fileSeen[row], started).c_str(), Seconds(rows[row].downloading, started).c_str(),
                Seconds(rows[row].ended, started).c_str());
  }
  // A file that came and went between two looks of the watcher has no time; it is left out.
  const auto seenRange = [started](const double* seen) {
    double first = 1e300, last = -1e300;
    for (int i = 0; i < kSongCount; ++i) {
      if (seen[i] < 0) continue;
      first = std::min(first, seen[i] - started);
      last = std::max(last, seen[i] - started);
    }
    char text[64];
    std::snprintf(text, sizeof(text), "first %.3f s, last %.3f s", first, last);
    return std::string(text);
  };
  std::printf("all jobs started (SaveSongsIntoFolder returned): %.3f s\n", allStarted - started);
  std::printf(".part files: %s; final files: %s\n", seenRange(watch.partSeen).c_str(), seenRange(watch.fileSeen).c_str());
  std::printf("loop: %lld passes, %.3f s in outer passes, %lld events in %.3f s, %.3f s polling rows, of %.3f s\n",
              tally.outerPasses, tally.inOuterPass, tally.events, tally.inEvents, tally.inPolling, total);
  std::vector<LoopTally::Pass> longest = tally.passes;
  std::sort(longest.begin(), longest.end(),
            [](const LoopTally::Pass& a, const LoopTally::Pass& b) { return a.outer + a.events > b.outer + b.events; });
  if (longest.size() > 8) longest.resize(8);
  for (const LoopTally::Pass& pass : longest) {
    std::printf("  long pass at %.3f s: outer %.3f s, events %.3f s\n", pass.began - started, pass.outer, pass.events);
  }
  std::printf("process CPU time during the save: %.3f s\n", cpu);
}

int SaveSongsRun(const std::string& folder, bool trace, bool hideList) {
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
      [] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0 && SongRowCount(SongList) == kSongCount; }, 60000);
  if (!read) {
    std::printf("FAIL: reading \"%s\" gave %d rows\n", kProfileName, SongRowCount(SongList));
    EndSequence();
    return 1;
  }
  if (trace) std::printf("profile read: %.3f s\n", Now() - readStart);
  if (hideList) ShowWindow(SongList, SW_HIDE);

  FolderWatch watch;
  watch.folder = folder;
  std::fill(std::begin(watch.partSeen), std::end(watch.partSeen), -1.0);
  std::fill(std::begin(watch.fileSeen), std::end(watch.fileSeen), -1.0);
  HANDLE watcher = trace ? CreateThread(nullptr, 0, FolderWatcher, &watch, 0, nullptr) : nullptr;

  std::vector<RowTimes> rows(kSongCount);
  LoopTally tally;
  const double cpuBefore = ProcessCpuSeconds();
  const double started = Now();
  SaveSongsIntoFolder(folder);
  const double allStarted = Now();
  // Only rows not yet ended are asked for their State, so the polling costs little once most
  // are done.
  int ended = 0;
  const bool done = RunLoopTallied(
      [&] {
        const double now = Now();
        for (int row = 0; row < kSongCount; ++row) {
          RowTimes& times = rows[static_cast<size_t>(row)];
          if (times.ended >= 0) continue;
          const std::string state = GetSongCell(SongList, row, kColumnState);
          if (state == kStateDownloading && times.downloading < 0) times.downloading = now;
          if (RowHasEnded(state)) {
            times.ended = now;
            ++ended;
          }
        }
        return ended == kSongCount && RunningDownloads.load() == 0;
      },
      600000, &tally);
  const double finished = Now();
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  if (watcher != nullptr) {
    watch.stop = true;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
  }

  std::vector<std::string> paths(kSongCount);
  for (int row = 0; row < kSongCount; ++row) {
    if (GetSongCell(SongList, row, kColumnUrl) != SongUrl(row + 1)) {
      std::printf("FAIL: row %d has URL %s\n", row + 1, GetSongCell(SongList, row, kColumnUrl).c_str());
    }
    if (GetSongCell(SongList, row, kColumnState) == kStateReady) paths[static_cast<size_t>(row)] = GetSongCell(SongList, row, kColumnPath);
  }
  EndSequence();

  std::printf("save songs: %.3f s\n", finished - started);
  if (trace) PrintTrace(rows, watch, started, allStarted, tally, finished - started, cpu);
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

DWORD WINAPI BareTransferThread(void* parameter) {
  auto* transfer = static_cast<RawTransfer*>(parameter);
  transfer->started = Now();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  transfer->ok = SUCCEEDED(URLDownloadToFileA(nullptr, transfer->url.c_str(), transfer->path.c_str(), 0, nullptr));
  CoUninitialize();
  transfer->finished = Now();
  return 0;
}

HINTERNET WininetSession;

// The transfer without the URL download call: the response body is read in 64 KB blocks and
// written straight into the ".part" file, with the cache left out.
bool WininetTransferToFile(const std::string& url, const std::string& targetPath) {
  HINTERNET request = InternetOpenUrlA(WininetSession, url.c_str(), nullptr, 0,
                                       INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI, 0);
  if (request == nullptr) return false;
  DWORD status = 0, size = sizeof(status);
  HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
  const std::string partPath = targetPath + ".part";
  HANDLE file = CreateFileA(partPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE && status >= 200 && status < 300;
  std::vector<char> block(65536);
  DWORD got = 0, written = 0;
  while (ok && InternetReadFile(request, block.data(), static_cast<DWORD>(block.size()), &got) && got > 0) {
    ok = WriteFile(file, block.data(), got, &written, nullptr) && written == got;
  }
  if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  InternetCloseHandle(request);
  ok = ok && MoveFileExA(partPath.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileA(partPath.c_str());
  return ok;
}

DWORD WINAPI WininetTransferThread(void* parameter) {
  auto* transfer = static_cast<RawTransfer*>(parameter);
  transfer->started = Now();
  transfer->ok = WininetTransferToFile(transfer->url, transfer->path);
  transfer->finished = Now();
  return 0;
}

int RawTransfersRun(const std::string& folder, bool trace, bool wininet, bool bare) {
  if (wininet) WininetSession = InternetOpenA("Mozilla/4.0 (compatible; ST)", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  std::vector<RawTransfer> transfers(kSongCount);
  std::vector<HANDLE> threads;
  const double cpuBefore = ProcessCpuSeconds();
  const double started = Now();
  for (int n = 1; n <= kSongCount; ++n) {
    RawTransfer& transfer = transfers[static_cast<size_t>(n - 1)];
    transfer.url = SongUrl(n);
    char name[32];
    std::snprintf(name, sizeof(name), "Piece %02d.mp3", n);
    transfer.path = folder + name;
    HANDLE thread = CreateThread(nullptr, 0,
                                 wininet ? WininetTransferThread : bare ? BareTransferThread : RawTransferThread,
                                 &transfer, 0, nullptr);
    if (thread != nullptr) threads.push_back(thread);
  }
  WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
  const double finished = Now();
  for (HANDLE thread : threads) CloseHandle(thread);
  if (WininetSession != nullptr) InternetCloseHandle(WininetSession);

  std::printf("raw transfers: %.3f s\n", finished - started);
  if (trace) std::printf("process CPU time during the transfers: %.3f s\n", ProcessCpuSeconds() - cpuBefore);
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
  bool trace = false, raw = false, wininet = false, bare = false, hideList = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0) {
      trace = true;
    } else if (std::strcmp(argv[i], "--raw") == 0) {
      raw = true;
    } else if (std::strcmp(argv[i], "--bare") == 0) {
      raw = bare = true;
    } else if (std::strcmp(argv[i], "--raw-wininet") == 0) {
      raw = wininet = true;
    } else if (std::strcmp(argv[i], "--hide-list") == 0) {
      hideList = true;
    } else {
      folder = argv[i];
    }
  }
  if (folder.empty()) {
    std::printf("usage: save_songs_bench FOLDER\\ [--trace] [--hide-list | --raw | --bare | --raw-wininet]\n");
    return 2;
  }
  if (folder.back() != '\\') folder += '\\';
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  return raw ? RawTransfersRun(folder, trace, wininet, bare) : SaveSongsRun(folder, trace, hideList);
}
