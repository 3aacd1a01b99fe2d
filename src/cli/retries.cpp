#include "cli/retries.h"

#include <algorithm>
#include <atomic>

#include "net/song_address.h"

namespace {

constexpr std::uint32_t kLongestWaitSeconds = 60;

std::uint32_t NextSeed() {
  static std::atomic<std::uint32_t> seed{static_cast<std::uint32_t>(
      std::chrono::steady_clock::now().time_since_epoch().count())};
  return seed.fetch_add(0x9E3779B9u);
}

// A page's fetch in the transfer's terms: no answer at all, a read cut short, or the status.
TransferFailure PageFailure(int length, unsigned status) {
  if (length == -2) return TransferFailure::kUnreachable;
  if (length == -1) return TransferFailure::kCutShort;
  if (status != 0 && !IsSuccessStatus(status)) return TransferFailure::kHttpStatus;
  return TransferFailure::kNone;
}

}  // namespace

bool IsTransient(TransferFailure failure, std::uint32_t status) {
  switch (failure) {
    case TransferFailure::kUnreachable:
    case TransferFailure::kNoData:
    case TransferFailure::kCutShort:
    case TransferFailure::kNetwork: return true;
    case TransferFailure::kHttpStatus:
      return status == 408 || status == 429 || status == 500 || status == 502 || status == 503 || status == 504;
    default: return false;
  }
}

std::chrono::milliseconds RetryWait(int retry, std::uint32_t retryAfterSeconds, std::uint32_t jitterSeed) {
  if (retryAfterSeconds > 0) return std::chrono::seconds(std::min(retryAfterSeconds, kLongestWaitSeconds));
  const std::uint64_t baseMs = 1000ull << std::min(retry - 1, 6);
  // A quarter either way, so runs that failed together do not come back together.
  const std::uint64_t jitter = baseMs / 2 == 0 ? 0 : jitterSeed % (baseMs / 2);
  const std::uint64_t waitMs = baseMs - baseMs / 4 + jitter;
  return std::chrono::milliseconds(std::min<std::uint64_t>(waitMs, kLongestWaitSeconds * 1000));
}

TransferOutcome RetryingFileTransport::Transfer(const TransferRequest& request) {
  TransferRequest attempt = request;
  for (int retry = 1;; ++retry) {
    const bool last = retry > plan_.retries;
    // Until the last try, what came stays in the ".part" for the next one to continue.
    attempt.keepPartOnFailure = last ? request.keepPartOnFailure : true;
    TransferOutcome outcome = inner_.Transfer(attempt);
    if (outcome.whole || last || !IsTransient(outcome.failure, outcome.status) ||
        (request.stop != nullptr && request.stop->requested.load())) {
      return outcome;
    }
    const std::chrono::milliseconds wait = RetryWait(retry, outcome.retryAfterSeconds, NextSeed());
    if (plan_.told) plan_.told(request.url, retry, wait, outcome.reason);
    if (plan_.sleep && !plan_.sleep(wait)) {
      // Stopped while it waited: the song is left for the next run, its ".part" kept.
      outcome.failure = TransferFailure::kStopped;
      outcome.reason = "stopped";
      return outcome;
    }
    attempt.resume = {outcome.bytesKept, outcome.validator};
  }
}

int RetryingPageTransport::Fetch(const std::string& address, FetchBuffer& buffer,
                                 const std::function<bool()>& stillWanted) {
  for (int retry = 1;; ++retry) {
    buffer.status = 0;
    buffer.retryAfter = 0;
    const int length = inner_.Fetch(address, buffer, stillWanted);
    const TransferFailure failure = PageFailure(length, buffer.status);
    if (retry > plan_.retries || !IsTransient(failure, buffer.status) || length == kFetchNoMemory ||
        (stillWanted && !stillWanted())) {
      return length;
    }
    const std::chrono::milliseconds wait = RetryWait(retry, buffer.retryAfter, NextSeed());
    const std::string words = inner_.FailureWords();
    if (plan_.told) plan_.told(address, retry, wait, words.empty() ? "HTTP " + std::to_string(buffer.status) : words);
    if (plan_.sleep && !plan_.sleep(wait)) return length;
  }
}
