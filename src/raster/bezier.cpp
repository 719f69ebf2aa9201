// Flattening by recursive midpoint subdivision in 1/16-pixel fixed point, at
// most eight halvings deep, as GDI does it: a piece is accepted once both
// control points lie between its ends along the chord's major axis and
// within a pixel of the chord, measured across that axis. GDI flattens in
// logical coordinates and moves the points by the viewport origin after:
// its midpoints round toward zero, so the origin changes which points come
// out, by several pixels on a saver-sized curve.

#include <algorithm>
#include <cstdlib>
#include <vector>

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

// Inlined into each flattening loop, as the test runs for every piece.
[[gnu::always_inline]] inline bool flatEnough(const Piece& p) {
  const bool shallow = std::llabs(p.y3 - p.y0) <= std::llabs(p.x3 - p.x0);
  return shallow ? flatAlong(p.x0, p.x1, p.x2, p.x3, p.y0, p.y1, p.y2, p.y3)
                 : flatAlong(p.y0, p.y1, p.y2, p.y3, p.x0, p.x1, p.x2, p.x3);
}

class Flattener {
 public:
  // Depth first, first halves first, with the second halves waiting on a
  // stack of their own: the pieces stay in registers.
  // Pieces for which offBand(piece) holds are taken whole, as their chord.
  // The points come out moved by shift.
  template <typename OffBand>
  void flatten(Piece piece, const OffBand& offBand, RasterPoint shift = {0, 0}) {
    shift_ = shift;
    flattenPieces(piece, offBand);
  }

  // Once the points are all there: kept apart from adding them, whose
  // stores the compiler must assume may change the box.
  void findBox() {
    left = right = points[0].x;
    top = bottom = points[0].y;
    for (int i = 1; i < count; ++i) {
      left = std::min(left, points[i].x);
      right = std::max(right, points[i].x);
      top = std::min(top, points[i].y);
      bottom = std::max(bottom, points[i].y);
    }
  }

  // In logical pixels, and the box about them.
  RasterPoint points[(1 << maxDepth) + 1];
  int count = 0;
  int64_t left = 0, top = 0, right = 0, bottom = 0;

 private:
  template <typename OffBand>
  void flattenPieces(Piece piece, const OffBand& offBand) {
    count = 0;
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

  void add(int64_t x, int64_t y) { points[count++] = RasterPoint{toPixels(x) + shift_.x, toPixels(y) + shift_.y}; }

  RasterPoint shift_{0, 0};
};

// A piece whose control points all lie beyond one edge of the band (with a
// pixel to spare for rounding) stays off it, however it is flattened: the
// lines that are left out would not have drawn a pixel there.
class OffBand {
 public:
  // Pieces in logical coordinates about the origin.
  OffBand(const Canvas& target, RasterPoint origin)
      : nearX_((-origin.x - 1) * onePixel),
        nearY_((target.top() - origin.y - 1) * onePixel),
        farX_((target.width() - origin.x + 1) * onePixel),
        farY_((target.bottom() - origin.y + 1) * onePixel) {}
  bool operator()(const Piece& p) const {
    return (p.x0 < nearX_ && p.x1 < nearX_ && p.x2 < nearX_ && p.x3 < nearX_) ||
           (p.y0 < nearY_ && p.y1 < nearY_ && p.y2 < nearY_ && p.y3 < nearY_) ||
           (p.x0 > farX_ && p.x1 > farX_ && p.x2 > farX_ && p.x3 > farX_) ||
           (p.y0 > farY_ && p.y1 > farY_ && p.y2 > farY_ && p.y3 > farY_);
  }

 private:
  int64_t nearX_, nearY_, farX_, farY_;
};

Piece fixedPoint(const RasterPoint points[4]) {
  return Piece{points[0].x * onePixel, points[0].y * onePixel, points[1].x * onePixel, points[1].y * onePixel,
               points[2].x * onePixel, points[2].y * onePixel, points[3].x * onePixel, points[3].y * onePixel};
}

// A curve's pixels as runs of rows, relative to its origin: the copies of a
// figure differ only by whole pixels, so each copy is these runs moved,
// clipped to the band. Built for a curve drawn many times in the saver's
// bands, where runs already painted are skipped.
class CurveRuns {
 public:
  // False where the curve is too large to keep this way.
  bool build(const Flattener& flat) {
    constexpr int64_t largestSide = int64_t(1) << 20;
    constexpr size_t mostRuns = size_t(1) << 16;
    if (flat.right - flat.left > largestSide || flat.bottom - flat.top > largestSide) return false;
    static thread_local std::vector<PixelRun> pieces;
    pieces.clear();
    for (int i = 0; i + 1 < flat.count; ++i) {
      appendLineRuns(flat.points[i], flat.points[i + 1], pieces);
      if (pieces.size() > mostRuns) return false;
    }
    std::sort(pieces.begin(), pieces.end(),
              [](const PixelRun& a, const PixelRun& b) { return a.y != b.y ? a.y < b.y : a.left < b.left; });
    top_ = flat.top;
    constexpr uint32_t unset = UINT32_MAX;
    rowStart_.assign(static_cast<size_t>(flat.bottom - flat.top + 2), unset);
    rowStart_[0] = 0;
    spans_.clear();
    for (size_t i = 0; i < pieces.size();) {
      const int64_t y = pieces[i].y;
      const size_t rowBegin = spans_.size();
      // Overlapping pieces of a row become one run: one colour paints them all.
      for (; i < pieces.size() && pieces[i].y == y; ++i) {
        if (spans_.size() > rowBegin && pieces[i].left <= spans_.back().second + 1) {
          spans_.back().second = std::max(spans_.back().second, pieces[i].right);
        } else {
          spans_.push_back({pieces[i].left, pieces[i].right});
        }
      }
      rowStart_[static_cast<size_t>(y - top_) + 1] = static_cast<uint32_t>(spans_.size());
    }
    // Rows without pixels end where the row before them does.
    for (size_t row = 1; row < rowStart_.size(); ++row)
      if (rowStart_[row] == unset) rowStart_[row] = rowStart_[row - 1];
    return true;
  }

