// The mirrored segment walker: one segment whose ends drift, drawn as an arc
// with its three mirror images about the screen centre.
#pragma once

#include "arm_set.h"
#include "platform/win32.h"

void startSegment(Segment& segment, Segment& velocity);
int stepSegmentWalker(HDC dc, int newFigure);

// True when a point lies outside the half-screen box about the centre.
bool outsideHalfScreen(int32_t x, int32_t y);
