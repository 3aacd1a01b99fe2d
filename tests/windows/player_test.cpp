// The Flash player in PlayerPanel (the project's stand-in player in the test prefix), the player
// step's three layouts and its height animation, and the program without a player.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/song_rows.h"
#include "wingui/song_list.h"
#include "host/player_host.h"
#include "host/shockwave_flash.h"
#include "program_fixture.h"
#include "shell/main_loop.h"

namespace {

// The method each vtable slot of IShockwaveFlash leads to, as the player's type library publishes
// it: a call through the program's declaration must land in the method its slot names here.
const char* const kPublishedSlots[] = {
    "QueryInterface", "AddRef", "Release", "GetTypeInfoCount", "GetTypeInfo", "GetIDsOfNames",
    "Invoke", "get_ReadyState", "get_TotalFrames", "get_Playing", "put_Playing", "get_Quality",
    "put_Quality", "get_ScaleMode", "put_ScaleMode", "get_AlignMode", "put_AlignMode",
    "get_BackgroundColor", "put_BackgroundColor", "get_Loop", "put_Loop", "get_Movie", "put_Movie",
    "get_FrameNum", "put_FrameNum", "SetZoomRect", "Zoom", "Pan", "Play", "Stop", "Back", "Forward",
    "Rewind", "StopPlay", "GotoFrame", "CurrentFrame", "IsPlaying", "PercentLoaded", "FrameLoaded",
    "FlashVersion", "get_WMode", "put_WMode", "get_SAlign", "put_SAlign", "get_Menu", "put_Menu",
    "get_Base", "put_Base", "get_Scale", "put_Scale", "get_DeviceFont", "put_DeviceFont",
    "get_EmbedMovie", "put_EmbedMovie", "get_BGColor", "put_BGColor", "get_Quality2",
    "put_Quality2", "LoadMovie"};

std::string MethodCalled;

// Every method notes its own name and touches none of its arguments, so any slot can be called
// with the object alone.
#define VERDIMO_RECORD(name, parameters)                     \
  HRESULT STDMETHODCALLTYPE name parameters override {      \
    MethodCalled = #name;                                    \
    return S_OK;                                             \
  }
class RecordingFlash final : public IShockwaveFlash {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override {
    MethodCalled = "QueryInterface";
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override {
    MethodCalled = "AddRef";
    return 1;
  }
  ULONG STDMETHODCALLTYPE Release() override {
    MethodCalled = "Release";
    return 1;
  }
  VERDIMO_RECORD(GetTypeInfoCount, (UINT*))
  VERDIMO_RECORD(GetTypeInfo, (UINT, LCID, ITypeInfo**))
  VERDIMO_RECORD(GetIDsOfNames, (REFIID, LPOLESTR*, UINT, LCID, DISPID*))
  VERDIMO_RECORD(Invoke, (DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*))
  VERDIMO_SHOCKWAVE_FLASH_METHODS(VERDIMO_RECORD)
};
#undef VERDIMO_RECORD

TEST(FlashInterface, EachSlotHoldsThePublishedMethod) {
  RecordingFlash* const flash = new RecordingFlash();
  IShockwaveFlash* object = flash;
  using AnySlot = HRESULT(STDMETHODCALLTYPE*)(IShockwaveFlash*);
  AnySlot* const vtable = *reinterpret_cast<AnySlot**>(object);
  for (size_t slot = 0; slot < sizeof(kPublishedSlots) / sizeof(kPublishedSlots[0]); ++slot) {
    MethodCalled.clear();
    vtable[slot](object);
    EXPECT_EQ(MethodCalled, kPublishedSlots[slot]) << "slot " << slot;
  }
  delete flash;
}

// The client heights MainWindow takes while a test runs, from its WM_SIZE messages.
std::vector<int> HeightsSeen;
WNDPROC MainWindowProc;

LRESULT CALLBACK NoteHeights(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SIZE) HeightsSeen.push_back(HIWORD(lParam));
  return CallWindowProcA(MainWindowProc, window, message, wParam, lParam);
}

int ClientHeight() {
  RECT client;
  GetClientRect(MainWindow, &client);
  return client.bottom - client.top;
}

class PlayerTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    HeightsSeen.clear();
    MainWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(NoteHeights)));
  }
  void TearDown() override {
    SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MainWindowProc));
    ProgramTest::TearDown();
  }
};

