// libcurl does the network work; the rules of what counts as a page or a song are checked here,
// from what the callbacks saw, as the window's transports check theirs.
#include "cli/curl_transports.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>

#include "base/program_constants.h"
#include "base/web_address.h"
#include "cli/song_answer.h"
#include "net/partial_file.h"

namespace {

// Nothing but the web: a file:, ftp: or any other address, or a redirect to one, fails.
constexpr const char* kWebProtocols = "http,https";
constexpr long kMostRedirects = 20;
constexpr long kMillisecondsPerSecond = 1000;
// What a song's transfer reads from the network and writes to its file at once.
constexpr std::size_t kSongPieceBytes = 128 * 1024;

struct EasyCleanup {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using EasyHandle = std::unique_ptr<CURL, EasyCleanup>;

struct ListCleanup {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, ListCleanup>;

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileClose>;

// A handle with the rules every fetch shares, or null when libcurl refuses one of them.
EasyHandle NewEasy(const std::string& url, const TransferLimits& limits) {
  static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);  // once for the process
  if (global != CURLE_OK) return nullptr;
  EasyHandle easy(curl_easy_init());
  if (!easy) return easy;
  // libcurl's pace bound is an average rate over whole seconds: minBytes in windowMs comes close.
  const std::uint64_t windowMs = std::max<std::uint64_t>(limits.windowMs, 1);
  const long seconds = static_cast<long>(std::max<std::uint64_t>(windowMs / kMillisecondsPerSecond, 1));
  const long rate = static_cast<long>(std::max<std::uint64_t>(limits.minBytes * kMillisecondsPerSecond / windowMs, 1));
  CURL* e = easy.get();
  const bool ok = curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, kWebProtocols) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMostRedirects) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, rate) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, seconds) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, seconds) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  if (!ok) easy.reset();
  return easy;
}

long ResponseCode(CURL* easy) {
  long code = 0;
  if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code;
}

// -- pages ------------------------------------------------------------------------------------

struct PageWrite {
  CURL* easy = nullptr;
  std::string body;
  bool tooLarge = false;
  bool noMemory = false;
  const std::function<bool()>* stillWanted = nullptr;
};

std::size_t WritePage(char* data, std::size_t size, std::size_t count, void* context) {
  auto* page = static_cast<PageWrite*>(context);
  const std::size_t bytes = size * count;
  if (page->body.size() + bytes > static_cast<std::size_t>(kFetchMaxBody)) {
    page->tooLarge = true;
    return 0;
  }
  try {
    // Room for the announced length at the first bytes, so a long playlist is not copied at
    // every doubling; a length beyond the largest body is left to the check above.
    curl_off_t announced = -1;
    if (page->body.empty() &&
        curl_easy_getinfo(page->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) == CURLE_OK &&
        announced > 0 && announced <= static_cast<curl_off_t>(kFetchMaxBody)) {
      page->body.reserve(static_cast<std::size_t>(announced));
    }
    page->body.append(data, bytes);
  } catch (const std::bad_alloc&) {
    page->noMemory = true;
    return 0;
  }
  return bytes;
}

int PageStillWanted(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* page = static_cast<const PageWrite*>(context);
  return (*page->stillWanted && !(*page->stillWanted)()) ? 1 : 0;
}

// -- songs ------------------------------------------------------------------------------------

struct SongWrite {
  CURL* easy = nullptr;
  std::string partPath;
  // The file's buffer: songs arrive in large pieces, and writing them in large pieces saves
  // system calls. It outlives the file, which is declared after it.
  std::unique_ptr<char[]> fileBuffer;
  FileHandle file;
  std::uint64_t kept = 0;   // bytes of an earlier ".part" the answer is to continue
  std::uint64_t written = 0;  // bytes the ".part" holds now
  std::uint64_t maxBytes = 0;
  // What the current answer said (a redirect's answer is forgotten at the next status line).
  bool hasRange = false;
  std::uint64_t rangeStart = 0;
  std::uint64_t rangeTotal = 0;
  std::string etag;
  std::string lastModified;
  bool bodyStarted = false;
  bool refused = false;        // the answer broke a rule
  bool wrongRange = false;     // a 206 from another byte: the file starts afresh
  bool tooLarge = false;
  bool resumed = false;
  const TransferProgress* progress = nullptr;
  const TransferStop* stop = nullptr;
  std::uint64_t lastReceived = UINT64_MAX;
  std::uint64_t lastAnnounced = UINT64_MAX;
  std::chrono::steady_clock::time_point lastFlush = std::chrono::steady_clock::now();

  bool StopRequested() const { return stop != nullptr && stop->requested.load(); }
  bool Open(const char* mode) {
    file.reset(std::fopen(partPath.c_str(), mode));
    if (!file) return false;
    if (!fileBuffer) fileBuffer.reset(new (std::nothrow) char[kSongPieceBytes]);
    if (fileBuffer) std::setvbuf(file.get(), fileBuffer.get(), _IOFBF, kSongPieceBytes);
    return true;
  }
};

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
  if (text.size() < start.size()) return false;
  for (std::size_t i = 0; i < start.size(); ++i) {
    const char c = text[i];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != start[i]) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n')) {
    text.remove_suffix(1);
  }
  return text;
}

