// WinINet does the network work; what counts as a song is checked here, from the answer's status
// and headers and from what the reads brought, as the libcurl transport checks it.
#include "cli/wininet_transports.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "base/program_constants.h"
#include "base/web_address.h"
#include "cli/song_answer.h"
#include "cli/windows_text.h"
#include "net/partial_file.h"
#include "net/web_request.h"

namespace {

// The song goes into its file only: fetched afresh, kept out of the system's cache, and never a
// dialog, a cookie or a login on the user's behalf. Redirects between http and https are
// followed; where a redirect ends is checked afterwards.
constexpr DWORD kSongRequestFlags = INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE |
                                    INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                                    INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP | INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS;
constexpr DWORD kSongReadSize = 64 * 1024;
// A header longer than this is no header of a song the program takes.
constexpr DWORD kLongestHeader = 16 * 1024;
constexpr DWORD kLongestTimeoutMs = 0x7FFFFFFF;

struct FileClose {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileClose>;

DWORD WindowTimeout(const TransferLimits& limits) {
  return static_cast<DWORD>(std::clamp<std::uint64_t>(limits.windowMs, 1, kLongestTimeoutMs));
}

bool SetTimeout(HINTERNET handle, DWORD option, DWORD ms) {
  return InternetSetOptionA(handle, option, &ms, sizeof(ms)) != FALSE;
}

long long FileSizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (path.empty() || !GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// A header of the answer as the server sent it; "" when there is none (or it is too long).
std::string AnswerHeader(HINTERNET request, DWORD query) {
  std::string value(256, '\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    DWORD size = static_cast<DWORD>(value.size());
    DWORD index = 0;
    if (HttpQueryInfoA(request, query, value.data(), &size, &index)) {
      value.resize(size);
      return value;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size > kLongestHeader) break;
    value.assign(size + 1, '\0');
  }
  return std::string();
}

// Decimal digits only, as Content-Length must be.
bool ParseLength(const std::string& text, std::uint64_t& length) {
  if (text.empty() || text.size() > 18) return false;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  length = value;
  return true;
}

// Where the request ended after the redirects it followed.
std::string FinalAddress(HINTERNET request) {
  char address[kLongestWebAddress + 2] = "";
  DWORD size = sizeof(address);
  if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, address, &size)) return std::string();
  return std::string(address, strnlen(address, sizeof(address)));
}

// A validator goes into a header line as it is; one that could end the line is not used.
bool IsHeaderValue(const std::string& text) {
  return std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// What one song request saw, for its outcome and for the words of a failure.
struct SongRequest {
  DWORD status = 0;
  DWORD networkError = 0;  // WinINet's error when it could not open or read
  bool hasLength = false;
  std::uint64_t length = 0;  // Content-Length: the bytes of this answer
  bool hasRange = false;
  std::uint64_t rangeStart = 0;
  std::uint64_t rangeTotal = 0;
  bool notWeb = false;
  bool ranged = false;  // a 206 from the byte asked for: Content-Range gives the whole length
  bool resumed = false;
  bool partOnly = false;
  bool wrongRange = false;  // a 206 from another byte: the file starts afresh
  bool tooLarge = false;
  bool timedOut = false;
  bool wentQuiet = false;  // the body ended short after a silence as long as the window
  bool writeFailed = false;
  bool stopped = false;
};

void ReadAnswerHeaders(HINTERNET request, SongRequest& song, std::string& validator) {
  DWORD status = 0;
  DWORD size = sizeof(status);
  DWORD index = 0;
  if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) song.status = status;
  song.hasLength = ParseLength(AnswerHeader(request, HTTP_QUERY_CONTENT_LENGTH), song.length);
  song.hasRange = ParseContentRange(AnswerHeader(request, HTTP_QUERY_CONTENT_RANGE), song.rangeStart, song.rangeTotal);
  validator = AnswerHeader(request, HTTP_QUERY_ETAG);
  if (validator.empty()) validator = AnswerHeader(request, HTTP_QUERY_LAST_MODIFIED);
}

std::string FailureReason(const SongRequest& song, bool closed, long long size, bool lengthMatches, bool renameFailed,
                          const TransferLimits& limits) {
  if (song.stopped) return kReasonStopped;
  if (song.status != 0 && !IsSuccessStatus(song.status)) return HttpStatusReason(static_cast<long>(song.status));
  if (song.timedOut || (song.wentQuiet && !lengthMatches)) return NoDataReason(limits.windowMs);
  if (song.tooLarge) return kReasonTooLarge;
  if (song.notWeb) return kReasonNotWebAddress;
  if (song.partOnly) return kReasonFailed;
  if (song.writeFailed || !closed || renameFailed) return kReasonCannotWrite;
  if (song.networkError == ERROR_INTERNET_CANNOT_CONNECT || song.networkError == ERROR_INTERNET_NAME_NOT_RESOLVED) {
    return kReasonUnreachable;
  }
  if (song.networkError != 0) return "the connection failed (WinINet error " + std::to_string(song.networkError) + ")";
  if (size <= 0) return kReasonEmpty;
  if (!lengthMatches) return kReasonCutShort;
  return kReasonFailed;
}

}  // namespace

WinInetCliSession::WinInetCliSession(const TransferLimits& limits)
    : session_(InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0)),
      receiveTimeoutMs_(WindowTimeout(limits)) {
  // A connection that cannot be made within the window is given up too.
  if (session_) SetTimeout(session_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, receiveTimeoutMs_);
}

bool WinInetFileTransport::FileExistsNonEmpty(const std::string& path) { return FileSizeOf(WideFromUtf8(path)) > 0; }

