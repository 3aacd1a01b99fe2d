// A song transport that can continue what an earlier run left in a ".part": what the command
// line's index of saves needs. libcurl gives it natively, WinINet in the Windows build.
#pragma once

#include <string>

#include "net/file_transport.h"

// How a save may continue what an earlier run left.
struct ResumeOptions {
  // An existing non-empty ".part" is continued, asking for the rest with "Range: bytes=<its
  // size>-"; an answer that is not a 206 from exactly that byte starts the file afresh.
  bool continuePart = false;
  // Not empty: sent as "If-Range", so a song changed since the ".part" began comes whole.
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
  // Why an incomplete transfer failed, in a few words for the user ("HTTP 404").
  std::string reason;
};

class ResumableFileTransport : public FileTransport {
 public:
  // A plain transfer is one that continues nothing.
  bool Transfer(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                const TransferStop* stop) final {
    return TransferResumable(url, targetPath, ResumeOptions(), progress, stop).complete;
  }
  virtual ResumeOutcome TransferResumable(const std::string& url, const std::string& targetPath,
                                          const ResumeOptions& options, const TransferProgress& progress,
                                          const TransferStop* stop) = 0;
};
