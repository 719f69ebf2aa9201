// Arcs as GDI draws them: one quadrant of the ellipse is walked as an
// 8-connected chain by an integer error term, mirrored into the other three
// quadrants, and the part of the chain between the two rays is stroked like
// a polyline. An ellipse many times larger than the surface is not walked:
// it is sampled only where it crosses the surface, column by column where it
// is flat and row by row where it is steep.

#include <algorithm>
#include <cmath>
#include <vector>

#include "curves.h"

namespace {

// Exact products of two 64-bit coordinates (cross products of rays, the
// ellipse's error terms): standard C++ has no 128-bit integer, and a double
// would round them. GCC and Clang have one on the 64-bit targets the
// rasterizer is built for.
using Wide = __int128;

// One quadrant as offsets: inward columns from the box's right edge and
// outward rows from its middle, from the right end of the middle row toward
// the top. Each step goes across, up or both, whichever keeps the error of
// the implicit ellipse equation smallest. The walk stops when the columns
// meet in the middle, so very thin ellipses stay incomplete, as on the
// reference.
struct ChainPoint {
  int64_t inward, outward;
};

void quadrantChain(int64_t width, int64_t height, std::vector<ChainPoint>& chain) {
  chain.clear();
  const int64_t a = width - 1, b = height - 1;
  const int64_t acrossGrowth = 8 * b * b, upGrowth = 8 * a * a;
  int64_t acrossChange = 4 * b * b * (1 - a), upChange = 4 * a * a * (1 + b % 2);
  int64_t error = acrossChange + upChange + a * a * (b % 2);
  for (ChainPoint point{0, 0}; point.inward <= a - width / 2;) {
    chain.push_back(point);
    const int64_t twice = 2 * error;
    if (twice >= acrossChange) {
      ++point.inward;
      acrossChange += acrossGrowth;
      error += acrossChange;
    }
    if (twice <= upChange) {
      ++point.outward;
      upChange += upGrowth;
      error += upChange;
    }
  }
}

// The chains of the last few ellipse sizes: the copies of a figure draw
// arcs of the same sizes at many places, and the chain depends on the size
// alone. Allocating per arc would cost more than walking, too.
const std::vector<ChainPoint>& chainFor(int64_t width, int64_t height) {
  struct Entry {
    int64_t width = -1, height = -1;
    std::vector<ChainPoint> chain;
  };
  static thread_local Entry entries[4];
  static thread_local int next = 0;
  for (const Entry& entry : entries)
    if (entry.width == width && entry.height == height) return entry.chain;
  Entry& entry = entries[next];
  next = (next + 1) % 4;
  entry.width = width;
  entry.height = height;
  quadrantChain(width, height, entry.chain);
  return entry.chain;
}

// Narrows positions [from, to) to those whose value, monotone in the
// position, lies in [low, high].
template <typename Value>
void keepWithin(int64_t& from, int64_t& to, int64_t low, int64_t high, const Value& value) {
  if (from >= to) return;
  const auto firstWhere = [&](const auto& holds) {
    int64_t lo = from, hi = to;
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo) / 2;
      if (holds(mid)) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  };
  int64_t first, end;
  if (value(from) <= value(to - 1)) {
    first = firstWhere([&](int64_t r) { return value(r) >= low; });
    end = firstWhere([&](int64_t r) { return value(r) > high; });
  } else {
    first = firstWhere([&](int64_t r) { return value(r) <= high; });
    end = firstWhere([&](int64_t r) { return value(r) < low; });
  }
  from = first;
  to = std::max(first, end);
}

