// The outside view of verdimo.exe: everything here works on another process, through the
// window system (messages, window rectangles, real input) and the other process's memory,
// never through the program's own code.
#include "e2e/program_driver.h"

#include <commctrl.h>
#include <png.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Layout of the scratch block inside the program's process.
constexpr SIZE_T kRemoteSize = 16384;
constexpr SIZE_T kItemOffset = 0;       // an LVITEMA or LVCOLUMNA
constexpr SIZE_T kRectOffset = 512;     // a RECT
constexpr SIZE_T kTextOffset = 1024;    // text the list writes back
constexpr SIZE_T kTextSize = 4096;
constexpr SIZE_T kPathOffset = 8192;    // a path handed to a dialog
constexpr SIZE_T kPathSize = 4096;

constexpr UINT kMessageTimeoutMs = 5000;

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, kMessageTimeoutMs, &answer)) {
    return false;
  }
  if (result != nullptr) *result = static_cast<LRESULT>(answer);
  return true;
}

bool WriteRemote(const ProgramRun& run, SIZE_T offset, const void* data, SIZE_T size) {
  if (run.remote == nullptr) return false;
  SIZE_T written = 0;
  return WriteProcessMemory(run.process.hProcess, run.remote + offset, data, size, &written) &&
         written == size;
}

bool ReadRemote(const ProgramRun& run, SIZE_T offset, void* data, SIZE_T size) {
  if (run.remote == nullptr) return false;
  SIZE_T read = 0;
  return ReadProcessMemory(run.process.hProcess, run.remote + offset, data, size, &read) && read == size;
}

std::string ClassOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof(name));
  return name;
}

DWORD ProcessOf(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process;
}

struct TopLevelSearch {
  DWORD process;
  std::function<bool(HWND)> wanted;
  HWND found;
};

BOOL CALLBACK VisitTopLevel(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<TopLevelSearch*>(context);
  if (ProcessOf(window) != search->process || !IsWindowVisible(window)) return TRUE;
  if (!search->wanted(window)) return TRUE;
  search->found = window;
  return FALSE;
}

