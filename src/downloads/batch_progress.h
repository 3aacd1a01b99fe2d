// The count of a Save Songs batch: how many of its songs have ended and whether one failed, as
// the taskbar button shows it.
#pragma once

// What the taskbar button shows: nothing, a normal bar, or a bar in the error colour.
enum class BatchLook { kNone, kNormal, kError };

struct BatchShow {
  BatchLook look;
  int ended;
  int total;
};

// One thread only. A second Save Songs while one runs adds its songs to the batch; the batch ends
// with its last song, and the next one starts afresh.
class BatchProgress {
 public:
  BatchShow Begin(int songs);
  BatchShow SongEnded(bool failed);

 private:
  BatchShow Now() const;
  int total_ = 0;
  int ended_ = 0;
  bool failed_ = false;
};
