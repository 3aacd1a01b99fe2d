// URLDownloadToFileA reports success for a 404 page, a connection dropped half-way or an empty
// body; it cannot tell a failed transfer by itself. The binding callback below listens to what
// the transfer saw: the HTTP status (IHttpNegotiate::OnResponse) and the announced length
// (IBindStatusCallback::OnProgress), and the file's size is checked against them afterwards.
//
// No callback comes while a server holds a transfer without sending anything, so a watchdog on a
// pool timer checks the pace and aborts the binding from its own thread (IBinding::Abort ends the
// blocked call). Wine's urlmon reads a body that streams in quickly to its end without a single
// progress report, and an abort does not stop that read; only the size check at the end catches
// such a song there.
#include "net/url_transfer.h"

#include <windows.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <string>

#include "base/web_address.h"
#include "base/win_handles.h"
#include "net/answer_policy.h"
#include "net/partial_file.h"

namespace {

constexpr DWORD kTransferBindFlags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
// The watchdog looks ten times per window, within these bounds.
constexpr std::uint64_t kShortestTickMs = 10;
constexpr std::uint64_t kLongestTickMs = 1000;
// Header lines longer than this in all are no song's.
constexpr std::size_t kLongestHeaders = 64 * 1024;

std::atomic<std::uint64_t> LimitMinBytes{TransferLimits().minBytes};
std::atomic<std::uint64_t> LimitWindowMs{TransferLimits().windowMs};
std::atomic<std::uint64_t> LimitMaxBytes{TransferLimits().maxBytes};

TransferLimits CurrentLimits() { return {LimitMinBytes.load(), LimitWindowMs.load(), LimitMaxBytes.load()}; }

// A redirect's target as the address bytes it stands for: UTF-8, then checked as a song address.
bool IsWebRedirect(LPCWSTR target) {
  if (target == nullptr) return false;
  const int size = WideCharToMultiByte(CP_UTF8, 0, target, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return false;
  std::string text(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, target, -1, text.data(), size, nullptr, nullptr);
  text.resize(static_cast<size_t>(size - 1));
  return !SongAddressToFetch(text).empty();
}

std::string NarrowHeaders(LPCWSTR headers) {
  std::string text;
  for (; headers != nullptr && *headers != 0 && text.size() < kLongestHeaders; ++headers) {
    text.push_back(*headers < 0x80 ? static_cast<char>(*headers) : '?');
  }
  return text;
}

class TransferWatch : public IBindStatusCallback, public IHttpNegotiate {
 public:
  DWORD statusCode = 0;
  ULONG announcedLength = 0;
  bool lengthKnown = false;
  AnswerDecision decision;  // the policy's verdict on the answer
  bool answered = false;
  // Set from the binding's callbacks and the watchdog's thread.
  std::atomic<bool> notWeb{false};  // a redirect led elsewhere than the web
  std::atomic<bool> tooLarge{false};
  std::atomic<bool> slow{false};    // the pace rule ended it
  const TransferProgress* progress = nullptr;
  const TransferStop* stop = nullptr;
  const AcceptedHook* accepted = nullptr;
  // Set once the transfer broke a rule or was stopped; it then fails whatever the call returns.
  std::atomic<bool> refused{false};

  bool StopRequested() const { return stop != nullptr && stop->requested.load(); }

  explicit TransferWatch(const TransferLimits& limits) : maxBytes_(limits.maxBytes), pace_(limits, GetTickCount64()) {
    InitializeCriticalSection(&lock_);
  }
  ~TransferWatch() { DeleteCriticalSection(&lock_); }
  TransferWatch(const TransferWatch&) = delete;
  TransferWatch& operator=(const TransferWatch&) = delete;

  // The watchdog's tick, on a pool thread.
  void Check() {
    ComPtr<IBinding> binding;
    {
      // Without a binding the transfer has not begun or has already ended.
      ScopedCriticalSection held(&lock_);
      if (!binding_ || !(StopRequested() || pace_.MustEnd(GetTickCount64()))) return;
      refused = true;
      if (!StopRequested()) slow = true;
      binding_->AddRef();
      *binding.out() = binding_.get();
    }
    // Outside the lock: the abort may wait for the transfer's thread, which may want the lock.
    if (binding) binding->Abort();
  }

  // IUnknown. The object lives on the transfer's stack; reference counts are not used.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
      *out = static_cast<IBindStatusCallback*>(this);
    } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
      *out = static_cast<IHttpNegotiate*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IBindStatusCallback
  STDMETHODIMP OnStartBinding(DWORD, IBinding* binding) override {
    ScopedCriticalSection held(&lock_);
    if (binding != nullptr) binding->AddRef();
    *binding_.out() = binding;
    return S_OK;
  }
  STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
  STDMETHODIMP OnProgress(ULONG received, ULONG progressMax, ULONG status, LPCWSTR text) override {
    if (status == BINDSTATUS_REDIRECTING && !IsWebRedirect(text)) notWeb = refused = true;
    if (progressMax > maxBytes_) tooLarge = refused = true;  // announced too large: not a byte of it is read
    if (StopRequested()) refused = true;
    std::uint64_t total = 0;
    {
      ScopedCriticalSection held(&lock_);
      pace_.Reported(received, GetTickCount64());
      if (pace_.MustEnd(GetTickCount64())) slow = refused = true;
      total = pace_.Received();
    }
    if (refused) return E_ABORT;
    if (progressMax > 0) {
      announcedLength = progressMax;
      lengthKnown = true;
    }
    const bool bodyStatus = status == BINDSTATUS_BEGINDOWNLOADDATA ||
                            status == BINDSTATUS_DOWNLOADINGDATA ||
                            status == BINDSTATUS_ENDDOWNLOADDATA;
    if (bodyStatus && progress != nullptr && *progress) (*progress)(total, progressMax);
    return S_OK;
  }
  STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override {
    ScopedCriticalSection held(&lock_);
    binding_.reset();
    return S_OK;
  }
  // The song goes into its file only: the response is fetched afresh and not kept in the
  // system's cache as well.
  STDMETHODIMP GetBindInfo(DWORD* flags, BINDINFO*) override {
    if (flags != nullptr) *flags |= kTransferBindFlags;
    return S_OK;
  }
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC*, STGMEDIUM*) override { return S_OK; }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown*) override { return S_OK; }

  // IHttpNegotiate
  STDMETHODIMP BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) override {
    if (additional != nullptr) *additional = nullptr;
    return S_OK;
  }
  // The answer as the policy sees it, before its body is written: a plain request takes a 2xx
  // other than 206, and the caller hears of an answer taken.
  STDMETHODIMP OnResponse(DWORD code, LPCWSTR headers, LPCWSTR, LPWSTR* additional) override {
    statusCode = code;
    if (additional != nullptr) *additional = nullptr;
    const std::string raw = NarrowHeaders(headers);
    AnswerFacts facts;
    facts.status = code;
    facts.secondTry = true;  // a plain request asked again would be answered alike
    facts.lengthKnown = ParseContentLength(RawHeaderValue(raw, "Content-Length"), facts.length);
    facts.contentRange = RawHeaderValue(raw, "Content-Range");
    facts.etag = RawHeaderValue(raw, "ETag");
    facts.lastModified = RawHeaderValue(raw, "Last-Modified");
    decision = JudgeAnswer(facts, maxBytes_);
    answered = true;
    if (decision.verdict == AnswerVerdict::kTake && accepted != nullptr && *accepted &&
        !(*accepted)({code, decision.totalKnown ? decision.total : 0, decision.validator, 0})) {
      decision.verdict = AnswerVerdict::kFail;
      decision.failure = TransferFailure::kRefused;
    }
    return S_OK;
  }

 private:
  const std::uint64_t maxBytes_;
  CRITICAL_SECTION lock_;  // guards pace_ and binding_, which the watchdog reads too
  TransferPace pace_;
  ComPtr<IBinding> binding_;
};

