// What reads publish for the main loop. The shell owns it: each read's window events (see
// profile_reader.h) write it, the loop reads it. Flags and counters are atomics, texts are
// SharedText replaced whole, and a read publishes its texts before the flags the loop polls.
#pragma once

#include <atomic>
#include <mutex>

#include "base/shared_text.h"

// Held while ListGeneration is raised for a new read, and by a read while it tests its generation
// and publishes its results, so that a read a newer one has replaced publishes nothing. Nothing is
// sent to a window while it is held.
extern std::mutex ReadResultLock;
extern std::atomic<int> SongListFilled;
extern std::atomic<int> ProfileReadsRunning;
extern std::atomic<int> PlayerMovieKind;
// 1 when the read that ended last fetched a profile page (so its ArtistName stands), else 0.
extern std::atomic<int> ArtistNameFound;
extern SharedText ArtistName, PreviousArtistName;
extern SharedText PlayerMovieUrl;
extern SharedText SiteLinkTip;

// Puts every value back to its start (start-up).
void ResetReadResults();
