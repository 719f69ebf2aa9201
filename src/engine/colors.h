// Pen colours: a fresh colour of the current set at each figure start, and a
// one-unit drift per channel before every stroke.
#pragma once

#include <cstdint>

uint32_t pickColor();
uint32_t stepColor(uint32_t colour);
