// Fetching a page into memory, as a read needs it, apart from how: the window fetches through
// its WinINet session, the command line through its own transport.
#pragma once

#include <functional>
#include <string>

#include "net/fetch_buffer.h"

class PageTransport {
 public:
  virtual ~PageTransport() = default;
  // Fetches address into buffer and returns the final length: the body's byte count, 0 for an
  // empty body, -1 when a read failed part-way (or the body was too large), -2 when the address
  // could not be opened, kFetchNoMemory when no memory could be had for the body. When
  // stillWanted is given and answers false before a read of the network, the fetch stops there as
  // a failed read (-1).
  virtual int Fetch(const std::string& address, FetchBuffer& buffer,
                    const std::function<bool()>& stillWanted) = 0;
  // Where the buffers' blocks come from.
  virtual const BlockAllocator& Allocator() const = 0;
  // Why the last failed fetch on this transport failed, in a few words for the user ("the proxy
  // 127.0.0.1:9 refused the connection"); "" where the transport does not tell.
  virtual std::string FailureWords() const { return std::string(); }
};
