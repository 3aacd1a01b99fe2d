// Transferring an address into a file, as a song's save needs it, apart from how: the window uses
// the system's URL download call, the command line its own transport.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// Hears each figure a transfer reports: the bytes received so far and the announced length (0
// when the server announced none).
using TransferProgress = std::function<void(std::uint64_t received, std::uint64_t announced)>;

// Lets another thread end a running transfer: it then fails, keeping its ".part" when keepPart
// was set (a later run can continue it) and removing it otherwise.
struct TransferStop {
  std::atomic<bool> requested{false};
  std::atomic<bool> keepPart{false};
};

class FileTransport {
 public:
  virtual ~FileTransport() = default;
  // Transfers url into targetPath through targetPath + ".part": only a complete transfer replaces
  // targetPath; a failed one leaves an existing targetPath untouched and no ".part" behind (but
  // for a stop that keeps it). Only web addresses are fetched.
  virtual bool Transfer(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                        const TransferStop* stop) = 0;
  // Whether a file of that path exists, is not a folder and holds at least one byte.
  virtual bool FileExistsNonEmpty(const std::string& path) = 0;
};
