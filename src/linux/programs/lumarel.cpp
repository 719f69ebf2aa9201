// lumarel: the saver on a Linux desktop, with the run modes of the Windows
// program and the conventions of the Linux screen-saver daemons.

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "command_line.h"
#include "host/run_modes.h"
#include "linux/desktop/close_signals.h"
#include "linux/desktop/exit_status.h"
#include "linux/desktop/front_end.h"
#include "linux/dialog/gtk_dialog.h"
#include "linux/lock/pam_check.h"
#include "saver_options.h"

namespace {

int fail(const std::string& message, int status) {
  std::fprintf(stderr, "lumarel: %s\n", message.c_str());
  return status;
}

// The switches that run the saver as a preview inside a window of the
// desktop: there the daemon (or the window's owner) keeps the input.
std::string previewSwitches(HWND window) { return "/p " + std::to_string(reinterpret_cast<uintptr_t>(window)); }

// The PAM service that checks the password of a lock screen.
constexpr char pamService[] = "lumarel";

// The password check of a lock screen, started before the toolkit starts
// threads. A lock that could not check the password would lock the user
// out: then nothing is locked.
bool startPasswordCheck(PasswordChecker& checker, std::string& problem) {
  problem = pamServiceProblem(pamService);
  if (!problem.empty()) return false;
  const passwd* user = getpwuid(getuid());
  if (!user) {
    problem = "the user " + std::to_string(getuid()) + " has no entry in the password database";
    return false;
  }
  return checker.start(pamService, user->pw_name, problem);
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto options = parseSaverOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), error);
  if (!options) return fail(error + " (see --help)", badOptionsStatus);
  if (options->version) {
    printVersion("lumarel");
    return 0;
  }
  if (options->help) {
    std::printf("%s\n", saverUsage);
    return 0;
  }
  if (options->target == SaverOptions::Target::Switches) {
    if (const std::string problem = switchProblem(options->switches); !problem.empty()) return fail(problem, 255);
  }
  if (!options->overrides.empty() && !runsSaver(*options))
    return fail("--interval and --crayon apply to saver runs only (see --help)", badOptionsStatus);

  const FrontEndChoice choice =
      chooseFrontEnd(*options, frontEnds(), [](const char* name) { return std::getenv(name); });
  if (!choice.frontEnd) return fail(choice.error, choice.status);
  PasswordChecker checker;
  if (options->target == SaverOptions::Target::Lock) {
    if (!choice.frontEnd->canLock(error)) return fail(error, lockUnsupportedStatus);
    if (!startPasswordCheck(checker, error)) return fail(error + "; the session is not locked", lockUncheckableStatus);
  }
  closeSignals::install();
  const std::unique_ptr<DesktopSession> desktop = choice.frontEnd->open(error);
  if (!desktop) return fail(error, 1);
  desktop->install();
  platform::setDialogDriver(showGtkDialog);
  whenGtkStarts([&desktop] { desktop->toolkitStarted(); });

  std::string switches = options->switches;
  switch (options->target) {
    case SaverOptions::Target::Switches:
      if (const uint32_t number = previewWindowNumber(switches);
          number && !IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(number))))
        return fail("no window " + std::to_string(number), 255);
      break;
    case SaverOptions::Target::Root:
      switches = previewSwitches(desktop->rootWindow());
      break;
    case SaverOptions::Target::WindowId: {
      const auto id = parseWindowId(options->windowId);
      const HWND window = id ? reinterpret_cast<HWND>(static_cast<uintptr_t>(*id)) : nullptr;
      if (!window || !IsWindow(window)) return fail("no window " + options->windowId, 255);
      switches = previewSwitches(window);
      break;
    }
    case SaverOptions::Target::OwnWindow: {
      switches = previewSwitches(desktop->createFramedWindow(960, 600, "Lumarel"));
      break;
    }
    case SaverOptions::Target::Lock: {
      int status = 0;
      const HWND lock = desktop->lockWindow(checker, error, status);
      if (!lock) return status == 0 ? 0 : fail(error, status);  // 0: another lock screen of ours has the session
      switches = previewSwitches(lock);
      break;
    }
    case SaverOptions::Target::Wallpaper: {
      bool anotherRuns = false;
      const HWND background = desktop->wallpaperWindow(error, anotherRuns);
      if (anotherRuns) return 0;  // the session has its wallpaper
      if (!background) return fail(error, 1);
      switches = previewSwitches(background);
      break;
    }
  }

  // Overrides live in memory for this run, which then only reads the user's file.
  if (!options->overrides.empty()) {
    platform::setProfilePath(platform::profilePath("control.ini"), platform::ProfileAccess::ReadOnly);
    applySettingOverrides({options->overrides});
  }
  try {
    return DispatchRunMode(GetModuleHandleA(nullptr), switches.c_str());
  } catch (const std::bad_alloc& error) {
    return fail(error.what(), outOfMemoryStatus);
  }
}
