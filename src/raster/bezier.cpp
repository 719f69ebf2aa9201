// Flattening by recursive midpoint subdivision in 1/16-pixel fixed point, at
// most eight halvings deep, as GDI does it: a piece is accepted once both
// control points lie between its ends along the chord's major axis and
// within a pixel of the chord, measured across that axis.

#include <cstdlib>

#include "curves.h"

namespace {

constexpr int fractionBits = 4;
constexpr int64_t onePixel = 1 << fractionBits;
constexpr int maxDepth = 8;

struct Fixed {
  int64_t x, y;
};

// GDI's rounded midpoint: C division, which truncates toward zero.
int64_t halfway(int64_t a, int64_t b) { return (a + b + 1) / 2; }
Fixed halfway(Fixed a, Fixed b) { return Fixed{halfway(a.x, b.x), halfway(a.y, b.y)}; }

int64_t toPixels(int64_t fixed) { return (fixed + onePixel / 2) >> fractionBits; }

bool between(int64_t value, int64_t from, int64_t to) { return value < from ? value >= to : value <= to; }

// The flatness test along one orientation: major and minor pick the
// coordinates (x and y for a shallow chord, y and x for a steep one).
template <typename Major, typename Minor>
bool flatAlong(const Fixed p[4], Major major, Minor minor) {
  if (!between(major(p[1]), major(p[0]), major(p[3])) || !between(major(p[2]), major(p[0]), major(p[3]))) return false;
  const int64_t majorPixels = toPixels(major(p[3]) - major(p[0]));
  if (majorPixels == 0) return true;
  // The slope mixes fixed point and pixels, as the reference does; a 32-bit
  // division where the values allow it, being several times faster.
  const int64_t rise = minor(p[3]) - minor(p[0]);
  const int64_t slope = rise == static_cast<int32_t>(rise) && majorPixels == static_cast<int32_t>(majorPixels)
                            ? static_cast<int32_t>(rise) / static_cast<int32_t>(majorPixels)
                            : rise / majorPixels;
  for (int c = 1; c <= 2; ++c)
    if (std::llabs(minor(p[c]) - minor(p[0]) - slope * toPixels(major(p[c]) - major(p[0]))) > onePixel) return false;
  return true;
}

bool flatEnough(const Fixed p[4]) {
  const auto x = [](const Fixed& f) { return f.x; };
  const auto y = [](const Fixed& f) { return f.y; };
  const bool shallow = std::llabs(p[3].y - p[0].y) <= std::llabs(p[3].x - p[0].x);
  return shallow ? flatAlong(p, x, y) : flatAlong(p, y, x);
}

struct Flattener {
  RasterPoint points[(1 << maxDepth) + 1];
  int count = 0;
  int64_t surfaceWidth, surfaceHeight;

  // A piece whose control points all lie beyond one edge of the surface
  // (with a pixel to spare for rounding) stays off it, however it is flattened.
  bool offSurface(const Fixed p[4]) const {
    const auto all = [&](auto beyond) { return beyond(p[0]) && beyond(p[1]) && beyond(p[2]) && beyond(p[3]); };
    return all([](const Fixed& f) { return f.x < -onePixel; }) || all([](const Fixed& f) { return f.y < -onePixel; }) ||
           all([&](const Fixed& f) { return f.x > (surfaceWidth + 1) * onePixel; }) ||
           all([&](const Fixed& f) { return f.y > (surfaceHeight + 1) * onePixel; });
  }

  void add(Fixed p) { points[count++] = RasterPoint{toPixels(p.x), toPixels(p.y)}; }

  void subdivide(const Fixed p[4], int depth) {
    if (depth == maxDepth || offSurface(p) || flatEnough(p)) {
      add(p[3]);
      return;
    }
    const Fixed endHalf = halfway(p[2], p[3]), controls = halfway(p[1], p[2]);
    const Fixed endQuarter = halfway(controls, endHalf);
    const Fixed startHalf = halfway(p[0], p[1]);
    const Fixed startQuarter = halfway(startHalf, controls);
    const Fixed middle = halfway(startQuarter, endQuarter);
    const Fixed first[4] = {p[0], startHalf, startQuarter, middle};
    const Fixed second[4] = {middle, endQuarter, endHalf, p[3]};
    subdivide(first, depth + 1);
    subdivide(second, depth + 1);
  }
};

Fixed toFixed(RasterPoint p) { return Fixed{p.x * onePixel, p.y * onePixel}; }

}  // namespace

void drawBezier(Framebuffer& target, const RasterPoint points[4], uint32_t colour) {
  Flattener flattener;
  flattener.surfaceWidth = target.width();
  flattener.surfaceHeight = target.height();
  const Fixed curve[4] = {toFixed(points[0]), toFixed(points[1]), toFixed(points[2]), toFixed(points[3])};
  flattener.add(curve[0]);
  flattener.subdivide(curve, 0);
  drawPolyline(target, flattener.points, flattener.count, colour);
}
