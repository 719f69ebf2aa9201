// The figure routine: three turned arms of drifting Bezier curves or arcs,
// replicated about the centre, the screen corners or a hexagonal lattice.
#pragma once

#include "state/arm_set.h"
#include "platform/win32.h"

int stepFigure(HDC dc, int newFigure);
void startControlSegment(Segment& control, Segment& velocity, const Segment& segment);
void rotateArms(ArmSet& set);

// Whether lattice copies that cannot reach the window are left out (they
// draw nothing there); off only to compare against drawing them all.
extern bool cullUnreachableCopies;
