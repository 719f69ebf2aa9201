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

// Says that the display went away and ends the program at once: the
// connection is gone, so nothing of it can be cleaned up.
[[noreturn]] void exitForLostDisplay(const char* display);
