// A song's save: the states follow the song, "Waiting..." while it chooses its file,
// "Downloading..." during the transfer, then ready or failed. The target names that saves write
// are reserved for them while they run, so two saves running side by side never write one file.
#include "downloads/song_save.h"

#include <chrono>
#include <thread>

#include "base/text_search.h"
#include "downloads/download_naming.h"
#include "downloads/name_reservations.h"
#include "net/song_address.h"

namespace {

// Claims a name the user chose; waits while another running save writes the same file.
void ReserveChosenPath(const std::string& path) {
  while (!ReserveTargetPath(path)) {
    ReleaseTargetPath(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace

SongSaveState SaveSong(const SongSaveRequest& request, FileTransport& transport, SongSaveEvents& events,
                       const TransferStop* stop) {
  const bool asks = IsBlank(request.targetPath);
  // A song of Save Songs was handed over with its address and name and is saved all the same,
  // as one already transferring is; a save dialog is not opened for a row no longer listed.
  if (asks && !events.StillWanted()) return SongSaveState::kCancelled;
  events.StateChanged(SongSaveState::kWaiting, std::string());

  std::string targetPath;
  if (asks) {
    targetPath = events.AskTargetPath(SaveDialogProposal(request.name));
    if (!targetPath.empty()) {
      targetPath = WithMp3Extension(targetPath);
      ReserveChosenPath(targetPath);
    }
  } else if (!request.continuePath.empty() && ReserveTargetPath(request.continuePath)) {
    targetPath = request.continuePath;
  } else {
    if (!request.continuePath.empty()) ReleaseTargetPath(request.continuePath);
    targetPath = ReserveUniqueTargetPath(
        request.targetPath, [&transport](const std::string& path) { return transport.FileExistsNonEmpty(path); });
  }
  if (targetPath.empty()) {
    events.StateChanged(SongSaveState::kCancelled, std::string());
    return SongSaveState::kCancelled;
  }

  events.StateChanged(SongSaveState::kDownloading, std::string());
  // The address came from the playlist: blanks and high bytes encoded, and only a web address is
  // fetched; any other ends the save failed.
  const std::string address = SongAddressToFetch(request.url);
  const bool saved =
      !address.empty() &&
      transport.Transfer(
          address, targetPath,
          [&events](std::uint64_t received, std::uint64_t announced) { events.Progress(received, announced); }, stop);
  ReleaseTargetPath(targetPath);
  const SongSaveState end = saved ? SongSaveState::kReady : SongSaveState::kFailed;
  events.StateChanged(end, saved ? targetPath : std::string());
  return end;
}
