// The platform's screen-saver password provider (9x family): loading it,
// asking it before the saver closes, and the password change.
#pragma once

#include "host_state.h"
#include "platform/win32.h"

void LoadPasswordProvider(HostState& host);
void UnloadPasswordProvider(HostState& host);
BOOL SetSaverRunningFlag(const HostState& host, bool on);
bool ApproveClose(HostState& host, HWND window);
void ChangeSaverPassword(HWND owner);
