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

Wide floorDiv(Wide numerator, Wide denominator) {  // denominator > 0
  const Wide quotient = numerator / denominator;
  return quotient - (numerator % denominator != 0 && numerator < 0);
}

// Narrows [lo, hi] to the steps whose minor coordinate lies in 0..limit-1.
// With E = 2k * delta - length, the minor coordinate is start + ceil(E / (2 * length)),
// which is at least m exactly when E > 2 * length * (m - start - 1), and at
// most m exactly when E <= 2 * length * (m - start).
bool clipMinor(const MajorWalk& walk, int64_t limit, int64_t& lo, int64_t& hi) {
  const Wide length = walk.length, delta = walk.minorDelta;
  const Wide aboveFirst = length * (2 * (Wide(0) - walk.minorStart) - 1);         // 2k * delta > this
  const Wide belowLast = length * (2 * (Wide(limit - 1) - walk.minorStart) + 1);  // 2k * delta <= this
  Wide first = lo, last = hi;
  if (delta > 0) {
    first = std::max(first, floorDiv(aboveFirst, 2 * delta) + 1);
    last = std::min(last, floorDiv(belowLast, 2 * delta));
  } else if (delta < 0) {
    first = std::max(first, floorDiv(-belowLast - 1, -2 * delta) + 1);
    last = std::min(last, floorDiv(-aboveFirst - 1, -2 * delta));
  } else if (!(0 > aboveFirst && 0 <= belowLast)) {
    return false;
  }
  if (first > last) return false;
  lo = static_cast<int64_t>(first);
  hi = static_cast<int64_t>(last);
  return true;
}

// A shallow line as runs of pixels that share their minor coordinate. With
// length = q * |delta| + rest, every run after the first has q or q + 1
// pixels, decided without a division by the remainder that it starts with.
void drawRuns(uint32_t* pixels, ptrdiff_t index, ptrdiff_t majorStride, ptrdiff_t minorStride, int64_t count,
              int64_t remainder, int64_t twiceLength, int64_t twiceDelta, uint32_t colour) {
  const int64_t twiceMagnitude = twiceDelta < 0 ? -twiceDelta : twiceDelta;
  // Pixels until the minor coordinate moves, from a remainder r in (-2L, 0]:
  // the first t with r + 2|d| t > 0 (rising), or r - 2|d| t <= -2L (falling).
  const auto firstRun = [&](int64_t r) -> int64_t {
    if (twiceMagnitude == 0) return count;
    return twiceDelta > 0 ? -r / twiceMagnitude + 1 : (r + twiceLength + twiceMagnitude - 1) / twiceMagnitude;
  };
  const int64_t whole = twiceMagnitude ? twiceLength / twiceMagnitude : 0;
  int64_t run = firstRun(remainder);
  for (;;) {
    const int64_t take = run < count ? run : count;
    for (int64_t i = 0; i < take; ++i, index += majorStride) pixels[index] = colour;
    count -= take;
    if (count == 0) return;
    index += minorStride;
    if (twiceDelta > 0) {
      remainder += twiceDelta * take - twiceLength;
      run = whole + (-remainder >= twiceMagnitude * whole);
    } else {
      remainder += twiceDelta * take + twiceLength;
      run = whole + (remainder + twiceLength > twiceMagnitude * whole);
    }
  }
}

// Marks what steps lo to hi change, a tile's length at a time, so that a
// long slanted line marks the tiles along it rather than its whole box.
template <bool XMajor>
void markChanges(DirtyTiles& changes, const MajorWalk& walk, int64_t lo, int64_t hi) {
  for (int64_t from = lo; from <= hi; from += DirtyTiles::tileSize) {
    const int64_t to = std::min(hi, from + DirtyTiles::tileSize - 1);
    const int64_t majorFrom = walk.majorStart + walk.majorStep * from, majorTo = walk.majorStart + walk.majorStep * to;
    const int64_t minorFrom = walk.minorAt(from), minorTo = walk.minorAt(to);
    if (XMajor) {
      changes.mark(majorFrom, minorFrom, majorTo, minorTo);
    } else {
      changes.mark(minorFrom, majorFrom, minorTo, majorTo);
    }
  }
}

template <bool XMajor>
void walkLine(Framebuffer& target, const MajorWalk& walk, uint32_t colour) {
  const int64_t majorLimit = XMajor ? target.width() : target.height();
  const int64_t minorLimit = XMajor ? target.height() : target.width();
  int64_t lo = 0, hi = walk.length - 1;
  // A line between two points on the surface stays on it: most lines need no clipping.
  const int64_t majorEnd = walk.majorStart + walk.majorStep * walk.length;
  const int64_t minorEnd = walk.minorStart + walk.minorDelta;
  const bool inside = walk.majorStart >= 0 && walk.majorStart < majorLimit && majorEnd >= 0 && majorEnd < majorLimit &&
                      walk.minorStart >= 0 && walk.minorStart < minorLimit && minorEnd >= 0 && minorEnd < minorLimit;
  if (!inside && (!clipMajor(walk, majorLimit, lo, hi) || !clipMinor(walk, minorLimit, lo, hi))) return;
  if (target.changes().enabled()) markChanges<XMajor>(target.changes(), walk, lo, hi);

  // Bresenham from step lo: the remainder stays in (-2 * length, 0].
  int64_t offset = 0, remainder = -walk.length;
  if (lo > 0) {
    const Wide error = Wide(2) * lo * walk.minorDelta - walk.length;
    offset = static_cast<int64_t>(ceilDiv(error, Wide(2) * walk.length));
    remainder = static_cast<int64_t>(error - Wide(2) * walk.length * offset);
  }
  const int64_t twiceLength = 2 * walk.length, twiceDelta = 2 * walk.minorDelta;
  const int64_t major = walk.majorStart + walk.majorStep * lo;
  const int64_t minor = walk.minorStart + offset;
  const ptrdiff_t stride = target.stride();
  uint32_t* pixels = target.row(0);
  // An index rather than a pointer: it may step off the surface after the last pixel.
  ptrdiff_t index = XMajor ? minor * stride + major : major * stride + minor;
  const ptrdiff_t majorStride = XMajor ? walk.majorStep : walk.majorStep * stride;
  const ptrdiff_t minorStride = XMajor ? stride : 1;
  int64_t count = hi - lo + 1;
  const int64_t delta = walk.minorDelta, magnitude = delta < 0 ? -delta : delta;
  if (2 * magnitude <= walk.length) {
    drawRuns(pixels, index, majorStride, delta < 0 ? -minorStride : minorStride, count, remainder, twiceLength,
             twiceDelta, colour);
    return;
  }
  // Steep enough that runs are short: step pixel by pixel, without branches,
  // which would be mispredicted about half the time.
  if (delta >= 0) {
    for (; count > 0; --count) {
      pixels[index] = colour;
      remainder += twiceDelta;
      const int64_t step = -static_cast<int64_t>(remainder > 0);
      remainder -= step & twiceLength;
      index += majorStride + (step & minorStride);
    }
  } else {
    for (; count > 0; --count) {
      pixels[index] = colour;
      remainder += twiceDelta;
      const int64_t step = -static_cast<int64_t>(remainder <= -twiceLength);
      remainder += step & twiceLength;
      index += majorStride - (step & minorStride);
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
