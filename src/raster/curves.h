// GDI's Arc and PolyBezier as one-pixel strokes.
#pragma once

#include "line.h"

// The part of the ellipse inscribed in the box (corners in any order, right
// and bottom edges excluded) that runs counter-clockwise on the screen from
// the ray through the start point to the ray through the end point, both
// rays from the box centre; the whole ellipse when the rays coincide.
void drawArc(const Canvas& target, RasterPoint corner1, RasterPoint corner2, RasterPoint start, RasterPoint end,
             uint32_t colour);

// One cubic curve from points[0] to points[3], flattened to within a pixel
// and stroked as a polyline. The points are logical coordinates, which the
// origin moves onto the surface: where the curve is flattened matters.
void drawBezier(const Canvas& target, const RasterPoint points[4], uint32_t colour, RasterPoint origin = {0, 0});
