#include "settings.h"

#include <cstdio>
#include <string>

#include "platform/win32.h"
#include "resource_ids.h"

Settings settings;

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

void loadSettings(Settings& settings) {
  settings.pause = readSetting("Pause", 1);
  settings.passwordRequired = readSetting("Password Required", 0);
  settings.timerInterval = static_cast<uint16_t>(readSetting("Timer interval", 20));
  settings.percentCrayon = static_cast<uint16_t>(readSetting("PercentCrayon", 10));
  for (size_t slot = 0; slot < patternKeys.size(); ++slot)
    settings.patternFlags[slot] = readSetting(patternKeys[slot], 1);
  for (size_t slot = 0; slot < colorSetKeys.size(); ++slot)
    settings.colorSetFlags[slot] = readSetting(colorSetKeys[slot], 1);
}

bool writeSettingValue(uint32_t value, const char* section, const char* key) {
  char text[40];
  std::snprintf(text, sizeof text, "%u", value);
  return WritePrivateProfileStringA(section, key, text, profileFileName) != FALSE;
}

bool saveSettings(const Settings& settings) {
  // Every key is written even after a failure; the first failure's error is the one kept.
  DWORD firstError = ERROR_SUCCESS;
  const auto write = [&firstError](uint32_t value, const char* key) {
    if (!writeSettingValue(value, profileSection, key) && firstError == ERROR_SUCCESS) {
      firstError = GetLastError();
      if (firstError == ERROR_SUCCESS) firstError = ERROR_WRITE_FAULT;
    }
  };
  write(settings.pause, "Pause");
  write(settings.passwordRequired, "Password Required");
  write(settings.timerInterval, "Timer interval");
  write(settings.percentCrayon, "PercentCrayon");
  for (size_t slot = 0; slot < patternKeys.size(); ++slot) write(settings.patternFlags[slot], patternKeys[slot]);
  for (size_t slot = 0; slot < colorSetKeys.size(); ++slot) write(settings.colorSetFlags[slot], colorSetKeys[slot]);
  SetLastError(firstError);
  return firstError == ERROR_SUCCESS;
}

std::string profileFileLocation() {
  char folder[MAX_PATH] = "";
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  std::string path = length < sizeof folder ? folder : "";
  // A POSIX folder starts with a slash; the platform's own ones do not.
  const char separator = path.empty() || path[0] != '/' ? '\\' : '/';
  if (!path.empty() && path.back() != separator) path += separator;
  return path + profileFileName;
}

void resetPatternFlags(Settings& settings) { resetFlags(settings.patternFlags, patternKeys); }

void resetColorSetFlags(Settings& settings) { resetFlags(settings.colorSetFlags, colorSetKeys); }

uint16_t effectiveTimerInterval(const Settings& settings) {
  return settings.timerInterval == 0 ? 1 : settings.timerInterval;
}
