// Geometry records shared by the engine and the figure routines.
#pragma once

#include <array>
#include <cstdint>

// A segment's two ends, or the per-step change of each of its coordinates.
struct Segment {
  int32_t x1, y1, x2, y2;
};

// Three arms of two end points each, x1, y1, x2, y2 per arm: arm 0 is a
// segment, arms 1 and 2 the same turned about the origin.
struct ArmSet {
  std::array<std::array<float, 4>, 3> arms;
};
