// Flattening by recursive midpoint subdivision in 1/16-pixel fixed point: a
// piece is accepted once both control points lie within a pixel of its
// chord, or after eight halvings.

#include <cmath>

#include "curves.h"

namespace {

constexpr int fractionBits = 4;
constexpr int maxDepth = 8;
constexpr double tolerance = 1 << fractionBits;  // one pixel

struct Fixed {
  int64_t x, y;
};

Fixed midpoint(Fixed a, Fixed b) { return Fixed{(a.x + b.x) >> 1, (a.y + b.y) >> 1}; }

bool nearChord(Fixed from, Fixed to, Fixed point) {
  const double cx = static_cast<double>(to.x - from.x), cy = static_cast<double>(to.y - from.y);
  const double px = static_cast<double>(point.x - from.x), py = static_cast<double>(point.y - from.y);
  const double length = std::hypot(cx, cy);
  if (length == 0) return std::hypot(px, py) <= tolerance;
  return std::fabs(cx * py - cy * px) <= tolerance * length;
}

struct Flattener {
  RasterPoint points[(1 << maxDepth) + 1];
  int count = 0;

  void add(Fixed p) {
    // Back to whole pixels, rounding to nearest.
    const RasterPoint pixel{(p.x + (1 << (fractionBits - 1))) >> fractionBits,
                            (p.y + (1 << (fractionBits - 1))) >> fractionBits};
    if (count == 0 || points[count - 1].x != pixel.x || points[count - 1].y != pixel.y) points[count++] = pixel;
  }

  void subdivide(Fixed p0, Fixed p1, Fixed p2, Fixed p3, int depth) {
    if (depth == maxDepth || (nearChord(p0, p3, p1) && nearChord(p0, p3, p2))) {
      add(p3);
      return;
    }
    const Fixed p01 = midpoint(p0, p1), p12 = midpoint(p1, p2), p23 = midpoint(p2, p3);
    const Fixed p012 = midpoint(p01, p12), p123 = midpoint(p12, p23);
    const Fixed middle = midpoint(p012, p123);
    subdivide(p0, p01, p012, middle, depth + 1);
    subdivide(middle, p123, p23, p3, depth + 1);
  }
};

Fixed toFixed(RasterPoint p) { return Fixed{p.x * (1 << fractionBits), p.y * (1 << fractionBits)}; }

}  // namespace

void drawBezier(Framebuffer& target, const RasterPoint points[4], uint32_t colour) {
  Flattener flattener;
  flattener.add(toFixed(points[0]));
  flattener.subdivide(toFixed(points[0]), toFixed(points[1]), toFixed(points[2]), toFixed(points[3]), 0);
  drawPolyline(target, flattener.points, flattener.count, colour);
}
