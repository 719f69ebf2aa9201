#include "headless_saver.h"

#include <unistd.h>

#include "platform/ini_store.h"
#include "resource_ids.h"

#include "engine/engine_state.h"
#include "engine/random.h"
#include "host/host_state.h"
#include "host/saver_window.h"
#include "settings/settings.h"

void resetSaverProcess() {
  platform::reset();
  platform::setGdiObserver(nullptr);
  platform::setDeviceFactory(nullptr);
  platform::setProfilePath("", platform::ProfileAccess::ReadOnly);
  engineState = EngineState{};
  settings = Settings{};
  hostState = HostState{};
  seedRandom(1);
}

HWND startHeadlessSaver(const HeadlessScenario& scenario, platform::DeviceFactory devices) {
  platform::useVirtualClock();
  platform::setCalendarTime(scenario.seed);
  // A headless run reads the settings but never changes the file it was given.
  platform::setProfilePath(scenario.iniPath, platform::ProfileAccess::ReadOnly);
  platform::setScreenSize(scenario.width, scenario.height);
  platform::setDeviceFactory(std::move(devices));
  hostState.instance = GetModuleHandleA(nullptr);
  if (!RegisterSaverClass(hostState.instance)) return nullptr;
  return CreateSaverWindow(nullptr, RECT{0, 0, scenario.width, scenario.height});
}

uint64_t runHeadlessTicks(uint64_t ticks, const std::function<void(uint64_t)>& beforeTick) {
  uint64_t handled = 0;
  MSG msg;
  while (handled < ticks && GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) {
      ++handled;
      if (beforeTick) beforeTick(handled);
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return handled;
}

TemporarySettings::TemporarySettings(const std::string& basePath, const std::vector<SettingOverride>& overrides) {
  std::string text;
  if (!basePath.empty()) platform::readWholeFile(basePath, text);
  platform::IniDocument document(text);
  char section[40];
  LoadStringA(nullptr, IDS_PROFILE_SECTION, section, sizeof section);
  for (const SettingOverride& values : overrides)
    for (const auto& [key, value] : values) document.setValue(section, key, value);
  char name[] = "/tmp/lumarel-settings-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return;
  path_ = name;
  const std::string contents = document.text();
  ok_ = write(fd, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
  ok_ = close(fd) == 0 && ok_;
}

TemporarySettings::~TemporarySettings() {
  if (!path_.empty()) unlink(path_.c_str());
}
