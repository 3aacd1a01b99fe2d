// list prints the rows a read hands over as they come; save reads the whole profile first, then
// saves into the folder under its lock, with the folder's index.
#include "cli/cli_commands.h"

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "acquisition/profile_read.h"
#include "cli/cli_options.h"
#include "cli/folder_record.h"
#include "cli/folder_save.h"
#include "cli/local_system.h"
#include "cli/run_output.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kProgressPause = std::chrono::milliseconds(250);
constexpr const char* kNoSongsMessage = "This profile lists no songs.";

// Hears a read: prints its messages, and its songs when printSongs, else keeps them.
class ReadListener : public ProfileReadEvents {
 public:
  ReadListener(ConsoleLines& lines, const CliOptions& options, bool printSongs, bool terminal)
      : lines_(lines), options_(options), printSongs_(printSongs), terminal_(terminal) {}
  bool StillWanted() override { return true; }
  void Fetching(bool) override {}
  void AddressKnown(const std::string&, const std::string&) override {}
  void PageRead(const ProfilePage&) override {}
  std::size_t SongsFound(std::vector<PlaylistSong>& songs, std::size_t) override {
    if (!printSongs_) {
      for (PlaylistSong& song : songs) kept_.push_back(std::move(song));
      return songs.size();
    }
    // A batch goes out as one flushed write: every row of it is known already, and a flush per
    // row made a long listing spend most of its time in write calls.
    std::string batch;
    for (const PlaylistSong& song : songs) {
      if (!batch.empty()) batch += '\n';
      batch += ListLine(song, options_.json, terminal_);
    }
    if (!songs.empty()) lines_.Line(batch);
    return songs.size();
  }
  void Message(ReadMessage message, const std::string& text) override {
    lines_.Error(text);
    messaged_ = true;
    siteError_ = siteError_ || message == ReadMessage::kSiteError;
  }
  void Ended(const ProfileReadEnd&) override {}
  std::vector<PlaylistSong>& kept() { return kept_; }
  bool messaged() const { return messaged_; }
  bool siteError() const { return siteError_; }

 private:
  ConsoleLines& lines_;
  const CliOptions& options_;
  const bool printSongs_;
  const bool terminal_;
  std::vector<PlaylistSong> kept_;
  bool messaged_ = false;
  bool siteError_ = false;
};

// The exit code a read's end gives, with its message; kExitDone when songs may follow.
int ReadExitCode(const ProfileReadEnd& end, const CliOptions& options, const ReadListener& listener,
                 ConsoleLines& lines) {
  if (!end.onSite) {
    lines.Error("\"" + TerminalSafe(options.profile) +
                "\" is no profile: give a profile's name or its address on the site.");
    return kExitUsage;
  }
  if (end.noMemory) return kExitUnreadable;  // its message is out already
  if (end.pageLength < 0) {
    lines.Error("The profile page could not be read: the site did not answer.");
    return kExitUnreadable;
  }
  if (end.playlistAsked && end.playlistLength < 0) {
    lines.Error("The profile's playlist could not be read: the site did not answer.");
    return kExitUnreadable;
  }
  // The site's own error page: the profile is not there.
  if (listener.siteError()) return kExitUnreadable;
  if (end.songsListed == 0 && !listener.messaged()) lines.Error(kNoSongsMessage);
  return kExitDone;
}

// Prints each song's end; the record holds it already.
class ResultLines : public FolderSaveEvents {
 public:
  ResultLines(ConsoleLines& lines, bool quiet, bool terminal) : lines_(lines), quiet_(quiet), terminal_(terminal) {}
  void SongEnded(const SongResult& result) override {
    if (!quiet_) lines_.Line(ResultLine(result, terminal_));
  }

 private:
  ConsoleLines& lines_;
  const bool quiet_;
  const bool terminal_;
};

// Makes the folder when its parent exists; the message when it cannot be used.
std::string PrepareFolder(const std::string& folder) {
  std::error_code error;
  const fs::path path = fs::u8path(folder);
  if (fs::is_directory(path, error)) return std::string();
  if (fs::exists(path, error)) return "\"" + TerminalSafe(folder) + "\" is not a folder.";
  const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
  if (!fs::is_directory(parent, error)) return "The folder's parent \"" + TerminalSafe(parent.u8string()) + "\" does not exist.";
  if (!fs::create_directory(path, error) && !fs::is_directory(path, error)) {
    return "The folder \"" + TerminalSafe(folder) + "\" could not be made.";
  }
  return std::string();
}

