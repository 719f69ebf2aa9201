#include "line.h"

#include <algorithm>
#include <cstddef>

namespace {

using Wide = __int128;

Wide ceilDiv(Wide numerator, Wide denominator) {  // denominator > 0
  const Wide quotient = numerator / denominator;
  return quotient + (numerator % denominator != 0 && numerator > 0);
}

// A line as steps along its major axis. After k steps the minor coordinate
// is k * minorDelta / length from the start, rounded to nearest with an
// exact half going to the smaller coordinate.
struct MajorWalk {
  int64_t majorStart, minorStart;
  int64_t majorStep;  // +1 or -1
  int64_t minorDelta;
  int64_t length;  // steps, and pixels drawn

  int64_t minorAt(int64_t k) const {
    return minorStart + static_cast<int64_t>(ceilDiv(Wide(2) * k * minorDelta - length, Wide(2) * length));
  }
};

// Steps k within [lo, hi] where the major coordinate stays on the surface.
bool clipMajor(const MajorWalk& walk, int64_t limit, int64_t& lo, int64_t& hi) {
  if (walk.majorStep > 0) {
    lo = std::max(lo, -walk.majorStart);
    hi = std::min(hi, limit - 1 - walk.majorStart);
  } else {
    lo = std::max(lo, walk.majorStart - (limit - 1));
    hi = std::min(hi, walk.majorStart);
  }
  return lo <= hi;
}

// The first k in [lo, hi] for which condition(k) holds, condition being
// false then true along the range; hi + 1 when it never holds.
template <typename Condition>
int64_t firstWhere(int64_t lo, int64_t hi, Condition condition) {
  int64_t end = hi + 1;
  while (lo < end) {
    const int64_t mid = lo + (end - lo) / 2;
    if (condition(mid)) {
      end = mid;
    } else {
      lo = mid + 1;
    }
  }
  return lo;
}

// Narrows [lo, hi] to the steps whose minor coordinate is on the surface;
// it moves monotonically, so the range is one interval.
bool clipMinor(const MajorWalk& walk, int64_t limit, int64_t& lo, int64_t& hi) {
  if (walk.minorDelta >= 0) {
    lo = firstWhere(lo, hi, [&](int64_t k) { return walk.minorAt(k) >= 0; });
    hi = firstWhere(lo, hi, [&](int64_t k) { return walk.minorAt(k) >= limit; }) - 1;
  } else {
    lo = firstWhere(lo, hi, [&](int64_t k) { return walk.minorAt(k) < limit; });
    hi = firstWhere(lo, hi, [&](int64_t k) { return walk.minorAt(k) < 0; }) - 1;
  }
  return lo <= hi;
}

template <bool XMajor>
void walkLine(Framebuffer& target, const MajorWalk& walk, uint32_t colour) {
  const int64_t majorLimit = XMajor ? target.width() : target.height();
  const int64_t minorLimit = XMajor ? target.height() : target.width();
  int64_t lo = 0, hi = walk.length - 1;
  if (!clipMajor(walk, majorLimit, lo, hi) || !clipMinor(walk, minorLimit, lo, hi)) return;

  // Bresenham from step lo: the remainder stays in (-2 * length, 0].
  const Wide error = Wide(2) * lo * walk.minorDelta - walk.length;
  const int64_t offset = static_cast<int64_t>(ceilDiv(error, Wide(2) * walk.length));
  int64_t remainder = static_cast<int64_t>(error - Wide(2) * walk.length * offset);
  const int64_t twiceLength = 2 * walk.length, twiceDelta = 2 * walk.minorDelta;
  const int64_t major = walk.majorStart + walk.majorStep * lo;
  const int64_t minor = walk.minorStart + offset;
  const ptrdiff_t stride = target.width();
  uint32_t* pixels = target.row(0);
  // An index rather than a pointer: it may step off the surface after the last pixel.
  ptrdiff_t index = XMajor ? minor * stride + major : major * stride + minor;
  const ptrdiff_t majorStride = XMajor ? walk.majorStep : walk.majorStep * stride;
  const ptrdiff_t minorStride = XMajor ? stride : 1;
  for (int64_t k = lo; k <= hi; ++k) {
    pixels[index] = colour;
    index += majorStride;
    remainder += twiceDelta;
    if (remainder > 0) {
      remainder -= twiceLength;
      index += minorStride;
    } else if (remainder <= -twiceLength) {
      remainder += twiceLength;
      index -= minorStride;
    }
  }
}

}  // namespace

void drawLine(Framebuffer& target, RasterPoint from, RasterPoint to, uint32_t colour) {
  const int64_t dx = to.x - from.x, dy = to.y - from.y;
  if (dx == 0 && dy == 0) return;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx > ady) {
    walkLine<true>(target, MajorWalk{from.x, from.y, dx > 0 ? 1 : -1, dy, adx}, colour);
  } else {  // exact diagonals count as y-major
    walkLine<false>(target, MajorWalk{from.y, from.x, dy > 0 ? 1 : -1, dx, ady}, colour);
  }
}

void drawPolyline(Framebuffer& target, const RasterPoint* points, int count, uint32_t colour) {
  for (int i = 0; i + 1 < count; ++i) drawLine(target, points[i], points[i + 1], colour);
}
