// The command's lines. Lines go out whole and flushed, so a script reading them sees each song
// as it ends.
#include "cli/run_output.h"

#include <cerrno>

#include <cstdio>

#include <nlohmann/json.hpp>

#include "base/utf8_text.h"

namespace {

// Besides the hidden controls, the marks that turn text's direction and the line and paragraph
// separators.
bool TerminalObeys(std::uint32_t c) {
  return IsHiddenControl(c) || c == 0x061C || c == 0x200E || c == 0x200F || c == 0x2028 || c == 0x2029;
}

std::string Megabytes(std::uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

}  // namespace

std::string TerminalSafe(std::string_view text) {
  std::string safe;
  safe.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    std::uint32_t c = 0;
    const std::size_t length = Utf8CharacterAt(text, at, c);
    if (length == 0) {
      safe += kReplacementCharacter;
      ++at;
      continue;
    }
    if (TerminalObeys(c)) {
      safe += ' ';
    } else {
      safe.append(text, at, length);
    }
    at += length;
  }
  return safe;
}

std::string ListLine(const PlaylistSong& song, bool json, bool terminal) {
  if (json) {
    const nlohmann::json line = {{"name", song.name}, {"url", song.url}};
    // JSON escapes every control character, so the line is safe on a terminal as it is.
    return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  }
  return terminal ? TerminalSafe(song.name) + '\t' + TerminalSafe(song.url) : song.name + '\t' + song.url;
}

std::string ResultLine(const SongResult& result, bool terminal) {
  const char* word = result.outcome == SongOutcome::kReady ? "Ready!" : result.outcome == SongOutcome::kSkipped ? "Skipped" : "Failed!";
  const std::string& last = result.outcome == SongOutcome::kFailed ? result.reason : result.path;
  return std::string(word) + '\t' + (terminal ? TerminalSafe(result.name) : result.name) + '\t' +
         (terminal ? TerminalSafe(last) : last);
}

std::string ProgressLine(const ProgressFigures& f, double seconds, std::size_t width) {
  const double rate = seconds > 0 ? static_cast<double>(f.bytes) / seconds : 0;
  std::string line = std::to_string(f.ended) + "/" + std::to_string(f.songs) + " songs  " + Megabytes(f.bytes) + "  " +
                     Megabytes(static_cast<std::uint64_t>(rate)) + "/s";
  if (f.retries > 0) line += "  " + std::to_string(f.retries) + (f.retries == 1 ? " retry" : " retries");
  // Time left from the bytes still to come: the running songs' where they announced their length,
  // the waiting songs' at the average size of those saved so far.
  const std::size_t waiting = f.songs > f.ended + f.running ? f.songs - f.ended - f.running : 0;
  const double waitingBytes = f.transferred > 0 ? static_cast<double>(f.savedBytes) / static_cast<double>(f.transferred) *
                                                      static_cast<double>(waiting)
                                                : 0;
  if ((f.announcedLeft > 0 || waitingBytes > 0) && rate > 0 && f.ended < f.songs) {
    const double left = (static_cast<double>(f.announcedLeft) + waitingBytes) / rate;
    const long long whole = static_cast<long long>(left + 0.5);
    char text[48];
    std::snprintf(text, sizeof text, "  %lld:%02lld left", whole / 60, whole % 60);
    line += text;
  }
  if (line.size() > width) line.resize(width);
  return line;
}

void ConsoleLines::Line(const std::string& line) {
  std::lock_guard<std::mutex> hold(lock_);
  ClearProgress();
  errno = 0;
  out_ << line << '\n' << std::flush;
  // The first failure's cause is kept: a closed pipe is let be, anything else ends the run badly.
  if (!out_ && outputError_ == 0) outputError_ = errno != 0 ? errno : EIO;
  if (progressShown_ && !progress_.empty()) err_ << progress_ << std::flush;
}

void ConsoleLines::Error(const std::string& line) {
  std::lock_guard<std::mutex> hold(lock_);
  ClearProgress();
  err_ << line << '\n' << std::flush;
  if (progressShown_ && !progress_.empty()) err_ << progress_ << std::flush;
}

void ConsoleLines::Progress(const std::string& line) {
  if (!progressShown_) return;
  std::lock_guard<std::mutex> hold(lock_);
  ClearProgress();
  progress_ = line;
  err_ << progress_ << std::flush;
}

void ConsoleLines::EndProgress() {
  std::lock_guard<std::mutex> hold(lock_);
  ClearProgress();
  progress_.clear();
}

void ConsoleLines::ClearProgress() {
  if (!progressShown_ || progress_.empty()) return;
  err_ << '\r' << std::string(progress_.size(), ' ') << '\r';
}
