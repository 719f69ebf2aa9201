// The process-wide pseudo-random generator: a 32-bit linear congruential
// generator whose draws are 0..32767.
#pragma once

#include <cstdint>

void seedRandom(uint32_t seed);
int drawRandom();
