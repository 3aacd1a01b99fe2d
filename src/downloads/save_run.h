// Saving many songs into one folder, several side by side: the window's Save Songs and the command
// line's save. Worker threads take the next song as they come free and save it with SaveSong; an
// optional record of the folder (the command line's) says which songs are saved already or left
// a ".part" to continue, and hears each accepted answer and each end before the song's end is
// reported, so what the next run relies on is written before anything is shown.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "downloads/song_save.h"

struct RunSong {
  std::string url;
  std::string name;
  std::string targetBase;  // the folder joined with the song's safe name (the front end's rules)
};

enum class SongEnd {
  kReady,
  kFailed,
  kSkipped,  // saved already (by an earlier run, or by the row that shares its address)
  kLeft,     // never started: the run was stopped first
};

// What the folder's record knows of a song before it is saved.
struct SongPlan {
  // kFinish: the song came whole (in its ".part" where fromPart) and its finishing step is due.
  enum class Kind { kNew, kSkip, kContinue, kFinish };
  Kind kind = Kind::kNew;
  std::string path;       // kSkip: the saved file; kContinue, kFinish: the song's file
  TransferResume resume;  // kContinue: partBytes 0 starts that file afresh
  bool fromPart = false;  // kFinish
};

// What a finishing step did: the file is made (done), with a note for the user, or it failed with
// its reason.
struct SongFinish {
  bool done = false;
  std::string words;
};

class SaveRecord {
 public:
  virtual ~SaveRecord() = default;
  virtual SongPlan Plan(const RunSong& song) = 0;
  // Before the answer's first byte goes into path's ".part". False refuses the answer.
  virtual bool Accepted(const RunSong& song, const std::string& path, const AcceptedAnswer& answer) = 0;
  // A song's end, before it is reported: whole, or its ".part" kept (partKept) or gone. False when
  // the record could not be written: the run then starts no more songs.
  virtual bool Ended(const RunSong& song, const std::string& path, const TransferOutcome& outcome, bool partKept) = 0;
  // A song's finishing step made its file.
  virtual bool Finished(const RunSong&, const std::string&) { return true; }
};

// Each call names the song by its place in the run's list; calls for one song come from one
// thread at a time, calls for different songs from several.
class SaveRunEvents {
 public:
  virtual ~SaveRunEvents() = default;
  // kWaiting, kDownloading and kCancelled as SaveSong reports them.
  virtual void StateChanged(std::size_t song, SongSaveState state) = 0;
  virtual void Progress(std::size_t song, std::uint64_t received, std::uint64_t announced) = 0;
  // Once per song, last: the file (kReady, kSkipped), else reason (kFailed); for kReady, reason
  // may hold a note of its finishing step.
  virtual void Ended(std::size_t song, SongEnd end, const std::string& path, const std::string& reason) = 0;
};

struct SaveRunOptions {
  int jobs = 1;
  // Rows sharing an address are saved once; the others end kSkipped with its file.
  bool shareAddresses = false;
  // A song that fails keeps its ".part" for the next run.
  bool keepParts = false;
  NameFold fold = NameFold::kWindows1252;
  // What counts as taken when a free name is looked for, besides names this run and other running
  // saves use; empty: a non-empty file or ".part" of that name on disk.
  PathTakenTest taken;
  // Once set, no further song starts (the running ones go on): their end is kLeft.
  const std::atomic<bool>* startNoMore = nullptr;
  // A step that makes a song's file of its whole ".part" (fromPart), or finishes a file saved
  // earlier (the command line's tagging), where the record plans it; empty: none. With
  // finishWholePart, every transfer leaves the whole song in its ".part" for it.
  std::function<SongFinish(std::size_t song, const std::string& path, bool fromPart)> finish;
  bool finishWholePart = false;
};

struct SaveRunSummary {
  std::size_t ready = 0, failed = 0, skipped = 0, left = 0;
  bool recordFailed = false;  // the record could not be written: songs were left
};

// Saves songs with transport; stop ends the running transfers too (keeping their ".part" as
// stop->keepPart says) and starts no more. record may be null.
SaveRunSummary RunSave(const std::vector<RunSong>& songs, FileTransport& transport, const SaveRunOptions& options,
                       SaveRunEvents& events, SaveRecord* record, const TransferStop& stop);
