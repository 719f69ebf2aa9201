// The Linux front ends: one for each display system, each in a folder of
// its own, all behind one interface. The lumarel program picks one from the
// table of those built in (frontEnds()).
#pragma once

#include <memory>
#include <span>
#include <string>

#include "exit_status.h"
#include "platform/platform_control.h"

class PasswordChecker;

// A front end's connection to its display, from start to end of the run.
class DesktopSession : public platform::Desktop {
 public:
  // Makes this the platform's desktop and the maker of window devices, and
  // closes every saver window once a close signal arrives.
  virtual void install() = 0;
  // A toplevel of the desktop's own that a preview can draw into; closing
  // it closes the preview. Null when it cannot be made.
  virtual HWND createFramedWindow(int width, int height, const char* title) = 0;
  // The desktop's background window, for the daemons' --root; null where a
  // program cannot draw into it.
  virtual HWND rootWindow() = 0;
  // The desktop's background for --wallpaper: a window whose previews are
  // drawn below every other window. Null, with the reason, where there is
  // none, or when this session has a wallpaper already (anotherRuns).
  virtual HWND wallpaperWindow(std::string& problem, bool& anotherRuns) = 0;
  // The session's lock screen for --lock, locked already: a window whose
  // previews are drawn on every output while the session is locked, which
  // closes once checker accepted the password and the session is unlocked.
  // Null where there is none: status 0 when another lock screen of ours has
  // the session, else the exit status and the reason in problem.
  virtual HWND lockWindow(PasswordChecker&, std::string& problem, int& status) {
    problem = "this display system cannot lock the session";
    status = badOptionsStatus;
    return nullptr;
  }
  // GTK has opened a connection of its own to the display (for a dialog).
  virtual void toolkitStarted() {}
};

struct FrontEnd {
  const char* name;             // as --backend names it
  const char* displayVariable;  // set in the environment where this display system runs
  // Whether it can draw into other programs' windows (/p, --root, --window-id).
  bool drawsIntoOtherWindows;
  // Where it can be the session's lock screen (--lock): whether the
  // display named by the environment offers the lock, with the reason
  // when not. Asked before the toolkit starts; null where it never can.
  bool (*canLock)(std::string& problem);
  // The display named by the environment; null, with the reason, when there is none.
  std::unique_ptr<DesktopSession> (*open)(std::string& error);
};

// The front ends built into the program, the preferred first.
std::span<const FrontEnd* const> frontEnds();
