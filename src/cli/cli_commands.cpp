// list prints the rows a read hands over as they come; save reads the whole profile first, then
// saves into the folder under its lock, with the folder's index.
#include "cli/cli_commands.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>
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
#include "cli/output_template.h"
#include "cli/retries.h"
#include "cli/run_output.h"
#include "net/answer_policy.h"
#include "net/song_address.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kProgressPause = std::chrono::milliseconds(250);
// A retry's wait looks at a stop this often.
constexpr auto kRetryStep = std::chrono::milliseconds(100);
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

// Why a fetch came to nothing: the transport's words, else the plain fact.
std::string Cause(const std::string& words) { return words.empty() ? "the site did not answer" : words; }

// The exit code a read's end gives, with its message; kExitDone when songs may follow.
int ReadExitCode(const ProfileReadEnd& end, const std::string& profile, const ReadListener& listener,
                 const std::string& failureWords, ConsoleLines& lines) {
  const std::string named = "\"" + TerminalSafe(profile) + "\"";
  if (!end.onSite) {
    lines.Error(named + " is no profile: give a profile's name or its address on the site.");
    return kExitUsage;
  }
  if (end.noMemory) return kExitUnreadable;  // its message is out already
  if (end.pageLength < 0) {
    lines.Error("The profile page of " + named + " could not be read: " + TerminalSafe(Cause(failureWords)) + ".");
    return kExitUnreadable;
  }
  // The command line tells an error page from a profile; the window reads any answer.
  if (end.pageStatus != 0 && !IsSuccessStatus(end.pageStatus)) {
    const bool missing = end.pageStatus == 404 || end.pageStatus == 410;
    lines.Error((missing ? "No such profile " + named : "The profile page of " + named + " could not be read") +
                ": the site answered " + HttpStatusWords(end.pageStatus) + ".");
    return kExitUnreadable;
  }
  if (end.playlistAsked && end.playlistLength < 0) {
    lines.Error("The playlist of " + named + " could not be read: " + TerminalSafe(Cause(failureWords)) + ".");
    return kExitUnreadable;
  }
  if (end.playlistAsked && end.playlistStatus != 0 && !IsSuccessStatus(end.playlistStatus)) {
    lines.Error("The playlist of " + named + " could not be read: the site answered " +
                HttpStatusWords(end.playlistStatus) + ".");
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
    // A saved song's note ("not tagged: no MP3 frames") follows its line.
    if (result.outcome == SongOutcome::kReady && !result.reason.empty()) lines_.Error(TerminalSafe(result.reason));
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
      ProgressFigures figures;
      figures.ended = progress_.ended.load();
      figures.songs = progress_.songs.load();
      figures.running = progress_.running.load();
      figures.transferred = progress_.transferred.load();
      figures.retries = progress_.retries.load();
      figures.bytes = progress_.bytes.load();
      figures.savedBytes = progress_.savedBytes.load();
      figures.announcedLeft = progress_.announcedLeft.load();
      lines_.Progress(ProgressLine(figures, seconds, static_cast<std::size_t>(TerminalWidth() - 1)));
    }
  }
  ConsoleLines& lines_;
  const FolderSaveProgress& progress_;
  std::mutex lock_;
  std::condition_variable wake_;
  bool ended_ = false;
  std::thread thread_;
};

// The folder of a save, its lock and its record, taken when the first profile has been read (a
// profile that cannot be read makes no folder), given back when the run ends.
class SaveSession {
 public:
  SaveSession(const CliOptions& options, CliPlatform& platform, ConsoleLines& lines, bool terminal)
      : options_(options), platform_(platform), lines_(lines), terminal_(terminal),
        prefix_(options.folder + platform.separator),
        record_(prefix_, options.again, [&lines](const std::string& text) { lines.Error(text); }, options.tag),
        results_(lines, options.quiet, terminal) {}

