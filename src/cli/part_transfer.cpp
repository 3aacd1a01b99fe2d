#include "cli/part_transfer.h"

#include <algorithm>
#include <thread>

#include "base/web_address.h"
#include "net/partial_file.h"

namespace {

// What has come reaches the ".part" at least this often, so a run that is killed leaves it there.
constexpr auto kFlushEvery = std::chrono::seconds(1);

}  // namespace

PartTransfer::PartTransfer(const TransferRequest& request, const NetOptions& net)
    : request_(request),
      net_(net),
      limits_(net.limits),
      partPath_(request.targetPath + std::string(kPartialFileSuffix)),
      pace_(net.limits, 0),
      start_(std::chrono::steady_clock::now()),
      lastFlush_(start_) {
  if (!IsWebAddress(request.url) || request.targetPath.empty()) {
    failure_ = TransferFailure::kNotWebAddress;
    return;
  }
  // Only bytes whose validator can be sent back are continued; the ".part"'s own size says how many
  // there are (the bytes of one accepted answer, written in order).
  if (request.resume.partBytes == 0 || !IsSendableValidator(request.resume.validator)) return;
  const long long size = PlainFileSize(partPath_);
  if (size <= 0) return;
  kept_ = {static_cast<std::uint64_t>(size), request.resume.validator};
  rangeFrom_ = kept_.partBytes;
  ifRange_ = kept_.validator;
}

void PartTransfer::Asking() const {
  if (!net_.verbose) return;
  std::string line = "> GET " + request_.url;
  if (rangeFrom_ > 0) line += ", Range: bytes=" + std::to_string(rangeFrom_) + "-";
  if (!ifRange_.empty()) line += ", If-Range: " + ifRange_;
  net_.verbose(line);
}

std::uint64_t PartTransfer::PaceMs() const {
  const auto ms = static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start_).count());
  return ms > heldMs_ ? ms - heldMs_ : 0;
}

bool PartTransfer::Stopped() const { return request_.stop != nullptr && request_.stop->requested.load(); }

TransferFailure PartTransfer::WriteFailure() const {
  return file_.error() == LocalFileError::kDiskFull ? TransferFailure::kDiskFull : TransferFailure::kCannotWrite;
}

bool PartTransfer::Answer(AnswerFacts facts) {
  facts.rangeAsked = rangeFrom_ > 0;
  facts.from = rangeFrom_;
  facts.validatorSent = ifRange_;
  facts.secondTry = secondTry_;
  judged_ = true;
  status_ = facts.status;
  retryAfter_ = facts.retryAfterSeconds;
  if (net_.verbose) {
    net_.verbose("< " + std::to_string(facts.status) +
                 (facts.lengthKnown ? ", " + std::to_string(facts.length) + " bytes" : std::string(", no length")) +
                 (facts.contentRange.empty() ? std::string() : ", Content-Range: " + facts.contentRange) +
                 (facts.etag.empty() ? std::string() : ", ETag: " + facts.etag) +
                 (facts.lastModified.empty() ? std::string() : ", Last-Modified: " + facts.lastModified));
  }
  decision_ = JudgeAnswer(facts, limits_.maxBytes);
  if (decision_.verdict != AnswerVerdict::kTake) {
    if (decision_.verdict == AnswerVerdict::kFail) failure_ = decision_.failure;
    return false;
  }
  // The ".part" is cut to the bytes the answer continues before the answer is told, so what the
  // caller records never describes older bytes.
  fileTouched_ = true;
  if (!file_.OpenToWrite(partPath_, decision_.from)) {
    failure_ = WriteFailure();
    return false;
  }
  if (file_.Size() != decision_.from) {
    failure_ = TransferFailure::kMisfit;  // the ".part" changed under the transfer
    return false;
  }
  const AcceptedAnswer accepted{facts.status, decision_.totalKnown ? decision_.total : 0, decision_.validator,
                                decision_.from};
  if (request_.accepted && !request_.accepted(accepted)) {
    failure_ = TransferFailure::kRefused;
    return false;
  }
  Report();
  return true;
}

void PartTransfer::Report() {
  if (request_.progress) request_.progress(file_.Size(), decision_.totalKnown ? decision_.total : 0);
}

