#include "saver_options.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "command_line.h"
#include "host/run_modes.h"

const char saverUsage[] =
    "usage: lumarel [/c | /s | /p WINDOW] [--interval MS] [--crayon PERCENT]\n"
    "       lumarel (--root | --window-id WINDOW | --window | --wallpaper | --lock)\n"
    "       [--interval MS]\n"
    "       [--crayon PERCENT]\n"
    "       [--backend NAME]\n"
    "\n"
    "  no switch, /c    open the settings\n"
    "  /s               run the saver full screen; input ends it\n"
    "  /p WINDOW        draw a preview into an existing X window (decimal id)\n"
    "  --root           draw into the root window, or into $XSCREENSAVER_WINDOW when set\n"
    "  --window-id ID   draw into the X window ID (decimal or 0x hex)\n"
    "  --window         draw into a window of its own\n"
    "  --wallpaper      draw the desktop's background, below the windows (Wayland: on\n"
    "                   compositors with layer shell); input does not end it\n"
    "  --lock           lock the session (Wayland, with ext-session-lock-v1): the figures\n"
    "                   until the user's password is given; on X11, use xsecurelock\n"
    "  --interval MS    timer interval for this run, 1 to 1000 ms\n"
    "  --crayon PERCENT share of crayon-style series for this run, 0 to 100\n"
    "  --backend NAME   the display system, as built in: wayland, x11 (default: wayland\n"
    "                   when WAYLAND_DISPLAY is set, else x11)\n"
    "  --version        print the version\n"
    "\n"
    "Settings live in $XDG_CONFIG_HOME/lumarel/control.ini (else ~/.config/lumarel).\n"
    "Exit status: 0 when the saver ends or the settings are cancelled, 1 after OK in the\n"
    "settings or when the display cannot be opened, 2 for bad options, 3 when the display\n"
    "goes away, 4 when the picture's memory cannot be had, 255 for a bad switch or window.\n"
    "--lock: 0 once the password unlocked the session (or another lumarel holds the lock),\n"
    "5 when the compositor cannot lock, 6 when it refused (another locker holds the lock),\n"
    "7 when the password could not be checked (the session is not locked), 8 when the\n"
    "check broke while locked (the session stays locked; start lumarel --lock again).";

namespace {

// Daemons pass their options with one dash or two.
bool isOption(const std::string& word, const char* name) {
  return word == std::string("--") + name || word == std::string("-") + name;
}

}  // namespace

std::optional<SaverOptions> parseSaverOptions(int argc, const char* const* argv, const char* daemonWindow,
                                              std::string& error) {
  SaverOptions options;
  bool targetGiven = false;
  const auto setTarget = [&](SaverOptions::Target target) {
    if (targetGiven) {
      error = "give only one of --root, --window-id, --window, --wallpaper and --lock";
      return false;
    }
    targetGiven = true;
    options.target = target;
    return true;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--help" || word == "-h") {
      options.help = true;
    } else if (word == "--version") {
      options.version = true;
    } else if (isOption(word, "root")) {
      if (!setTarget(SaverOptions::Target::Root)) return std::nullopt;
    } else if (isOption(word, "window")) {
      if (!setTarget(SaverOptions::Target::OwnWindow)) return std::nullopt;
    } else if (isOption(word, "wallpaper")) {
      if (!setTarget(SaverOptions::Target::Wallpaper)) return std::nullopt;
    } else if (isOption(word, "lock")) {
      if (!setTarget(SaverOptions::Target::Lock)) return std::nullopt;
    } else if (isOption(word, "window-id") || isOption(word, "interval") || isOption(word, "crayon") ||
               isOption(word, "backend")) {
      if (i + 1 >= argc) {
        error = "missing value after " + word;
        return std::nullopt;
      }
      const std::string value = argv[++i];
      if (isOption(word, "window-id")) {
        if (!setTarget(SaverOptions::Target::WindowId)) return std::nullopt;
        options.windowId = value;
      } else if (isOption(word, "backend")) {
        if (value.empty()) {
          error = "--backend takes the name of a display system";
          return std::nullopt;
        }
        options.backend = value;
      } else if (isOption(word, "interval")) {
        const auto interval = parseCount(value, 1000);
        if (!interval || *interval == 0) {
          error = "--interval takes milliseconds from 1 to 1000";
          return std::nullopt;
        }
        options.overrides.emplace_back("Timer interval", value);
      } else {
        if (!parseCount(value, 100)) {
          error = "--crayon takes a percentage from 0 to 100";
          return std::nullopt;
        }
        options.overrides.emplace_back("PercentCrayon", value);
      }
    } else if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
      error = "unknown option " + word;
      return std::nullopt;
    } else {
      options.switches += (options.switches.empty() ? "" : " ") + word;
    }
  }
  if (targetGiven && !options.switches.empty()) {
    error =
        "switches such as " + options.switches + " do not go with --root, --window-id, --window, --wallpaper or --lock";
    return std::nullopt;
  }
  // A daemon names the window its programs draw in.
  const bool daemonAsks = options.target == SaverOptions::Target::Root || (!targetGiven && options.switches.empty());
  if (daemonAsks && daemonWindow && *daemonWindow) {
    options.target = SaverOptions::Target::WindowId;
    options.windowId = daemonWindow;
  }
  return options;
}

