// The engine's window procedure for the saver window, and the animation clock.
#pragma once

#include "platform/win32.h"
#include "settings/settings.h"
#include "state/engine_state.h"

constexpr UINT_PTR animationTimerId = 200;

// The engine's part of every message of the saver window; the host's class
// procedure calls it and then does its own default handling.
void engineWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void prepareSeries(EngineState& s, Settings& settings, HWND window);
