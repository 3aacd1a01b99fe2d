#include "downloads/batch_progress.h"

BatchShow BatchProgress::Begin(int songs) {
  if (songs > 0) total_ += songs;
  return Now();
}

BatchShow BatchProgress::SongEnded(bool failed) {
  if (total_ == 0) return Now();  // a song of no batch (a single save)
  ++ended_;
  failed_ = failed_ || failed;
  const BatchShow show = Now();
  if (ended_ >= total_) *this = BatchProgress();
  return show;
}

BatchShow BatchProgress::Now() const {
  if (total_ == 0 || ended_ >= total_) return {BatchLook::kNone, ended_, total_};
  return {failed_ ? BatchLook::kError : BatchLook::kNormal, ended_, total_};
}
