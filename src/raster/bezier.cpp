// Flattening by recursive midpoint subdivision in 1/16-pixel fixed point, at
// most eight halvings deep, as GDI does it: a piece is accepted once both
// control points lie between its ends along the chord's major axis and
// within a pixel of the chord, measured across that axis. GDI flattens in
// logical coordinates and moves the points by the viewport origin after:
// its midpoints round toward zero, so the origin changes which points come
// out, by several pixels on a saver-sized curve.

#include <algorithm>
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
  // Depth first, first halves first, with the second halves waiting on a
  // stack of their own: the pieces stay in registers.
  void flatten(Piece piece) {
    count = 0;
    add(piece.x0, piece.y0);
    struct Waiting {
      Piece piece;
      int depth;
    } waiting[maxDepth];
    int pending = 0, depth = 0;
    for (;;) {
      if (depth == maxDepth || flatEnough(piece)) {
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

  // In logical pixels, and the box about them.
  RasterPoint points[(1 << maxDepth) + 1];
  int count = 0;
  int64_t left = 0, top = 0, right = 0, bottom = 0;

 private:
  void add(int64_t x, int64_t y) {
    const RasterPoint point{toPixels(x), toPixels(y)};
    if (count == 0) {
      left = right = point.x;
      top = bottom = point.y;
    } else {
      left = std::min(left, point.x);
      right = std::max(right, point.x);
      top = std::min(top, point.y);
      bottom = std::max(bottom, point.y);
    }
    points[count++] = point;
  }
};

// The copies of a figure draw the same curves at many origins, one after
// another: the last few flattenings are kept, by their logical points.
class FlatteningCache {
 public:
  const Flattener& find(const RasterPoint key[4]) {
    for (int i = 0; i < size; ++i) {
      Entry& entry = entries_[i];
      if (entry.used && std::equal(key, key + 4, entry.key,
                                   [](const RasterPoint& a, const RasterPoint& b) { return a.x == b.x && a.y == b.y; }))
        return entry.flattening;
    }
    Entry& entry = entries_[next_];
    next_ = (next_ + 1) % size;
    entry.used = true;
    std::copy(key, key + 4, entry.key);
    entry.flattening.flatten(Piece{key[0].x * onePixel, key[0].y * onePixel, key[1].x * onePixel, key[1].y * onePixel,
                                   key[2].x * onePixel, key[2].y * onePixel, key[3].x * onePixel, key[3].y * onePixel});
    return entry.flattening;
  }

 private:
  static constexpr int size = 8;
  struct Entry {
    bool used = false;
    RasterPoint key[4];
    Flattener flattening;
  };
  Entry entries_[size];
  int next_ = 0;
};

}  // namespace

void drawBezier(const Canvas& target, const RasterPoint points[4], uint32_t colour, RasterPoint origin) {
  // Each thread drawing a band keeps its own.
  static thread_local FlatteningCache cache;
  const Flattener& flat = cache.find(points);
  // Copies wholly off the band draw nothing there.
  if (flat.right + origin.x < 0 || flat.left + origin.x >= target.width() || flat.bottom + origin.y < target.top() ||
      flat.top + origin.y >= target.bottom())
    return;
  RasterPoint device[(1 << maxDepth) + 1];
  for (int i = 0; i < flat.count; ++i) device[i] = {flat.points[i].x + origin.x, flat.points[i].y + origin.y};
  drawPolyline(target, device, flat.count, colour);
}
