// The choice of pattern, colour set and stroke style for each series.
#pragma once

#include "settings/settings.h"
#include "state/engine_state.h"

void nextPattern(EngineState& s, const Settings& settings);
void choosePattern(EngineState& s, Settings& settings);
void nextColorSet(EngineState& s, const Settings& settings);
void chooseColorSet(EngineState& s, Settings& settings);
void chooseStrokeStyle(EngineState& s, const Settings& settings);