std::size_t SongHeader(char* data, std::size_t size, std::size_t count, void* context) {
  auto* song = static_cast<SongWrite*>(context);
  const std::string_view line(data, size * count);
  if (StartsWithIgnoringCase(line, "http/")) {
    song->hasRange = false;
    song->etag.clear();
    song->lastModified.clear();
  } else if (StartsWithIgnoringCase(line, "content-range:")) {
    song->hasRange = ParseContentRange(Trimmed(line.substr(14)), song->rangeStart, song->rangeTotal);
  } else if (StartsWithIgnoringCase(line, "etag:")) {
    song->etag = Trimmed(line.substr(5));
  } else if (StartsWithIgnoringCase(line, "last-modified:")) {
    song->lastModified = Trimmed(line.substr(14));
  }
  return size * count;
}

// Decides at the first byte of the final answer what the bytes are: the rest of the ".part", a
// whole song, or nothing the save takes.
bool AcceptAnswer(SongWrite& song) {
  const long status = ResponseCode(song.easy);
  if (!IsSuccessStatus(static_cast<std::uint32_t>(status))) return false;
  if (song.kept > 0) {
    if (status == 206 && song.hasRange && song.rangeStart == song.kept) {
      song.resumed = true;
    } else if (status == 206) {
      song.wrongRange = true;
      return false;
    } else {
      if (!song.Open("wb")) return false;
      song.kept = 0;
      song.written = 0;
    }
  }
  curl_off_t announced = -1;
  curl_easy_getinfo(song.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  const std::uint64_t whole = song.resumed ? song.rangeTotal : static_cast<std::uint64_t>(std::max<curl_off_t>(announced, 0));
  song.tooLarge = whole > song.maxBytes || song.kept + static_cast<std::uint64_t>(std::max<curl_off_t>(announced, 0)) > song.maxBytes;
  return !song.tooLarge;
}

std::size_t WriteSong(char* data, std::size_t size, std::size_t count, void* context) {
  auto* song = static_cast<SongWrite*>(context);
  const std::size_t bytes = size * count;
  if (!song->bodyStarted) {
    song->bodyStarted = true;
    if (!AcceptAnswer(*song)) {
      song->refused = true;
      return 0;
    }
  }
  song->tooLarge = song->written + bytes > song->maxBytes;
  if (song->tooLarge || std::fwrite(data, 1, bytes, song->file.get()) != bytes) {
    song->refused = true;
    return 0;
  }
  song->written += bytes;
  return bytes;
}

int SongProgress(void* context, curl_off_t announced, curl_off_t received, curl_off_t, curl_off_t) {
  auto* song = static_cast<SongWrite*>(context);
  if (song->StopRequested()) return 1;
  const std::uint64_t total = song->kept + static_cast<std::uint64_t>(received);
  const std::uint64_t whole = announced > 0 ? song->kept + static_cast<std::uint64_t>(announced) : 0;
  if (song->progress != nullptr && *song->progress && (total != song->lastReceived || whole != song->lastAnnounced)) {
    song->lastReceived = total;
    song->lastAnnounced = whole;
    (*song->progress)(total, whole);
  }
  // A slow song would sit in the file's buffer: what has come reaches the ".part" at least once a
  // second, so a run that is killed leaves it there for the next.
  const auto now = std::chrono::steady_clock::now();
  if (song->file && now - song->lastFlush >= std::chrono::seconds(1)) {
    song->lastFlush = now;
    std::fflush(song->file.get());
  }
  return 0;
}

long long FileSize(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return -1;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? -1 : static_cast<long long>(size);
}

// The first rule a failed song broke, in the user's words.
std::string FailureReason(SongWrite& song, CURLcode result, bool closed, long long size, bool lengthMatches,
                          bool renameFailed, const TransferLimits& limits) {
  const long status = ResponseCode(song.easy);
  if (song.StopRequested()) return kReasonStopped;
  if (status != 0 && !IsSuccessStatus(static_cast<std::uint32_t>(status))) return HttpStatusReason(status);
  if (result == CURLE_OPERATION_TIMEDOUT) return NoDataReason(limits.windowMs);
  if (result == CURLE_FILESIZE_EXCEEDED || song.tooLarge) return kReasonTooLarge;
  if (song.refused || !closed || renameFailed) return kReasonCannotWrite;
  if (result == CURLE_PARTIAL_FILE || result == CURLE_RECV_ERROR) return kReasonCutShort;
  if (result == CURLE_COULDNT_CONNECT || result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_RESOLVE_PROXY) {
    return kReasonUnreachable;
  }
  if (result != CURLE_OK) return curl_easy_strerror(result);
  if (size <= 0) return kReasonEmpty;
  if (!lengthMatches) return kReasonCutShort;
  return kReasonFailed;
}

}  // namespace