HWND FindTopLevel(DWORD process, const std::function<bool(HWND)>& wanted) {
  TopLevelSearch search = {process, wanted, nullptr};
  EnumWindows(VisitTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsMainWindow(HWND window) {
  if (ClassOf(window) == "#32770") return false;  // its message boxes carry the same title
  return WindowTitle(window).rfind(kProgramTitle, 0) == 0;
}

struct ChildSearch {
  const char* className;
  HWND found;
};

BOOL CALLBACK VisitChild(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<ChildSearch*>(context);
  if (ClassOf(child) != search->className) return TRUE;
  search->found = child;
  return FALSE;
}

HWND DescendantOfClass(HWND window, const char* className) {
  ChildSearch search = {className, nullptr};
  EnumChildWindows(window, VisitChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForDialog(const ProgramRun& run, const std::function<bool(HWND)>& wanted, DWORD timeoutMs) {
  HWND dialog = nullptr;
  PollUntil(
      [&] {
        dialog = FindTopLevel(run.process.dwProcessId,
                              [&](HWND window) { return ClassOf(window) == "#32770" && wanted(window); });
        return dialog != nullptr;
      },
      timeoutMs);
  return dialog;
}

void CreateFolderPath(const std::string& path) {
  for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1)) {
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  }
  CreateDirectoryA(path.c_str(), nullptr);
}

// The site folder of the checkout this file was compiled from: <root>\tests\e2e\<file> ->
// <root>\site.
std::string DefaultSiteRoot() {
  std::string here = WindowsPath(__FILE__);
  for (int level = 0; level < 3; ++level) {
    const size_t slash = here.find_last_of('\\');
    if (slash == std::string::npos) return std::string();
    here.resize(slash);
  }
  return here + "\\site";
}

bool HasPrefix(const char* argument, const char* prefix, std::string* value) {
  const size_t length = std::strlen(prefix);
  if (std::strncmp(argument, prefix, length) != 0) return false;
  *value = argument + length;
  return true;
}

// Writes the rows once libpng is set up; kept apart so that nothing the error jump could skip
// lives in the frame that called setjmp.
void WritePngRows(png_structp png, const Screenshot& shot) {
  for (int y = 0; y < shot.height; ++y) {
    png_write_row(png, &shot.rgb[static_cast<size_t>(y) * static_cast<size_t>(shot.width) * 3]);
  }
}

}  // namespace

E2eSettings& Settings() {
  static E2eSettings settings;
  return settings;
}

std::string WindowsPath(const std::string& path) {
  std::string converted = path;
  for (char& c : converted) {
    if (c == '/') c = '\\';
  }
  if (!path.empty() && path[0] == '/') converted = "Z:" + converted;
  return converted;
}

bool ParseE2eArguments(int argc, char** argv, std::string* problem) {
  E2eSettings& settings = Settings();
  settings.siteRoot = DefaultSiteRoot();
  std::string value;
  for (int i = 1; i < argc; ++i) {
    if (HasPrefix(argv[i], "--verdimo=", &value)) {
      settings.verdimo = WindowsPath(value);
    } else if (HasPrefix(argv[i], "--output=", &value)) {
      settings.output = WindowsPath(value);
    } else if (HasPrefix(argv[i], "--site=", &value)) {
      settings.siteRoot = WindowsPath(value);
    } else {
      *problem = std::string("unknown argument ") + argv[i];
      return false;
    }
  }
  if (settings.verdimo.empty()) {
    *problem = "--verdimo=PATH is required";
    return false;
  }
  if (settings.output.empty()) settings.output = WindowsPath("/tmp/verdimo-e2e-output");
  while (!settings.output.empty() && settings.output.back() == '\\') settings.output.pop_back();
  CreateFolderPath(settings.output);
  const char* log = std::getenv("VERDIMO_REQUEST_LOG");
  if (log == nullptr || *log == '\0') {
    *problem = "VERDIMO_REQUEST_LOG is not set (run through tests/wine/run after tests/wine/env-up)";
    return false;
  }
  settings.requestLog = RequestLogPath();
  return true;
}

TempFolder::TempFolder(const std::string& label) {
  static int counter;
  ++counter;
  // Process numbers are per Wine prefix, and several prefixes may share /tmp: the start time
  // keeps two test programs with the same number apart.
  static const unsigned long long started = GetTickCount64();
  path = "Z:\\tmp\\verdimo-e2e-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(started) +
         "-" + std::to_string(counter) + "-" + label;
  CreateFolderPath(path);
}

TempFolder::~TempFolder() {
  for (const std::string& name : FolderEntries(path + "\\")) DeleteFileA(File(name).c_str());
  RemoveDirectoryA(path.c_str());
}

ProgramRun::~ProgramRun() {
  if (process.hProcess == nullptr) return;
  if (ProgramRunning(*this)) {
    if (window != nullptr && IsWindow(window)) PostMessageA(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 10000);
    }
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

bool StartProgram(ProgramRun* run, std::string* problem) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof(startup);
  std::string commandLine = "\"" + Settings().verdimo + "\"";
  if (!CreateProcessA(Settings().verdimo.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      run->folder.path.c_str(), &startup, &run->process)) {
    *problem = "CreateProcess failed for " + Settings().verdimo + " (error " + std::to_string(GetLastError()) + ")";
    run->process = PROCESS_INFORMATION{};
    return false;
  }
  const bool shown = PollUntil(
      [&] {
        run->window = FindTopLevel(run->process.dwProcessId, IsMainWindow);
        return run->window != nullptr || !ProgramRunning(*run);
      },
      30000);
  if (!shown || run->window == nullptr) {
    *problem = "no visible window titled \"" + std::string(kProgramTitle) + "...\" appeared";
    return false;
  }
  run->remote = static_cast<char*>(
      VirtualAllocEx(run->process.hProcess, nullptr, kRemoteSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  if (run->remote == nullptr) {
    *problem = "VirtualAllocEx failed (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  return true;
}

bool ProgramRunning(const ProgramRun& run) {
  return run.process.hProcess != nullptr && WaitForSingleObject(run.process.hProcess, 0) == WAIT_TIMEOUT;
}

bool WaitForExit(const ProgramRun& run, DWORD timeoutMs, DWORD* exitCode) {
  if (WaitForSingleObject(run.process.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  return GetExitCodeProcess(run.process.hProcess, exitCode) != 0;
}

void RequestClose(const ProgramRun& run) { PostMessageA(run.window, WM_CLOSE, 0, 0); }

HWND Control(const ProgramRun& run, int id) { return GetDlgItem(run.window, id); }

std::string WindowTitle(HWND window) {
  char text[1024] = "";
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ControlText(HWND control) {
  char text[4096] = "";
  if (!SendMessageTimeoutA(control, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text), SMTO_NORMAL,
                           kMessageTimeoutMs, nullptr)) {
    return std::string();
  }
  text[sizeof(text) - 1] = '\0';
  return text;
}

RECT ChildRect(HWND child) {
  RECT rect = {};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

POINT CentreOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

bool Visible(HWND window) { return window != nullptr && IsWindowVisible(window); }

bool Enabled(HWND window) { return Visible(window) && IsWindowEnabled(window); }

int SongRowCount(const ProgramRun& run) {
  LRESULT count = 0;
  if (!SendWithTimeout(Control(run, kSongListId), LVM_GETITEMCOUNT, 0, 0, &count)) return -1;
  return static_cast<int>(count);
}

std::string SongCell(const ProgramRun& run, int row, int column) {
  LVITEMA item = {};
  item.iSubItem = column;
  item.pszText = run.remote + kTextOffset;
  item.cchTextMax = static_cast<int>(kTextSize);
  const char nothing = '\0';
  LRESULT length = 0;
  if (!WriteRemote(run, kItemOffset, &item, sizeof(item)) || !WriteRemote(run, kTextOffset, &nothing, 1) ||
      !SendWithTimeout(Control(run, kSongListId), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(run.remote + kItemOffset), &length)) {
    return std::string();
  }
  std::string text(kTextSize, '\0');
  if (!ReadRemote(run, kTextOffset, &text[0], kTextSize)) return std::string();
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::vector<SongRow> SongRows(const ProgramRun& run) {
  std::vector<SongRow> rows;
  const int count = SongRowCount(run);
  for (int row = 0; row < count; ++row) {
    rows.push_back({SongCell(run, row, 0), SongCell(run, row, 1), SongCell(run, row, 2), SongCell(run, row, 3)});
  }
  return rows;
}

bool NameCellOnScreen(const ProgramRun& run, int row, RECT* screen) {
  RECT rect = {};
  rect.left = LVIR_LABEL;
  LRESULT ok = 0;
  HWND list = Control(run, kSongListId);
  if (!WriteRemote(run, kRectOffset, &rect, sizeof(rect)) ||
      !SendWithTimeout(list, LVM_GETITEMRECT, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(run.remote + kRectOffset), &ok) ||
      !ok || !ReadRemote(run, kRectOffset, &rect, sizeof(rect))) {
    return false;
  }
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
  *screen = rect;
  return true;
}

std::vector<ListColumn> SongListColumns(const ProgramRun& run) {
  std::vector<ListColumn> columns;
  for (int index = 0; index < 16; ++index) {
    LVCOLUMNA column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = run.remote + kTextOffset;
    column.cchTextMax = static_cast<int>(kTextSize);
    LRESULT ok = 0;
    if (!WriteRemote(run, kItemOffset, &column, sizeof(column)) ||
        !SendWithTimeout(Control(run, kSongListId), LVM_GETCOLUMNA, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(run.remote + kItemOffset), &ok) ||
        !ok || !ReadRemote(run, kItemOffset, &column, sizeof(column))) {
      break;
    }
    std::string title(kTextSize, '\0');
    if (!ReadRemote(run, kTextOffset, &title[0], kTextSize)) break;
    title.resize(std::strlen(title.c_str()));
    columns.push_back({title, column.cx});
  }
  return columns;
}

// Under Wine the X server has the last word on the pointer: GetCursorPos asks it once the
// window system's own position is 100 ms old, and a warp made while the program's window is
// still coming up can be lost. A move counts only when the pointer is still found there after
// that, else it is made again.
void MovePointer(POINT screen) {
  const auto elsewhere = [&] {
    POINT now;
    GetCursorPos(&now);
    return now.x != screen.x || now.y != screen.y;
  };
  for (int attempt = 0; attempt < 20; ++attempt) {
    SetCursorPos(screen.x, screen.y);
    if (!PollUntil(elsewhere, 250, 10)) return;
  }
}

void ParkPointer() { MovePointer(POINT{0, 0}); }

namespace {

void SendButtons(const DWORD* flags, int count) {
  INPUT inputs[4] = {};
  for (int i = 0; i < count; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dwFlags = flags[i];
  }
  SendInput(static_cast<UINT>(count), inputs, sizeof(INPUT));
}

}  // namespace

void ClickAt(POINT screen) {
  MovePointer(screen);
  const DWORD flags[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  SendButtons(flags, 2);
}

void DoubleClickAt(POINT screen) {
  MovePointer(screen);
  const DWORD flags[] = {MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  SendButtons(flags, 4);
}

void PressKey(WORD virtualKey, WORD held) {
  const WORD keys[] = {held, virtualKey, virtualKey, held};
  INPUT inputs[4] = {};
  UINT count = 0;
  for (int i = 0; i < 4; ++i) {
    if (keys[i] == 0) continue;
    inputs[count].type = INPUT_KEYBOARD;
    inputs[count++].ki = {keys[i], static_cast<WORD>(MapVirtualKeyA(keys[i], MAPVK_VK_TO_VSC)),
                          i < 2 ? 0u : static_cast<DWORD>(KEYEVENTF_KEYUP), 0, 0};
  }
  SendInput(count, inputs, sizeof(INPUT));
}

bool EnterAddress(ProgramRun& run, const std::string& text, std::string* problem) {
  HWND field = Control(run, kUrlFieldId);
  if (field == nullptr) {
    *problem = "no address field (control 100)";
    return false;
  }
  ClickAt(CentreOf(field));
  const bool focused = PollUntil(
      [&] {
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        return GetGUIThreadInfo(run.process.dwThreadId, &info) && info.hwndFocus == field &&
               GetForegroundWindow() == run.window;
      },
      10000);
  if (!focused) {
    *problem = "the address field did not get the keyboard focus from a click";
    return false;
  }
  if (!SendWithTimeout(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), nullptr)) {
    *problem = "WM_SETTEXT to the address field timed out";
    return false;
  }
  const std::string typed = ControlText(field);
  if (text != typed) {
    *problem = "the address field holds \"" + typed + "\" instead of \"" + text + "\"";
    return false;
  }
  PressKey(VK_RETURN);
  return true;
}

bool WaitForReadEnd(const ProgramRun& run, const std::string& pageUrl, long long logOffset, DWORD timeoutMs) {
  return PollUntil(
      [&] {
        return RequestLogged(logOffset, "GET", pageUrl, -1) && Visible(Control(run, kSongListId)) &&
               !Visible(Control(run, kLoadingSpinnerId)) && IsWindowEnabled(Control(run, kGoButtonId));
      },
      timeoutMs);
}

HWND WaitForSaveDialog(const ProgramRun& run, DWORD timeoutMs) {
  return WaitForDialog(run, [](HWND dialog) { return GetDlgItem(dialog, 1148) != nullptr; }, timeoutMs);
}

HWND WaitForFolderChooser(const ProgramRun& run, DWORD timeoutMs) {
  return WaitForDialog(
      run, [](HWND dialog) { return DescendantOfClass(dialog, "SysTreeView32") != nullptr; }, timeoutMs);
}

HWND ClickForFolderChooser(const ProgramRun& run, HWND button) {
  HWND chooser = nullptr;
  for (int click = 0; click < 3 && chooser == nullptr; ++click) {
    ClickAt(CentreOf(button));
    chooser = WaitForFolderChooser(run, 8000);
  }
  return chooser;
}

// The name is put in again until the box shows it, so that nothing the dialog does while it
// comes up can replace it before the confirmation.
bool AnswerSaveDialog(HWND dialog, const std::string& path) {
  HWND nameBox = GetDlgItem(dialog, 1148);
  if (nameBox == nullptr) return false;
  const bool named = PollUntil(
      [&] {
        return SendWithTimeout(nameBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()), nullptr) &&
               ControlText(nameBox) == path;
      },
      10000, 100);
  if (!named) return false;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return PollUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
}

namespace {

// The text of the tree's selected item, "" when none is selected.
std::string SelectedTreeItem(const ProgramRun& run, HWND tree) {
  LRESULT item = 0;
  if (!SendWithTimeout(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, &item) || item == 0) return std::string();
  TVITEMA request = {};
  request.mask = TVIF_TEXT;
  request.hItem = reinterpret_cast<HTREEITEM>(item);
  request.pszText = run.remote + kTextOffset;
  request.cchTextMax = static_cast<int>(kTextSize);
  const char nothing = '\0';
  LRESULT ok = 0;
  if (!WriteRemote(run, kItemOffset, &request, sizeof(request)) || !WriteRemote(run, kTextOffset, &nothing, 1) ||
      !SendWithTimeout(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(run.remote + kItemOffset), &ok) || !ok) {
    return std::string();
  }
  std::string text(kTextSize, '\0');
  if (!ReadRemote(run, kTextOffset, &text[0], kTextSize)) return std::string();
  text.resize(std::strlen(text.c_str()));
  return text;
}

}  // namespace

// Wine's folder chooser does not always take the first selection: a walk into a part of the
// tree it has not expanded yet can miss. The selection is therefore repeated until the tree
// shows the folder selected.
bool AnswerFolderChooser(const ProgramRun& run, HWND dialog, const std::string& folder) {
  if (folder.size() + 1 > kPathSize || !WriteRemote(run, kPathOffset, folder.c_str(), folder.size() + 1)) {
    return false;
  }
  HWND tree = DescendantOfClass(dialog, "SysTreeView32");
  const std::string leaf = folder.substr(folder.find_last_of('\\') + 1);
  const bool selected = PollUntil(
      [&] {
        return SendWithTimeout(dialog, BFFM_SETSELECTIONA, TRUE,
                               reinterpret_cast<LPARAM>(run.remote + kPathOffset), nullptr) &&
               SelectedTreeItem(run, tree) == leaf;
      },
      30000, 200);
  if (!selected) return false;
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
  return PollUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 10000);
}

COLORREF Screenshot::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return RGB(rgb[at], rgb[at + 1], rgb[at + 2]);
}

bool CaptureWindow(HWND window, Screenshot* shot) {
  RECT rect = {};
  if (!GetWindowRect(window, &rect)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP image = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = image != nullptr && memory != nullptr;
  if (ok) {
    HGDIOBJ old = SelectObject(memory, image);
    ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY | CAPTUREBLT) != 0;
    GdiFlush();
    if (ok) {
      const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
      shot->screen = rect;
      shot->width = width;
      shot->height = height;
      shot->rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
      const auto* source = static_cast<const unsigned char*>(bits);
      for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
          const unsigned char* bgr = source + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
          unsigned char* out = &shot->rgb[(static_cast<size_t>(y) * static_cast<size_t>(width) + x) * 3];
          out[0] = bgr[2];
          out[1] = bgr[1];
          out[2] = bgr[0];
        }
      }
    }
    SelectObject(memory, old);
  }
  if (image != nullptr) DeleteObject(image);
  if (memory != nullptr) DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

bool WritePng(const Screenshot& shot, const std::string& path) {
  if (shot.width <= 0 || shot.height <= 0) return false;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    std::fclose(file);
    return false;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, static_cast<png_uint_32>(shot.width), static_cast<png_uint_32>(shot.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  WritePngRows(png, shot);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(file) == 0;
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

long long FileSize(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}
