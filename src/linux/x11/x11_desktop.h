// The X11 front end: shows our windows' framebuffers on an X display and
// turns X events into the messages that the saver's windows expect.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "linux/desktop/front_end.h"
#include "linux/desktop/power_watch.h"

using XDisplay = struct _XDisplay;

class X11Desktop : public DesktopSession {
 public:
  // The display named by $DISPLAY; null, with the reason, when there is none.
  static std::unique_ptr<DesktopSession> open(std::string& error);
  ~X11Desktop() override;
  X11Desktop(const X11Desktop&) = delete;
  X11Desktop& operator=(const X11Desktop&) = delete;

  void install() override;
  HWND rootWindow() override;
  // The root window itself, whatever daemon runs.
  HWND wallpaperWindow(std::string&, bool& anotherRuns) override {
    anotherRuns = false;
    return rootWindow();
  }
  // A top-level window of the desktop's own, managed and titled.
  HWND createFramedWindow(int width, int height, const char* title) override;
  void toolkitStarted() override;

  bool clientSize(HWND window, SIZE& size) override;
  HWND find(const char* className, const char* title) override;
  bool bringToFront(HWND window) override;
  void collectInput() override;
  void waitForInput(uint64_t deadline) override;

  class Surface;

 private:
  explicit X11Desktop(XDisplay* display);
  std::unique_ptr<platform::Device> makeDevice(HWND window);
  void handleEvent(const union _XEvent& event);
  void present();
  void applyCursor();

  XDisplay* display_;
  bool sharedMemory_ = false;
  bool sharedPixmaps_ = false;
  unsigned long blankCursor_ = 0;
  bool cursorHidden_ = false;
  // Whether anything is to be shown, and since when.
  bool notePending(uint64_t now);

  uint64_t lastPresent_ = 0;
  uint64_t pendingSince_ = UINT64_MAX;
  PowerWatch power_;
  std::map<unsigned long, Surface*> surfaces_;  // by the X window drawn into
  unsigned long deleteWindowAtom_ = 0;
  unsigned long windowClassAtom_ = 0;
};
