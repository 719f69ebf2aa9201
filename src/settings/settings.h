// The user's choices and their INI persistence.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "state/color_sets.h"
#include "state/patterns.h"

// Slot 0 of a flag table is its Cycle switch; slot n enables entry n.
using FlagTable = std::array<uint32_t, 32>;

struct Settings {
  uint32_t pause;
  uint32_t passwordRequired;
  uint16_t timerInterval;
  uint16_t percentCrayon;
  FlagTable patternFlags;
  FlagTable colorSetFlags;
};

extern Settings settings;

// The keys of a flag table's slots: the Cycle switch's, then each row's.
template <typename Row, size_t N>
constexpr std::array<const char*, N + 1> flagKeys(const char* cycleKey, const std::array<Row, N>& rows) {
  std::array<const char*, N + 1> keys{cycleKey};
  for (size_t row = 0; row < N; ++row) keys[row + 1] = rows[row].key;
  return keys;
}
inline constexpr auto patternKeys = flagKeys("Patterns", patternTable);
inline constexpr auto colorSetKeys = flagKeys("Color Sets", colorSetTable);
static_assert(patternKeys.size() <= FlagTable().size() && colorSetKeys.size() <= FlagTable().size());

extern char profileFileName[13];
extern char profileSection[40];

void loadProfileNames();
void loadSettings(Settings& settings);
// False when a key could not be written; GetLastError then tells the first failure.
bool saveSettings(const Settings& settings);
bool writeSettingValue(uint32_t value, const char* section, const char* key);
// Where the profile file lives, for messages.
std::string profileFileLocation();
void resetPatternFlags(Settings& settings);
void resetColorSetFlags(Settings& settings);

// The timer period that the engine runs with: an edited file's 0 would stop
// the clock and divide by zero, so it runs as 1 while the file keeps its value.
uint16_t effectiveTimerInterval(const Settings& settings);
