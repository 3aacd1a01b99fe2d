// PageFetcher: the whole body of one web address into a FetchBuffer, through a WinINet session.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <functional>
#include <string>

#include "net/fetch_buffer.h"
#include "net/page_transport.h"
#include "net/song_address.h"

// Blocks come from the program's private heap, zero-filled.
const BlockAllocator& ProgramHeapAllocator();

// Fetches address into buffer and returns the final length: the body's byte count, 0 for an
// empty body, -1 when a read failed part-way (or the body was too large), -2 when the address
// could not be opened, kFetchNoMemory when no memory could be had for the body. Without a
// session the buffer is left as it is. When stillWanted is given
// and answers false before a read of the network, the fetch stops there as a failed read (-1):
// a caller that no longer needs the body is not held by a server that never finishes it.
// With receiveTimeoutMs not 0, a server that sends nothing for that long fails the fetch too:
// without it, a read under Wine waits as long as the server holds it. With pace given, a body that
// brings less than its minBytes in any of its windows fails as a failed read (the command line's
// rule; the window's reads keep theirs).
int PageFetcher(HINTERNET session, const std::string& address, FetchBuffer& buffer,
                const std::function<bool()>& stillWanted = nullptr, DWORD receiveTimeoutMs = 0,
                const TransferLimits* pace = nullptr);

// The same as a read's transport, through one session the caller keeps open.
class WinInetPageTransport : public PageTransport {
 public:
  explicit WinInetPageTransport(HINTERNET session, DWORD receiveTimeoutMs = 0, const TransferLimits* pace = nullptr)
      : session_(session), receiveTimeoutMs_(receiveTimeoutMs), pace_(pace) {}
  int Fetch(const std::string& address, FetchBuffer& buffer, const std::function<bool()>& stillWanted) override;
  const BlockAllocator& Allocator() const override;

 private:
  HINTERNET session_;
  DWORD receiveTimeoutMs_;
  const TransferLimits* pace_;  // the caller's, outliving the transport
};
