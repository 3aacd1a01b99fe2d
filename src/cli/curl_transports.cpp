// libcurl does the network work; the rules of what counts as a page or a song are checked here,
// from what the callbacks saw, as the window's transports check theirs.
#include "cli/curl_transports.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "base/program_constants.h"
#include "base/text_search.h"
#include "base/web_address.h"
#include "cli/local_files.h"
#include "cli/part_transfer.h"
#include "net/answer_policy.h"

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

// The thread's handle, set up afresh for each fetch with the rules every fetch shares; libcurl
// keeps the connections it opened with the handle, so the thread's next fetch from the same
// server skips the connect. Null when libcurl refuses one of the rules.
CURL* ThreadEasy(const std::string& url, const NetOptions& net) {
  const TransferLimits& limits = net.limits;
  static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);  // once for the process
  if (global != CURLE_OK) return nullptr;
  thread_local const EasyHandle easy(curl_easy_init());
  CURL* e = easy.get();
  if (e == nullptr) return nullptr;
  curl_easy_reset(e);
  // A connection must be made within the pace window; after it, the pace is kept by the caller.
  const long connectSeconds = static_cast<long>(std::max<std::uint64_t>(limits.windowMs / kMillisecondsPerSecond, 1));
  const bool ok = curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, kWebProtocols) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMostRedirects) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_USERAGENT, kUserAgent) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, connectSeconds) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
                  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  // --proxy names the proxy; --no-proxy ("" to libcurl) uses none, whatever the environment says.
  const bool proxied = !net.noProxy && net.proxy.empty()
                           ? true
                           : curl_easy_setopt(e, CURLOPT_PROXY, net.noProxy ? "" : net.proxy.c_str()) == CURLE_OK;
  return ok && proxied ? e : nullptr;
}

// What libcurl's failure means to the user, naming the proxy or the host where one is at fault.
std::string CurlWords(CURL* easy, CURLcode result, const std::string& url, const NetOptions& net) {
  const std::string proxy = ProxyFor(url, net);
  long tunnel = 0;
  if (easy != nullptr && curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &tunnel) == CURLE_OK && tunnel != 0 &&
      tunnel / 100 != 2) {
    return "the proxy " + proxy + " refused the tunnel to the server (" + HttpStatusWords(static_cast<std::uint32_t>(tunnel)) + ")";
  }
  CURLU* parts = curl_url();
  char* host = nullptr;
  std::string hostName = "the server";
  if (parts != nullptr && curl_url_set(parts, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
      curl_url_get(parts, CURLUPART_HOST, &host, 0) == CURLUE_OK) {
    hostName = host;
  }
  curl_free(host);
  curl_url_cleanup(parts);
  switch (result) {
    case CURLE_COULDNT_CONNECT:
      return proxy.empty() ? hostName + " refused the connection" : "the proxy " + proxy + " refused the connection";
    case CURLE_COULDNT_RESOLVE_PROXY: return "the proxy's name in " + proxy + " could not be resolved";
    case CURLE_COULDNT_RESOLVE_HOST: return "the name " + hostName + " could not be resolved";
    case CURLE_OPERATION_TIMEDOUT:
      return "no connection to " + (proxy.empty() ? hostName : "the proxy " + proxy) + " within " +
             std::to_string(net.limits.windowMs / kMillisecondsPerSecond) + " s";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
      return std::string("TLS failed: ") + curl_easy_strerror(result);
    default: return curl_easy_strerror(result);
  }
}

long ResponseCode(CURL* easy) {
  long code = 0;
  if (curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code;
}

// -- pages ------------------------------------------------------------------------------------

struct PageWrite {
  CURL* easy = nullptr;
  explicit PageWrite(const TransferLimits& limits) : pace(limits, 0) {}
  TransferPace pace;  // over the whole fetch, by the program's own clock
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
  std::string body;
  bool tooLarge = false;
  bool noMemory = false;
  bool slow = false;  // the pace rule ended it
  std::uint32_t retryAfter = 0;
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
  auto* page = static_cast<PageWrite*>(context);
  const auto nowMs = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - page->start).count());
  page->pace.Reported(static_cast<std::uint32_t>(page->body.size()), nowMs);
  if (page->pace.MustEnd(nowMs)) {
    page->slow = true;
    return 1;
  }
  return (*page->stillWanted && !(*page->stillWanted)()) ? 1 : 0;
}

