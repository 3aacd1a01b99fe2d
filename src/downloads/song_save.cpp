// A song's save: the states follow the song, "Waiting..." while it chooses its file,
// "Downloading..." during the transfer, then ready or failed. The target names that saves write
// are reserved for them while they run, so two saves running side by side never write one file.
#include "downloads/song_save.h"

#include <chrono>
#include <thread>

#include "base/text_search.h"
#include "net/answer_policy.h"
#include "net/song_address.h"

namespace {

// Claims a name the user chose; waits while another running save writes the same file.
void ReserveChosenPath(const std::string& path) {
  while (!ReserveTargetPath(path)) {
    ReleaseTargetPath(path);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// The file the song goes to, reserved; "" when there is none.
std::string ChooseTarget(const SongSaveRequest& request, FileTransport& transport, SongSaveEvents& events) {
  if (IsBlank(request.targetPath)) {
    std::string path = events.AskTargetPath(SaveDialogProposal(request.name));
    if (path.empty()) return path;
    path = WithMp3Extension(path);
    ReserveChosenPath(path);
    return path;
  }
  if (!request.continuePath.empty() && ReserveTargetPath(request.continuePath, request.fold)) return request.continuePath;
  if (!request.continuePath.empty()) ReleaseTargetPath(request.continuePath, request.fold);
  if (request.taken) {
    return ReserveUniqueTargetPath(request.targetPath, request.taken, request.fold, request.nameCounter);
  }
  return ReserveUniqueTargetPath(
      request.targetPath, [&transport](const std::string& path) { return transport.FileExistsNonEmpty(path); },
      request.fold);
}

}  // namespace

SongSaveResult SaveSong(const SongSaveRequest& request, FileTransport& transport, SongSaveEvents& events,
                        const TransferStop* stop) {
  SongSaveResult result;
  // A song of Save Songs was handed over with its address and name and is saved all the same,
  // as one already transferring is; a save dialog is not opened for a row no longer listed.
  if (IsBlank(request.targetPath) && !events.StillWanted()) return result;
  events.StateChanged(SongSaveState::kWaiting, std::string());

  result.path = ChooseTarget(request, transport, events);
  if (result.path.empty()) {
    events.StateChanged(SongSaveState::kCancelled, std::string());
    return result;
  }

  events.StateChanged(SongSaveState::kDownloading, result.path);
  // The address came from the playlist: blanks and high bytes encoded, and only a web address is
  // fetched; any other ends the save failed.
  TransferRequest transfer;
  transfer.url = SongAddressToFetch(request.url);
  if (transfer.url.empty()) {
    result.outcome.failure = TransferFailure::kNotWebAddress;
    result.outcome.reason = FailureWords(TransferFailure::kNotWebAddress, 0, 0, 0);
  } else {
    transfer.targetPath = result.path;
    if (result.path == request.continuePath) transfer.resume = request.resume;
    transfer.keepPartOnFailure = request.keepPartOnFailure;
    transfer.keepWholePart = request.keepWholePart;
    transfer.progress = [&events](std::uint64_t received, std::uint64_t announced) { events.Progress(received, announced); };
    transfer.accepted = request.accepted;
    transfer.stop = stop;
    result.outcome = transport.Transfer(transfer);
  }
  ReleaseTargetPath(result.path, request.fold);
  result.state = result.outcome.whole ? SongSaveState::kReady : SongSaveState::kFailed;
  events.StateChanged(result.state, result.outcome.whole ? result.path : std::string());
  return result;
}
