#include "line.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

namespace {

// Exact products of two 64-bit coordinates (the error terms that pick each
// pixel): standard C++ has no 128-bit integer, and a double would round them.
// GCC and Clang have one on the 64-bit targets the rasterizer is built for.
using Wide = __int128;

template <typename Integer>
Integer ceilDiv(Integer numerator, Integer denominator) {  // denominator > 0
  const Integer quotient = numerator / denominator;
  return quotient + (numerator % denominator != 0 && numerator > 0);
}

template <typename Integer>
Integer floorDiv(Integer numerator, Integer denominator) {  // denominator > 0
  const Integer quotient = numerator / denominator;
  return quotient - (numerator % denominator != 0 && numerator < 0);
}

// Below this, 2 * steps * delta fits in 64 bits, whose division is many
// times faster than a 128-bit one.
constexpr int64_t narrowLimit = int64_t(1) << 30;

// A line as steps along its major axis. After k steps the minor coordinate
// is k * minorDelta / length from the start, rounded to nearest with an
// exact half going to the smaller coordinate.
struct MajorWalk {
  int64_t majorStart, minorStart;
  int64_t majorStep;  // +1 or -1
  int64_t minorDelta;
  int64_t length;  // steps, and pixels drawn

  bool narrow() const { return length < narrowLimit && minorDelta > -narrowLimit && minorDelta < narrowLimit; }
  // k in [0, length]
  int64_t minorAt(int64_t k) const {
    if (narrow()) return minorStart + ceilDiv(2 * k * minorDelta - length, 2 * length);
    return minorStart + static_cast<int64_t>(ceilDiv(Wide(2) * k * minorDelta - length, Wide(2) * length));
  }
};

// Coordinates first to last, both included.
struct Span {
  int64_t first, last;
  bool contains(int64_t value) const { return value >= first && value <= last; }
};

// Narrows [lo, hi] to the steps whose major coordinate lies in the span.
bool clipMajor(const MajorWalk& walk, Span span, int64_t& lo, int64_t& hi) {
  if (walk.majorStep > 0) {
    lo = std::max(lo, span.first - walk.majorStart);
    hi = std::min(hi, span.last - walk.majorStart);
  } else {
    lo = std::max(lo, walk.majorStart - span.last);
    hi = std::min(hi, walk.majorStart - span.first);
  }
  return lo <= hi;
}

// Narrows [lo, hi] to the steps whose minor coordinate lies in the span.
// With E = 2k * delta - length, the minor coordinate is start + ceil(E / (2 * length)),
// which is at least m exactly when E > 2 * length * (m - start - 1), and at
// most m exactly when E <= 2 * length * (m - start). In 64 bits where the
// products fit, as 128-bit division costs many times more.
template <typename Integer>
bool clipMinorIn(const MajorWalk& walk, Span span, int64_t& lo, int64_t& hi) {
  const Integer length = walk.length, delta = walk.minorDelta;
  const Integer aboveFirst = length * (2 * (Integer(span.first) - walk.minorStart) - 1);  // 2k * delta > this
  const Integer belowLast = length * (2 * (Integer(span.last) - walk.minorStart) + 1);    // 2k * delta <= this
  Integer first = lo, last = hi;
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

bool clipMinor(const MajorWalk& walk, Span span, int64_t& lo, int64_t& hi) {
  const auto near = [&](int64_t value) {
    return value - walk.minorStart > -narrowLimit && value - walk.minorStart < narrowLimit;
  };
  if (walk.narrow() && walk.minorStart > -narrowLimit && walk.minorStart < narrowLimit && near(span.first) &&
      near(span.last))
    return clipMinorIn<int64_t>(walk, span, lo, hi);
  return clipMinorIn<Wide>(walk, span, lo, hi);
}

// The line in 32.32 fixed point: each pixel's minor offset comes from its
// own step count, so no remainder or branch carries from pixel to pixel.
// The position is kept rounded down; the result is exact while the error
// this accumulates stays below 1 / (2 * length), the finest distance of the
// true position from a pixel boundary. Step k's minor offset from the first
// pixel is (position + k * slope) >> 32.
struct FixedPoint {
  int64_t position, slope;
  // False where the result would not be exact.
  bool start(int64_t count, int64_t remainder, int64_t length, int64_t delta) {
    constexpr int64_t one = int64_t(1) << 32;
    if (count > (one / 2) / (2 * length)) return false;  // also keeps the products below within 64 bits
    // The true offset from the start is ceil((remainder + 2 * step * delta) / (2 * length)).
    position = floorDiv(remainder * one, 2 * length) + (one - 1);
    slope = floorDiv(delta * one, length);
    return true;
  }
};

void drawFixedPoint(uint32_t* pixels, ptrdiff_t index, ptrdiff_t majorStride, ptrdiff_t minorStride, int64_t count,
                    FixedPoint line, uint32_t colour) {
  for (; count > 0; --count, index += majorStride, line.position += line.slope)
    pixels[index + (line.position >> 32) * minorStride] = colour;
}

// Marks what steps lo to hi change, one tile column (or row) of the major
// axis at a time, so that a long slanted line marks the tiles along it
// rather than its whole box, and each piece no more than the one or two
// tiles across that it crosses. minorAt(step) is where a step lies across.
template <bool XMajor, typename MinorAt>
void markSteps(const Canvas& target, int64_t majorStart, int64_t majorStep, int64_t lo, int64_t hi,
               const MinorAt& minorAt) {
  const int64_t tileMask = (XMajor ? target.changedTileWidth() : target.changedTileHeight()) - 1;
  for (int64_t from = lo, to; from <= hi; from = to + 1) {
    const int64_t majorFrom = majorStart + majorStep * from;
    const int64_t inTile = majorFrom & tileMask;  // also below 0
    to = std::min(hi, from + (majorStep > 0 ? tileMask - inTile : inTile));
    const int64_t majorTo = majorStart + majorStep * to;
    const int64_t minorFrom = minorAt(from), minorTo = minorAt(to);
    if (XMajor) {
      target.markChanged(majorFrom, minorFrom, majorTo, minorTo);
    } else {
      target.markChanged(minorFrom, majorFrom, minorTo, majorTo);
    }
  }
}

// A line that climbs a row at most every so many columns is painted row by
// row, as runs.
constexpr int64_t flatRatio = 16;

// Calls visit(row, left, right) for each row that steps lo to hi of an
// x-major line pass, in order, with the columns that row's steps light. Each
// row's steps come from the same rule as the clipping, so the pixels are
// those of the walk.
template <typename Visit>
void visitRows(const MajorWalk& walk, int64_t lo, int64_t hi, Visit&& visit) {
  const int64_t firstRow = walk.minorAt(lo), lastRow = walk.minorAt(hi);
  const int64_t rowStep = lastRow >= firstRow ? 1 : -1;
  for (int64_t row = firstRow;; row += rowStep) {
    int64_t first = lo, last = hi;
    // Between the ends every row gets a step: the minor coordinate moves by at most one a step.
    if (row != lastRow && !clipMinor(walk, Span{row, row}, first, last)) return;
    const int64_t from = walk.majorStart + walk.majorStep * first, to = walk.majorStart + walk.majorStep * last;
    visit(row, std::min(from, to), std::max(from, to));
    if (row == lastRow) return;
    lo = last + 1;
  }
}

void paintRuns(const Canvas& target, const MajorWalk& walk, int64_t lo, int64_t hi, uint32_t colour) {
  visitRows(walk, lo, hi, [&](int64_t row, int64_t left, int64_t right) { target.paintRun(row, left, right, colour); });
}

template <bool XMajor>
void walkLine(const Canvas& target, const MajorWalk& walk, uint32_t colour) {
  const Span columns{0, target.width() - int64_t(1)}, rows{target.top(), target.bottom() - int64_t(1)};
  const Span majorSpan = XMajor ? columns : rows, minorSpan = XMajor ? rows : columns;
  int64_t lo = 0, hi = walk.length - 1;
  // A line between two points in the band stays in it: most lines need no clipping.
  const bool inside = majorSpan.contains(walk.majorStart) &&
                      majorSpan.contains(walk.majorStart + walk.majorStep * walk.length) &&
                      minorSpan.contains(walk.minorStart) && minorSpan.contains(walk.minorStart + walk.minorDelta);
  if (!inside) {
    // Lines wholly beyond one side, like the copies of a figure off a narrow
    // band, are left before any division.
    const int64_t majorEnd = walk.majorStart + walk.majorStep * walk.length;
    const int64_t minorEnd = walk.minorStart + walk.minorDelta;
    if (std::max(walk.majorStart, majorEnd) < majorSpan.first || std::min(walk.majorStart, majorEnd) > majorSpan.last ||
        std::max(walk.minorStart, minorEnd) < minorSpan.first || std::min(walk.minorStart, minorEnd) > minorSpan.last)
      return;
    if (!clipMajor(walk, majorSpan, lo, hi) || !clipMinor(walk, minorSpan, lo, hi)) return;
  }

  if (XMajor && hi - lo >= PaintedRuns::trackedRun && std::abs(walk.minorDelta) * flatRatio <= walk.length) {
    paintRuns(target, walk, lo, hi, colour);
    return;
  }

  // Bresenham from step lo: the remainder stays in (-2 * length, 0].
  int64_t offset = 0, remainder = -walk.length;
  if (lo > 0 && walk.narrow()) {
    const int64_t error = 2 * lo * walk.minorDelta - walk.length;
    offset = ceilDiv(error, 2 * walk.length);
    remainder = error - 2 * walk.length * offset;
  } else if (lo > 0) {
    const Wide error = Wide(2) * lo * walk.minorDelta - walk.length;
    offset = static_cast<int64_t>(ceilDiv(error, Wide(2) * walk.length));
    remainder = static_cast<int64_t>(error - Wide(2) * walk.length * offset);
  }
  const int64_t major = walk.majorStart + walk.majorStep * lo;
  const int64_t minor = walk.minorStart + offset;
  const ptrdiff_t stride = target.stride();
  uint32_t* pixels = target.pixels();
  // An index rather than a pointer: it may step off the surface after the last pixel.
  ptrdiff_t index = XMajor ? minor * stride + major : major * stride + minor;
  const ptrdiff_t majorStride = XMajor ? walk.majorStep : walk.majorStep * stride;
  const ptrdiff_t minorStride = XMajor ? stride : 1;
  int64_t count = hi - lo + 1;
  if (FixedPoint line; line.start(count, remainder, walk.length, walk.minorDelta)) {
    if (target.tracksChanges())
      markSteps<XMajor>(target, major, walk.majorStep, 0, count - 1,
                        [&](int64_t step) { return minor + ((line.position + step * line.slope) >> 32); });
    drawFixedPoint(pixels, index, majorStride, minorStride, count, line, colour);
    return;
  }
  if (target.tracksChanges())
    markSteps<XMajor>(target, walk.majorStart, walk.majorStep, lo, hi,
                      [&](int64_t step) { return walk.minorAt(step); });
  // Lines too long for that: the remainder carried exactly, without branches,
  // which would be mispredicted about half the time.
  const int64_t twiceLength = 2 * walk.length, twiceDelta = 2 * walk.minorDelta;
  if (twiceDelta >= 0) {
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

void drawLine(const Canvas& target, RasterPoint from, RasterPoint to, uint32_t colour) {
  const int64_t dx = to.x - from.x, dy = to.y - from.y;
  if (dx == 0 && dy == 0) return;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx > ady) {
    walkLine<true>(target, MajorWalk{from.x, from.y, dx > 0 ? 1 : -1, dy, adx}, colour);
  } else {  // exact diagonals count as y-major
    walkLine<false>(target, MajorWalk{from.y, from.x, dy > 0 ? 1 : -1, dx, ady}, colour);
  }
}

void drawPolyline(const Canvas& target, const RasterPoint* points, int count, uint32_t colour) {
  for (int i = 0; i + 1 < count; ++i) drawLine(target, points[i], points[i + 1], colour);
}

void appendLineRuns(RasterPoint from, RasterPoint to, std::vector<PixelRun>& runs) {
  const int64_t dx = to.x - from.x, dy = to.y - from.y;
  if (dx == 0 && dy == 0) return;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx > ady) {
    const MajorWalk walk{from.x, from.y, dx > 0 ? 1 : -1, dy, adx};
    visitRows(walk, 0, walk.length - 1, [&](int64_t row, int64_t left, int64_t right) {
      runs.push_back({row, left, right});
    });
  } else {
    const MajorWalk walk{from.y, from.x, dy > 0 ? 1 : -1, dx, ady};
    for (int64_t k = 0; k < walk.length; ++k) {
      const int64_t column = walk.minorAt(k);
      runs.push_back({walk.majorStart + walk.majorStep * k, column, column});
    }
  }
}
