#include "choice.h"

#include <cstddef>

#include "state/random.h"

namespace {

// Steps the id along the enabled slots 1..31, wrapping from 32 to 1. The
// caller guarantees that some slot is enabled.
template <typename Id>
void advanceToEnabled(const FlagTable& flags, Id& id) {
  auto slot = static_cast<int32_t>(id);
  do {
    ++slot;
    if (slot >= static_cast<int32_t>(flags.size()) || slot < 1) slot = 1;
  } while (flags[slot] == 0);
  id = static_cast<Id>(slot);
}

// Cycle takes the next enabled entry; Randomize moves 1 to count places on,
// which picks every enabled entry with equal chance. An empty list is reset
// to all entries and Cycle, and marked for saving.
template <typename Id>
void chooseFrom(EngineState& s, Settings& settings, FlagTable& flags, Id& id, void (*resetFlags)(Settings&)) {
  int count = 0;
  for (size_t slot = 1; slot < flags.size(); ++slot) count += flags[slot] != 0;
  if (count == 0) {
    resetFlags(settings);
    s.settingsDirty = true;
  }
  advanceToEnabled(flags, id);
  if (flags[0] != 0) return;
  for (int extra = drawRandom() % count; extra > 0; --extra) advanceToEnabled(flags, id);
}

}  // namespace

void nextPattern(EngineState& s, const Settings& settings) { advanceToEnabled(settings.patternFlags, s.patternId); }

void choosePattern(EngineState& s, Settings& settings) {
  chooseFrom(s, settings, settings.patternFlags, s.patternId, resetPatternFlags);
}

void nextColorSet(EngineState& s, const Settings& settings) { advanceToEnabled(settings.colorSetFlags, s.colorSetId); }

void chooseColorSet(EngineState& s, Settings& settings) {
  chooseFrom(s, settings, settings.colorSetFlags, s.colorSetId, resetColorSetFlags);
}

void chooseStrokeStyle(EngineState& s, const Settings& settings) {
  s.strokeStyle = drawRandom() % 100 < settings.percentCrayon ? StrokeStyle::Crayon : StrokeStyle::Crisp;
}
