// The program's one main routine: start-up, the main loop, the end sequence.
#pragma once

// Runs the whole program and returns its exit code (0).
int VerdimoMain();

// Start-up, as a list of named steps. False when MainWindow could not be made (the caller then
// goes straight to the end sequence).
bool StartUp();

// Closes the window, waits until no download job runs, releases what start-up made.
void EndSequence();
