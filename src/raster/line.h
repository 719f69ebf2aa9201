// Solid one-pixel lines with GDI's rules: the first pixel is drawn and the
// last is not; clipping removes pixels but never moves the ones that remain.
#pragma once

#include <cstdint>
#include <vector>

#include "canvas.h"

struct RasterPoint {
  int64_t x, y;
};

void drawLine(const Canvas& target, RasterPoint from, RasterPoint to, uint32_t colour);
// Each segment starts afresh from its own start; only the final point is left out.
void drawPolyline(const Canvas& target, const RasterPoint* points, int count, uint32_t colour);

// Columns left to right of row y.
struct PixelRun {
  int64_t y, left, right;
};
// Appends the pixels drawLine lights on a surface without edges, as runs of rows.
void appendLineRuns(RasterPoint from, RasterPoint to, std::vector<PixelRun>& runs);
