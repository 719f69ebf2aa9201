// Our Win32 subset with a desktop front end: windows of other programs, the
// cross-process single instance, and the message loop waiting for input.

#include <chrono>

#include "host/host_state.h"
#include "host/saver_window.h"
#include "platform/win32.h"
#include "resource_ids.h"
#include "test_support.h"

namespace {

const HWND desktopWindow = reinterpret_cast<HWND>(uintptr_t{0x400001});
const HWND otherSaver = reinterpret_cast<HWND>(uintptr_t{0x600005});

class FakeDesktop : public platform::Desktop {
 public:
  bool clientSize(HWND window, SIZE& size) override {
    if (window != desktopWindow && window != otherSaver) return false;
    size = SIZE{300, 200};
    return true;
  }
  HWND find(const char* className, const char* title) override {
    return saverRunning && std::string(className) == "WindowsScreenSaverClass" && std::string(title) == "Screen Saver"
               ? otherSaver
               : nullptr;
  }
  bool bringToFront(HWND window) override {
    raised = window;
    return true;
  }
  void collectInput() override {
    ++collected;
    if (inputArrived && target) {
      PostMessageA(target, WM_KEYDOWN, 32, 0);
      inputArrived = false;
    }
  }
  void waitForInput(uint64_t deadline) override {
    deadlines.push_back(deadline);
    inputArrived = true;
  }

  bool saverRunning = false;
  HWND raised = nullptr;
  HWND target = nullptr;
  bool inputArrived = false;
  int collected = 0;
  std::vector<uint64_t> deadlines;
};

class DesktopTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    platform::setDesktop(&desktop);
  }
  FakeDesktop desktop;
};

TEST_F(DesktopTest, OtherProgramsWindowsCanParentOurs) {
  EXPECT_TRUE(IsWindow(desktopWindow));
  EXPECT_FALSE(IsWindow(reinterpret_cast<HWND>(uintptr_t{0x400002})));
  RECT client{};
  ASSERT_TRUE(GetClientRect(desktopWindow, &client));
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  HWND child = plainWindow(300, 200, WS_CHILD | WS_VISIBLE, desktopWindow);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(GetParent(child), desktopWindow);
  EXPECT_EQ(plainWindow(1, 1, WS_CHILD, reinterpret_cast<HWND>(uintptr_t{0x400002})), nullptr);
}

TEST_F(DesktopTest, AFullScreenStartDefersToASaverOfAnotherProcess) {
  desktop.saverRunning = true;
  hostState.instance = GetModuleHandleA(nullptr);
  EXPECT_EQ(RunSaverWindow(hostState, nullptr), 0);
  EXPECT_EQ(desktop.raised, otherSaver);
  EXPECT_EQ(hostState.saverWindow, nullptr);
  EXPECT_EQ(FindWindowA("WindowsScreenSaverClass", "Preview"), nullptr);
}

TEST_F(DesktopTest, TheLoopCollectsInputBeforeTimersAndWaitsForTheNextTimer) {
  HWND window = plainWindow(10, 10);
  desktop.target = window;
  const uint64_t set = platform::timerClock();
  SetTimer(window, 1, 50, nullptr);
  MSG msg;
  ASSERT_GT(GetMessageA(&msg, nullptr, 0, 0), 0);
  // Nothing was due: the loop waited for input until at most the timer's due time.
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
  ASSERT_EQ(desktop.deadlines.size(), 1u);
  EXPECT_GE(desktop.deadlines[0], set + 50);
  EXPECT_LE(desktop.deadlines[0], platform::timerClock() + 50);
  EXPECT_EQ(desktop.collected, 2);
}

TEST_F(DesktopTest, DialogsAreLeftToTheDialogDriverAndDescribedToIt) {
  int devices = 0;
  platform::setDeviceFactory([&devices](HWND) {
    ++devices;
    return nullptr;
  });
  std::vector<platform::WindowDescription> controls;
  platform::setDialogDriver([&controls](HWND dialog) {
    for (HWND control : platform::childWindows(dialog)) controls.push_back(*platform::describeWindow(control));
    EXPECT_FALSE(platform::dialogEnded(dialog));
    EndDialog(dialog, 7);
    EXPECT_TRUE(platform::dialogEnded(dialog));
  });
  EXPECT_EQ(
      DialogBoxParamA(
          nullptr, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return 0; }, 0),
      7);
  EXPECT_EQ(devices, 0);
  ASSERT_FALSE(controls.empty());
  const auto ok = std::find_if(controls.begin(), controls.end(), [](auto& c) { return c.id == IDOK; });
  ASSERT_NE(ok, controls.end());
  EXPECT_EQ(ok->className, "Button");
  EXPECT_EQ(ok->title, "OK");
  EXPECT_EQ(ok->style & 0xF, static_cast<DWORD>(BS_DEFPUSHBUTTON));
}

TEST_F(DesktopTest, AMessageBoxEndsOnOkAndOnCancelAndNoDialogRunsWithoutADriver) {
  for (const WORD button : {IDOK, IDCANCEL}) {
    platform::setDialogDriver([button](HWND box) { PostMessageA(box, WM_COMMAND, button, 0); });
    EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_OK), IDOK) << button;
  }
  platform::setDialogDriver(nullptr);
  EXPECT_EQ(MessageBoxA(nullptr, "Text", "Caption", MB_OK), 0);  // what a box that could not show returns
}

// Messages to a window that is gone go nowhere and say so.
TEST_F(DesktopTest, MessagesToADestroyedWindowAreAnsweredWithZero) {
  HWND window = plainWindow(10, 10);
  ASSERT_NE(window, nullptr);
  DestroyWindow(window);
  EXPECT_EQ(SendMessageA(window, WM_ERASEBKGND, 0, 0), 0);
}

}  // namespace
