#include "settings.h"

#include <cstdio>

#include "platform/win32.h"
#include "resource_ids.h"

Settings settings;

const std::array<const char*, 17> patternKeys = {
    "Patterns",       "Symmetron",       "Mask",       "CoatOfArms", "Hexatron",  "Cornered",
    "ScreenCrystals", "AngelsAndDevils", "Spiderwork", "ZenGarden",  "LetItGrow", "Crown",
    "Cartouche",      "Mandala",         "Algorhythm", "Anemone",    "Hyperdraw",
};

const std::array<const char*, 18> colorSetKeys = {
    "Color Sets", "All Colors",    "Low Intensity ", "Minimum Intensity",
    "Spectrum",   "Red",           "Green",          "Blue",
    "Magenta",    "Cyan",          "Yellow",         "Black/White/Gray",
    "Red/Cyan",   "Green/Magenta", "Blue/Yellow",    "No Red",
    "No Green",   "No Blue",
};

char profileFileName[13];
char profileSection[40];

namespace {

uint32_t readSetting(const char* key, int defaultValue) {
  return GetPrivateProfileIntA(profileSection, key, defaultValue, profileFileName);
}

template <size_t KeyCount>
void resetFlags(FlagTable& flags, const std::array<const char*, KeyCount>&) {
  for (size_t slot = 0; slot < flags.size(); ++slot) flags[slot] = slot < KeyCount ? 1 : 0;
}

}  // namespace

void loadProfileNames() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  LoadStringA(instance, IDS_PROFILE_FILE, profileFileName, sizeof profileFileName);
  LoadStringA(instance, IDS_PROFILE_SECTION, profileSection, sizeof profileSection);
}

void loadSettings() {
  settings.pause = readSetting("Pause", 1);
  settings.passwordRequired = readSetting("Password Required", 0);
  settings.timerInterval = static_cast<uint16_t>(readSetting("Timer interval", 20));
  settings.percentCrayon = static_cast<uint16_t>(readSetting("PercentCrayon", 10));
  for (size_t slot = 0; slot < patternKeys.size(); ++slot)
    settings.patternFlags[slot] = readSetting(patternKeys[slot], 1);
  for (size_t slot = 0; slot < colorSetKeys.size(); ++slot)
    settings.colorSetFlags[slot] = readSetting(colorSetKeys[slot], 1);
}

void writeSettingValue(uint32_t value, const char* section, const char* key) {
  char text[40];
  std::snprintf(text, sizeof text, "%u", value);
  WritePrivateProfileStringA(section, key, text, profileFileName);
}

void saveSettings() {
  writeSettingValue(settings.pause, profileSection, "Pause");
  writeSettingValue(settings.passwordRequired, profileSection, "Password Required");
  writeSettingValue(settings.timerInterval, profileSection, "Timer interval");
  writeSettingValue(settings.percentCrayon, profileSection, "PercentCrayon");
  for (size_t slot = 0; slot < patternKeys.size(); ++slot)
    writeSettingValue(settings.patternFlags[slot], profileSection, patternKeys[slot]);
  for (size_t slot = 0; slot < colorSetKeys.size(); ++slot)
    writeSettingValue(settings.colorSetFlags[slot], profileSection, colorSetKeys[slot]);
}

void resetPatternFlags() { resetFlags(settings.patternFlags, patternKeys); }

void resetColorSetFlags() { resetFlags(settings.colorSetFlags, colorSetKeys); }

uint16_t effectiveTimerInterval() { return settings.timerInterval == 0 ? 1 : settings.timerInterval; }
