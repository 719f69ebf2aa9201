#include "password.h"

#include "host_state.h"
#include "saver_window.h"

namespace {

constexpr uint32_t retryGap = 200;  // milliseconds
constexpr uint32_t noVerification = 0xFFFFFFFF;

typedef void(WINAPI* ChangePasswordEntry)(LPCSTR provider, HWND owner, DWORD, DWORD);

// Whether the desktop asks for a password: "ScreenSaveUsePassword" nonzero.
bool passwordRequiredByDesktop(HKEY desktop) {
  DWORD value = 0, size = sizeof value;
  return RegQueryValueExA(desktop, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<LPBYTE>(&value),
                          &size) == ERROR_SUCCESS &&
         value != 0;
}

template <typename Entry>
Entry findEntry(HMODULE module, LPCSTR name) {
  return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

void LoadPasswordProvider() {
  if (!hostState.win9xFamily) return;
  if (hostState.passwordModule) UnloadPasswordProvider();
  HKEY desktop;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) return;
  if (passwordRequiredByDesktop(desktop) && (hostState.passwordModule = LoadLibraryA("PASSWORD.CPL"))) {
    hostState.verifyPassword = findEntry<VerifyPasswordEntry>(hostState.passwordModule, "VerifyScreenSavePwd");
    if (hostState.verifyPassword) {
      SetSaverRunningFlag(true);
    } else {
      UnloadPasswordProvider();
    }
  }
  RegCloseKey(desktop);
}

void UnloadPasswordProvider() {
  if (!hostState.win9xFamily || !hostState.passwordModule) return;
  FreeLibrary(hostState.passwordModule);
  hostState.passwordModule = nullptr;
  if (hostState.verifyPassword) {
    hostState.verifyPassword = nullptr;
    SetSaverRunningFlag(false);
  }
}

BOOL SetSaverRunningFlag(bool on) {
  if (!hostState.win9xFamily) return 0;
  UINT previous = 0;
  return SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}

bool ApproveClose(HWND window) {
  // A close delivered by the provider's own prompt is no answer to it.
  if (hostState.verifying) return false;
  if (!hostState.verifyPassword) {
    hostState.closeApproved = true;
    return true;
  }
  if (hostState.lastVerifyEnd != noVerification && GetTickCount() - hostState.lastVerifyEnd < retryGap) return false;
  hostState.verifying = true;
  MSG pending;
  for (int i = 0; i < 2; ++i) PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  const LRESULT answer = SendMessageA(window, VerifyPasswordRequest, 0, 0);
  hostState.closeApproved = answer != 0;
  hostState.verifying = false;
  if (!hostState.closeApproved) SetCursor(nullptr);
  hostState.lastVerifyEnd = GetTickCount();
  return hostState.closeApproved;
}

void ChangeSaverPassword(HWND owner) {
  HMODULE router = LoadLibraryA("MPR.DLL");
  if (!router) return;
  if (auto change = findEntry<ChangePasswordEntry>(router, "PwdChangePasswordA")) change("SCRSAVE", owner, 0, 0);
  FreeLibrary(router);
}
