// The platform's screen-saver password provider (9x family): loading it,
// asking it before the saver closes, and the password change.
#pragma once

#include "platform/win32.h"

void LoadPasswordProvider();
void UnloadPasswordProvider();
BOOL SetSaverRunningFlag(bool on);
bool ApproveClose(HWND window);
void ChangeSaverPassword(HWND owner);
