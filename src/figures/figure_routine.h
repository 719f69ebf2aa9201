// The figure routine: three turned arms of drifting Bezier curves or arcs,
// replicated about the centre, the screen corners or a hexagonal lattice.
#pragma once

#include "platform/win32.h"
#include "state/engine_state.h"

bool stepFigure(EngineState& s, HDC dc, bool newFigure);
void startControlSegment(EngineState& s, Segment& control, Segment& velocity, const Segment& segment);
void rotateArms(ArmSet& set);

// Whether lattice copies that cannot reach the window are left out (they
// draw nothing there); off only to compare against drawing them all.
extern bool cullUnreachableCopies;