void CALLBACK WatchdogTick(void* watch, BOOLEAN) { static_cast<TransferWatch*>(watch)->Check(); }

// The watchdog's pool timer; deleting it waits for a tick that is running.
class WatchdogTimer {
 public:
  WatchdogTimer(TransferWatch* watch, DWORD periodMs) {
    if (!CreateTimerQueueTimer(&timer_, nullptr, WatchdogTick, watch, periodMs, periodMs, WT_EXECUTEDEFAULT)) {
      timer_ = nullptr;
    }
  }
  ~WatchdogTimer() {
    if (timer_ != nullptr) DeleteTimerQueueTimer(nullptr, timer_, INVALID_HANDLE_VALUE);
  }
  WatchdogTimer(const WatchdogTimer&) = delete;
  WatchdogTimer& operator=(const WatchdogTimer&) = delete;
  bool running() const { return timer_ != nullptr; }

 private:
  HANDLE timer_ = nullptr;
};

}  // namespace

void SetTransferLimits(const TransferLimits& limits) {
  LimitMinBytes = limits.minBytes;
  LimitWindowMs = limits.windowMs;
  LimitMaxBytes = limits.maxBytes;
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

namespace {

// Why the watched transfer failed, the first cause first; kNone when it brought the whole song.
TransferFailure WatchedFailure(const TransferWatch& watch, HRESULT result, long long size, const TransferLimits& limits) {
  if (watch.StopRequested()) return TransferFailure::kStopped;
  if (watch.notWeb) return TransferFailure::kNotWebAddress;
  if (watch.slow) return TransferFailure::kNoData;
  if (watch.tooLarge || (size > 0 && static_cast<std::uint64_t>(size) > limits.maxBytes)) return TransferFailure::kTooLarge;
  if (!watch.answered) return SUCCEEDED(result) ? TransferFailure::kNetwork : TransferFailure::kUnreachable;
  if (watch.decision.verdict != AnswerVerdict::kTake) {
    return watch.decision.verdict == AnswerVerdict::kAfresh ? TransferFailure::kMisfit : watch.decision.failure;
  }
  if (watch.refused || FAILED(result)) return size > 0 ? TransferFailure::kCutShort : TransferFailure::kNetwork;
  AnswerDecision decision = watch.decision;
  // Wine's urlmon may give the length only in its progress reports.
  if (!decision.totalKnown && watch.lengthKnown) {
    decision.totalKnown = true;
    decision.total = watch.announcedLength;
  }
  return JudgeEnd(decision, size > 0 ? static_cast<std::uint64_t>(size) : 0);
}

}  // namespace

TransferOutcome UrlMonTransfer(const TransferRequest& request) {
  TransferOutcome outcome;
  const TransferLimits limits = CurrentLimits();
  if (!IsWebAddress(request.url) || request.targetPath.empty()) {
    outcome.failure = TransferFailure::kNotWebAddress;
    outcome.reason = FailureWords(outcome.failure, 0, limits.minBytes, limits.windowMs);
    return outcome;
  }
  const std::string partPath = request.targetPath + std::string(kPartialFileSuffix);
  TransferWatch watch(limits);
  watch.progress = &request.progress;
  watch.stop = request.stop;
  watch.accepted = &request.accepted;
  HRESULT result = E_FAIL;
  {
    const WatchdogTimer watchdog(&watch, static_cast<DWORD>(std::clamp(limits.windowMs / 10, kShortestTickMs, kLongestTickMs)));
    if (!watchdog.running()) {  // a transfer without its bound is not started
      outcome.failure = TransferFailure::kNoMemory;
      outcome.reason = FailureWords(outcome.failure, 0, limits.minBytes, limits.windowMs);
      return outcome;
    }
    result = URLDownloadToFileA(nullptr, request.url.c_str(), partPath.c_str(), 0, static_cast<IBindStatusCallback*>(&watch));
  }
  const long long size = FileSize(partPath);
  outcome.status = watch.statusCode;
  outcome.validator = watch.decision.validator;
  outcome.failure = WatchedFailure(watch, result, size, limits);
  if (outcome.failure == TransferFailure::kNone &&
      !MoveFileExA(partPath.c_str(), request.targetPath.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    outcome.failure = TransferFailure::kCannotWrite;
  }
  outcome.whole = outcome.failure == TransferFailure::kNone;
  if (outcome.whole) {
    outcome.bytesKept = static_cast<std::uint64_t>(size);
    return outcome;
  }
  outcome.reason = FailureWords(outcome.failure, outcome.status, limits.minBytes, limits.windowMs);
  const bool keepPart = watch.StopRequested() && request.stop->keepPart.load() && size > 0;
  if (keepPart) {
    outcome.bytesKept = static_cast<std::uint64_t>(size);
  } else {
    DeleteFileA(partPath.c_str());
    outcome.validator.clear();
  }
  return outcome;
}

bool TransferToFile(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                    const TransferStop* stop) {
  TransferRequest request;
  request.url = url;
  request.targetPath = targetPath;
  request.progress = progress;
  request.stop = stop;
  return UrlMonTransfer(request).whole;
}

TransferOutcome UrlMonFileTransport::Transfer(const TransferRequest& request) { return UrlMonTransfer(request); }

bool FileExistsNonEmpty(const char* path) { return FileSize(path) > 0; }

bool UrlMonFileTransport::FileExistsNonEmpty(const std::string& path) { return ::FileExistsNonEmpty(path.c_str()); }
