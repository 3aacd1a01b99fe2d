// One song's transfer into its ".part", whichever library carries the bytes: the command line's
// libcurl and WinINet transports gather what each answer says and hand over its bytes; this decides
// with the answer policy, keeps the pace by the program's own clock, writes the ".part" without
// following links and ends with the outcome record. A misfit answer is followed by one fresh
// attempt without a range.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cli/local_files.h"
#include "cli/net_options.h"
#include "net/answer_policy.h"
#include "net/file_transport.h"
#include "net/song_address.h"

class PartTransfer {
 public:
  // net (its limits, rate and verbose lines) outlives the transfer.
  PartTransfer(const TransferRequest& request, const NetOptions& net);
  PartTransfer(const PartTransfer&) = delete;
  PartTransfer& operator=(const PartTransfer&) = delete;

  // False when the request names no web address or no file: nothing is fetched; Finish tells.
  bool Startable() const { return failure_ == TransferFailure::kNone; }
  // What the attempt asks for: the range's first byte (0: no range) and the If-Range value.
  std::uint64_t RangeFrom() const { return rangeFrom_; }
  const std::string& IfRange() const { return ifRange_; }

  // Tells -v of the attempt's request: "GET address", its range and its If-Range.
  void Asking() const;
  // Whether the attempt's answer has been judged (at its first byte, or at its end).
  bool Judged() const { return judged_; }
  // Judges the attempt's final answer; true when its bytes are taken. The facts' range fields are
  // filled in from the attempt.
  bool Answer(AnswerFacts facts);
  // The answer's next bytes; false ends the attempt (the failure is set).
  bool Write(const char* data, std::size_t size);
  // Called often while the attempt runs, with or without data: false when it must end (stopped,
  // or the pace rule broken).
  bool Tick();
  // The attempt ended short of its body for this cause (the library's words for kNetwork); a cause
  // already set stays.
  void Failed(TransferFailure failure, const std::string& words = std::string());
  // After an attempt: true once when its answer was a misfit, to be fetched afresh.
  bool NextAttempt();
  // After the last attempt: the song whole under its final name, or the ".part" kept or removed.
  TransferOutcome Finish();

  // Bytes received in the current attempt (for the libraries' own progress figures).
  std::uint64_t Received() const { return received_; }

 private:
  bool Stopped() const;
  void Report();
  // The pace's clock: the time since the start, less the time the rate limit held the transfer.
  std::uint64_t PaceMs() const;
  TransferFailure WriteFailure() const;

  const TransferRequest& request_;
  const NetOptions& net_;
  TransferLimits limits_;
  std::uint64_t heldMs_ = 0;
  std::uint32_t retryAfter_ = 0;
  std::string partPath_;
  TransferResume kept_;  // what the ".part" held when the transfer began (partBytes 0: none)
  std::uint64_t rangeFrom_ = 0;
  std::string ifRange_;
  bool secondTry_ = false;
  bool judged_ = false;
  AnswerDecision decision_;
  std::uint32_t status_ = 0;
  TransferFailure failure_ = TransferFailure::kNone;
  std::string words_;
  LocalFile file_;
  bool fileTouched_ = false;  // the ".part" was opened for this transfer's answer
  std::uint64_t received_ = 0;
  TransferPace pace_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastFlush_;
};
