// The saver's one way into the platform: the real Win32 headers on Windows,
// our own implementation of the same subset everywhere else.
#pragma once

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// After <windows.h>, which it builds on.
#include <commctrl.h>
#else
#include "win32_subset.h"
#endif
