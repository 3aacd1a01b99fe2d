// PageFetcher: the whole body of one web address into a FetchBuffer, through HttpSession.
#pragma once

#include <string>

#include "net/fetch_buffer.h"

// Blocks come from the program's private heap, zero-filled.
const BlockAllocator& ProgramHeapAllocator();

// Fetches address into buffer and returns the final length: the body's byte count, 0 for an
// empty body, -1 when a read failed part-way (or the body was too large), -2 when the address
// could not be opened. Without HttpSession the buffer is left as it is.
int PageFetcher(const std::string& address, FetchBuffer& buffer);
