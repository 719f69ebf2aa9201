#include "headless_saver.h"

#include "resource_ids.h"

#include "host/process_state.h"
#include "host/saver_window.h"

void resetSaverProcess() {
  platform::reset();
  platform::setGdiObserver(nullptr);
  platform::setDeviceFactory(nullptr);
  platform::setProfilePath("", platform::ProfileAccess::ReadOnly);
  ResetSaverState();
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
  return CreateSaverWindow(hostState, nullptr, RECT{0, 0, scenario.width, scenario.height});
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

void applySettingOverrides(const std::vector<SettingOverride>& overrides) {
  char section[40];
  LoadStringA(nullptr, IDS_PROFILE_SECTION, section, sizeof section);
  for (const SettingOverride& values : overrides)
    for (const auto& [key, value] : values) platform::setProfileValue(section, key, value);
}
