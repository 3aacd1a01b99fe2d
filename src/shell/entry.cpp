// The executable's entry: the program takes no arguments and runs its main routine.
#include <windows.h>

#include "shell/startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return VerdimoMain(); }
