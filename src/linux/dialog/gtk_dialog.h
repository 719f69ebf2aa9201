// Shows the dialogs of our dialog manager with GTK: the template's controls
// at the template's places, each user action turned into the message that
// the dialog procedure would get on Windows.
#pragma once

#include <functional>

#include "platform/platform_control.h"

// A dialog driver (see platform::DialogDriver): runs until the dialog ends,
// or until a close signal ends it as its Cancel would (nothing is stored).
void showGtkDialog(HWND dialog);

// Called once GTK has opened its connection to the display, for the first
// dialog.
void whenGtkStarts(std::function<void()> started);