// -- songs ------------------------------------------------------------------------------------

// One attempt of a song: what the current answer's headers said, for the policy.
struct SongAttempt {
  CURL* easy = nullptr;
  PartTransfer* part = nullptr;
  AnswerFacts facts;
};

// A status line starts each answer's headers, a redirect's and an interim one's too.
bool IsStatusLine(std::string_view line) { return LowerAnsi(line.substr(0, 5)) == "http/"; }

std::size_t SongHeader(char* data, std::size_t size, std::size_t count, void* context) {
  auto* song = static_cast<SongAttempt*>(context);
  const std::string_view line(data, size * count);
  AnswerFacts& facts = song->facts;
  if (IsStatusLine(line)) {
    facts = AnswerFacts();  // a redirect's or an interim answer's headers are forgotten
    return size * count;
  }
  // One header a call: the line is read as the answer's raw headers are.
  const auto take = [line](std::string& into, const char* name) {
    std::string value = RawHeaderValue(line, name);
    if (!value.empty()) into = std::move(value);
  };
  take(facts.contentRange, "Content-Range");
  take(facts.etag, "ETag");
  take(facts.lastModified, "Last-Modified");
  const std::string retryAfter = RawHeaderValue(line, "Retry-After");
  if (!retryAfter.empty()) facts.retryAfterSeconds = RetryAfterSeconds(retryAfter);
  return size * count;
}

// The final answer as the policy sees it, once its headers are in.
bool JudgeSongAnswer(SongAttempt& song) {
  song.facts.status = static_cast<std::uint32_t>(ResponseCode(song.easy));
  curl_off_t length = -1;
  song.facts.lengthKnown =
      curl_easy_getinfo(song.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK && length >= 0;
  song.facts.length = song.facts.lengthKnown ? static_cast<std::uint64_t>(length) : 0;
  return song.part->Answer(song.facts);
}

std::size_t WriteSong(char* data, std::size_t size, std::size_t count, void* context) {
  auto* song = static_cast<SongAttempt*>(context);
  const std::size_t bytes = size * count;
  if (!song->part->Judged() && !JudgeSongAnswer(*song)) return 0;
  return song->part->Write(data, bytes) ? bytes : 0;
}

int SongTick(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<SongAttempt*>(context)->part->Tick() ? 0 : 1;
}

// libcurl's end of an attempt in the contract's terms; the transfer's own causes come first.
void SongEnded(PartTransfer& part, CURL* easy, CURLcode result, const std::string& url, const NetOptions& net) {
  switch (result) {
    case CURLE_OK:
    case CURLE_WRITE_ERROR:
    case CURLE_ABORTED_BY_CALLBACK: return;
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR: part.Failed(TransferFailure::kCutShort); return;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: part.Failed(TransferFailure::kUnreachable, CurlWords(easy, result, url, net)); return;
    case CURLE_OPERATION_TIMEDOUT: part.Failed(TransferFailure::kNoData, CurlWords(easy, result, url, net)); return;
    case CURLE_OUT_OF_MEMORY: part.Failed(TransferFailure::kNoMemory); return;
    case CURLE_UNSUPPORTED_PROTOCOL: part.Failed(TransferFailure::kNotWebAddress); return;
    default: part.Failed(TransferFailure::kNetwork, CurlWords(easy, result, url, net)); return;
  }
}

}  // namespace

