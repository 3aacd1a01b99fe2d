#include "cli/folder_record.h"

#include <chrono>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "cli/run_output.h"
#include "net/partial_file.h"

namespace fs = std::filesystem;

namespace {

constexpr auto kFlushPause = std::chrono::seconds(1);

// The file's bytes, at most limit of them; "" when there is none. Read only where it is a plain
// file: a link is set aside before.
std::string ReadSmallFile(const std::string& path, std::size_t limit) {
  std::ifstream in(fs::u8path(path), std::ios::binary);
  if (!in) return std::string();
  std::string text;
  char chunk[65536];
  while (text.size() <= limit && in.read(chunk, sizeof chunk).gcount() > 0) text.append(chunk, static_cast<std::size_t>(in.gcount()));
  return text.size() > limit ? std::string() : text;
}


constexpr const char* kTagPending = "pending";
constexpr const char* kTagDone = "done";

std::string FolderOf(const std::string& prefix) { return prefix.size() > 1 ? prefix.substr(0, prefix.size() - 1) : prefix; }

}  // namespace

bool SetAsideIfNotPlain(const std::string& path, const std::function<void(const std::string&)>& say) {
  if (!IsNotPlainFile(path)) return true;
  const std::string aside = path + std::string(kSetAsideSuffix);
  RemoveLocalFile(aside);
  const bool moved = RenameLocalFile(path, aside);
  say("\"" + TerminalSafe(path) + "\" is not a plain file (a link?); " +
      (moved ? "it was set aside as \"" + TerminalSafe(aside) + "\" and nothing was written through it."
             : "it could not be set aside, and nothing was written through it."));
  return moved;
}

FolderRecord::FolderRecord(std::string folderPrefix, bool again, std::function<void(const std::string&)> say,
                           bool tagging)
    : prefix_(std::move(folderPrefix)), again_(again), tagging_(tagging), say_(std::move(say)) {}

FolderRecord::~FolderRecord() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
  }
  wake_.notify_one();
  if (flusher_.joinable()) flusher_.join();
}

bool FolderRecord::Open() {
  const std::string indexPath = prefix_ + std::string(kIndexFileName);
  const std::string journalPath = prefix_ + std::string(kJournalFileName);
  for (const std::string& path : {indexPath, indexPath + ".new", journalPath}) {
    if (!SetAsideIfNotPlain(path, say_)) return false;
  }
  if (PathTaken(indexPath)) {
    const std::string text = ReadSmallFile(indexPath, kLargestIndexBytes);
    if (text.empty() || !index_.Parse(text)) {
      index_ = SaveIndex();
      std::error_code error;
      fs::rename(fs::u8path(indexPath), fs::u8path(indexPath + ".broken"), error);
      say_("The folder's index could not be read; it was set aside as " + TerminalSafe(indexPath) +
           ".broken and every song is saved as new.");
    }
  }
  // What a run that did not end wrote after the index: each line a change, in order. A line torn
  // by a power loss, or one that is no change of ours, is passed over.
  std::istringstream journal(ReadSmallFile(journalPath, kLargestIndexBytes));
  for (std::string line; std::getline(journal, line);) {
    const nlohmann::json change = nlohmann::json::parse(line, nullptr, false);
    if (change.is_discarded() || !change.is_object()) continue;
    const auto url = change.find("url");
    const auto file = change.find("file");
    const auto whole = change.find("whole");
    const auto validator = change.find("validator");
    const auto tag = change.find("tag");
    if (url == change.end() || !url->is_string()) continue;
    if (file == change.end()) {
      index_.Forget(url->get<std::string>());
    } else if (file->is_string() && IsRecordedPath(file->get<std::string>()) && whole != change.end() && whole->is_boolean()) {
      index_.Record(url->get<std::string>(),
                    IndexEntry{file->get<std::string>(), whole->get<bool>(),
                               validator != change.end() && validator->is_string() ? validator->get<std::string>() : "",
                               tag != change.end() && tag->is_string() ? tag->get<std::string>() : ""});
    }
  }
  if (!journal_.OpenToWrite(journalPath, UINT64_MAX)) {
    say_("The folder's record \"" + TerminalSafe(journalPath) + "\" cannot be written" +
         (journal_.error() == LocalFileError::kDiskFull ? ": the disk is full." : "."));
    return false;
  }
  flusher_ = std::thread([this] { FlushEverySecond(); });
  return true;
}

std::string FolderRecord::FileName(const std::string& path) const {
  if (path.compare(0, prefix_.size(), prefix_) != 0) return std::string();
  std::string name = path.substr(prefix_.size());
  // The record names files the same way on every system: "/" between folders.
  std::replace(name.begin(), name.end(), prefix_.back(), '/');
  return name;
}

std::string FolderRecord::PathOf(const std::string& file) const {
  std::string path = prefix_ + file;
  std::replace(path.begin() + static_cast<std::ptrdiff_t>(prefix_.size()), path.end(), '/', prefix_.back());
  return path;
}

