// The ellipse is sampled in doubled coordinates about its centre, so that
// boxes of even and odd size alike put pixel centres on whole numbers: a
// pixel (x, y) sits at u = 2x - (left + right - 1), v = 2y - (top + bottom - 1).
// Where the curve is flatter than 45 degrees each column takes the row
// nearest the curve, elsewhere each row takes the nearest column, which
// gives the usual 8-connected chain. Only samples on the surface are visited.

#include <algorithm>
#include <cmath>

#include "curves.h"

namespace {

using Wide = __int128;

// Below this the exact integer tests cannot overflow.
constexpr int64_t exactLimit = int64_t(1) << 30;

// For the curve t^2/p^2 + s^2/q^2 = 1 with t on the sampling axis: the value
// of s, with the parity of q, nearest the curve at t (a tie goes inward).
int64_t nearestOnCurve(int64_t p, int64_t q, int64_t t) {
  if (p == 0) return q;
  const int64_t parity = q & 1;
  const double ratio = static_cast<double>(t) / static_cast<double>(p);
  const double exact = static_cast<double>(q) * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
  int64_t s = parity + 2 * static_cast<int64_t>(std::floor((exact - parity) / 2 + 0.5));
  s = std::clamp(s, parity, q);
  if (p >= exactLimit || q >= exactLimit) return s;
  // Exact: the curve lies beyond the midpoint m when q^2 (p^2 - t^2) > m^2 p^2.
  const Wide outer = Wide(q) * q * (Wide(p) * p - Wide(t) * t);
  const auto beyond = [&](int64_t midpoint) { return outer > Wide(midpoint) * midpoint * p * p; };
  while (s + 2 <= q && beyond(s + 1)) s += 2;
  while (s - 2 >= parity && !beyond(s - 1)) s -= 2;
  return s;
}

struct Direction {
  Wide x, y;  // mathematical orientation: y up
};

Wide cross(const Direction& a, const Direction& b) { return a.x * b.y - a.y * b.x; }
Wide dot(const Direction& a, const Direction& b) { return a.x * b.x + a.y * b.y; }

// Decides whether a direction lies in the counter-clockwise sweep from the
// start ray (included) to the end ray (excluded).
class Sweep {
 public:
  Sweep(Direction start, Direction end) : start_(nonZero(start)), end_(nonZero(end)) {
    whole_ = cross(start_, end_) == 0 && dot(start_, end_) > 0;
    endHalf_ = half(end_);
  }
  bool contains(const Direction& d) const {
    if (whole_) return true;
    const int h = half(d);
    return h < endHalf_ || (h == endHalf_ && cross(d, end_) > 0);
  }

 private:
  static Direction nonZero(Direction d) { return d.x == 0 && d.y == 0 ? Direction{1, 0} : d; }
  // 0 for the half turn starting at the start ray, 1 for the other half.
  int half(const Direction& d) const {
    const Wide c = cross(start_, d);
    return c > 0 || (c == 0 && dot(start_, d) > 0) ? 0 : 1;
  }
  Direction start_, end_;
  bool whole_ = false;
  int endHalf_ = 0;
};

struct Ellipse {
  int64_t centreX2, centreY2;  // doubled centre
  int64_t a, b;                // doubled semi-axes: width - 1, height - 1
};

// The range of non-negative offsets t (with the parity of limit) for which
// centre2 + sign * t lands on pixel coordinates 0..size-1.
bool visibleOffsets(int64_t centre2, int sign, int64_t limit, int64_t size, int64_t& lo, int64_t& hi) {
  const int64_t first = sign > 0 ? -centre2 : centre2 - 2 * (size - 1);
  const int64_t last = sign > 0 ? 2 * (size - 1) - centre2 : centre2;
  lo = std::max<int64_t>(first, 0);
  hi = std::min(last, limit);
  if ((lo & 1) != (limit & 1)) ++lo;
  return lo <= hi;
}

void plotQuadrant(Framebuffer& target, const Ellipse& e, int su, int sv, const Sweep& sweep, uint32_t colour) {
  const auto plot = [&](int64_t u, int64_t v) {
    const int64_t x = (e.centreX2 + su * u) / 2, y = (e.centreY2 + sv * v) / 2;
    if (!target.contains(x, y) || !sweep.contains(Direction{Wide(su) * u, -Wide(sv) * v})) return;
    target.row(static_cast<int>(y))[x] = colour;
  };
  const Wide aa = Wide(e.a) * e.a, bb = Wide(e.b) * e.b;
  int64_t lo, hi;
  // Columns where the curve is at most 45 degrees steep.
  if (visibleOffsets(e.centreX2, su, e.a, target.width(), lo, hi)) {
    for (int64_t u = lo; u <= hi; u += 2) {
      const int64_t v = nearestOnCurve(e.a, e.b, u);
      if (bb * u <= aa * v) plot(u, v);
    }
  }
  // Rows where it is at least 45 degrees steep.
  if (visibleOffsets(e.centreY2, sv, e.b, target.height(), lo, hi)) {
    for (int64_t v = lo; v <= hi; v += 2) {
      const int64_t u = nearestOnCurve(e.b, e.a, v);
      if (bb * u >= aa * v) plot(u, v);
    }
  }
}

}  // namespace

void drawArc(Framebuffer& target, RasterPoint corner1, RasterPoint corner2, RasterPoint start, RasterPoint end,
             uint32_t colour) {
  const int64_t left = std::min(corner1.x, corner2.x), right = std::max(corner1.x, corner2.x);
  const int64_t top = std::min(corner1.y, corner2.y), bottom = std::max(corner1.y, corner2.y);
  if (right == left || bottom == top) return;
  const Ellipse e{left + right - 1, top + bottom - 1, right - left - 1, bottom - top - 1};
  const Sweep sweep(Direction{Wide(2) * start.x - e.centreX2, e.centreY2 - Wide(2) * start.y},
                    Direction{Wide(2) * end.x - e.centreX2, e.centreY2 - Wide(2) * end.y});
  for (int su : {1, -1})
    for (int sv : {1, -1}) plotQuadrant(target, e, su, sv, sweep, colour);
}
