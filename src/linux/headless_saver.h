// Runs the saver without a display: the real window procedure chain on the
// virtual clock, in a window of a given size, seeded with a given time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/platform_control.h"

struct HeadlessScenario {
  uint32_t seed = 0;
  int width = 0;
  int height = 0;
  std::string iniPath;  // empty: no settings file, so the defaults
};

// Back to the state of a fresh process: zeroed records, no windows, no GDI objects.
void resetSaverProcess();

// Creates the saver window (creation, size, then the first paint and the
// timer ticks as the loop runs); null when the window cannot be made.
HWND startHeadlessSaver(const HeadlessScenario& scenario, platform::DeviceFactory devices);

// Dispatches messages until `ticks` timer ticks have been handled, calling
// beforeTick(n) before tick n. Returns the number of ticks handled.
uint64_t runHeadlessTicks(uint64_t ticks, const std::function<void(uint64_t)>& beforeTick);
