// Saving one song into a file, without a window: naming, reserving the name, the transfer through
// a FileTransport and the states the song passes, reported to SongSaveEvents. The window answers
// with its row's cells and its save dialog; the command line prints.
#pragma once

#include <cstdint>
#include <string>

#include "downloads/download_naming.h"
#include "downloads/name_reservations.h"
#include "net/file_transport.h"

struct SongSaveRequest {
  std::string url;
  std::string name;
  // A target in a folder: the folder joined with the song's safe name, which the save makes a
  // free name of; "" makes the save ask for a path (the save dialog).
  std::string targetPath;
  // A file an earlier run left a ".part" for: the save writes that file again (continuing it by
  // resume where that is set) when no running save holds it, instead of looking for a free name.
  std::string continuePath;
  TransferResume resume;
  // A failed transfer keeps its ".part" for a later run.
  bool keepPartOnFailure = false;
  // A whole song stays in its ".part" (see TransferRequest).
  bool keepWholePart = false;
  // How names are compared when a free one is looked for, and what counts as taken besides the
  // names running saves hold (by default a non-empty file or ".part" of that name on disk).
  NameFold fold = NameFold::kWindows1252;
  PathTakenTest taken;
  // With taken: where the search for a free name of this base starts (see ReserveUniqueTargetPath).
  int* nameCounter = nullptr;
  AcceptedHook accepted;
};

enum class SongSaveState {
  kWaiting,      // the song holds its row and looks for its file
  kDownloading,  // the transfer runs
  kReady,        // saved; the path is known
  kFailed,       // not saved
  kCancelled,    // the user chose no file (or no free name was left): the row is free again
};

struct SongSaveResult {
  SongSaveState state = SongSaveState::kCancelled;
  std::string path;  // the file the song went to (kReady) or was meant for (kFailed)
  TransferOutcome outcome;
};

class SongSaveEvents {
 public:
  virtual ~SongSaveEvents() = default;
  // Whether the song's row is still listed: a save asked for a row of an older list opens no
  // dialog and does nothing.
  virtual bool StillWanted() = 0;
  // The states in their order; path with kDownloading (the file being written) and kReady.
  virtual void StateChanged(SongSaveState state, const std::string& path) = 0;
  // The path the user chooses for a song with no target (proposal: the file name proposed);
  // "" when the user cancels.
  virtual std::string AskTargetPath(const std::string& proposal) = 0;
  virtual void Progress(std::uint64_t received, std::uint64_t announced) = 0;
};

SongSaveResult SaveSong(const SongSaveRequest& request, FileTransport& transport, SongSaveEvents& events,
                        const TransferStop* stop = nullptr);
