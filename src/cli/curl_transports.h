// The command line's transports, with libcurl: a page into memory and a song into a file, under
// the same rules as the window's (web addresses only, 2xx songs, the announced length, the pace
// and size bounds, ".part" until complete), and a song save that can continue an earlier ".part".
#pragma once

#include <string>

#include "net/file_transport.h"
#include "net/page_transport.h"
#include "net/song_address.h"

// How a save may continue what an earlier run left.
struct ResumeOptions {
  // Not empty: an existing non-empty ".part" is continued, asking for the rest with
  // "Range: bytes=<its size>-" and "If-Range: <validator>"; an answer that is not a 206 from
  // exactly that byte starts the file afresh.
  std::string validator;
  // A failed transfer leaves its ".part" for a later run (a stop still follows TransferStop).
  bool keepPartOnFailure = false;
};

struct ResumeOutcome {
  bool complete = false;
  // The bytes of the ".part" were kept and the rest came as a 206.
  bool resumed = false;
  // The ETag of the song's last answer, else its Last-Modified; "" when it gave neither.
  std::string validator;
};

// A song transport that can continue a ".part": what the command line's index of saves needs.
class ResumableFileTransport : public FileTransport {
 public:
  virtual ResumeOutcome TransferResumable(const std::string& url, const std::string& targetPath,
                                          const ResumeOptions& options, const TransferProgress& progress,
                                          const TransferStop* stop) = 0;
};

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
  bool Transfer(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                const TransferStop* stop) override;
  bool FileExistsNonEmpty(const std::string& path) override;
  ResumeOutcome TransferResumable(const std::string& url, const std::string& targetPath, const ResumeOptions& options,
                                  const TransferProgress& progress, const TransferStop* stop) override;

 private:
  TransferLimits limits_;
};
