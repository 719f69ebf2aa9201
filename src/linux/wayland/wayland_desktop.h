// The Wayland front end: shows our windows' framebuffers through GTK on a
// Wayland compositor (layer-shell surfaces where it offers them) and turns
// the compositor's input into the messages that the saver's windows expect.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "linux/desktop/front_end.h"

using GtkWidget = struct _GtkWidget;
using GdkMonitor = struct _GdkMonitor;
struct wl_registry;
struct wl_seat;
struct ext_session_lock_manager_v1;
class PowerWatch;
class SessionLocker;

class WaylandDesktop : public DesktopSession {
 public:
  // The compositor named by $WAYLAND_DISPLAY; null, with the reason, when
  // there is none.
  static std::unique_ptr<DesktopSession> open(std::string& error);
  ~WaylandDesktop() override;
  WaylandDesktop(const WaylandDesktop&) = delete;
  WaylandDesktop& operator=(const WaylandDesktop&) = delete;

  void install() override;
  HWND createFramedWindow(int width, int height, const char* title) override;
  // A client cannot draw into another program's background...
  HWND rootWindow() override { return nullptr; }
  // ...but it can have a surface of its own below the windows.
  HWND wallpaperWindow(std::string& problem, bool& anotherRuns) override;
  HWND lockWindow(PasswordChecker& checker, std::string& problem, int& status) override;

  bool clientSize(HWND window, SIZE& size) override;
  HWND find(const char* className, const char* title) override;
  bool bringToFront(HWND window) override;
  void collectInput() override;
  void waitForInput(uint64_t deadline) override;

  class Picture;
  struct Layout;

 private:
  WaylandDesktop();
  std::unique_ptr<platform::Device> makeDevice(HWND window);
  void bindGlobals();
  void relayout();
  void releaseMonitors(std::vector<GdkMonitor*>& monitors);
  void applyCursor();
  void endRunningSaver();
  void followLock(uint64_t now);
  // A handle for a window of the desktop's, apart from our own windows'.
  HWND newHandle() {
    nextFramedHandle_ += 4;
    return reinterpret_cast<HWND>(nextFramedHandle_ - 4);
  }

  bool layerShell_ = false;
  bool layoutChanged_ = false;
  bool closeAll_ = false;
  bool cursorHidden_ = false;
  // The wait just dispatched what had arrived: nothing to look for until
  // the next wait.
  bool inputJustDispatched_ = false;
  wl_registry* registry_ = nullptr;
  std::unique_ptr<Layout> layout_;
  std::unique_ptr<PowerWatch> power_;
  uint32_t seatName_ = 0;  // the registry's name of the first seat
  ext_session_lock_manager_v1* lockManager_ = nullptr;
  std::unique_ptr<SessionLocker> locker_;    // while --lock holds the session
  unsigned checkerWatch_ = 0;                // wakes the loop when a check ends
  std::map<HWND, Picture*> pictures_;        // by our window
  std::map<HWND, GtkWidget*> framed_;        // the desktop's own toplevels, by handle
  HWND background_ = nullptr;                // the wallpaper's parent, once asked for
  HWND lockParent_ = nullptr;                // the lock screen's parent, once locked
  uintptr_t nextFramedHandle_ = 0x40000000;  // far from the handles of our own windows
  friend class Picture;
};