ResumeOutcome WinInetFileTransport::TransferResumable(const std::string& url, const std::string& targetPath,
                                                      const ResumeOptions& options, const TransferProgress& progress,
                                                      const TransferStop* stop) {
  ResumeOutcome outcome;
  if (!IsWebAddress(url) || targetPath.empty()) {
    outcome.reason = kReasonNotWebAddress;
    return outcome;
  }
  const std::wstring target = WideFromUtf8(targetPath);
  const std::wstring part = WideFromUtf8(targetPath + std::string(kPartialFileSuffix));
  const auto stopRequested = [stop] { return stop != nullptr && stop->requested.load(); };
  const long long partSize = options.continuePart && IsHeaderValue(options.validator) ? FileSizeOf(part) : -1;
  std::uint64_t kept = partSize > 0 ? static_cast<std::uint64_t>(partSize) : 0;
  std::string headers;
  if (kept > 0) {
    headers = "Range: bytes=" + std::to_string(kept) + "-\r\n";
    if (!options.validator.empty()) headers += "If-Range: " + options.validator + "\r\n";
  }
  FileHandle file(_wfopen(part.c_str(), kept > 0 ? L"ab" : L"wb"));
  if (!file) {
    outcome.reason = kReasonCannotWrite;
    return outcome;
  }
  SongRequest song;
  WebRequest web = OpenWebRequest(session_, url, headers, kSongRequestFlags, WindowTimeout(limits_));
  UniqueInternetHandle& request = web.request;
  if (!request) song.networkError = session_ == nullptr ? ERROR_INVALID_HANDLE : GetLastError();
  std::uint64_t written = kept;
  if (request) {
    ReadAnswerHeaders(request.get(), song, outcome.validator);
    song.notWeb = !IsWebAddress(FinalAddress(request.get()));
    if (song.notWeb || !IsSuccessStatus(song.status)) {
      // Nothing of this answer goes into the file.
    } else if (song.status == 206 && song.hasRange && song.rangeStart == kept) {
      song.ranged = true;
      song.resumed = kept > 0;
    } else if (song.status == 206) {
      // A part from another byte: with a ".part" to continue, the song is asked for afresh; asked
      // for whole, a part is no song.
      song.wrongRange = kept > 0;
      song.partOnly = kept == 0;
    } else if (kept > 0) {
      file.reset(_wfopen(part.c_str(), L"wb"));
      song.writeFailed = !file;
      kept = written = 0;
    }
  }
  if (song.wrongRange && !stopRequested()) {
    // The server sent some other part of the song: what the ".part" holds cannot be trusted.
    file.reset();
    request.reset();
    web.connection.reset();
    ResumeOptions afresh = options;
    afresh.continuePart = false;
    return TransferResumable(url, targetPath, afresh, progress, stop);
  }
  const std::uint64_t whole = song.ranged ? song.rangeTotal : song.hasLength ? kept + song.length : 0;
  song.tooLarge = whole > limits_.maxBytes;
  const bool reading = request && !song.notWeb && IsSuccessStatus(song.status) && !song.wrongRange && !song.partOnly &&
                       !song.writeFailed && !song.tooLarge;
  TransferPace pace(limits_, GetTickCount64());
  std::vector<char> chunk(reading ? kSongReadSize : 0);
  std::uint64_t received = 0;
  bool ended = !reading;
  while (!ended) {
    if (stopRequested()) break;
    // Asked only for what has arrived, a read comes back as soon as the server sends anything,
    // so the pace and a stop are looked at in time.
    DWORD available = 0;
    DWORD count = 0;
    const bool ok = InternetQueryDataAvailable(request.get(), &available, 0, 0) &&
                    InternetReadFile(request.get(), chunk.data(),
                                     available > 0 ? std::min(available, kSongReadSize) : kSongReadSize, &count);
    if (!ok) {
      // Wine reports a read that timed out as the socket's WSAETIMEDOUT.
      song.networkError = GetLastError();
      song.timedOut = song.networkError == ERROR_INTERNET_TIMEOUT || song.networkError == WSAETIMEDOUT;
      break;
    }
    if (count == 0) {
      ended = true;
      break;
    }
    if (written + count > limits_.maxBytes) {
      song.tooLarge = true;
      break;
    }
    if (std::fwrite(chunk.data(), 1, count, file.get()) != count) {
      song.writeFailed = true;
      break;
    }
    written += count;
    received += count;
    pace.Reported(static_cast<std::uint32_t>(received), GetTickCount64());
    if (progress) progress(written, whole);
    if (pace.MustEnd(GetTickCount64())) {
      song.timedOut = true;
      break;
    }
  }
  // A read that timed out may look like the end of the body: the time tells them apart.
  song.wentQuiet = reading && pace.MustEnd(GetTickCount64());
  song.stopped = stopRequested();
  request.reset();
  const bool closed = file && std::fclose(file.release()) == 0;
  const long long size = FileSizeOf(part);
  const std::uint64_t got = size > 0 ? static_cast<std::uint64_t>(size) : 0;
  const bool lengthMatches = (!song.hasLength || got == kept + song.length) && (!song.ranged || got == song.rangeTotal);
  const bool ok = ended && reading && closed && !song.stopped && !song.timedOut && size > 0 &&
                  got <= limits_.maxBytes && lengthMatches;
  const bool renameFailed = ok && !MoveFileExW(part.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
  outcome.complete = ok && !renameFailed;
  outcome.resumed = outcome.complete && song.resumed;
  if (!outcome.complete) outcome.reason = FailureReason(song, closed, size, lengthMatches, renameFailed, limits_);
  const bool keep = song.stopped ? stop->keepPart.load() : options.keepPartOnFailure;
  if (!outcome.complete && (!keep || size <= 0)) DeleteFileW(part.c_str());
  return outcome;
}
