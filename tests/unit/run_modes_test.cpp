// The process entry: argument tail, switch scan and the mode each switch runs.

#include "host/run_modes.h"
#include <csignal>

#include "host/host_state.h"
#include "host/saver_window.h"
#include "test_support.h"

namespace {

struct ChangeCall {
  std::string provider;
  HWND owner;
};
std::vector<ChangeCall> changeCalls;

void WINAPI recordPasswordChange(LPCSTR provider, HWND owner, DWORD, DWORD) {
  changeCalls.push_back({provider, owner});
}

class RunModesTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    platform::useVirtualClock();
    platform::setProfilePath(dir.file("control.ini"));
    changeCalls.clear();
    platform::setDialogDriver([this](HWND dialog) {
      dialogOwner = GetParent(dialog);
      SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
  }
  static std::string number(HWND window) { return std::to_string(reinterpret_cast<uintptr_t>(window)); }
  int32_t dispatch(const std::string& tail) { return DispatchRunMode(GetModuleHandleA(nullptr), tail.c_str()); }
  TempDir dir;
  HWND dialogOwner = nullptr;
};

TEST(ArgumentTail, SkipsTheProgramNameQuotedOrNotAndTheBlanksAfterIt) {
  EXPECT_STREQ(ArgumentTail("\"C:\\Program Files\\lumarel.scr\" /s"), "/s");
  EXPECT_STREQ(ArgumentTail("lumarel.scr\t /p 12"), "/p 12");
  EXPECT_STREQ(ArgumentTail("\"no closing quote /s"), "");
  EXPECT_STREQ(ArgumentTail("  /c"), "/c");  // a leading blank skips no program name
  EXPECT_STREQ(ArgumentTail("x"), "");
}

TEST(ParseDecimal, ReadsLeadingDigitsAndWrapsAt32Bits) {
  EXPECT_EQ(ParseDecimal("123abc"), 123u);
  EXPECT_EQ(ParseDecimal("abc"), 0u);
  EXPECT_EQ(ParseDecimal(" 5"), 0u);
  EXPECT_EQ(ParseDecimal("-5"), 0u);
  EXPECT_EQ(ParseDecimal("4294967297"), 1u);
}

TEST_F(RunModesTest, NoSwitchOrCOpensTheSettingsDialog) {
  HWND owner = plainWindow(200, 150);
  SetForegroundWindow(owner);
  for (const char* tail : {"", "/", "- -/", "/c", "/C 123", "c"}) {
    EXPECT_EQ(dispatch(tail), 1) << tail;
    EXPECT_EQ(dialogOwner, std::string(tail).find_first_of("cC") == std::string::npos ? nullptr : owner) << tail;
  }
  HWND other = plainWindow(200, 150);
  EXPECT_EQ(dispatch("/c:" + number(other)), 1);
  EXPECT_EQ(dialogOwner, other);
  EXPECT_EQ(dispatch("/c:99999"), 1);  // no such window: the foreground one
  EXPECT_EQ(dialogOwner, owner);
}

TEST_F(RunModesTest, BadSwitchesEndWithMinusOneAndNoWindow) {
  for (const char* tail : {"/x", "/?", "\t/s", "/\ts", "/p", "/p abc", "/p 0", "/p\t12", "/p 99999", "\x80", "/a 1"})
    EXPECT_EQ(dispatch(tail), -1) << tail;
  EXPECT_EQ(FindWindowA(saverClassName, nullptr), nullptr);
}

TEST_F(RunModesTest, SRunsTheFullScreenSaverOnlyOnce) {
  PostQuitMessage(7);  // ends the loop as soon as the window is up
  EXPECT_EQ(dispatch("-S now"), 7);
  HWND saver = FindWindowA(saverClassName, "Screen Saver");
  ASSERT_NE(saver, nullptr);
  RECT client;
  GetClientRect(saver, &client);
  EXPECT_EQ(client.right, GetSystemMetrics(SM_CXVIRTUALSCREEN));
  EXPECT_EQ(client.bottom, GetSystemMetrics(SM_CYVIRTUALSCREEN));
  RECT placed;
  GetWindowRect(saver, &placed);
  EXPECT_EQ(std::make_pair(placed.left, placed.top), (std::pair<LONG, LONG>{0, 0}));  // the virtual screen's corner
  EXPECT_EQ(dispatch("/s"), 0);  // a second start only brings the first forward
  EXPECT_EQ(GetForegroundWindow(), saver);
}

TEST_F(RunModesTest, PRunsAPreviewFillingTheParent) {
  HWND parent = plainWindow(200, 150);
  PostQuitMessage(0);
  EXPECT_EQ(dispatch("/p  " + number(parent)), 0);
  HWND preview = FindWindowA(saverClassName, "Preview");
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(GetParent(preview), parent);
  RECT client;
  GetClientRect(preview, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 150);
}

TEST_F(RunModesTest, AFaultDuringAModeRunEndsTheProcessWithMinusOne) {
  // A settings dialog whose user makes the program fault.
  platform::setDialogDriver([](HWND) { std::raise(SIGILL); });
  EXPECT_EXIT(dispatch(""), ::testing::ExitedWithCode(255), "");
}

TEST_F(RunModesTest, AChangesThePasswordOnlyOnTheNineXFamily) {
  platform::provideLibrary(
      "MPR.DLL", {{"PwdChangePasswordA", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(recordPasswordChange))}});
  HWND owner = plainWindow(200, 150);
  EXPECT_EQ(dispatch("/a " + number(owner)), -1);
  EXPECT_TRUE(changeCalls.empty());
  platform::setPlatformFamily(platform::PlatformFamily::Windows9x);
  EXPECT_EQ(dispatch("/a " + number(owner)), 0);
  ASSERT_EQ(changeCalls.size(), 1u);
  EXPECT_EQ(changeCalls[0].provider, "SCRSAVE");
  EXPECT_EQ(changeCalls[0].owner, owner);
  EXPECT_EQ(platform::loadedLibraryCount(), 0);
}

}  // namespace
