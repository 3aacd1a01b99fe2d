// The transfer of one address into one file, with the system's URL download call.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "net/file_transport.h"
#include "net/song_address.h"

// The size of the file at path; -1 when there is none or it is a folder.
long long FileSize(const std::string& path);
// Whether a file of that path exists, is not a folder and holds at least one byte.
bool FileExistsNonEmpty(const char* path);

// Transfers url into targetPath through "targetPath.part" (UrlMonTransfer's rules): only a whole
// song replaces targetPath, and a failed one leaves no ".part" behind and an existing targetPath
// untouched. A redirect leads only to web addresses; a transfer that breaks the limits is
// aborted; one that stalls ends within the limits' window. progress, when given, hears on the
// calling thread each figure the transfer reports; stop, when given, ends it from another thread
// (see TransferStop).
bool TransferToFile(const std::string& url, const std::string& targetPath,
                    const TransferProgress& progress = TransferProgress(), const TransferStop* stop = nullptr);

// The transfer under the contract (net/file_transport.h) for a plain request: the window never
// continues a ".part", so the resume is not used; the answer policy decides on the status and
// the length, and request.accepted hears an answer taken.
TransferOutcome UrlMonTransfer(const TransferRequest& request);

// The same as a song's transport.
class UrlMonFileTransport : public FileTransport {
 public:
  TransferOutcome Transfer(const TransferRequest& request) override;
  bool FileExistsNonEmpty(const std::string& path) override;
};

// Tests shorten the limits of the transfers that start afterwards; the program keeps the defaults.
void SetTransferLimits(const TransferLimits& limits);
