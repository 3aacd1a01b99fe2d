// WinINet does the network work; the part transfer decides on what its answers say and brings,
// as it does for the libcurl transport.
#include "cli/wininet_transports.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/program_constants.h"
#include "base/web_address.h"
#include "cli/local_files.h"
#include "cli/part_transfer.h"
#include "cli/windows_text.h"
#include "net/answer_policy.h"
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

DWORD WindowTimeout(const TransferLimits& limits) {
  return static_cast<DWORD>(std::clamp<std::uint64_t>(limits.windowMs, 1, kLongestTimeoutMs));
}

bool SetTimeout(HINTERNET handle, DWORD option, DWORD ms) {
  return InternetSetOptionA(handle, option, &ms, sizeof(ms)) != FALSE;
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

// Where the request ended after the redirects it followed.
std::string FinalAddress(HINTERNET request) {
  char address[kLongestWebAddress + 2] = "";
  DWORD size = sizeof(address);
  if (!InternetQueryOptionA(request, INTERNET_OPTION_URL, address, &size)) return std::string();
  return std::string(address, strnlen(address, sizeof(address)));
}

// WinINet names a proxy "host:port" (or "http=host:port"), not as an address.
std::string ProxyServerName(const std::string& proxy) {
  std::string name = proxy;
  for (const char* scheme : {"http://", "HTTP://"}) {
    if (name.compare(0, std::strlen(scheme), scheme) == 0) name.erase(0, std::strlen(scheme));
  }
  while (!name.empty() && name.back() == '/') name.pop_back();
  return name;
}

// What the answer's headers say, for the policy.
AnswerFacts ReadAnswerFacts(HINTERNET request) {
  AnswerFacts facts;
  DWORD status = 0;
  DWORD size = sizeof(status);
  DWORD index = 0;
  if (HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) {
    facts.status = status;
  }
  facts.lengthKnown = ParseContentLength(AnswerHeader(request, HTTP_QUERY_CONTENT_LENGTH), facts.length);
  facts.contentRange = AnswerHeader(request, HTTP_QUERY_CONTENT_RANGE);
  facts.etag = AnswerHeader(request, HTTP_QUERY_ETAG);
  facts.lastModified = AnswerHeader(request, HTTP_QUERY_LAST_MODIFIED);
  facts.retryAfterSeconds = RetryAfterSeconds(AnswerHeader(request, HTTP_QUERY_RETRY_AFTER));
  return facts;
}

// WinINet's end of an attempt in the contract's terms; Wine reports a read that timed out as the
// socket's WSAETIMEDOUT.
void RequestFailed(PartTransfer& part, DWORD error) {
  if (error == ERROR_INTERNET_TIMEOUT || error == WSAETIMEDOUT) {
    part.Failed(TransferFailure::kNoData);
  } else if (error == ERROR_INTERNET_CANNOT_CONNECT || error == ERROR_INTERNET_NAME_NOT_RESOLVED) {
    part.Failed(TransferFailure::kUnreachable);
  } else if (error == ERROR_NOT_ENOUGH_MEMORY || error == ERROR_OUTOFMEMORY) {
    part.Failed(TransferFailure::kNoMemory);
  } else {
    part.Failed(TransferFailure::kNetwork, "the connection failed (WinINet error " + std::to_string(error) + ")");
  }
}

// One attempt: the request, its answer judged, its body into the ".part".
void Attempt(HINTERNET session, const std::string& url, DWORD timeoutMs, PartTransfer& part) {
  std::string headers;
  if (part.RangeFrom() > 0) {
    headers = "Range: bytes=" + std::to_string(part.RangeFrom()) + "-\r\n";
    if (!part.IfRange().empty()) headers += "If-Range: " + part.IfRange() + "\r\n";
  }
  WebRequest web = OpenWebRequest(session, url, headers, kSongRequestFlags, timeoutMs);
  if (!web.request) {
    RequestFailed(part, session == nullptr ? ERROR_INVALID_HANDLE : GetLastError());
    return;
  }
  HINTERNET request = web.request.get();
  if (!IsWebAddress(FinalAddress(request))) {
    part.Failed(TransferFailure::kNotWebAddress);
    return;
  }
  if (!part.Answer(ReadAnswerFacts(request))) return;
  std::vector<char> chunk(kSongReadSize);
  while (part.Tick()) {
    // Asked only for what has arrived, a read comes back as soon as the server sends anything,
    // so the pace and a stop are looked at in time.
    DWORD available = 0;
    DWORD count = 0;
    if (!InternetQueryDataAvailable(request, &available, 0, 0) ||
        !InternetReadFile(request, chunk.data(), available > 0 ? std::min(available, kSongReadSize) : kSongReadSize,
                          &count)) {
      RequestFailed(part, GetLastError());
      return;
    }
    if (count == 0) return;
    if (!part.Write(chunk.data(), count)) return;
  }
}

}  // namespace

WinInetCliSession::WinInetCliSession(const NetOptions& net)
    : session_(InternetOpenA(kUserAgent,
                             net.noProxy           ? INTERNET_OPEN_TYPE_DIRECT
                             : net.proxy.empty() ? INTERNET_OPEN_TYPE_PRECONFIG
                                                 : INTERNET_OPEN_TYPE_PROXY,
                             net.noProxy || net.proxy.empty() ? nullptr : ProxyServerName(net.proxy).c_str(), nullptr, 0)),
      limits_(net.limits),
      receiveTimeoutMs_(WindowTimeout(net.limits)) {
  // A connection that cannot be made within the window is given up too.
  if (session_) SetTimeout(session_.get(), INTERNET_OPTION_CONNECT_TIMEOUT, receiveTimeoutMs_);
}

bool WinInetFileTransport::FileExistsNonEmpty(const std::string& path) { return PlainFileSize(path) > 0; }

TransferOutcome WinInetFileTransport::Transfer(const TransferRequest& request) {
  PartTransfer part(request, net_);
  if (!part.Startable()) return part.Finish();
  do {
    part.Asking();
    Attempt(session_, request.url, WindowTimeout(net_.limits), part);
  } while (part.NextAttempt());
  // A read that timed out may look like the end of the body; the pace tells them apart.
  part.Tick();
  return part.Finish();
}
