// The mirrored segment walker: one segment whose ends drift, drawn as an arc
// with its three mirror images about the screen centre.
#pragma once

#include "platform/win32.h"
#include "state/engine_state.h"

void startSegment(EngineState& s, Segment& segment, Segment& velocity);
// A drifting segment's start, shared by the walker and the figure routine's
// control segment: the segment from start (its second end on the first in
// CommonStart), velocities of -speed..speed, both ends' alike in the rigid modes.
void startDrift(EngineState& s, Segment& segment, Segment& velocity, const Segment& start, int32_t speed);
bool stepSegmentWalker(EngineState& s, HDC dc, bool newFigure);

// True when a point lies outside the half-screen box about the centre.
bool outsideHalfScreen(const EngineState& s, int32_t x, int32_t y);
