// Transferring an address into a file, as a song's save needs it, apart from how: the window uses
// the system's URL download call, the command line libcurl natively and WinINet on Windows. Every
// transport follows one contract: it takes what to continue, says when it has accepted an answer
// (before the first byte is written) and returns one outcome record; which answer is taken, and
// whether the file is whole, is decided by the answer policy (net/answer_policy.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

// Hears each figure a transfer reports: the bytes the file holds so far and the song's whole
// length (0 when the server announced none).
using TransferProgress = std::function<void(std::uint64_t received, std::uint64_t announced)>;

// Lets another thread end a running transfer: it then fails, keeping its ".part" when keepPart
// was set (a later run can continue it) and removing it otherwise.
struct TransferStop {
  std::atomic<bool> requested{false};
  std::atomic<bool> keepPart{false};
};

// What an earlier transfer left in the ".part": its size and the validator (ETag, else
// Last-Modified) its bytes came with. A ".part" without a validator is never continued.
struct TransferResume {
  std::uint64_t partBytes = 0;
  std::string validator;
};

// An answer the transport has accepted, told before the first of its bytes goes into the ".part".
struct AcceptedAnswer {
  std::uint32_t status = 0;
  std::uint64_t total = 0;  // the whole song's length; 0 when none was announced
  std::string validator;    // what the ".part" is continued with next time; "" for none
  std::uint64_t from = 0;   // the bytes of the ".part" kept: the answer's bytes follow them
};

// Why a transfer did not bring a whole song; kNone when it did.
enum class TransferFailure {
  kNone,
  kNotWebAddress,
  kStopped,
  kHttpStatus,   // a status that is no song (reason: "HTTP 404")
  kMisfit,       // an answer the policy does not take (a part that fits nothing)
  kTooLarge,
  kNoData,       // the pace rule ended it
  kCutShort,     // fewer bytes than announced
  kEmpty,
  kDiskFull,
  kCannotWrite,  // the ".part" or the file could not be written (or is no plain file)
  kUnreachable,
  kNetwork,      // another network failure, with the library's words
  kRefused,      // the caller's accepted hook refused the answer (its record could not be written)
  kNoMemory,
};

struct TransferOutcome {
  bool whole = false;  // the file holds the whole song under its final name
  std::uint32_t status = 0;  // the last answer's HTTP status; 0 when none came
  TransferFailure failure = TransferFailure::kNone;
  std::string reason;     // the failure in a few words for the user; "" when whole
  std::string validator;  // the validator of the bytes the ".part" (or the file) holds
  std::uint64_t bytesKept = 0;  // bytes in the ".part" (or the file) at the end
  bool continued = false;  // the ".part"'s earlier bytes were kept and the rest came as a 206
  bool inPart = false;     // whole, and left in its ".part" as asked (keepWholePart)
  std::uint32_t retryAfterSeconds = 0;  // the last answer's Retry-After, 0 for none
};

// Accepted is told of each answer taken, on the transfer's thread, before its first byte goes
// into the ".part"; returning false refuses the answer (the transfer then fails with kRefused,
// keeping the ".part" as it was).
using AcceptedHook = std::function<bool(const AcceptedAnswer& answer)>;

struct TransferRequest {
  std::string url;
  std::string targetPath;  // the ".part" is targetPath + kPartialFileSuffix
  TransferResume resume;   // partBytes 0: the song is fetched whole
  bool keepPartOnFailure = false;  // a failed transfer leaves its ".part" (a stop follows TransferStop)
  // A whole song stays in its ".part", flushed to the disk, for a step that makes the file of it
  // (the command line's tagging); the window's transport never is asked this.
  bool keepWholePart = false;
  TransferProgress progress;
  AcceptedHook accepted;
  const TransferStop* stop = nullptr;
};

class FileTransport {
 public:
  virtual ~FileTransport() = default;
  // Transfers request.url into request.targetPath through its ".part": only a whole song replaces
  // targetPath; a failed one leaves an existing targetPath untouched and no ".part" behind (unless
  // asked to keep it). Only web addresses are fetched.
  virtual TransferOutcome Transfer(const TransferRequest& request) = 0;
  // Whether a file of that path exists, is not a folder and holds at least one byte.
  virtual bool FileExistsNonEmpty(const std::string& path) = 0;
};
