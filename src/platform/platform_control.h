// What the Linux front ends and the tests set up around our Win32 subset:
// where drawing goes, which clock drives the timers, where the profile lives,
// and the machine state that a real desktop would supply.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "win32_subset.h"

namespace platform {

// The state a device context draws with, as the device needs it.
struct DrawingState {
  COLORREF penColor = 0;
  bool penVisible = true;  // false for the null pen
  POINT origin{0, 0};      // viewport origin: device = logical + origin
  int rop2 = R2_COPYPEN;
};

// Receives what the device contexts of one window draw.
class Device {
 public:
  virtual ~Device() = default;
  // The window's client area changed size (also called once at creation).
  virtual void resize(int width, int height) = 0;
  // Solid fill, in device coordinates, already clipped to the client area.
  virtual void fillRect(const RECT& rect, COLORREF color) = 0;
  virtual void viewportOriginSet(int x, int y) = 0;
  // Coordinates are logical, as passed to the call.
  virtual void arc(const DrawingState& state, int left, int top, int right, int bottom, int xStart, int yStart,
                   int xEnd, int yEnd) = 0;
  virtual void polyBezier(const DrawingState& state, const POINT* points, int count) = 0;
};

// Makes the device of a newly created window; none means drawing is discarded.
using DeviceFactory = std::function<std::unique_ptr<Device>(HWND window)>;
void setDeviceFactory(DeviceFactory factory);
Device* windowDevice(HWND window);

// One of our windows as a front end needs to know it.
struct WindowDescription {
  std::string className;
  std::string title;  // a control's text
  DWORD style = 0;
  DWORD exStyle = 0;
  int id = 0;             // a dialog control's id
  HWND parent = nullptr;  // also a desktop window (see Desktop)
  RECT rect{};            // in the parent's client area, or on the screen
};
std::optional<WindowDescription> describeWindow(HWND window);
// Our windows whose parent is the given window, in creation order.
std::vector<HWND> childWindows(HWND parent);

// The desktop outside this process, supplied by a display front end: windows
// of other programs that ours may live in or look for, and the input that
// the message loop waits for.
class Desktop {
 public:
  virtual ~Desktop() = default;
  // Whether the handle names a window of the desktop, and its client size.
  virtual bool clientSize(HWND window, SIZE& size) = 0;
  // A window of another program with this class and title, or null.
  virtual HWND find(const char* className, const char* title) = 0;
  virtual bool bringToFront(HWND window) = 0;
  // Turns whatever input has arrived into messages; never blocks.
  virtual void collectInput() = 0;
  // Sleeps until input arrives or the clock reaches the deadline
  // (UINT64_MAX: no deadline).
  virtual void waitForInput(uint64_t deadline) = 0;
};
void setDesktop(Desktop* desktop);

// Sees GDI object creation, which belongs to no window.
class GdiObserver {
 public:
  virtual ~GdiObserver() = default;
  virtual void penCreated(COLORREF color) = 0;
};
void setGdiObserver(GdiObserver* observer);

// Live pens, brushes and device contexts, stock objects excluded.
size_t liveGdiObjectCount();

// Timers and GetTickCount run on the monotonic clock, or after this call on
// a virtual clock that moves only when the message loop waits for the next
// timer, so that a run is a pure function of its inputs. reset() goes back
// to the monotonic clock.
void useVirtualClock();
bool usingVirtualClock();
// Milliseconds on the clock that timers run on.
uint64_t timerClock();

// Fixes the calendar time (Unix seconds) that GetSystemTimeAsFileTime reports.
void setCalendarTime(uint64_t unixSeconds);

// Points every profile function at this file instead of the user's one; an
// empty path is a file that does not exist. Writes to a read-only profile
// fail, as they would on a read-only file.
enum class ProfileAccess { ReadWrite, ReadOnly };
void setProfilePath(const std::string& path, ProfileAccess access = ProfileAccess::ReadWrite);
// Back to the user's file: $XDG_CONFIG_HOME/lumarel, else ~/.config/lumarel.
void useUserProfile();
// The file that the profile functions use for a given profile file name.
std::string profilePath(const char* fileName);
// A value for this run only: the profile functions read it instead of the
// file's, and writes of the key change it here, never in the file.
void setProfileValue(const std::string& section, const std::string& key, const std::string& value);
void clearProfileValues();
// The Win32 error that a profile write failing with this errno value reports.
DWORD profileWriteError(int error);

// Desktop state that a front end (or a test) supplies.
void setScreenSize(int width, int height);
void setCursorPosition(POINT position);
bool cursorHidden();

// The command line that GetCommandLineA reports, program name first.
void setCommandLine(const std::string& commandLine);

// The family GetVersionExA reports: the NT family unless set.
enum class PlatformFamily { Windows9x, WindowsNT };
void setPlatformFamily(PlatformFamily family);

// A DWORD value under HKEY_CURRENT_USER (key as "Control Panel\\Desktop").
void setRegistryValue(const std::string& key, const std::string& name, uint32_t value);

// A library that LoadLibraryA can load, with its entries by name.
void provideLibrary(const std::string& name, const std::vector<std::pair<std::string, FARPROC>>& entries);
// Libraries loaded and not freed yet.
int loadedLibraryCount();

// The last state set with SPI_SCREENSAVERRUNNING.
bool screenSaverRunning();

// Called with the dialog once DialogBoxParamA has initialised it; it stands
// in for the user and should end the dialog. Without one, dialogs cannot
// be shown and DialogBoxParamA fails with -1.
using DialogDriver = std::function<void(HWND dialog)>;
void setDialogDriver(DialogDriver driver);
// Whether the dialog's procedure has ended it (EndDialog).
bool dialogEnded(HWND dialog);

// Forgets every window, class, message, timer and GDI object: a fresh process.
void reset();

}  // namespace platform
