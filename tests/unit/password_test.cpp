// Closing on the 9x family: the password provider, its retry gap, and the
// screen-saver-running flag.

#include "host/password.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "test_support.h"

namespace {

int prompts = 0;
BOOL answer = FALSE;

BOOL WINAPI fakeVerify(HWND) {
  ++prompts;
  return answer;
}

class PasswordTest : public SaverTest {
 protected:
  void SetUp() override {
    SaverTest::SetUp();
    prompts = 0;
    answer = FALSE;
    platform::setPlatformFamily(platform::PlatformFamily::Windows9x);
    platform::provideLibrary("PASSWORD.CPL",
                             {{"VerifyScreenSavePwd", reinterpret_cast<FARPROC>(reinterpret_cast<void*>(fakeVerify))}});
  }
  HWND startWithPassword(uint32_t required) {
    platform::setRegistryValue("Control Panel\\Desktop", "ScreenSaveUsePassword", required);
    hostState.win9xFamily = true;
    LoadPasswordProvider(hostState);
    return startSaver(320, 240);
  }
  // Delivers a close request as the message loop would.
  bool survivesClose(HWND window) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    return IsWindow(window);
  }
};

TEST_F(PasswordTest, WithoutThePasswordValueTheFirstCloseRequestCloses) {
  HWND window = startWithPassword(0);
  EXPECT_EQ(platform::loadedLibraryCount(), 0);
  EXPECT_FALSE(platform::screenSaverRunning());
  EXPECT_FALSE(survivesClose(window));
  EXPECT_TRUE(hostState.closeApproved);
}

// What a host asking the saver to verify gets: the provider's answer, or a
// yes where there is no provider.
TEST_F(PasswordTest, AVerifyRequestGetsTheProvidersAnswerOrYesWithoutOne) {
  HWND window = startWithPassword(0);
  EXPECT_EQ(SendMessageA(window, VerifyPasswordRequest, 0, 0), 1);
  TearDown();
  SetUp();
  window = startWithPassword(1);
  EXPECT_EQ(SendMessageA(window, VerifyPasswordRequest, 0, 0), 0);
  EXPECT_EQ(prompts, 1);
}

TEST_F(PasswordTest, ARefusalKeepsTheSaverAndQuickRetriesAreRefusedSilently) {
  HWND window = startWithPassword(1);
  EXPECT_TRUE(platform::screenSaverRunning());
  EXPECT_TRUE(survivesClose(window));  // the very first request asks at once
  EXPECT_EQ(prompts, 1);
  Sleep(199);
  EXPECT_TRUE(survivesClose(window));
  EXPECT_EQ(prompts, 1);  // within 200 ms of the prompt: no new one
  Sleep(1);               // exactly 200 ms: asks again
  answer = TRUE;
  EXPECT_FALSE(survivesClose(window));
  EXPECT_EQ(prompts, 2);
  UnloadPasswordProvider(hostState);
  EXPECT_FALSE(platform::screenSaverRunning());
  EXPECT_EQ(platform::loadedLibraryCount(), 0);
}

TEST_F(PasswordTest, TheRetryGapIsMeasuredAcrossTheWrapOfTheTickCount) {
  HWND window = startWithPassword(1);
  Sleep(0xFFFFFFFFu - GetTickCount() - 49);  // 50 ms before the tick count wraps
  EXPECT_TRUE(survivesClose(window));
  EXPECT_EQ(prompts, 1);
  Sleep(150);  // the tick count has wrapped to 100
  EXPECT_LT(GetTickCount(), 200u);
  EXPECT_TRUE(survivesClose(window));
  EXPECT_EQ(prompts, 1);
  Sleep(100);
  EXPECT_TRUE(survivesClose(window));
  EXPECT_EQ(prompts, 2);
}

TEST_F(PasswordTest, AProviderWithoutItsEntryIsReleasedAndAsksNothing) {
  resetSaverProcess();
  platform::setPlatformFamily(platform::PlatformFamily::Windows9x);
  platform::provideLibrary("PASSWORD.CPL", {});
  HWND window = startWithPassword(1);
  EXPECT_EQ(platform::loadedLibraryCount(), 0);
  EXPECT_FALSE(platform::screenSaverRunning());
  EXPECT_FALSE(survivesClose(window));
}

TEST_F(PasswordTest, TheNtFamilyNeverLoadsAProvider) {
  platform::setRegistryValue("Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
  hostState.win9xFamily = false;
  LoadPasswordProvider(hostState);
  EXPECT_EQ(platform::loadedLibraryCount(), 0);
  HWND window = startSaver(320, 240);
  EXPECT_FALSE(survivesClose(window));
  EXPECT_EQ(prompts, 0);
  EXPECT_FALSE(platform::screenSaverRunning());
}

}  // namespace
