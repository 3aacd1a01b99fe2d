// The vocabulary of the song list's State column. The texts are shown to the user and compared
// by the main loop, so they are exact: three full stops, no blank before them.
#pragma once

constexpr const char* kStateNone = "";
constexpr const char* kStateWaiting = "Waiting...";
constexpr const char* kStateDownloading = "Downloading...";
constexpr const char* kStateReady = "Ready!";
// A transfer that did not deliver the song. Such a row behaves like a row in State "".
constexpr const char* kStateFailed = "Failed!";

// Columns of SongList, in their order.
enum SongColumn { kColumnName = 0, kColumnUrl = 1, kColumnState = 2, kColumnPath = 3 };
