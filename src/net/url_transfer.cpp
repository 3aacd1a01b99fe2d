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

#include "base/web_address.h"
#include "base/win_handles.h"
#include "net/partial_file.h"

namespace {

constexpr DWORD kTransferBindFlags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;
// The watchdog looks ten times per window, within these bounds.
constexpr std::uint64_t kShortestTickMs = 10;
constexpr std::uint64_t kLongestTickMs = 1000;

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

class TransferWatch : public IBindStatusCallback, public IHttpNegotiate {
 public:
  DWORD statusCode = 0;
  ULONG announcedLength = 0;
  bool lengthKnown = false;
  const TransferProgress* progress = nullptr;
  const TransferStop* stop = nullptr;
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
    if (status == BINDSTATUS_REDIRECTING && !IsWebRedirect(text)) refused = true;
    if (progressMax > maxBytes_) refused = true;  // announced too large: not a byte of it is read
    if (StopRequested()) refused = true;
    std::uint64_t total = 0;
    {
      ScopedCriticalSection held(&lock_);
      pace_.Reported(received, GetTickCount64());
      if (pace_.MustEnd(GetTickCount64())) refused = true;
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
  STDMETHODIMP OnResponse(DWORD code, LPCWSTR, LPCWSTR, LPWSTR* additional) override {
    statusCode = code;
    if (additional != nullptr) *additional = nullptr;
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

bool TransferToFile(const std::string& url, const std::string& targetPath,
                    const TransferProgress& progress, const TransferStop* stop) {
  if (!IsWebAddress(url) || targetPath.empty()) return false;
  const std::string partPath = targetPath + std::string(kPartialFileSuffix);
  const TransferLimits limits = CurrentLimits();
  TransferWatch watch(limits);
  watch.progress = &progress;
  watch.stop = stop;
  HRESULT result = E_FAIL;
  {
    const WatchdogTimer watchdog(&watch, static_cast<DWORD>(std::clamp(limits.windowMs / 10, kShortestTickMs, kLongestTickMs)));
    if (!watchdog.running()) return false;  // a transfer without its bound is not started
    result = URLDownloadToFileA(nullptr, url.c_str(), partPath.c_str(), 0, static_cast<IBindStatusCallback*>(&watch));
  }
  const long long size = FileSize(partPath);
  const bool complete = !watch.lengthKnown || size == static_cast<long long>(watch.announcedLength);
  const bool ok = SUCCEEDED(result) && !watch.refused && IsSuccessStatus(watch.statusCode) && size > 0 &&
                  static_cast<std::uint64_t>(size) <= limits.maxBytes && complete &&
                  MoveFileExA(partPath.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  const bool keepPart = watch.StopRequested() && stop->keepPart.load();
  if (!ok && !keepPart) DeleteFileA(partPath.c_str());
  return ok;
}

bool UrlMonFileTransport::Transfer(const std::string& url, const std::string& targetPath,
                                   const TransferProgress& progress, const TransferStop* stop) {
  return TransferToFile(url, targetPath, progress, stop);
}

bool FileExistsNonEmpty(const char* path) { return FileSize(path) > 0; }

bool UrlMonFileTransport::FileExistsNonEmpty(const std::string& path) { return ::FileExistsNonEmpty(path.c_str()); }
