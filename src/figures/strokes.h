// The stroke primitives: one segment or curve with its mirror images about
// the current origin.
#pragma once

#include <cstdint>

#include "platform/win32.h"
#include "state/engine_state.h"

void strokeMirroredPair(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void strokeArm(const EngineState& s, HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t cx1, int32_t cy1,
               int32_t cx2, int32_t cy2);
void strokeActiveArms(const EngineState& s, HDC dc, const ArmSet& armEnds, const ArmSet& armControls,
                      const bool armActive[3]);

// A box in logical coordinates, edges included.
struct StrokeBox {
  int64_t left, top, right, bottom;
};
// The box of every point that strokeActiveArms passes (a curve lies within
// its control points, an arc within its rectangle); false when it would
// draw nothing.
bool activeArmsBox(const EngineState& s, const ArmSet& armEnds, const ArmSet& armControls, const bool armActive[3],
                   StrokeBox& box);

// Float to integer toward zero; values beyond what an integer coordinate can
// hold are held at its limits instead of overflowing.
int32_t truncateCoordinate(float value);