namespace {

// What the saver's own scan makes of the switches.
RunSwitch scan(const std::string& switches) { return ScanRunSwitch(switches.c_str()); }

// What draws into a window of another program, with the words that ask for it.
const char* foreignWindowRun(const SaverOptions& options) {
  switch (options.target) {
    case SaverOptions::Target::Root:
      return "--root";
    case SaverOptions::Target::WindowId:
      return "--window-id";
    case SaverOptions::Target::OwnWindow:
    case SaverOptions::Target::Wallpaper:
    case SaverOptions::Target::Lock:
      return nullptr;
    case SaverOptions::Target::Switches:
      break;
  }
  return scan(options.switches).mode == RunMode::ModePreview ? "/p" : nullptr;
}

}  // namespace

bool runsSaver(const SaverOptions& options) {
  if (options.target != SaverOptions::Target::Switches) return true;
  const RunMode mode = scan(options.switches).mode;
  return mode == RunMode::ModeSaver || mode == RunMode::ModePreview;
}

FrontEndChoice chooseFrontEnd(const SaverOptions& options, std::span<const FrontEnd* const> table,
                              const std::function<const char*(const char*)>& environment) {
  const char* const otherWindowRun = foreignWindowRun(options);
  const bool locks = options.target == SaverOptions::Target::Lock;
  const auto suits = [&](const FrontEnd& frontEnd) {
    return locks ? frontEnd.canLock != nullptr : !otherWindowRun || frontEnd.drawsIntoOtherWindows;
  };
  const auto present = [&](const FrontEnd& frontEnd) {
    const char* value = environment(frontEnd.displayVariable);
    return value && *value;
  };
  const auto listed = [&](bool suitableOnly, const auto& field, const char* separator) {
    std::string names;
    for (const FrontEnd* frontEnd : table)
      if (!suitableOnly || suits(*frontEnd)) names += (names.empty() ? "" : separator) + std::string(field(*frontEnd));
    return names;
  };
  const auto name = [](const FrontEnd& frontEnd) { return frontEnd.name; };
  const auto variable = [](const FrontEnd& frontEnd) { return frontEnd.displayVariable; };
  const auto needs = [&] {
    // X11 lets any client read the keyboard: there a locker of its own
    // grabs it, and runs the saver.
    if (locks)
      return std::string("--lock needs a Wayland compositor; on X11, lock with xsecurelock and ") +
             "XSECURELOCK_SAVER=lumarel, which runs the figures under its lock";
    return std::string(otherWindowRun) + " draws into another program's window, which needs the " +
           listed(true, name, " or ") + " front end and " + listed(true, variable, " or ");
  };
  if (!options.backend.empty()) {
    for (const FrontEnd* frontEnd : table) {
      if (options.backend != frontEnd->name) continue;
      if (!suits(*frontEnd)) return FrontEndChoice{nullptr, needs(), 2};
      return FrontEndChoice{frontEnd, "", 0};
    }
    return FrontEndChoice{nullptr,
                          "no display system " + options.backend + " (built in: " + listed(false, name, ", ") + ")", 2};
  }
  for (const FrontEnd* frontEnd : table)
    if (suits(*frontEnd) && present(*frontEnd)) return FrontEndChoice{frontEnd, "", 0};
  for (const FrontEnd* frontEnd : table)
    if (present(*frontEnd)) return FrontEndChoice{nullptr, needs(), 2};
  return FrontEndChoice{nullptr, "no display (" + listed(false, variable, " and ") + " are not set)", 1};
}

std::optional<unsigned long> parseWindowId(const std::string& text) {
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() || digits.size() > 10) return std::nullopt;
  for (const char c : digits)
    if (!(hex ? std::isxdigit(static_cast<unsigned char>(c)) : std::isdigit(static_cast<unsigned char>(c))))
      return std::nullopt;
  const unsigned long value = std::strtoul(digits.c_str(), nullptr, hex ? 16 : 10);
  if (value > 0xFFFFFFFFUL) return std::nullopt;
  return value;
}

uint32_t previewWindowNumber(const std::string& switches) {
  const RunSwitch run = scan(switches);
  return run.mode == RunMode::ModePreview ? run.number : 0;
}

std::string switchProblem(const std::string& switches) {
  const RunSwitch run = scan(switches);
  switch (run.mode) {
    case RunMode::ModeConfigure:
    case RunMode::ModeSaver:
      return "";
    case RunMode::ModePreview: {
      const size_t at = switches.find_first_not_of(" -/");
      const std::string named = std::string("/") + switches[at];
      const size_t digits = switches.find_first_not_of(' ', at + 1);
      if (digits == std::string::npos || !std::isdigit(static_cast<unsigned char>(switches[digits])))
        return named + " needs the decimal id of the window to draw into";
      return run.number == 0 ? named + " needs a window id other than 0" : "";
    }
    case RunMode::ModeChangePassword:
      return "/a (change the password) is for Windows 95 and 98 only";
    case RunMode::ModeInvalid:
      break;
  }
  return "unknown switch " + switches;
}
