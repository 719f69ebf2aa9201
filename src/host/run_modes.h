// The process entry: the argument tail, the platform family, the run-mode
// switch, and the fault guard around the mode run.
#pragma once

#include <cstdint>

#include "host_state.h"
#include "platform/win32.h"

enum class RunMode { ModeConfigure, ModeSaver, ModePreview, ModeChangePassword, ModeInvalid };

// What the switch in an argument tail asks for.
struct RunSwitch {
  RunMode mode = RunMode::ModeInvalid;
  // The dialog's owner: none, the window the user works in, or by number.
  enum class Owner { None, Foreground, Number } owner = Owner::None;
  uint32_t number = 0;  // the preview's parent, or the owner
};
RunSwitch ScanRunSwitch(const char* tail);

[[noreturn]] void HostEntry();
int32_t DispatchRunMode(HINSTANCE instance, const char* tail);
uint32_t ParseDecimal(const char* text);
int32_t ShowSettingsDialog(const HostState& host, HWND owner);

// The command line after the program name and the blanks that follow it.
const char* ArgumentTail(const char* commandLine);
