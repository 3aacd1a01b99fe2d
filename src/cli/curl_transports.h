// The command line's transports, with libcurl: a page into memory and a song into a file, under
// the same rules as the window's (web addresses only, 2xx songs, the announced length, the pace
// and size bounds, ".part" until complete), and a song save that can continue an earlier ".part".
#pragma once

#include <string>

#include "cli/resumable_transport.h"
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
class CurlFileTransport : public ResumableFileTransport {
 public:
  explicit CurlFileTransport(const TransferLimits& limits = TransferLimits()) : limits_(limits) {}
  bool FileExistsNonEmpty(const std::string& path) override;
  ResumeOutcome TransferResumable(const std::string& url, const std::string& targetPath, const ResumeOptions& options,
                                  const TransferProgress& progress, const TransferStop* stop) override;

 private:
  TransferLimits limits_;
};