  void paint(const Canvas& target, RasterPoint origin, uint32_t colour) const {
    const int64_t rows = static_cast<int64_t>(rowStart_.size()) - 1;
    const int64_t first = std::max<int64_t>(0, target.top() - origin.y - top_);
    const int64_t last = std::min<int64_t>(rows - 1, target.bottom() - 1 - origin.y - top_);
    const int64_t rightmost = target.width() - int64_t(1);
    for (int64_t row = first; row <= last; ++row) {
      const int64_t y = row + top_ + origin.y;
      for (uint32_t i = rowStart_[static_cast<size_t>(row)]; i < rowStart_[static_cast<size_t>(row) + 1]; ++i) {
        const int64_t left = std::max<int64_t>(spans_[i].first + origin.x, 0);
        const int64_t right = std::min(spans_[i].second + origin.x, rightmost);
        if (left <= right) target.paintRun(y, left, right, colour);
      }
    }
  }

 private:
  int64_t top_ = 0;
  std::vector<uint32_t> rowStart_;  // a row's runs: rowStart_[row] up to rowStart_[row + 1]
  std::vector<std::pair<int64_t, int64_t>> spans_;
};

// The copies of a figure draw the same curves at many origins, one after
// another: the last few flattenings are kept, by their logical points.
class FlatteningCache {
 public:
  struct Entry {
    bool flattened = false;
    Flattener flattening;
    int uses = 0;
    enum class Runs : uint8_t { NotYet, Built, TooLarge } runs = Runs::NotYet;
    CurveRuns curveRuns;
  };

  Entry& find(const RasterPoint key[4]) {
    uint64_t hash = 0;
    for (int p = 0; p < 4; ++p)
      hash = ((hash ^ static_cast<uint64_t>(key[p].x)) * 0x9E3779B97F4A7C15u) ^ static_cast<uint64_t>(key[p].y);
    for (int i = 0; i < used_; ++i) {
      if (hashes_[i] != hash) continue;
      const RasterPoint* k = keys_[i];
      if (k[0].x == key[0].x && k[0].y == key[0].y && k[1].x == key[1].x && k[1].y == key[1].y && k[2].x == key[2].x &&
          k[2].y == key[2].y && k[3].x == key[3].x && k[3].y == key[3].y)
        return entries_[i];
    }
    const int i = next_;
    next_ = (next_ + 1) % size;
    used_ = std::max(used_, next_ == 0 ? size : next_);
    Entry& entry = entries_[i];
    entry.flattened = false;
    entry.uses = 0;
    entry.runs = Entry::Runs::NotYet;
    hashes_[i] = hash;
    std::copy(key, key + 4, keys_[i]);
    return entry;
  }

 private:
  // Enough for every curve of a figure's copy: three arms of four.
  static constexpr int size = 16;
  // Apart from the entries, to be searched in few cache lines.
  uint64_t hashes_[size];
  RasterPoint keys_[size][4];
  Entry entries_[size];
  int next_ = 0, used_ = 0;
};

// A curve drawn this often is worth keeping whole, and then as runs. The
// usual lattice draws a curve five times; a wide window thousands of times.
constexpr int usesBeforeKeeping = 8, usesBeforeRuns = 16;

// Apart from drawBezier, whose copies drawn as runs need none of its stack.
[[gnu::noinline]] void drawFlattened(const Canvas& target, const Flattener& flat, uint32_t colour, RasterPoint origin) {
  RasterPoint device[(1 << maxDepth) + 1];
  for (int i = 0; i < flat.count; ++i) device[i] = {flat.points[i].x + origin.x, flat.points[i].y + origin.y};
  drawPolyline(target, device, flat.count, colour);
}

}  // namespace

void drawBezier(const Canvas& target, const RasterPoint points[4], uint32_t colour, RasterPoint origin) {
  // Each thread drawing a band keeps its own.
  static thread_local FlatteningCache cache;
  FlatteningCache::Entry* found = target.paintedRuns() ? &cache.find(points) : nullptr;
  if (!found || found->uses < usesBeforeKeeping) {
    // Most curves are drawn a few times a band at most: only their part near
    // it is flattened finely.
    if (found) ++found->uses;
    Flattener once;
    once.flatten(fixedPoint(points), OffBand(target, origin), origin);
    drawPolyline(target, once.points, once.count, colour);
    return;
  }
  FlatteningCache::Entry& entry = *found;
  if (!entry.flattened) {
    entry.flattening.flatten(fixedPoint(points), [](const Piece&) { return false; });
    entry.flattening.findBox();
    entry.flattened = true;
  }
  const Flattener& flat = entry.flattening;
  // Copies wholly off the band draw nothing there.
  if (flat.right + origin.x < 0 || flat.left + origin.x >= target.width() || flat.bottom + origin.y < target.top() ||
      flat.top + origin.y >= target.bottom())
    return;
  using Runs = FlatteningCache::Entry::Runs;
  if (entry.runs != Runs::TooLarge && ++entry.uses >= usesBeforeRuns) {
    if (entry.runs == Runs::NotYet) entry.runs = entry.curveRuns.build(flat) ? Runs::Built : Runs::TooLarge;
    if (entry.runs == Runs::Built) {
      entry.curveRuns.paint(target, origin, colour);
      return;
    }
  }
  drawFlattened(target, flat, colour, origin);
}
