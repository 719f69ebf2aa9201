// The saver window's class, its class procedure, and the default saver
// behaviour that watches input and power and handles closing.
#pragma once

#include <cstdint>

#include "host_state.h"
#include "platform/win32.h"

constexpr char saverClassName[] = "WindowsScreenSaverClass";
constexpr char fullScreenTitle[] = "Screen Saver";
constexpr char previewTitle[] = "Preview";
constexpr UINT VerifyPasswordRequest = WM_APP;

LRESULT CALLBACK SaverClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SaverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the saver full screen (no parent) or as the preview child of parent
// until its window is gone; the result is the exit code.
int32_t RunSaverWindow(HostState& host, HWND parent);

// Registers "WindowsScreenSaverClass"; zero when that fails.
ATOM RegisterSaverClass(HINSTANCE instance);
// The full-screen window over the given rectangle, or with a parent the
// preview child filling the parent's client area.
HWND CreateSaverWindow(HostState& host, HWND parent, const RECT& area);
