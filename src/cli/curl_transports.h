// The command line's transports, with libcurl: a page into memory and a song into a file under the
// transfer contract (net/file_transport.h). Both keep the pace rule by the program's own clock:
// libcurl's low-speed limit is reset by any short burst. Each thread keeps its own handle, so
// the connections it opened are used again.
#pragma once

#include <string>

#include "net/file_transport.h"
#include "net/page_transport.h"
#include "net/song_address.h"

class CurlPageTransport : public PageTransport {
 public:
  explicit CurlPageTransport(const TransferLimits& limits = TransferLimits()) : limits_(limits) {}
  int Fetch(const std::string& address, FetchBuffer& buffer, const std::function<bool()>& stillWanted) override;
  const BlockAllocator& Allocator() const override { return allocator_; }

 private:
  TransferLimits limits_;
  BlockAllocator allocator_ = NativeBlockAllocator();
};

// The limits given are the program's own; tests hand in a shorter pace window.
class CurlFileTransport : public FileTransport {
 public:
  explicit CurlFileTransport(const TransferLimits& limits = TransferLimits()) : limits_(limits) {}
  bool FileExistsNonEmpty(const std::string& path) override;
  TransferOutcome Transfer(const TransferRequest& request) override;

 private:
  TransferLimits limits_;
};
