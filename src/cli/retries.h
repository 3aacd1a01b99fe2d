// --retries: a song, page or playlist that fails for a cause that may pass (a refused or reset
// connection, a stall, 408, 429, 500, 502, 503, 504) is tried again after about 1, 2, 4 ...
// seconds, with jitter, each wait at most a minute (a Retry-After is honoured up to that); a
// permanent failure is not. A song's retry continues its ".part" by range under the transfer rules.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "net/file_transport.h"
#include "net/page_transport.h"

struct RetryPlan {
  int retries = 3;
  // Told of each retry before its wait: the address, which retry (from 1), the wait and why.
  std::function<void(const std::string& url, int retry, std::chrono::milliseconds wait, const std::string& reason)> told;
  // Waits, ending early when it answers false (a stop); tests hand in a clock of their own.
  std::function<bool(std::chrono::milliseconds wait)> sleep;
};

// Whether a failure may pass when the same request is made again.
bool IsTransient(TransferFailure failure, std::uint32_t status);
// The wait before retry n (from 1): about 2^(n-1) s, a quarter either way, or retryAfter seconds
// when the server gave it; never more than a minute.
std::chrono::milliseconds RetryWait(int retry, std::uint32_t retryAfterSeconds, std::uint32_t jitterSeed);

class RetryingFileTransport : public FileTransport {
 public:
  RetryingFileTransport(FileTransport& inner, const RetryPlan& plan) : inner_(inner), plan_(plan) {}
  TransferOutcome Transfer(const TransferRequest& request) override;
  bool FileExistsNonEmpty(const std::string& path) override { return inner_.FileExistsNonEmpty(path); }

 private:
  FileTransport& inner_;
  const RetryPlan& plan_;
};

class RetryingPageTransport : public PageTransport {
 public:
  RetryingPageTransport(PageTransport& inner, const RetryPlan& plan) : inner_(inner), plan_(plan) {}
  int Fetch(const std::string& address, FetchBuffer& buffer, const std::function<bool()>& stillWanted) override;
  const BlockAllocator& Allocator() const override { return inner_.Allocator(); }
  std::string FailureWords() const override { return inner_.FailureWords(); }

 private:
  PageTransport& inner_;
  const RetryPlan& plan_;
};
