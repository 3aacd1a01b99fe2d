// Saving one song into a file, without a window: naming, reserving the name, the transfer through
// a FileTransport and the states the song passes, reported to SongSaveEvents. The window answers
// with its row's cells and its save dialog; the command line prints.
#pragma once

#include <cstdint>
#include <string>

#include "net/file_transport.h"

struct SongSaveRequest {
  std::string url;
  std::string name;
  // A target of Save Songs: the folder joined with the song's safe name; "" makes the save ask
  // for a path (the save dialog).
  std::string targetPath;
  // A file an earlier run left a ".part" for: the save writes it again when no running save holds
  // it, instead of looking for a free name beside it.
  std::string continuePath;
};

enum class SongSaveState {
  kWaiting,      // the song holds its row and looks for its file
  kDownloading,  // the transfer runs
  kReady,        // saved; the path is known
  kFailed,       // not saved
  kCancelled,    // the user chose no file: the row is free again
};

class SongSaveEvents {
 public:
  virtual ~SongSaveEvents() = default;
  // Whether the song's row is still listed: a save asked for a row of an older list opens no
  // dialog and does nothing.
  virtual bool StillWanted() = 0;
  // The states in their order; path only with kReady.
  virtual void StateChanged(SongSaveState state, const std::string& path) = 0;
  // The path the user chooses for a song with no target (proposal: the file name proposed);
  // "" when the user cancels.
  virtual std::string AskTargetPath(const std::string& proposal) = 0;
  virtual void Progress(std::uint64_t received, std::uint64_t announced) = 0;
};

// Saves the song; returns the state it ended in.
SongSaveState SaveSong(const SongSaveRequest& request, FileTransport& transport, SongSaveEvents& events,
                       const TransferStop* stop = nullptr);
