// The lumarel program's command line: the saver's own switches (/s, /c,
// /p N), or the conventions of the Linux screen-saver daemons, plus
// settings that override the INI file for one run.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "linux/desktop/front_end.h"

#include "linux/headless/headless_saver.h"

struct SaverOptions {
  enum class Target {
    Switches,   // the saver's own switches decide
    Root,       // the root window, or the daemon's window
    WindowId,   // the window named by windowId
    OwnWindow,  // a window of its own
    Wallpaper,  // the desktop's background, below every window
    Lock,       // the session's lock screen, until the password is given
  };
  Target target = Target::Switches;
  std::string switches;  // the switch words, as the saver reads them
  std::string windowId;
  SettingOverride overrides;
  std::string backend;  // "wayland", "x11", or empty: chosen from the environment
  bool help = false;
  bool version = false;
};

extern const char saverUsage[];

// daemonWindow: $XSCREENSAVER_WINDOW, or null. Nothing, with the reason in
// error, when the command line is not understood.
std::optional<SaverOptions> parseSaverOptions(int argc, const char* const* argv, const char* daemonWindow,
                                              std::string& error);

// Whether the options run the saver, rather than the settings dialog.
bool runsSaver(const SaverOptions& options);

struct FrontEndChoice {
  const FrontEnd* frontEnd;  // null: error says why, status is the exit status
  std::string error;
  int status;
};

// The front end to run on, from the table of those built in: the one that
// --backend names, else the first whose display the environment names.
// Runs that draw into another program's window take one that can (on a
// mixed session, X11 through XWayland).
FrontEndChoice chooseFrontEnd(const SaverOptions& options, std::span<const FrontEnd* const> table,
                              const std::function<const char*(const char*)>& environment);

// An X window id as text: "0x" and hex digits, or decimal digits.
std::optional<unsigned long> parseWindowId(const std::string& text);

// What the saver's own switches get wrong, in words (empty when the run-mode
// scan takes them): an unknown switch, or /p without a window id. Whether
// the window exists is for the display to say.
std::string switchProblem(const std::string& switches);

// The window number after /p (or /l), as the saver reads it; 0 for none.
uint32_t previewWindowNumber(const std::string& switches);