// The chain of the whole ellipse, counter-clockwise on the screen from the
// right end of the middle row: the quadrant chain forward, mirrored
// backward, forward, backward.
class EllipseChain {
 public:
  EllipseChain(int64_t left, int64_t top, int64_t right, int64_t bottom)
      : left_(left),
        right_(right),
        lowMiddle_(top + (bottom - top) / 2),
        highMiddle_(lowMiddle_ - ((bottom - top - 1) & 1)) {
    quadrant_ = &chainFor(right - left, bottom - top);
  }
  int64_t size() const { return 4 * static_cast<int64_t>(quadrant_->size()); }
  const std::vector<ChainPoint>& quadrant() const { return *quadrant_; }
  // Paints positions [from, to) of quadrant q where they fall in the band.
  // A chain wholly on the band needs no clipping.
  void paint(const Canvas& target, int64_t q, int64_t from, int64_t to, uint32_t colour, bool onBand) const {
    const int64_t n = static_cast<int64_t>(quadrant_->size());
    const ChainPoint* points = quadrant_->data();
    const int64_t stride = target.stride(), width = target.width(), top = target.top();
    const int64_t rows = target.bottom() - top;
    uint32_t* pixels = target.pixels();
    const bool right = q == 0 || q == 3, upper = q < 2, forward = q % 2 == 0;
    // Within a quadrant the chain runs one way in x and in y: the ends of a
    // piece bound it, and the part on the band is one piece, found by halving.
    const auto row = [&](int64_t r) { return place(points[forward ? r : n - 1 - r], right, upper).y; };
    const auto column = [&](int64_t r) { return place(points[forward ? r : n - 1 - r], right, upper).x; };
    if (!onBand) {
      keepWithin(from, to, top, top + rows - 1, row);
      keepWithin(from, to, 0, width - 1, column);
    }
    if (target.paintedRuns()) {
      paintRows(target, from, to, row, column, colour);
      return;
    }
    if (target.tracksChanges()) {
      const int64_t piece = target.changedTileHeight();
      for (int64_t r = from; r < to; r += piece) {
        const int64_t last = std::min(to, r + piece) - 1;
        const RasterPoint a = place(points[forward ? r : n - 1 - r], right, upper);
        const RasterPoint b = place(points[forward ? last : n - 1 - last], right, upper);
        target.markChanged(a.x, a.y, b.x, b.y);
      }
    }
    for (int64_t r = from; r < to; ++r) {
      const auto [x, y] = place(points[forward ? r : n - 1 - r], right, upper);
      if (static_cast<uint64_t>(x) < static_cast<uint64_t>(width) &&
          static_cast<uint64_t>(y - top) < static_cast<uint64_t>(rows))
        pixels[y * stride + x] = colour;
    }
  }
  // Positions [from, to), all on the band, a run of a row at a time: the
  // copies of a figure lay the long flat parts of their arcs over each other.
  template <typename Row, typename Column>
  static void paintRows(const Canvas& target, int64_t from, int64_t to, const Row& row, const Column& column,
                        uint32_t colour) {
    for (int64_t r = from; r < to;) {
      const int64_t y = row(r);
      int64_t end = r + 1;
      if (end < to && row(end) == y) {
        // Out in growing strides, then halving back: a run costs its length's logarithm.
        int64_t stride = 1;
        while (end + stride < to && row(end + stride) == y) {
          end += stride;
          stride *= 2;
        }
        int64_t beyond = std::min(end + stride, to);  // row(end) == y; beyond is past the run
        while (beyond - end > 1) {
          const int64_t mid = end + (beyond - end) / 2;
          if (row(mid) == y) {
            end = mid;
          } else {
            beyond = mid;
          }
        }
        end = beyond;
      }
      const int64_t a = column(r), b = column(end - 1);
      target.paintRun(y, std::min(a, b), std::max(a, b), colour);
      r = end;
    }
  }

  // The point at position r of quadrant q.
  RasterPoint at(int64_t q, int64_t r) const {
    const int64_t n = static_cast<int64_t>(quadrant_->size());
    return place((*quadrant_)[q % 2 == 0 ? r : n - 1 - r], q == 0 || q == 3, q < 2);
  }

 private:
  // A quadrant offset as a pixel in the right or left, upper or lower quadrant.
  RasterPoint place(const ChainPoint& p, bool right, bool upper) const {
    return RasterPoint{right ? right_ - 1 - p.inward : left_ + p.inward,
                       upper ? highMiddle_ - p.outward : lowMiddle_ + p.outward};
  }

  int64_t left_, right_, lowMiddle_, highMiddle_;
  const std::vector<ChainPoint>* quadrant_;
};

// Where a ray (y up) from the centre (left + width / 2, top + height / 2)
// enters the chain: the index of the first chain point at or past it. As on
// the reference, the test compares the first quadrant's offsets with the ray
// mirrored into that quadrant; a ray on the x axis belongs to the quadrant
// above it, a ray on the y axis to the quadrant on its right.
int64_t chainIndexOfRay(const std::vector<ChainPoint>& quadrant, int64_t width, Wide rayX, Wide rayY) {
  const int64_t n = static_cast<int64_t>(quadrant.size());
  const int64_t extentX = width - 1 - width / 2;
  // The offsets turn monotonically from the x axis toward the y axis.
  const auto firstPast = [&](Wide x, Wide y, bool inclusive) {
    int64_t lo = 0, hi = n;
    while (lo < hi) {
      const int64_t mid = lo + (hi - lo) / 2;
      const Wide lhs = (extentX - quadrant[mid].inward) * y, rhs = quadrant[mid].outward * x;
      if (inclusive ? lhs <= rhs : lhs < rhs) {
        hi = mid;
      } else {
        lo = mid + 1;
      }
    }
    return lo;
  };
  if (rayY >= 0) return rayX >= 0 ? firstPast(rayX, rayY, true) : 2 * n - firstPast(-rayX, rayY, false);
  return rayX >= 0 ? 4 * n - firstPast(rayX, -rayY, true) : 2 * n + firstPast(-rayX, -rayY, false);
}

