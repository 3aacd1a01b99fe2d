#include "shell/read_results.h"

std::mutex ReadResultLock;
std::atomic<int> SongListFilled;
std::atomic<int> ProfileReadsRunning;
std::atomic<int> PlayerMovieKind;
std::atomic<int> ArtistNameFound;
SharedText ArtistName, PreviousArtistName;
SharedText PlayerMovieUrl;
SharedText SiteLinkTip;

void ResetReadResults() {
  SongListFilled = 0;
  ProfileReadsRunning = 0;
  PlayerMovieKind = 0;
  ArtistNameFound = 0;
  ArtistName.Set("");
  PreviousArtistName.Set("");
  PlayerMovieUrl.Set("");
  SiteLinkTip.Set("");
}
