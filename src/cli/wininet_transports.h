// The command line's transports in the Windows build, with WinINet: a session whose pages are
// fetched by the window's own page transport, and songs under the transfer contract
// (net/file_transport.h), as the libcurl one. Paths are UTF-8.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <string>

#include "base/win_handles.h"
#include "net/page_fetcher.h"
#include "cli/net_options.h"
#include "net/file_transport.h"
#include "net/song_address.h"

// One WinINet session with the program's user agent and the system's proxy settings, and the
// time without data after which its requests give up (the limits' window). Pages are fetched
// through it with WinInetPageTransport(session.get(), session.ReceiveTimeoutMs(), &session.Pace()),
// under the same pace rule as songs.
class WinInetCliSession {
 public:
  // The system's proxy settings, or net's --proxy or --no-proxy.
  explicit WinInetCliSession(const NetOptions& net = NetOptions());
  // Null when the system gave no session.
  HINTERNET get() const { return session_.get(); }
  DWORD ReceiveTimeoutMs() const { return receiveTimeoutMs_; }
  const TransferLimits& Pace() const { return limits_; }

 private:
  UniqueInternetHandle session_;
  TransferLimits limits_;
  DWORD receiveTimeoutMs_;
};

// The limits given are the program's own; tests hand in a shorter pace window. The session
// (a WinInetCliSession's) must outlive the transport; transfers may run on several threads.
class WinInetFileTransport : public FileTransport {
 public:
  explicit WinInetFileTransport(HINTERNET session, const NetOptions& net = NetOptions())
      : session_(session), net_(net) {}
  bool FileExistsNonEmpty(const std::string& path) override;
  TransferOutcome Transfer(const TransferRequest& request) override;

 private:
  HINTERNET session_;
  NetOptions net_;
};
