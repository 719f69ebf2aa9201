#include "password.h"

#include "host_state.h"
#include "saver_window.h"

namespace {

constexpr uint32_t retryGap = 200;  // milliseconds

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

void LoadPasswordProvider(HostState& host) {
  if (!host.win9xFamily) return;
  if (host.passwordModule) UnloadPasswordProvider(host);
  HKEY desktop;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &desktop) != ERROR_SUCCESS) return;
  if (passwordRequiredByDesktop(desktop) && (host.passwordModule = LoadLibraryA("PASSWORD.CPL"))) {
    host.verifyPassword = findEntry<VerifyPasswordEntry>(host.passwordModule, "VerifyScreenSavePwd");
    if (host.verifyPassword) {
      SetSaverRunningFlag(host, true);
    } else {
      UnloadPasswordProvider(host);
    }
  }
  RegCloseKey(desktop);
}

void UnloadPasswordProvider(HostState& host) {
  if (!host.win9xFamily || !host.passwordModule) return;
  FreeLibrary(host.passwordModule);
  host.passwordModule = nullptr;
  if (host.verifyPassword) {
    host.verifyPassword = nullptr;
    SetSaverRunningFlag(host, false);
  }
}

BOOL SetSaverRunningFlag(const HostState& host, bool on) {
  if (!host.win9xFamily) return 0;
  UINT previous = 0;
  return SystemParametersInfoA(SPI_SCREENSAVERRUNNING, on ? 1 : 0, &previous, 0);
}

bool ApproveClose(HostState& host, HWND window) {
  // A close delivered by the provider's own prompt is no answer to it.
  if (host.verifying) return false;
  if (!host.verifyPassword) {
    host.closeApproved = true;
    return true;
  }
  if (host.lastVerifyEnd != noVerification && GetTickCount() - host.lastVerifyEnd < retryGap) return false;
  host.verifying = true;
  MSG pending;
  for (int i = 0; i < 2; ++i) PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  const LRESULT answer = SendMessageA(window, VerifyPasswordRequest, 0, 0);
  host.closeApproved = answer != 0;
  host.verifying = false;
  if (!host.closeApproved) SetCursor(nullptr);
  host.lastVerifyEnd = GetTickCount();
  return host.closeApproved;
}

void ChangeSaverPassword(HWND owner) {
  HMODULE router = LoadLibraryA("MPR.DLL");
  if (!router) return;
  if (auto change = findEntry<ChangePasswordEntry>(router, "PwdChangePasswordA")) change("SCRSAVE", owner, 0, 0);
  FreeLibrary(router);
}