  // kExitDone when the folder is ready for songs, else the run's exit code (its message is out).
  int Open() {
    if (opened_) return openCode_;
    opened_ = true;
    openCode_ = Prepare();
    if (openCode_ == kExitDone) {
      StopOnInterrupt(stop_);
      ticker_ = std::make_unique<ProgressTicker>(lines_, progress_);
    }
    return openCode_;
  }

  // Saves one profile's songs into the folder; its exit code.
  int Save(std::vector<PlaylistSong>& songs, FileTransport& transport, const std::string& layout,
           const std::string& artist) {
    const FolderSaveOptions saveOptions{options_.folder, platform_.separator, options_.jobs, platform_.bounds,
                                        layout, artist, options_.tag, options_.playlist};
    const FolderSaveSummary summary = SaveIntoFolder(songs, transport, saveOptions, record_, results_, stop_, progress_);
    left_ += summary.left;
    recordFailed_ = recordFailed_ || summary.recordFailed;
    if (stop_.requested.load()) return InterruptExitCode();
    return summary.failed > 0 || summary.recordFailed ? kExitSongsFailed : kExitDone;
  }

  bool Stopped() const { return stop_.requested.load(); }
  const TransferStop& stop() const { return stop_; }
  FolderSaveProgress& progress() { return progress_; }

  // Ends the run in the folder: the record folded into its index. The exit code it adds.
  int Close() {
    if (!opened_ || openCode_ != kExitDone) return kExitDone;
    ticker_.reset();
    int code = kExitDone;
    if (!record_.Close() && !recordFailed_) {
      lines_.Error("The folder's index could not be written; its journal keeps the record for the next run.");
      code = kExitSongsFailed;
    }
    if (stop_.requested.load()) {
      lines_.Error("Stopped: " + std::to_string(left_) + " songs left for the next run, which continues their .part files.");
    }
    return code;
  }

 private:
  int Prepare() {
    const std::string problem = PrepareFolder(options_.folder);
    if (!problem.empty()) {
      lines_.Error(problem);
      return kExitUsage;
    }
    const auto say = [this](const std::string& text) { lines_.Error(text); };
    const std::string lockPath = prefix_ + std::string(kLockFileName);
    if (!SetAsideIfNotPlain(lockPath, say) || !lock_.TryLock(lockPath)) {
      if (!lock_.CannotWrite().empty()) {
        lines_.Error("cannot write into \"" + TerminalSafe(options_.folder) + "\": " + Lowered(lock_.CannotWrite()));
      } else {
        lines_.Error("Another verdimo-cli run is saving into \"" + TerminalSafe(options_.folder) +
                     "\"; try again when it has ended.");
      }
      return kExitUsage;
    }
    return record_.Open() ? kExitDone : kExitSongsFailed;
  }

  // The system's words start a sentence; here they follow a colon.
  static std::string Lowered(std::string text) {
    if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z' && (text.size() < 2 || !(text[1] >= 'A' && text[1] <= 'Z'))) {
      text[0] = static_cast<char>(text[0] - 'A' + 'a');
    }
    return text;
  }

  const CliOptions& options_;
  CliPlatform& platform_;
  ConsoleLines& lines_;
  const bool terminal_;
  const std::string prefix_;
  FolderLock lock_;
  FolderRecord record_;
  ResultLines results_;
  TransferStop stop_;
  FolderSaveProgress progress_;
  std::unique_ptr<ProgressTicker> ticker_;
  bool opened_ = false;
  int openCode_ = kExitDone;
  std::size_t left_ = 0;
  bool recordFailed_ = false;
};

// A batch file's text ("-": standard input), at most a few megabytes.
bool ReadBatchFile(const std::string& path, std::string& text) {
  constexpr std::size_t kLargestBatch = 16 * 1024 * 1024;
  std::ifstream file;
  std::istream* in = &std::cin;
  if (path != "-") {
    file.open(fs::u8path(path), std::ios::binary);
    if (!file) return false;
    in = &file;
  }
  std::ostringstream read;
  char chunk[65536];
  while (text.size() < kLargestBatch && in->read(chunk, sizeof chunk).gcount() > 0) text.append(chunk, static_cast<std::size_t>(in->gcount()));
  return !in->bad();
}