TEST_F(PlayerTest, StepsTakeTheWindowThroughItsThreeLayouts) {
  ASSERT_EQ(FlashReady, 1) << "the stand-in player is not registered in this prefix";
  ASSERT_NE(PlayerPanel, nullptr);
  // The stand-in player keeps each setting's value at the last LoadMovie as a global atom.
  auto settingAtLoad = [](const char* name) {
    char value[32] = "";
    const HANDLE atom = GetPropA(GetWindow(PlayerPanel, GW_CHILD), name);
    GlobalGetAtomNameA(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)), value, sizeof(value));
    return std::string(value);
  };
  const std::string full = "http://player.verdimo.test/music/musicplayer.swf?n=1&a=0&friendID=1001";
  const std::string mini = "http://player.verdimo.test/mini/mini.swf?n=2&friendID=1002";
  struct Step {
    const char* what;
    std::string movie;
    int kind;
    int height;
    bool playerShown;
    RECT panel;  // x, y, width, height while shown
    int linkY, tickerY;
    bool animates;      // more than one height on the way
    bool staysBetween;  // no height beyond the start or the target
  } const steps[] = {
      {"full from collapsed", full, 0, 485, true, {0, 145, 400, 300}, 465, 447, true, false},
      {"full again, no animation", full + "&again", 0, 485, true, {0, 145, 400, 300}, 465, 447, false, true},
      {"mini from full", mini, 1, 255, true, {52, 150, 400, 60}, 235, 217, true, true},
      {"unload from mini", "unload", 0, 185, false, {}, 165, 147, true, false},
      {"mini from collapsed", mini, 1, 255, true, {52, 150, 400, 60}, 235, 217, true, true},
      {"full from mini", full, 0, 485, true, {0, 145, 400, 300}, 465, 447, true, false},
      {"unload from full", "unload", 1, 185, false, {}, 165, 147, true, false},
      {"unload when collapsed", "unload", 1, 185, false, {}, 165, 147, false, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    const int startHeight = ClientHeight();
    HeightsSeen.clear();
    PlayerMovieKind = step.kind;
    PlayerMovieUrl.Set(step.movie);
    ASSERT_TRUE(RunLoopUntil([] { return PlayerMovieUrl.Get().empty(); }, 5000));

    EXPECT_EQ(PlayerMovieShown(), step.movie);
    EXPECT_EQ(settingAtLoad("AllowScriptAccess"), "never");
    EXPECT_EQ(settingAtLoad("AllowNetworking"), "internal");
    EXPECT_EQ(ClientHeight(), step.height);
    if (!HeightsSeen.empty()) {
      EXPECT_EQ(HeightsSeen.back(), step.height);
    }
    std::vector<int> distinct = HeightsSeen;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    EXPECT_EQ(distinct.size() > 1, step.animates) << HeightsSeen.size() << " heights";
    if (step.staysBetween) {
      for (int h : HeightsSeen) {
        EXPECT_GE(h, std::min(startHeight, step.height));
        EXPECT_LE(h, std::max(startHeight, step.height));
      }
    }
    EXPECT_EQ(IsWindowVisible(PlayerPanel) != FALSE, step.playerShown);
    if (step.playerShown) {
      const RECT panel = ChildRect(PlayerPanel);
      EXPECT_EQ(panel.left, step.panel.left);
      EXPECT_EQ(panel.top, step.panel.top);
      EXPECT_EQ(panel.right - panel.left, step.panel.right);
      EXPECT_EQ(panel.bottom - panel.top, step.panel.bottom);
    }
    EXPECT_EQ(ChildRect(HomeLink).top, step.linkY);
    EXPECT_EQ(ChildRect(SiteLink).top, step.linkY);
    EXPECT_EQ(ChildRect(TickerStrip).top, step.tickerY);
    // Only y changes in the bottom row.
    EXPECT_EQ(ChildRect(SiteLink).left, 2);
    EXPECT_EQ(ChildRect(TickerStrip).left, 15);
    EXPECT_EQ(ChildRect(TickerStrip).right - ChildRect(TickerStrip).left, 370);
  }
}

// Points the player's ProgID at a class that does not exist for as long as it lives, as on a
// system without a player.
class PlayerClassHidden {
 public:
  PlayerClassHidden() {
    const std::string key = std::string(kFlashProgId) + "\\CLSID";
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ | KEY_WRITE, &key_) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    char value[64] = "";
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key_, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS) {
      saved_ = value;
    }
    Write("{A0E1C1E5-0000-4000-8000-000000000F1A}");
  }
  ~PlayerClassHidden() {
    if (key_ == nullptr) return;
    if (!saved_.empty()) Write(saved_);
    RegCloseKey(key_);
  }
  PlayerClassHidden(const PlayerClassHidden&) = delete;
  PlayerClassHidden& operator=(const PlayerClassHidden&) = delete;

 private:
  void Write(const std::string& text) {
    RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
  }
  HKEY key_ = nullptr;
  std::string saved_;
};

class NoPlayerTest : public PlayerTest {
 protected:
  void SetUp() override {
    hidden_ = new PlayerClassHidden();
    PlayerTest::SetUp();
  }
  void TearDown() override {
    PlayerTest::TearDown();
    delete hidden_;
  }
  PlayerClassHidden* hidden_ = nullptr;
};

TEST_F(NoPlayerTest, WithoutAPlayerThereIsNoPanelAndTheWindowStaysCollapsed) {
  EXPECT_EQ(FlashReady, 0);
  EXPECT_EQ(FlashControl, nullptr);
  EXPECT_EQ(PlayerPanel, nullptr);
  EXPECT_EQ(GetDlgItem(MainWindow, kPlayerPanelId), nullptr);

  StartProfileRead("someband");
  ASSERT_TRUE(RunLoopUntil([] { return ProfileReadsRunning.load() == 0 && SongListFilled.load() == 0; }, 60000));
  RunLoopFor(300);
  // The list is still finished (buttons, title); the movie is never taken.
  EXPECT_EQ(SongRowCount(SongList), 5);
  EXPECT_TRUE(IsWindow(GetRowButton(SongList, 0)));
  EXPECT_EQ(WindowTextOf(MainWindow), "Verdimo Music Downloader - Some Band");
  EXPECT_EQ(PlayerMovieUrl.Get(), "http://player.verdimo.test/music/musicplayer.swf?n=1&a=0&friendID=1001");
  EXPECT_EQ(ClientHeight(), 185);
  for (int h : HeightsSeen) EXPECT_EQ(h, 185);
  EXPECT_EQ(ChildRect(SiteLink).top, 165);
}

}  // namespace
