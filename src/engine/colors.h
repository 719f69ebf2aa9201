// Pen colours: a fresh colour of the current set at each figure start, and a
// one-unit drift per channel before every stroke.
#pragma once

#include <cstdint>

#include "state/engine_state.h"

uint32_t pickColor(EngineState& s);
uint32_t stepColor(EngineState& s, uint32_t color);
