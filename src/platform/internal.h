// Shared between the files of our Win32 subset; nothing outside this folder
// includes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform_control.h"

namespace platform::detail {

struct WindowClassRecord {
  std::string name;
  UINT style = 0;
  WNDPROC procedure = nullptr;
  HBRUSH background = nullptr;
  HINSTANCE instance = nullptr;
  // Dialogs are shown by the dialog driver, not drawn through a device.
  bool shownByDialogDriver = false;
};

struct Window {
  std::shared_ptr<WindowClassRecord> windowClass;
  std::string title;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;
  int id = 0;  // a dialog control's id
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool visible = false;
  bool updatePending = false;
  bool erasePending = false;
  std::unique_ptr<Device> device;
  HDC ownDc = nullptr;  // the one device context of a CS_OWNDC class
};

// Null when the handle names no window (any more).
Window* findWindow(HWND window);

// A device context drawing into the window (null window: the whole screen).
// An owned context lives as long as its window; others end at ReleaseDC.
HDC createDeviceContext(HWND window, bool ownedByWindow);
void destroyDeviceContext(HDC dc);

// Milliseconds on the clock in use (virtual or monotonic).
uint64_t clockNow();
void advanceVirtualClock(uint64_t to);

// The dialog manager's window classes (registering again does nothing).
void registerDialogClasses();

// A registered class by name, or null.
WindowClassRecord* findRegisteredClass(const char* name);

void resetWindowing();
void resetGdi();
void resetSystem();
void resetDialogs();
// Forgets the values set for the run, the file read last and the messages given.
void resetProfile();

// Case-insensitive ASCII comparison, as Win32 compares class and key names.
bool equalsIgnoringCase(const std::string& a, const std::string& b);

}  // namespace platform::detail
