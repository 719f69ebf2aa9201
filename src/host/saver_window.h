// The saver window's class, its class procedure, and the default saver
// behaviour that watches input and power and handles closing.
#pragma once

#include "platform/win32.h"

constexpr char saverClassName[] = "WindowsScreenSaverClass";
constexpr char fullScreenTitle[] = "Screen Saver";
constexpr char previewTitle[] = "Preview";
constexpr UINT VerifyPasswordRequest = WM_APP;

LRESULT CALLBACK SaverClassProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SaverDefaultHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers "WindowsScreenSaverClass"; zero when that fails.
ATOM RegisterSaverClass(HINSTANCE instance);
// The full-screen window over the given rectangle, or with a parent the
// preview child filling the parent's client area.
HWND CreateSaverWindow(HWND parent, const RECT& area);