void drawArcAlongChain(const Canvas& target, int64_t left, int64_t top, int64_t right, int64_t bottom,
                       RasterPoint start, RasterPoint end, uint32_t colour) {
  const EllipseChain chain(left, top, right, bottom);
  const int64_t total = chain.size();
  const int64_t width = right - left;
  const int64_t centreX = left + width / 2, centreY = top + (bottom - top) / 2;
  const int64_t first = chainIndexOfRay(chain.quadrant(), width, start.x - centreX, centreY - start.y);
  int64_t last = chainIndexOfRay(chain.quadrant(), width, end.x - centreX, centreY - end.y);
  if (last <= first) last += total;  // the same point both ways: the whole ellipse
  // A polyline through the chain points: each step paints its first pixel
  // unless it goes nowhere, and the final point is left out. Within a
  // quadrant consecutive points always differ; where two quadrants join on
  // an axis they may coincide.
  const int64_t n = total / 4;
  const bool onBand = left >= 0 && right <= target.width() && top >= target.top() && bottom <= target.bottom();
  for (int64_t k = first; k < last - 1;) {
    const int64_t quadrant = (k / n) % 4, position = k % n;
    const int64_t blockEnd = std::min(last - 1, k - position + n);
    int64_t paintEnd = blockEnd;
    if (blockEnd == k - position + n) {
      const RasterPoint end = chain.at(quadrant, n - 1), next = chain.at((quadrant + 1) % 4, 0);
      if (end.x == next.x && end.y == next.y) --paintEnd;
    }
    chain.paint(target, quadrant, position, position + (paintEnd - k), colour, onBand);
    k = blockEnd;
  }
}

// Sampling a huge ellipse, in doubled coordinates about its centre so that
// boxes of either parity put pixel centres on whole numbers: a pixel (x, y)
// sits at u = 2x - (left + right - 1), v = 2y - (top + bottom - 1).
struct Ellipse {
  int64_t centreX2, centreY2;  // doubled centre
  int64_t a, b;                // doubled semi-axes: width - 1, height - 1
};

struct Direction {
  Wide x, y;  // y up
};

Wide cross(const Direction& a, const Direction& b) { return a.x * b.y - a.y * b.x; }
Wide dot(const Direction& a, const Direction& b) { return a.x * b.x + a.y * b.y; }

// Whether a direction lies in the counter-clockwise sweep from the start ray
// (included) to the end ray (excluded); the whole turn when they coincide.
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
  // Whether the step from d to the next pixel along the curve reaches the end ray.
  bool endsAfter(const Direction& d, const Direction& next) const {
    return dot(d, end_) > 0 && cross(d, end_) > 0 && cross(next, end_) <= 0;
  }

 private:
  static Direction nonZero(Direction d) { return d.x == 0 && d.y == 0 ? Direction{1, 0} : d; }
  // 0 for the half turn that starts at the start ray, 1 for the other.
  int half(const Direction& d) const {
    const Wide c = cross(start_, d);
    return c > 0 || (c == 0 && dot(start_, d) > 0) ? 0 : 1;
  }
  Direction start_, end_;
  bool whole_ = false;
  int endHalf_ = 0;
};

// On the curve t^2/p^2 + s^2/q^2 = 1, the s with the parity of q nearest the
// curve at t.
int64_t nearestOnCurve(int64_t p, int64_t q, int64_t t) {
  if (p == 0) return q;
  const int64_t parity = q & 1;
  const double ratio = static_cast<double>(t) / static_cast<double>(p);
  const double exact = static_cast<double>(q) * std::sqrt(std::max(0.0, 1.0 - ratio * ratio));
  const int64_t s = parity + 2 * static_cast<int64_t>(std::floor((exact - parity) / 2 + 0.5));
  return std::clamp(s, parity, q);
}

// The non-negative offsets t, with the parity of limit, for which
// centre2 + sign * t lands on pixel coordinates low..high-1.
bool visibleOffsets(int64_t centre2, int sign, int64_t limit, int64_t low, int64_t high, int64_t& lo, int64_t& hi) {
  const int64_t first = sign > 0 ? 2 * low - centre2 : centre2 - 2 * (high - 1);
  const int64_t last = sign > 0 ? 2 * (high - 1) - centre2 : centre2 - 2 * low;
  lo = std::max<int64_t>(first, 0);
  hi = std::min(last, limit);
  if ((lo & 1) != (limit & 1)) ++lo;
  return lo <= hi;
}

