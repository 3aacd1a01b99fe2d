// The taskbar button during Save Songs: the share of the batch's songs that have ended, in the
// error colour once one has failed, and no bar when the last one ends. Window thread only.
#pragma once

#include <memory>

#include "wingui/taskbar_button.h"

// Save Songs started songs more songs.
void BeginBatchOnTaskbar(int songs);
// A song of the batch ended (DownloadJob's kBatchSongEndedMessage).
void EndBatchSongOnTaskbar(bool failed);
// The taskbar to show the batch on; without a call the system's is asked for once, when the first
// batch begins. nullptr: none (nothing is shown, nothing fails).
void UseTaskbarButton(std::unique_ptr<TaskbarButton> button);
