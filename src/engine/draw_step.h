// One step of the animation: one stroke, with the series and figure
// bookkeeping around it.
#pragma once

#include "platform/win32.h"
#include "state/engine_state.h"

void drawStep(EngineState& s, HWND window);