int CurlPageTransport::Fetch(const std::string& address, FetchBuffer& buffer,
                             const std::function<bool()>& stillWanted) {
  EasyHandle easy = NewEasy(address, limits_);
  if (!easy) {
    buffer.length = -2;
    return -2;
  }
  PageWrite page;
  page.stillWanted = &stillWanted;
  CURL* e = easy.get();
  page.easy = e;
  if (curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WritePage) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_WRITEDATA, &page) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, PageStillWanted) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_XFERINFODATA, &page) != CURLE_OK) {
    buffer.length = -2;
    return -2;
  }
  const CURLcode result = curl_easy_perform(e);
  if (result != CURLE_OK) {
    // No answer at all is an address that could not be opened; anything later a failed read.
    const bool answered = ResponseCode(e) != 0 || result == CURLE_ABORTED_BY_CALLBACK || page.tooLarge;
    buffer.length = page.noMemory ? kFetchNoMemory : answered ? -1 : -2;
    return buffer.length;
  }
  std::size_t at = 0;
  const ReadChunk read = [&page, &at](char* dest, int maxBytes, int* bytesRead) {
    const std::size_t count = std::min(static_cast<std::size_t>(maxBytes), page.body.size() - at);
    std::memcpy(dest, page.body.data() + at, count);
    at += count;
    *bytesRead = static_cast<int>(count);
    return true;
  };
  return FillFetchBuffer(buffer, read, ReadPause(), allocator_);
}

bool CurlFileTransport::FileExistsNonEmpty(const std::string& path) { return FileSize(path) > 0; }

ResumeOutcome CurlFileTransport::TransferResumable(const std::string& url, const std::string& targetPath,
                                                   const ResumeOptions& options, const TransferProgress& progress,
                                                   const TransferStop* stop) {
  ResumeOutcome outcome;
  if (!IsWebAddress(url) || targetPath.empty()) {
    outcome.reason = kReasonNotWebAddress;
    return outcome;
  }
  EasyHandle easy = NewEasy(url, limits_);
  if (!easy) {
    outcome.reason = "the network library refused the address";
    return outcome;
  }
  SongWrite song;
  song.easy = easy.get();
  song.partPath = targetPath + std::string(kPartialFileSuffix);
  song.maxBytes = limits_.maxBytes;
  song.progress = &progress;
  song.stop = stop;
  const long long partSize = options.continuePart ? FileSize(song.partPath) : -1;
  HeaderList headers;
  std::string range;
  if (partSize > 0) {
    song.kept = song.written = static_cast<std::uint64_t>(partSize);
    range = std::to_string(partSize) + "-";
    if (!options.validator.empty()) headers.reset(curl_slist_append(nullptr, ("If-Range: " + options.validator).c_str()));
    if (!options.validator.empty() && !headers) {
      outcome.reason = kReasonNoMemory;
      return outcome;
    }
  }
  if (!song.Open(partSize > 0 ? "ab" : "wb")) {
    outcome.reason = kReasonCannotWrite;
    return outcome;
  }
  CURL* e = easy.get();
  const bool set = curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(kSongPieceBytes)) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteSong) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_WRITEDATA, &song) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, SongHeader) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_HEADERDATA, &song) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, SongProgress) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_XFERINFODATA, &song) == CURLE_OK &&
                   curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits_.maxBytes)) == CURLE_OK &&
                   (range.empty() || (curl_easy_setopt(e, CURLOPT_RANGE, range.c_str()) == CURLE_OK &&
                                      curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK));
  const CURLcode result = set ? curl_easy_perform(e) : CURLE_FAILED_INIT;
  const bool closed = song.file && std::fclose(song.file.release()) == 0;
  outcome.validator = !song.etag.empty() ? song.etag : song.lastModified;
  if (song.wrongRange && !song.StopRequested()) {
    // The server sent some other part of the song: what the ".part" holds cannot be trusted.
    ResumeOptions afresh = options;
    afresh.continuePart = false;
    return TransferResumable(url, targetPath, afresh, progress, stop);
  }
  curl_off_t announced = -1;
  curl_easy_getinfo(e, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
  const long long size = FileSize(song.partPath);
  const bool lengthMatches = announced < 0 || static_cast<std::uint64_t>(size) == song.kept + static_cast<std::uint64_t>(announced);
  std::error_code renameError;
  const bool ok = result == CURLE_OK && closed && !song.refused && !song.StopRequested() &&
                  IsSuccessStatus(static_cast<std::uint32_t>(ResponseCode(e))) && size > 0 &&
                  static_cast<std::uint64_t>(size) <= limits_.maxBytes && lengthMatches;
  if (ok) std::filesystem::rename(song.partPath, targetPath, renameError);
  outcome.complete = ok && !renameError;
  outcome.resumed = outcome.complete && song.resumed;
  if (!outcome.complete) outcome.reason = FailureReason(song, result, closed, size, lengthMatches, !!renameError, limits_);
  const bool keep = song.StopRequested() ? stop->keepPart.load() : options.keepPartOnFailure;
  if (!outcome.complete && (!keep || size <= 0)) std::remove(song.partPath.c_str());
  return outcome;
}