namespace {

std::size_t PageHeader(char* data, std::size_t size, std::size_t count, void* context) {
  auto* page = static_cast<PageWrite*>(context);
  const std::string_view line(data, size * count);
  if (IsStatusLine(line)) page->retryAfter = 0;
  const std::string retryAfter = RawHeaderValue(line, "Retry-After");
  if (!retryAfter.empty()) page->retryAfter = RetryAfterSeconds(retryAfter);
  return size * count;
}

}  // namespace

int CurlPageTransport::Fetch(const std::string& address, FetchBuffer& buffer,
                             const std::function<bool()>& stillWanted) {
  failure_.clear();
  CURL* e = ThreadEasy(address, net_);
  if (e == nullptr) {
    failure_ = "the network library refused the address";
    buffer.length = -2;
    return -2;
  }
  PageWrite page(net_.limits);
  page.stillWanted = &stillWanted;
  page.easy = e;
  if (curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WritePage) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_WRITEDATA, &page) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, PageStillWanted) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_XFERINFODATA, &page) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, PageHeader) != CURLE_OK ||
      curl_easy_setopt(e, CURLOPT_HEADERDATA, &page) != CURLE_OK) {
    failure_ = "the network library refused the address";
    buffer.length = -2;
    return -2;
  }
  if (net_.verbose) net_.verbose("> GET " + address);
  const CURLcode result = curl_easy_perform(e);
  buffer.status = static_cast<unsigned>(ResponseCode(e));
  buffer.retryAfter = page.retryAfter;
  if (net_.verbose && buffer.status != 0) {
    net_.verbose("< " + std::to_string(buffer.status) + ", " + std::to_string(page.body.size()) + " bytes");
  }
  if (result != CURLE_OK) {
    // No answer at all is an address that could not be opened; anything later a failed read.
    const bool answered = ResponseCode(e) != 0 || result == CURLE_ABORTED_BY_CALLBACK || page.tooLarge;
    failure_ = page.slow       ? ::FailureWords(TransferFailure::kNoData, 0, net_.limits.minBytes, net_.limits.windowMs)
               : page.tooLarge ? "the page is larger than the program takes"
                               : CurlWords(e, result, address, net_);
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

bool CurlFileTransport::FileExistsNonEmpty(const std::string& path) { return PlainFileSize(path) > 0; }

TransferOutcome CurlFileTransport::Transfer(const TransferRequest& request) {
  PartTransfer part(request, net_);
  if (!part.Startable()) return part.Finish();
  do {
    CURL* e = ThreadEasy(request.url, net_);
    if (e == nullptr) {
      part.Failed(TransferFailure::kNetwork, "the network library refused the address");
      break;
    }
    SongAttempt song;
    song.easy = e;
    song.part = &part;
    HeaderList headers;
    const std::string range = std::to_string(part.RangeFrom()) + "-";
    if (!part.IfRange().empty()) {
      headers.reset(curl_slist_append(nullptr, ("If-Range: " + part.IfRange()).c_str()));
      if (!headers) {
        part.Failed(TransferFailure::kNoMemory);
        break;
      }
    }
    const bool set = curl_easy_setopt(e, CURLOPT_BUFFERSIZE, static_cast<long>(kSongPieceBytes)) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, WriteSong) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_WRITEDATA, &song) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, SongHeader) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_HEADERDATA, &song) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, SongTick) == CURLE_OK &&
                     curl_easy_setopt(e, CURLOPT_XFERINFODATA, &song) == CURLE_OK &&
                     (part.RangeFrom() == 0 || (curl_easy_setopt(e, CURLOPT_RANGE, range.c_str()) == CURLE_OK &&
                                                curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK));
    part.Asking();
    const CURLcode result = set ? curl_easy_perform(e) : CURLE_FAILED_INIT;
    // An answer without a body (an empty song, a bare status) is judged at its end.
    if (!part.Judged() && ResponseCode(e) != 0 && (result == CURLE_OK || result == CURLE_PARTIAL_FILE)) {
      JudgeSongAnswer(song);
    }
    SongEnded(part, e, result, request.url, net_);
  } while (part.NextAttempt());
  return part.Finish();
}
