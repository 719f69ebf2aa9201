// The saver window's class procedure and input watch: which input and power
// events close the saver, and what approval and preview mode change.

#include "host/host_state.h"
#include "host/saver_window.h"
#include "settings/settings_dialog.h"
#include "state/engine_state.h"
#include "test_support.h"

namespace {

class InputWatchTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    platform::setCursorPosition({100, 100});
  }
  HWND start(bool preview = false) {
    hostState.isPreview = preview;
    HWND window = startSaver(320, 240);
    ValidateRect(window, nullptr);  // only what the test sends is queued
    return window;
  }
  // Sends the message and reports whether it queued a close request.
  bool closes(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    SendMessageA(window, message, wParam, lParam);
    bool close = false;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) close |= msg.message == WM_CLOSE;
    return close;
  }
  bool movesTo(HWND window, LONG x, LONG y) {
    platform::setCursorPosition({x, y});
    return closes(window, WM_MOUSEMOVE, 0, MAKELPARAM(0, 0));
  }
};

TEST_F(InputWatchTest, SmallMovesAddUpUntilTheyPassFourPixels) {
  HWND window = start();
  EXPECT_TRUE(platform::cursorHidden());
  EXPECT_FALSE(movesTo(window, 103, 101));  // 3 + 1 = 4
  EXPECT_TRUE(movesTo(window, 104, 101));   // 5 from where the watch began
  EXPECT_FALSE(movesTo(window, 108, 101));  // measured afresh from there
  EXPECT_TRUE(movesTo(window, 104, 96));
}

TEST_F(InputWatchTest, PressesCloseButReleasesWheelAndDeactivationOfOthersDoNot) {
  HWND window = start();
  for (UINT press : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN})
    EXPECT_TRUE(closes(window, press)) << press;
  for (UINT other : {WM_KEYUP, WM_LBUTTONUP, WM_MOUSEWHEEL}) EXPECT_FALSE(closes(window, other)) << other;
  EXPECT_TRUE(closes(window, WM_ACTIVATEAPP, 0));
  EXPECT_FALSE(closes(window, WM_ACTIVATEAPP, 1));
}

TEST_F(InputWatchTest, PowerEventsCloseByTheirTable) {
  HWND window = start();
  for (WPARAM event : {0, 1, 2, 3, 4, 5, 9, 11, 17, 19}) EXPECT_TRUE(closes(window, WM_POWERBROADCAST, event)) << event;
  for (WPARAM resume : {6, 7, 8, 18}) {
    EXPECT_TRUE(closes(window, WM_POWERBROADCAST, resume, 0)) << resume;
    EXPECT_FALSE(closes(window, WM_POWERBROADCAST, resume, PBTF_APMRESUMEFROMFAILURE)) << resume;
  }
  EXPECT_TRUE(closes(window, WM_POWER, PWR_CRITICALRESUME));
  EXPECT_FALSE(closes(window, WM_POWER, 1));
  // A status change closes only when the mains status differs from the last one seen.
  SYSTEM_POWER_STATUS status;
  GetSystemPowerStatus(&status);
  hostState.acLineStatus = static_cast<uint8_t>(status.ACLineStatus ^ 1);
  EXPECT_TRUE(closes(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE));
  EXPECT_FALSE(closes(window, WM_POWERBROADCAST, PBT_APMPOWERSTATUSCHANGE));
}

TEST_F(InputWatchTest, SystemCommandsThatWouldLeaveTheSaverAreSwallowed) {
  HWND window = start();
  EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
  EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_NEXTWINDOW, 0), 0);
  EXPECT_TRUE(IsWindow(window));
  SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);  // reaches the default handling, which closes
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(InputWatchTest, PreviewWatchesNothingAndLeavesTheCursorAlone) {
  HWND window = start(true);
  EXPECT_FALSE(platform::cursorHidden());
  EXPECT_FALSE(closes(window, WM_KEYDOWN));
  EXPECT_FALSE(movesTo(window, 200, 200));
  EXPECT_FALSE(closes(window, WM_ACTIVATEAPP, 0));
}

// Windows shows the window after creation, and a program behind may have set
// the pointer in between.
TEST_F(InputWatchTest, ShowingTheWindowHidesThePointerAgain) {
  HWND window = start();
  SetCursor(reinterpret_cast<HCURSOR>(0x1));
  SendMessageA(window, WM_SHOWWINDOW, FALSE, 0);
  EXPECT_FALSE(platform::cursorHidden());
  SendMessageA(window, WM_SHOWWINDOW, TRUE, 0);
  EXPECT_TRUE(platform::cursorHidden());
}

std::vector<std::pair<HWND, HIMC>> associations;
HIMC WINAPI recordAssociation(HWND window, HIMC context) {
  associations.emplace_back(window, context);
  return reinterpret_cast<HIMC>(0x77);
}

// Keys typed at the saver go to no input method; the window's own context
// comes back when it goes. An IMM32 without the entry is left alone.
TEST_F(InputWatchTest, TheInputMethodIsDetachedForTheRunOnly) {
  associations.clear();
  platform::provideLibrary(
      "IMM32.DLL", {{"ImmAssociateContext", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&recordAssociation))}});
  LoadLibraryA("IMM32.DLL");
  HWND window = start();
  DestroyWindow(window);
  EXPECT_EQ(associations,
            (std::vector<std::pair<HWND, HIMC>>{{window, nullptr}, {window, reinterpret_cast<HIMC>(0x77)}}));

  TearDown();
  SetUp();
  platform::provideLibrary("IMM32.DLL", {});
  LoadLibraryA("IMM32.DLL");
  window = start();
  DestroyWindow(window);
  EXPECT_EQ(associations.size(), 2u);
}

TEST_F(InputWatchTest, AfterApprovalTicksDrawNothingAndInputIsIgnored) {
  HWND window = start();
  hostState.closeApproved = true;
  takeTrace();
  EXPECT_EQ(SendMessageA(window, WM_TIMER, 200, 0), 0);
  EXPECT_TRUE(takeTrace().empty());
  EXPECT_FALSE(closes(window, WM_KEYDOWN));
  // Closing and destruction end the message loop.
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(window));
  MSG msg;
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), 0);
}

TEST_F(InputWatchTest, TheAutoPlayQueryClosesAndIsCancelledOnlyBehindAPassword) {
  HWND window = start();
  hostState.autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");
  EXPECT_TRUE(closes(window, hostState.autoPlayMessage));
  EXPECT_EQ(SendMessageA(window, hostState.autoPlayMessage, 0, 0), 0);  // AutoPlay proceeds
  hostState.verifyPassword = [](HWND) -> BOOL { return FALSE; };
  EXPECT_EQ(SendMessageA(window, hostState.autoPlayMessage, 0, 0), 1);
}

// Tests and tools start the saver many times in one process: after the one
// reset, nothing of an earlier run may show in the next.
TEST_F(SaverTest, AResetLeavesNothingOfAnEarlierRun) {
  const auto run = [this] {
    startSaver(320, 240, 7);
    runHeadlessTicks(200, nullptr);
    return takeTrace();
  };
  const std::vector<std::string> first = run();
  ASSERT_GT(count(first, "pen"), 100u);
  settingsDialogState.ctl3dModule = GetModuleHandleA(nullptr);  // as a dialog left open would
  hostState.closeApproved = true;
  TearDown();  // the reset that every test and headless run starts from
  SetUp();
  EXPECT_EQ(settingsDialogState.ctl3dModule, nullptr);
  EXPECT_EQ(profileFileName[0], '\0');
  EXPECT_EQ(run(), first);
}

}  // namespace
