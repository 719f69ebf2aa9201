// Flattening by recursive midpoint subdivision in 1/16-pixel fixed point, at
// most eight halvings deep, as GDI does it: a piece is accepted once both
// control points lie between its ends along the chord's major axis and
// within a pixel of the chord, measured across that axis. GDI flattens in
// logical coordinates and moves the points by the viewport origin after:
// its midpoints round toward zero, so the origin changes which points come
// out, by several pixels on a saver-sized curve.

#include <cstdlib>

#include "curves.h"

namespace {

constexpr int fractionBits = 4;
constexpr int64_t onePixel = 1 << fractionBits;
constexpr int maxDepth = 8;

// A cubic piece in fixed point: its ends and control points.
struct Piece {
  int64_t x0, y0, x1, y1, x2, y2, x3, y3;
};

// GDI's rounded midpoint: C division, which truncates toward zero.
int64_t halfway(int64_t a, int64_t b) { return (a + b + 1) / 2; }

int64_t toPixels(int64_t fixed) { return (fixed + onePixel / 2) >> fractionBits; }

bool between(int64_t value, int64_t from, int64_t to) { return value < from ? value >= to : value <= to; }

// The flatness test along one orientation: a0..a3 the coordinates along the
// chord's major axis, b0..b3 across it.
bool flatAlong(int64_t a0, int64_t a1, int64_t a2, int64_t a3, int64_t b0, int64_t b1, int64_t b2, int64_t b3) {
  if (!between(a1, a0, a3) || !between(a2, a0, a3)) return false;
  const int64_t majorPixels = toPixels(a3 - a0);
  if (majorPixels == 0) return true;
  // The slope mixes fixed point and pixels, as the reference does; a 32-bit
  // division where the values allow it, being several times faster.
  const int64_t rise = b3 - b0;
  const int64_t slope = rise == static_cast<int32_t>(rise) && majorPixels == static_cast<int32_t>(majorPixels)
                            ? static_cast<int32_t>(rise) / static_cast<int32_t>(majorPixels)
                            : rise / majorPixels;
  return std::llabs(b1 - b0 - slope * toPixels(a1 - a0)) <= onePixel &&
         std::llabs(b2 - b0 - slope * toPixels(a2 - a0)) <= onePixel;
}

bool flatEnough(const Piece& p) {
  const bool shallow = std::llabs(p.y3 - p.y0) <= std::llabs(p.x3 - p.x0);
  return shallow ? flatAlong(p.x0, p.x1, p.x2, p.x3, p.y0, p.y1, p.y2, p.y3)
                 : flatAlong(p.y0, p.y1, p.y2, p.y3, p.x0, p.x1, p.x2, p.x3);
}

class Flattener {
 public:
  // Pieces in logical coordinates; points come out on the device.
  Flattener(const Canvas& target, RasterPoint origin)
      : origin_(origin),
        nearX_((-origin.x - 1) * onePixel),
        nearY_((target.top() - origin.y - 1) * onePixel),
        farX_((target.width() - origin.x + 1) * onePixel),
        farY_((target.bottom() - origin.y + 1) * onePixel) {}

  // Depth first, first halves first, with the second halves waiting on a
  // stack of their own: the pieces stay in registers.
  void flatten(Piece piece) {
    add(piece.x0, piece.y0);
    struct Waiting {
      Piece piece;
      int depth;
    } waiting[maxDepth];
    int pending = 0, depth = 0;
    for (;;) {
      if (depth == maxDepth || offBand(piece) || flatEnough(piece)) {
        add(piece.x3, piece.y3);
        if (pending == 0) return;
        --pending;
        piece = waiting[pending].piece;
        depth = waiting[pending].depth;
        continue;
      }
      const Piece& p = piece;
      const int64_t endHalfX = halfway(p.x2, p.x3), endHalfY = halfway(p.y2, p.y3);
      const int64_t controlsX = halfway(p.x1, p.x2), controlsY = halfway(p.y1, p.y2);
      const int64_t endQuarterX = halfway(controlsX, endHalfX), endQuarterY = halfway(controlsY, endHalfY);
      const int64_t startHalfX = halfway(p.x0, p.x1), startHalfY = halfway(p.y0, p.y1);
      const int64_t startQuarterX = halfway(startHalfX, controlsX), startQuarterY = halfway(startHalfY, controlsY);
      const int64_t middleX = halfway(startQuarterX, endQuarterX), middleY = halfway(startQuarterY, endQuarterY);
      ++depth;
      waiting[pending++] = {Piece{middleX, middleY, endQuarterX, endQuarterY, endHalfX, endHalfY, p.x3, p.y3}, depth};
      piece = Piece{p.x0, p.y0, startHalfX, startHalfY, startQuarterX, startQuarterY, middleX, middleY};
    }
  }

  RasterPoint points[(1 << maxDepth) + 1];
  int count = 0;

 private:
  // A piece whose control points all lie beyond one edge of the band (with a
  // pixel to spare for rounding) stays off it, however it is flattened: the
  // lines that are left out would not have drawn a pixel there.
  bool offBand(const Piece& p) const {
    return (p.x0 < nearX_ && p.x1 < nearX_ && p.x2 < nearX_ && p.x3 < nearX_) ||
           (p.y0 < nearY_ && p.y1 < nearY_ && p.y2 < nearY_ && p.y3 < nearY_) ||
           (p.x0 > farX_ && p.x1 > farX_ && p.x2 > farX_ && p.x3 > farX_) ||
           (p.y0 > farY_ && p.y1 > farY_ && p.y2 > farY_ && p.y3 > farY_);
  }

  void add(int64_t x, int64_t y) { points[count++] = RasterPoint{toPixels(x) + origin_.x, toPixels(y) + origin_.y}; }

  RasterPoint origin_;
  int64_t nearX_, nearY_, farX_, farY_;
};

}  // namespace

void drawBezier(const Canvas& target, const RasterPoint points[4], uint32_t colour, RasterPoint origin) {
  Flattener flattener(target, origin);
  flattener.flatten(Piece{points[0].x * onePixel, points[0].y * onePixel, points[1].x * onePixel,
                          points[1].y * onePixel, points[2].x * onePixel, points[2].y * onePixel,
                          points[3].x * onePixel, points[3].y * onePixel});
  drawPolyline(target, flattener.points, flattener.count, colour);
}
