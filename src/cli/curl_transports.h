// The command line's transports, with libcurl: a page into memory and a song into a file under the
// transfer contract (net/file_transport.h). Both keep the pace rule by the program's own clock:
// libcurl's low-speed limit is reset by any short burst. Each thread keeps its own handle, so
// the connections it opened are used again.
#pragma once

#include <string>

#include "cli/net_options.h"
#include "net/file_transport.h"
#include "net/page_transport.h"

// The options given (tests hand in a shorter pace window) outlive the transport.
class CurlPageTransport : public PageTransport {
 public:
  explicit CurlPageTransport(const NetOptions& net = NetOptions()) : net_(net) {}
  int Fetch(const std::string& address, FetchBuffer& buffer, const std::function<bool()>& stillWanted) override;
  const BlockAllocator& Allocator() const override { return allocator_; }
  std::string FailureWords() const override { return failure_; }

 private:
  NetOptions net_;
  BlockAllocator allocator_ = NativeBlockAllocator();
  std::string failure_;
};

class CurlFileTransport : public FileTransport {
 public:
  explicit CurlFileTransport(const NetOptions& net = NetOptions()) : net_(net) {}
  bool FileExistsNonEmpty(const std::string& path) override;
  TransferOutcome Transfer(const TransferRequest& request) override;

 private:
  NetOptions net_;
};
