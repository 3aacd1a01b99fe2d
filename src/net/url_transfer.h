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

// Transfers url into targetPath through "targetPath.part": only a complete transfer replaces
// targetPath, and a failed one leaves no ".part" behind and an existing targetPath untouched.
// Complete means: url is a web address (IsWebAddress), the call succeeded, the HTTP status was
// 2xx, a redirect led only to web addresses, the file is not empty, holds as many bytes as the
// server announced (when it announced a length) and no more than the limits allow. A transfer
// that breaks the limits is aborted; one that stalls ends within the limits' window.
// progress, when given, hears on the calling thread each figure the transfer reports; stop, when
// given, ends it from another thread (see TransferStop).
bool TransferToFile(const std::string& url, const std::string& targetPath,
                    const TransferProgress& progress = TransferProgress(), const TransferStop* stop = nullptr);

// The same as a song's transport.
class UrlMonFileTransport : public FileTransport {
 public:
  bool Transfer(const std::string& url, const std::string& targetPath, const TransferProgress& progress,
                const TransferStop* stop) override;
  bool FileExistsNonEmpty(const std::string& path) override;
};

// Tests shorten the limits of the transfers that start afterwards; the program keeps the defaults.
void SetTransferLimits(const TransferLimits& limits);