SongPlan FolderRecord::Plan(const RunSong& song) {
  SongPlan plan;
  if (again_ || song.url.empty()) return plan;
  IndexEntry entry;
  {
    std::lock_guard<std::mutex> hold(lock_);
    const IndexEntry* found = index_.Find(song.url);
    if (found == nullptr) return plan;
    entry = *found;
  }
  const std::string path = PathOf(entry.file);
  const long long fileSize = PlainFileSize(path);
  const std::string part = path + std::string(kPartialFileSuffix);
  if (entry.whole && entry.tag == kTagPending && PlainFileSize(part) > 0) {
    // The run that fetched it ended while making the file: it is made now, without a fetch.
    return SongPlan{SongPlan::Kind::kFinish, path, {}, true};
  }
  if (entry.whole) {
    if (fileSize > 0 && tagging_ && entry.tag != kTagDone) return SongPlan{SongPlan::Kind::kFinish, path, {}, false};
    if (fileSize > 0) plan = SongPlan{SongPlan::Kind::kSkip, path, {}};
    return plan;  // its file is gone: saved again, under a free name
  }
  if (!SetAsideIfNotPlain(part, say_)) return plan;
  const long long partSize = PlainFileSize(part);
  if (partSize < 0 && fileSize > 0) {
    // The song came whole and was renamed, and the run ended before the record said so.
    const IndexEntry whole{entry.file, true, std::string(), std::string()};
    if (Append(song.url, &whole)) plan = SongPlan{SongPlan::Kind::kSkip, path, {}};
    return plan;
  }
  if (fileSize > 0) return plan;  // a file was saved under its name since: never written over
  // The ".part" is continued where its bytes and their validator allow; otherwise the song starts
  // afresh in the same file, never under a second name.
  plan = SongPlan{SongPlan::Kind::kContinue, path,
                  TransferResume{partSize > 0 ? static_cast<std::uint64_t>(partSize) : 0, entry.validator}};
  return plan;
}

bool FolderRecord::Accepted(const RunSong& song, const std::string& path, const AcceptedAnswer& answer) {
  if (song.url.empty()) return true;
  const IndexEntry entry{FileName(path), false, answer.validator, std::string()};
  return Append(song.url, &entry);
}

bool FolderRecord::Ended(const RunSong& song, const std::string& path, const TransferOutcome& outcome, bool partKept) {
  if (song.url.empty() || path.empty()) return true;
  if (outcome.whole || partKept) {
    const IndexEntry entry{FileName(path), outcome.whole, outcome.whole ? std::string() : outcome.validator,
                           outcome.inPart ? kTagPending : ""};
    return Append(song.url, &entry);
  }
  {
    std::lock_guard<std::mutex> hold(lock_);
    const IndexEntry* found = index_.Find(song.url);
    if (found == nullptr || found->file != FileName(path)) return true;
  }
  return Append(song.url, nullptr);
}

bool FolderRecord::Finished(const RunSong& song, const std::string& path) {
  if (song.url.empty() || path.empty()) return true;
  const IndexEntry entry{FileName(path), true, std::string(), tagging_ ? kTagDone : ""};
  return Append(song.url, &entry);
}

bool FolderRecord::Append(const std::string& url, const IndexEntry* entry) {
  nlohmann::json change = {{"url", url}};
  if (entry != nullptr) {
    change["file"] = entry->file;
    change["whole"] = entry->whole;
    if (!entry->validator.empty()) change["validator"] = entry->validator;
    if (!entry->tag.empty()) change["tag"] = entry->tag;
  }
  const std::string line = change.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
  std::lock_guard<std::mutex> hold(lock_);
  if (entry != nullptr) {
    index_.Record(url, *entry);
  } else {
    index_.Forget(url);
  }
  // Written at once: a process killed after this line leaves it in the file.
  if (broken_ || !journal_.Write(line.data(), line.size()) || !journal_.Flush()) {
    if (!broken_) {
      say_(std::string("The folder's record cannot be written") +
           (journal_.error() == LocalFileError::kDiskFull ? ": the disk is full." : ".") +
           " No more songs are started; every .part stays for the next run.");
    }
    broken_ = true;
    return false;
  }
  dirty_ = true;
  return true;
}

void FolderRecord::FlushEverySecond() {
  std::unique_lock<std::mutex> hold(lock_);
  while (!ended_) {
    wake_.wait_for(hold, kFlushPause, [this] { return ended_; });
    if (dirty_ && !broken_) {
      journal_.Sync();
      dirty_ = false;
    }
  }
}

bool FolderRecord::Close() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    ended_ = true;
  }
  wake_.notify_one();
  if (flusher_.joinable()) flusher_.join();
  std::lock_guard<std::mutex> hold(lock_);
  // The index is whole in memory even where a journal line could not be written.
  if (!broken_) journal_.Sync();
  const std::string indexPath = prefix_ + std::string(kIndexFileName);
  if (!WriteFileAtomically(indexPath, index_.Text())) return false;
  journal_.Close();
  RemoveLocalFile(prefix_ + std::string(kJournalFileName));
  SyncFolder(FolderOf(prefix_));
  return true;
}
