// URLDownloadToFileA reports success for a 404 page, a connection dropped half-way or an empty
// body; it cannot tell a failed transfer by itself. The binding callback below listens to what
// the transfer saw: the HTTP status (IHttpNegotiate::OnResponse) and the announced length
// (IBindStatusCallback::OnProgress), and the file's size is checked against them afterwards.
#include "net/url_transfer.h"

#include <windows.h>
#include <urlmon.h>

#include "base/win_handles.h"
#include "net/partial_file.h"

namespace {

constexpr DWORD kTransferBindFlags = BINDF_GETNEWESTVERSION | BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE;

class TransferWatch : public IBindStatusCallback, public IHttpNegotiate {
 public:
  DWORD statusCode = 0;
  ULONG announcedLength = 0;
  bool lengthKnown = false;
  const TransferProgress* progress = nullptr;

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
  STDMETHODIMP OnStartBinding(DWORD, IBinding*) override { return S_OK; }
  STDMETHODIMP GetPriority(LONG*) override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
  STDMETHODIMP OnProgress(ULONG received, ULONG progressMax, ULONG status, LPCWSTR) override {
    if (progressMax > 0) {
      announcedLength = progressMax;
      lengthKnown = true;
    }
    const bool bodyStatus = status == BINDSTATUS_BEGINDOWNLOADDATA ||
                            status == BINDSTATUS_DOWNLOADINGDATA ||
                            status == BINDSTATUS_ENDDOWNLOADDATA;
    if (bodyStatus && progress != nullptr && *progress) (*progress)(received, progressMax);
    return S_OK;
  }
  STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
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
};

}  // namespace

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool TransferToFile(const std::string& url, const std::string& targetPath,
                    const TransferProgress& progress) {
  if (url.empty() || targetPath.empty()) return false;
  const std::string partPath = targetPath + std::string(kPartialFileSuffix);
  TransferWatch watch;
  watch.progress = &progress;
  const HRESULT result = URLDownloadToFileA(nullptr, url.c_str(), partPath.c_str(), 0,
                                            static_cast<IBindStatusCallback*>(&watch));
  const long long size = FileSize(partPath);
  const bool statusOk = watch.statusCode == 0 || (watch.statusCode >= 200 && watch.statusCode < 300);
  const bool complete = !watch.lengthKnown || size == static_cast<long long>(watch.announcedLength);
  const bool ok = SUCCEEDED(result) && statusOk && size > 0 && complete &&
                  MoveFileExA(partPath.c_str(), targetPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  if (!ok) DeleteFileA(partPath.c_str());
  return ok;
}
