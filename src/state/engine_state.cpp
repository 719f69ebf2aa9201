#include "engine_state.h"

EngineState engineState;
