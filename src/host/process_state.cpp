#include "process_state.h"

#include <cstring>

#include "host_state.h"
#include "settings/settings.h"
#include "settings/settings_dialog.h"
#include "state/engine_state.h"
#include "state/random.h"

void ResetSaverState() {
  engineState = EngineState{};
  seedRandom(1);
  settings = Settings{};
  std::memset(profileFileName, 0, sizeof profileFileName);
  std::memset(profileSection, 0, sizeof profileSection);
  settingsDialogState = SettingsDialogState{};
  hostState = HostState{};
}
