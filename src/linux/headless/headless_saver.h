// Runs the saver without a display: the real window procedure chain on the
// virtual clock, in a window of a given size, seeded with a given time.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_control.h"

struct HeadlessScenario {
  uint32_t seed = 0;
  int width = 0;
  int height = 0;
  std::string iniPath;  // empty: no settings file, so the defaults
};

// Back to the state of a fresh process: the saver's records as at process
// start (ResetSaverState), no windows, no GDI objects.
void resetSaverProcess();

// Creates the saver window (creation, size, then the first paint and the
// timer ticks as the loop runs); null when the window cannot be made.
HWND startHeadlessSaver(const HeadlessScenario& scenario, platform::DeviceFactory devices);

// Dispatches messages until `ticks` timer ticks have been handled, calling
// beforeTick(n) before tick n. Returns the number of ticks handled.
uint64_t runHeadlessTicks(uint64_t ticks, const std::function<void(uint64_t)>& beforeTick);

// Keys and values to set in the saver's section.
using SettingOverride = std::vector<std::pair<std::string, std::string>>;

// Enables only `slot` of a flag table's entries (slot 0, the Cycle switch, untouched).
template <size_t N>
SettingOverride onlyEntry(const std::array<const char*, N>& keys, int slot) {
  SettingOverride values;
  for (size_t i = 1; i < N; ++i) values.emplace_back(keys[i], static_cast<int>(i) == slot ? "1" : "0");
  return values;
}

// Sets the values in the saver's section for this run only: the profile
// functions read them before the file, which never sees them.
void applySettingOverrides(const std::vector<SettingOverride>& overrides);