void sampleQuadrant(const Canvas& target, const Ellipse& e, int su, int sv, const Sweep& sweep, uint32_t colour) {
  // As the walk does, the arc's last pixel, the one whose next step reaches
  // the end ray, is left out. Counter-clockwise, u falls where su == -sv.
  const int64_t uStep = su == -sv ? -2 : 2;
  const auto plot = [&](int64_t u, int64_t v, int64_t nextU, int64_t nextV) {
    const int64_t x = (e.centreX2 + su * u) / 2, y = (e.centreY2 + sv * v) / 2;
    const Direction d{Wide(su) * u, -Wide(sv) * v};
    if (target.contains(x, y) && sweep.contains(d) &&
        !sweep.endsAfter(d, Direction{Wide(su) * nextU, -Wide(sv) * nextV})) {
      target.pixels()[y * target.stride() + x] = colour;
      target.markChanged(x, y, x, y);
    }
  };
  const Wide aa = Wide(e.a) * e.a, bb = Wide(e.b) * e.b;
  int64_t lo, hi;
  if (visibleOffsets(e.centreX2, su, e.a, 0, target.width(), lo, hi)) {
    for (int64_t u = lo; u <= hi; u += 2) {
      const int64_t v = nearestOnCurve(e.a, e.b, u);
      // at most 45 degrees steep
      if (bb * u <= aa * v) plot(u, v, u + uStep, nearestOnCurve(e.a, e.b, u + uStep));
    }
  }
  if (visibleOffsets(e.centreY2, sv, e.b, target.top(), target.bottom(), lo, hi)) {
    for (int64_t v = lo; v <= hi; v += 2) {
      const int64_t u = nearestOnCurve(e.b, e.a, v);
      // at least 45 degrees steep
      if (bb * u >= aa * v) plot(u, v, nearestOnCurve(e.b, e.a, v - uStep), v - uStep);
    }
  }
}

// Where a ray meets the ellipse, rounded to a pixel, as a direction from the
// centre: rays that meet it in the same pixel draw the whole ellipse.
Direction meetEllipse(const Ellipse& e, RasterPoint through) {
  const double x = 2.0 * through.x - e.centreX2, y = 2.0 * through.y - e.centreY2;
  if (e.a == 0 || e.b == 0 || (x == 0 && y == 0)) return Direction{Wide(x), -Wide(y)};
  const double radiusX = e.a + 1.0, radiusY = e.b + 1.0;
  const double scale = 1.0 / std::sqrt((x / radiusX) * (x / radiusX) + (y / radiusY) * (y / radiusY));
  const int64_t pixelX = static_cast<int64_t>(std::floor((e.centreX2 + x * scale) / 2 + 0.5));
  const int64_t pixelY = static_cast<int64_t>(std::floor((e.centreY2 + y * scale) / 2 + 0.5));
  return Direction{Wide(2) * pixelX - e.centreX2, e.centreY2 - Wide(2) * pixelY};
}

void drawArcBySampling(const Canvas& target, int64_t left, int64_t top, int64_t right, int64_t bottom,
                       RasterPoint start, RasterPoint end, uint32_t colour) {
  const Ellipse e{left + right - 1, top + bottom - 1, right - left - 1, bottom - top - 1};
  const Sweep sweep(meetEllipse(e, start), meetEllipse(e, end));
  for (int su : {1, -1})
    for (int sv : {1, -1}) sampleQuadrant(target, e, su, sv, sweep, colour);
}

}  // namespace

void drawArc(const Canvas& target, RasterPoint corner1, RasterPoint corner2, RasterPoint start, RasterPoint end,
             uint32_t colour) {
  const int64_t left = std::min(corner1.x, corner2.x), right = std::max(corner1.x, corner2.x);
  const int64_t top = std::min(corner1.y, corner2.y), bottom = std::max(corner1.y, corner2.y);
  // An ellipse lies within its box: one wholly off the band draws nothing there.
  if (right == left || bottom == top || right <= 0 || bottom <= target.top() || left >= target.width() ||
      top >= target.bottom())
    return;
  // The walk costs the ellipse's perimeter; beyond a few times the surface's
  // (and where its error term would outgrow 64 bits) sampling costs less.
  const int64_t walkLimit = std::min<int64_t>(4 * (int64_t(target.width()) + target.height()) + 8192, 1 << 19);
  if ((right - left) + (bottom - top) <= walkLimit) {
    drawArcAlongChain(target, left, top, right, bottom, start, end, colour);
  } else {
    drawArcBySampling(target, left, top, right, bottom, start, end, colour);
  }
}