// Redraws the progress line until the run ends.
class ProgressTicker {
 public:
  ProgressTicker(ConsoleLines& lines, const FolderSaveProgress& progress) : lines_(lines), progress_(progress) {
    thread_ = std::thread([this] { Tick(); });
  }
  ~ProgressTicker() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      ended_ = true;
    }
    wake_.notify_one();
    thread_.join();
    lines_.EndProgress();
  }

 private:
  void Tick() {
    const auto start = std::chrono::steady_clock::now();
    std::unique_lock<std::mutex> hold(lock_);
    while (!wake_.wait_for(hold, kProgressPause, [this] { return ended_; })) {
      const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      lines_.Progress(ProgressLine(progress_.ended.load(), progress_.songs.load(), progress_.bytes.load(), seconds,
                                   progress_.savedBytes.load(), progress_.transferred.load(),
                                   static_cast<std::size_t>(TerminalWidth() - 1)));
    }
  }
  ConsoleLines& lines_;
  const FolderSaveProgress& progress_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool ended_ = false;
  std::thread thread_;
};

int Save(const CliOptions& options, std::vector<PlaylistSong>& songs, CliPlatform& platform, ConsoleLines& lines,
         bool terminal) {
  const std::string problem = PrepareFolder(options.folder);
  if (!problem.empty()) {
    lines.Error(problem);
    return kExitUsage;
  }
  const std::string prefix = options.folder + platform.separator;
  const auto say = [&lines](const std::string& text) { lines.Error(text); };
  const std::string lockPath = prefix + std::string(kLockFileName);
  FolderLock lock;
  if (!SetAsideIfNotPlain(lockPath, say) || !lock.TryLock(lockPath)) {
    lines.Error("Another verdimo-cli run is saving into \"" + TerminalSafe(options.folder) + "\"; try again when it has ended.");
    return kExitUsage;
  }
  FolderRecord record(prefix, options.again, say);
  if (!record.Open()) return kExitSongsFailed;
  TransferStop stop;
  StopOnInterrupt(stop);
  const FolderSaveOptions saveOptions{options.folder, platform.separator, options.jobs, platform.bounds};
  ResultLines results(lines, options.quiet, terminal);
  FolderSaveProgress progress;
  FolderSaveSummary summary;
  {
    ProgressTicker ticker(lines, progress);
    summary = SaveIntoFolder(songs, platform.songs, saveOptions, record, results, stop, progress);
  }
  const bool recordWritten = record.Close() && !summary.recordFailed;
  if (!recordWritten && !summary.recordFailed) {
    lines.Error("The folder's index could not be written; its journal keeps the record for the next run.");
  }
  if (stop.requested.load()) {
    lines.Error("Stopped: " + std::to_string(summary.left) + " songs left for the next run, which continues their .part files.");
    return InterruptExitCode();
  }
  return summary.failed > 0 || summary.recordFailed ? kExitSongsFailed : kExitDone;
}

int RunCommand(const std::vector<std::string>& arguments, CliPlatform& platform, std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseArguments(arguments, out, err);
  if (!parsed.run) return parsed.exitCode;
  const CliOptions& options = parsed.options;
  const bool listing = options.command == CliCommand::kList;
  const bool outTerminal = IsTerminal(1);
  ConsoleLines lines(out, err, !listing && IsTerminal(2));
  ReadListener listener(lines, options, listing, outTerminal);
  const ProfileReadEnd end = ReadProfile(options.profile, platform.pages, listener, SongText::kUtf8);
  const int code = ReadExitCode(end, options, listener, lines);
  if (code != kExitDone || listing) return code;
  return Save(options, listener.kept(), platform, lines, outTerminal);
}

}  // namespace

int RunCli(const std::vector<std::string>& arguments, CliPlatform& platform, std::ostream& out, std::ostream& err) {
  // A failure nobody foresaw (no memory, a file system error) ends the command with its words.
  try {
    return RunCommand(arguments, platform, out, err);
  } catch (const std::exception& error) {
    err << "verdimo-cli stopped: " << error.what() << std::endl;
    return kExitSongsFailed;
  }
}
