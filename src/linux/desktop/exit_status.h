// The exit statuses of lumarel beyond the Windows program's own (0 and 1
// for the run modes, 255 for bad switches), and the ends that use them.
#pragma once

// Bad options on the command line.
constexpr int badOptionsStatus = 2;
// The display (X server or Wayland compositor) went away under a run:
// apart from 1, which also means OK in the settings.
constexpr int lostDisplayStatus = 3;
// The picture's memory could not be had.
constexpr int outOfMemoryStatus = 4;
// --lock: the compositor cannot lock the session (no ext-session-lock-v1).
constexpr int lockUnsupportedStatus = 5;
// --lock: the compositor refused the lock (another program holds it).
constexpr int lockRefusedStatus = 6;
// --lock: the password could not be checked (no PAM service, PAM would not
// start, no locked memory): a lock that nobody could leave is not taken.
constexpr int lockUncheckableStatus = 7;
// --lock: the password check broke while locked. The session stays locked,
// for a new locker to take over.
constexpr int lockCheckBrokeStatus = 8;

// Says that the display went away and ends the program at once: the
// connection is gone, so nothing of it can be cleaned up.
[[noreturn]] void exitForLostDisplay(const char* display);
