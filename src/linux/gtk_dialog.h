// Shows the dialogs of our dialog manager with GTK: the template's controls
// at the template's places, each user action turned into the message that
// the dialog procedure would get on Windows.
#pragma once

#include "platform/platform_control.h"

// A dialog driver (see platform::DialogDriver): runs until the dialog ends.
void showGtkDialog(HWND dialog);

// Once `descriptor` becomes readable (a signal to end), the open dialogs end
// as their Cancel would: nothing is stored.
void cancelDialogsWhenReadable(int descriptor);

// Called once GTK has opened its connection to the display, for the first
// dialog.
void whenGtkStarts(void (*started)());
