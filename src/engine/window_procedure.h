// The engine's window procedure for the saver window, and the animation clock.
#pragma once

#include "platform/win32.h"

constexpr UINT_PTR animationTimerId = 200;

LRESULT CALLBACK engineWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void prepareSeries(HWND window);