// The artist's name for the layout: the page's as the window's title shows it, else the profile
// as typed.
std::string ArtistOf(const ProfileReadEnd& end, const std::string& profile) {
  const std::string& name = end.page.artistName;
  return name.find_first_not_of(' ') == std::string::npos ? profile : name;
}

int RunCommand(const std::vector<std::string>& arguments, CliPlatform& platform, std::ostream& out, std::ostream& err) {
  const ParsedArguments parsed = ParseArguments(arguments, out, err, ReadBatchFile);
  if (!parsed.run) return parsed.exitCode;
  const CliOptions& options = parsed.options;
  const bool listing = options.command == CliCommand::kList;
  const bool outTerminal = IsTerminal(1);
  ConsoleLines lines(out, err, !listing && IsTerminal(2));
  const std::string layout = !options.output.empty()          ? options.output
                             : options.profiles.size() > 1 ? kProfilesTemplate
                                                           : kOneProfileTemplate;
  if (!listing && ExpandTemplate(layout, TemplateValues{"a", "t", 1, 1}, platform.bounds).empty()) {
    lines.Error("verdimo-cli: -o \"" + TerminalSafe(layout) + "\" makes no file in the folder (a part is empty, . or ..).");
    return kExitUsage;
  }
  const std::string unread = UnreadProxyWarning();
  if (!unread.empty() && options.proxy.empty() && !options.noProxy) lines.Error(unread);

  std::unique_ptr<RateLimit> rate;
  if (options.rateLimit > 0) rate = std::make_unique<RateLimit>(options.rateLimit);
  NetOptions net;
  net.limits.windowMs = static_cast<std::uint64_t>(options.stallSeconds) * 1000;
  net.proxy = options.proxy;
  net.noProxy = options.noProxy;
  net.rate = rate.get();
  if (options.verbose) net.verbose = [&lines](const std::string& line) { lines.Error(TerminalSafe(line)); };
  SaveSession session(options, platform, lines, outTerminal);
  RetryPlan plan;
  plan.retries = options.retries;
  plan.told = [&](const std::string& url, int retry, std::chrono::milliseconds wait, const std::string& reason) {
    session.progress().retries.fetch_add(1);
    if (options.verbose) {
      lines.Error(TerminalSafe("retry " + std::to_string(retry) + " of " + std::to_string(options.retries) + " in " +
                               std::to_string((wait.count() + 500) / 1000) + " s: " + url + ": " + reason));
    }
  };
  plan.sleep = [&session](std::chrono::milliseconds wait) {
    for (auto waited = std::chrono::milliseconds(0); waited < wait && !session.Stopped(); waited += kRetryStep) {
      std::this_thread::sleep_for(std::min(kRetryStep, wait - waited));
    }
    return !session.Stopped();
  };
  const std::unique_ptr<CliNetwork> network = platform.network(net);
  RetryingPageTransport pages(network->Pages(), plan);
  RetryingFileTransport songs(network->Songs(), plan);

  int code = kExitDone;
  for (const std::string& profile : options.profiles) {
    ReadListener listener(lines, options, listing, outTerminal);
    const ProfileReadEnd end = ReadProfile(profile, pages, listener, SongText::kUtf8);
    const int read = ReadExitCode(end, profile, listener, pages.FailureWords(), lines);
    code = WorseExitCode(code, read);
    if (listing || read != kExitDone || listener.kept().empty()) continue;
    const int opened = session.Open();
    if (opened != kExitDone) {
      code = WorseExitCode(code, opened);
      break;
    }
    code = WorseExitCode(code, session.Save(listener.kept(), songs, layout, ArtistOf(end, profile)));
    if (session.Stopped()) break;
  }
  code = WorseExitCode(code, session.Close());
  const int outputError = lines.OutputError();
  if (outputError != 0 && outputError != EPIPE) {
    lines.Error(std::string("verdimo-cli: the output cannot be written: ") + std::strerror(outputError) + ".");
    code = WorseExitCode(code, kExitSongsFailed);
  }
  return code;
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
