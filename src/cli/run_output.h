// What the command line prints: the lines of list and save, and the progress line a terminal
// shows at its bottom. Texts from the network reach a terminal only with their control and
// direction-override characters blanked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "acquisition/profile_scan.h"
#include "cli/folder_save.h"

// text with each character a terminal would obey blanked (C0 and C1 controls, DEL, the
// bidirectional marks, overrides and isolates) and each byte that is no UTF-8 made U+FFFD.
std::string TerminalSafe(std::string_view text);

// "name<TAB>url", or the JSON object {"name": ..., "url": ...}; no line break.
std::string ListLine(const PlaylistSong& song, bool json, bool terminal);

// "Ready!<TAB>name<TAB>path", "Failed!<TAB>name<TAB>reason" or "Skipped<TAB>name<TAB>path".
std::string ResultLine(const SongResult& result, bool terminal);

// A run's figures at one moment (FolderSaveProgress read).
struct ProgressFigures {
  std::size_t ended = 0, songs = 0, running = 0, transferred = 0, retries = 0;
  std::uint64_t bytes = 0, savedBytes = 0, announcedLeft = 0;
};

// "12/50 songs  34.5 MB  2.1 MB/s  2 retries  0:15 left", at most width characters.
std::string ProgressLine(const ProgressFigures& figures, double seconds, std::size_t width);

// Lines to standard output and a progress line redrawn in place on standard error, one writer at
// a time, the progress line cleared before a line goes out and drawn again after it.
class ConsoleLines {
 public:
  ConsoleLines(std::ostream& out, std::ostream& err, bool progressShown)
      : out_(out), err_(err), progressShown_(progressShown) {}
  void Line(const std::string& line);
  void Error(const std::string& line);
  void Progress(const std::string& line);
  void EndProgress();
  // The error of the first line standard output did not take (EPIPE: its reader left); 0 for none.
  int OutputError() {
    std::lock_guard<std::mutex> hold(lock_);
    return outputError_;
  }

 private:
  void ClearProgress();
  std::mutex lock_;
  std::ostream& out_;
  std::ostream& err_;
  const bool progressShown_;
  std::string progress_;
  int outputError_ = 0;
};
