// A Windows program that the stand-in site serves as a song (/fault/program.mp3). Run, it leaves
// a marker file in the temp folder, so a test can tell that it was started; saved and played as
// a song, it must never run.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  char folder[MAX_PATH] = "";
  const DWORD length = GetTempPathA(sizeof(folder), folder);
  if (length == 0 || length >= sizeof(folder)) return 1;
  const std::string marker = std::string(folder) + "verdimo-marker-program-ran.txt";
  HANDLE file = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  CloseHandle(file);
  return 0;
}
