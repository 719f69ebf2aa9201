// One step of the animation: one stroke, with the series and figure
// bookkeeping around it.
#pragma once

#include "platform/win32.h"

void drawStep(HWND window);
