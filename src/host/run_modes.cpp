#include "run_modes.h"

#include "host_state.h"
#include "password.h"
#include "resource_ids.h"
#include "saver_window.h"
#include "settings/settings_dialog.h"

namespace {

HWND windowFromNumber(uint32_t number) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(number)); }

// A usable window from a number, or the window the user works in.
HWND ownerFromNumber(uint32_t number) {
  HWND owner = windowFromNumber(number);
  return owner && IsWindow(owner) ? owner : GetForegroundWindow();
}

const char* skipSpaces(const char* text) {
  while (*text == ' ') ++text;
  return text;
}

// A processor fault during a mode run: the desktop must not go on thinking
// that a saver runs, and the process ends with -1.
LONG WINAPI faultGuard(EXCEPTION_POINTERS*) {
  SetSaverRunningFlag(hostState, false);
  ExitProcess(static_cast<UINT>(-1));
}

}  // namespace

const char* ArgumentTail(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    do {
      p = CharNextA(p);
    } while (*p && *p != '"');
    if (*p == '"') ++p;
  } else if (static_cast<unsigned char>(*p) > 0x20) {
    while (static_cast<unsigned char>(*p) > 0x20) p = CharNextA(p);
  }
  while (*p >= 0x01 && static_cast<unsigned char>(*p) <= 0x20) ++p;
  return p;
}

void HostEntry() {
  ExitProcess(static_cast<UINT>(DispatchRunMode(GetModuleHandleA(nullptr), ArgumentTail(GetCommandLineA()))));
}

uint32_t ParseDecimal(const char* text) {
  uint32_t value = 0;  // wraps without a test, like the platform's own parsing
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10 + static_cast<uint32_t>(*text - '0');
  return value;
}

int32_t ShowSettingsDialog(const HostState& host, HWND owner) {
  if (!loadCtl3d(host.instance)) return 0;
  return static_cast<int32_t>(
      DialogBoxParamA(host.instance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, settingsDialogProc, 0));
}

int32_t DispatchRunMode(HINSTANCE instance, const char* tail) {
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_TAB_CLASSES};
  InitCommonControlsEx(&controls);
  // The process entry fills in the host's record and hands it to the mode it runs.
  HostState& host = hostState;
  host.instance = instance;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  host.win9xFamily = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
  SetUnhandledExceptionFilter(faultGuard);
  const RunSwitch run = ScanRunSwitch(tail);
  switch (run.mode) {
    case RunMode::ModeConfigure:
      return ShowSettingsDialog(host, run.owner == RunSwitch::Owner::None         ? nullptr
                                      : run.owner == RunSwitch::Owner::Foreground ? GetForegroundWindow()
                                                                                  : ownerFromNumber(run.number));
    case RunMode::ModeSaver:
      return RunSaverWindow(host, nullptr);
    case RunMode::ModePreview: {
      HWND parent = windowFromNumber(run.number);
      return parent && IsWindow(parent) ? RunSaverWindow(host, parent) : -1;
    }
    case RunMode::ModeChangePassword:
      if (!host.win9xFamily) return -1;
      ChangeSaverPassword(ownerFromNumber(run.number));
      return 0;
    case RunMode::ModeInvalid:
      break;
  }
  return -1;
}

RunSwitch ScanRunSwitch(const char* tail) {
  RunSwitch run;
  for (const char* p = tail;; ++p) {
    // Taken as a signed byte: bytes from 0x80 up match no switch.
    switch (static_cast<signed char>(*p)) {
      case '\0':
        run.mode = RunMode::ModeConfigure;
        return run;
      case ' ':
      case '-':
      case '/':
        continue;
      case 'S':
      case 's':
        run.mode = RunMode::ModeSaver;
        return run;
      case 'P':
      case 'p':
      case 'L':
      case 'l':
        run.mode = RunMode::ModePreview;
        run.number = ParseDecimal(skipSpaces(p + 1));
        return run;
      case 'C':
      case 'c':
        run.mode = RunMode::ModeConfigure;
        run.owner = p[1] == ':' ? RunSwitch::Owner::Number : RunSwitch::Owner::Foreground;
        if (p[1] == ':') run.number = ParseDecimal(p + 2);
        return run;
      case 'A':
      case 'a':
        run.mode = RunMode::ModeChangePassword;
        run.number = ParseDecimal(skipSpaces(p + 1));
        return run;
      default:
        return run;
    }
  }
}