bool PartTransfer::Write(const char* data, std::size_t size) {
  if (failure_ != TransferFailure::kNone || !file_.IsOpen()) return false;
  if (file_.Size() + size > limits_.maxBytes || (decision_.totalKnown && file_.Size() + size > decision_.total)) {
    failure_ = TransferFailure::kTooLarge;
    return false;
  }
  if (!file_.Write(data, size)) {
    failure_ = WriteFailure();
    return false;
  }
  received_ += size;
  Report();
  if (net_.rate != nullptr) {
    // The time the limit holds the transfer back is not the server's: the pace's clock skips it.
    auto wait = net_.rate->Take(size);
    heldMs_ += static_cast<std::uint64_t>(wait.count());
    while (wait.count() > 0 && !Stopped()) {
      const auto step = std::min(wait, std::chrono::milliseconds(100));
      std::this_thread::sleep_for(step);
      wait -= step;
    }
  }
  return Tick();
}

bool PartTransfer::Tick() {
  if (failure_ != TransferFailure::kNone) return false;
  if (Stopped()) {
    failure_ = TransferFailure::kStopped;
    return false;
  }
  const auto now = std::chrono::steady_clock::now();
  const std::uint64_t nowMs = PaceMs();
  // The pace counts in 32 bits as the system's reports do; it carries a wrap on.
  pace_.Reported(static_cast<std::uint32_t>(received_), nowMs);
  if (pace_.MustEnd(nowMs)) {
    failure_ = TransferFailure::kNoData;
    return false;
  }
  if (file_.IsOpen() && now - lastFlush_ >= kFlushEvery) {
    lastFlush_ = now;
    if (!file_.Flush()) {
      failure_ = WriteFailure();
      return false;
    }
  }
  return true;
}

void PartTransfer::Failed(TransferFailure failure, const std::string& words) {
  if (failure_ != TransferFailure::kNone || (judged_ && decision_.verdict == AnswerVerdict::kAfresh)) return;
  failure_ = Stopped() ? TransferFailure::kStopped : failure;
  words_ = words;
}

bool PartTransfer::NextAttempt() {
  if (!judged_ || decision_.verdict != AnswerVerdict::kAfresh || secondTry_ || failure_ != TransferFailure::kNone) {
    return false;
  }
  if (Stopped()) {
    failure_ = TransferFailure::kStopped;
    return false;
  }
  secondTry_ = true;
  judged_ = false;
  rangeFrom_ = 0;
  ifRange_.clear();
  received_ = 0;
  // The pace goes on over the whole transfer: a misfit does not buy another window.
  return true;
}

TransferOutcome PartTransfer::Finish() {
  TransferOutcome outcome;
  outcome.status = status_;
  outcome.retryAfterSeconds = retryAfter_;
  if (failure_ == TransferFailure::kNone && judged_ && decision_.verdict == AnswerVerdict::kAfresh) {
    failure_ = TransferFailure::kMisfit;
  }
  if (failure_ == TransferFailure::kNone && (!judged_ || !file_.IsOpen())) failure_ = TransferFailure::kNetwork;
  if (failure_ == TransferFailure::kNone) failure_ = JudgeEnd(decision_, file_.Size());
  if (failure_ == TransferFailure::kNone) {
    // Durable before it takes the final name: a whole song is never a file cut by a power loss.
    if (!file_.Sync() || !file_.Close()) {
      failure_ = WriteFailure();
    } else if (!request_.keepWholePart && !RenameLocalFile(partPath_, request_.targetPath)) {
      failure_ = TransferFailure::kCannotWrite;
    }
  }
  const std::uint64_t size = file_.Size();
  const bool flushed = file_.Close();
  if (fileTouched_) {
    outcome.validator = decision_.validator;
    outcome.bytesKept = flushed ? size : 0;
  } else {
    outcome.validator = kept_.validator;
    outcome.bytesKept = kept_.partBytes;
  }
  outcome.failure = failure_;
  outcome.whole = failure_ == TransferFailure::kNone;
  if (outcome.whole) {
    outcome.continued = decision_.from > 0;
    outcome.inPart = request_.keepWholePart;
    return outcome;
  }
  outcome.reason = FailureWords(failure_, status_, limits_.minBytes, limits_.windowMs, words_);
  const bool keep = failure_ == TransferFailure::kStopped ? request_.stop->keepPart.load() : request_.keepPartOnFailure;
  // A ".part" without a validator could never be continued, and one that was refused is not ours.
  if (failure_ != TransferFailure::kNotWebAddress &&
      (!keep || outcome.bytesKept == 0 || outcome.validator.empty() || failure_ == TransferFailure::kMisfit)) {
    if (!keep || fileTouched_ || !IsNotPlainFile(partPath_)) RemoveLocalFile(partPath_);
    outcome.bytesKept = 0;
    outcome.validator.clear();
  }
  return outcome;
}
