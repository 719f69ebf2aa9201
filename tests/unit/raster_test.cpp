// The rasterizer against its rules, independently of the reference images:
// every pixel of a line from the closed formula, clipping that never moves a
// pixel, and the arc and curve conventions.

#include <array>
#include <cstdlib>
#include <random>
#include <set>

#include "raster/banded_drawing.h"
#include "raster/curves.h"
#include "test_support.h"

namespace {

using Pixels = std::set<std::pair<int64_t, int64_t>>;

Pixels lit(const Framebuffer& image) {
  Pixels pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y)) pixels.insert({x, y});
  return pixels;
}

int64_t ceilDiv(__int128 a, __int128 b) { return static_cast<int64_t>(a / b + (a % b != 0 && a > 0)); }

// The pixels of a line on a width x height surface, straight from the rule:
// after k major steps the minor offset is k * dminor / dmajor rounded to
// nearest, a half going to the smaller coordinate; the last pixel is left
// out. Only steps whose major coordinate is on the surface are visited.
Pixels expectedLine(RasterPoint a, RasterPoint b, int64_t width, int64_t height) {
  Pixels pixels;
  const int64_t dx = b.x - a.x, dy = b.y - a.y;
  const bool xMajor = std::llabs(dx) > std::llabs(dy);
  const int64_t length = xMajor ? std::llabs(dx) : std::llabs(dy);
  const int64_t majorStart = xMajor ? a.x : a.y, minorStart = xMajor ? a.y : a.x;
  const int64_t step = (xMajor ? dx : dy) > 0 ? 1 : -1, minorDelta = xMajor ? dy : dx;
  const int64_t majorSize = xMajor ? width : height;
  for (int64_t major = 0; major < majorSize; ++major) {
    const int64_t k = (major - majorStart) * step;
    if (k < 0 || k >= length) continue;
    const int64_t minor = minorStart + ceilDiv(__int128(2) * k * minorDelta - length, __int128(2) * length);
    const int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
    if (x >= 0 && y >= 0 && x < width && y < height) pixels.insert({x, y});
  }
  return pixels;
}

TEST(RasterLines, EveryPixelFollowsTheRuleAtAnySlopeAndDistance) {
  std::mt19937 random(42);
  Framebuffer image(61, 47);
  for (int i = 0; i < 20000; ++i) {
    const int64_t spread = i % 5 == 0 ? 2000000000 : i % 5 == 1 ? 5000 : 90;
    std::uniform_int_distribution<int64_t> coordinate(-spread, spread + 60);
    RasterPoint a{coordinate(random), coordinate(random)};
    // Lines near the surface, some shallow, some steep, some exact diagonals.
    RasterPoint b{coordinate(random), coordinate(random)};
    if (i % 7 == 0) b = {a.x + (b.y - a.y), b.y};
    if (i % 11 == 0) b = {a.x + (b.x - a.x) / 40 + 1, b.y};
    image.fill(0, 0, 61, 47, 0);
    drawLine(image, a, b, 1);
    ASSERT_EQ(lit(image), expectedLine(a, b, 61, 47)) << a.x << "," << a.y << " -> " << b.x << "," << b.y;
  }
}

TEST(RasterLines, LinesTooLongForFixedPointKeepTheTieRule) {
  // 70000 steps with one minor step: the exact half falls on step 35000.
  Framebuffer wide(70002, 2), tall(2, 70002);
  const std::pair<RasterPoint, RasterPoint> lines[] = {
      {{0, 0}, {70000, 1}}, {{0, 1}, {70000, 0}}, {{70000, 0}, {0, 1}}, {{70001, 1}, {1, 0}}};
  for (const auto& [a, b] : lines) {
    wide.fill(0, 0, wide.width(), 2, 0);
    drawLine(wide, a, b, 1);
    ASSERT_EQ(lit(wide), expectedLine(a, b, wide.width(), 2)) << a.x << "," << a.y << " -> " << b.x << "," << b.y;
    tall.fill(0, 0, 2, tall.height(), 0);
    drawLine(tall, {a.y, a.x}, {b.y, b.x}, 1);
    ASSERT_EQ(lit(tall), expectedLine({a.y, a.x}, {b.y, b.x}, 2, tall.height())) << "transposed " << a.x;
  }
  // Billions of steps, through the surface at several slopes.
  Framebuffer image(61, 47);
  for (const int64_t rise : {int64_t{1}, int64_t{7}, int64_t{1000000000}, int64_t{2999999999}}) {
    const RasterPoint a{30 - 3000000000LL, 23 - rise}, b{30 + 3000000000LL, 23 + rise};
    image.fill(0, 0, 61, 47, 0);
    drawLine(image, a, b, 1);
    ASSERT_EQ(lit(image), expectedLine(a, b, 61, 47)) << rise;
    EXPECT_FALSE(lit(image).empty());
  }
}

TEST(RasterLines, FirstPixelInLastPixelOutAndPolylinesRestartEachSegment) {
  Framebuffer image(10, 10);
  drawLine(image, {2, 2}, {2, 2}, 1);
  EXPECT_TRUE(lit(image).empty());
  drawLine(image, {1, 1}, {4, 1}, 1);
  EXPECT_EQ(lit(image), (Pixels{{1, 1}, {2, 1}, {3, 1}}));
  image.fill(0, 0, 10, 10, 0);
  const RasterPoint corner[3] = {{1, 1}, {3, 1}, {3, 3}};
  drawPolyline(image, corner, 3, 1);
  EXPECT_EQ(lit(image), (Pixels{{1, 1}, {2, 1}, {3, 1}, {3, 2}}));
}

TEST(RasterFill, RectanglesAreClippedToTheSurfaceWhateverTheirCorners) {
  Framebuffer image(8, 6);
  image.fill(-20, -20, -5, 3, 1);  // wholly left of the surface
  image.fill(6, 4, 100, 100, 1);
  image.fill(5, 5, 2, 2, 1);  // corners the wrong way round: nothing
  EXPECT_EQ(lit(image), (Pixels{{6, 4}, {7, 4}, {6, 5}, {7, 5}}));
}

TEST(RasterArcs, CornerOrderDoesNotMatterAndEmptyBoxesDrawNothing) {
  Framebuffer first(80, 60), second(80, 60);
  drawArc(first, {10, 5}, {70, 50}, {0, 0}, {80, 60}, 1);
  drawArc(second, {70, 50}, {10, 5}, {0, 0}, {80, 60}, 1);
  EXPECT_EQ(lit(first), lit(second));
  EXPECT_FALSE(lit(first).empty());
  Framebuffer empty(80, 60);
  drawArc(empty, {10, 5}, {10, 50}, {0, 0}, {0, 0}, 1);
  drawArc(empty, {10, 5}, {70, 5}, {0, 0}, {0, 0}, 1);
  EXPECT_TRUE(lit(empty).empty());
}

TEST(RasterArcs, CoincidentRaysDrawTheWholeEllipseWithinItsBox) {
  Framebuffer image(80, 60);
  drawArc(image, {10, 5}, {70, 50}, {75, 30}, {75, 30}, 1);
  const Pixels pixels = lit(image);
  int64_t left = 80, right = 0, top = 60, bottom = 0;
  for (auto [x, y] : pixels) {
    left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
  }
  EXPECT_EQ(left, 10);  // right and bottom edges excluded
  EXPECT_EQ(right, 69);
  EXPECT_EQ(top, 5);
  EXPECT_EQ(bottom, 49);
  // Counter-clockwise from the right to the top: the upper right quarter only.
  Framebuffer quarter(80, 60);
  drawArc(quarter, {10, 5}, {70, 50}, {75, 27}, {40, 0}, 1);
  for (auto [x, y] : lit(quarter)) EXPECT_TRUE(x >= 39 && y <= 28) << x << "," << y;
}

TEST(RasterArcs, HugeEllipsesAreSampledOnlyWhereTheyCrossTheSurface) {
  // A box a billion pixels across whose top passes through the surface.
  Framebuffer image(100, 100);
  drawArc(image, {-500000000, 50}, {500000000, 1000000050}, {0, 0}, {0, 0}, 1);
  const Pixels pixels = lit(image);
  EXPECT_EQ(pixels.size(), 99u);
  for (auto [x, y] : pixels) EXPECT_EQ(y, 50);
  EXPECT_FALSE(pixels.count({1, 50}));  // the last pixel before the ray, as the walk leaves it out
}

// An ellipse too large to walk on a small surface is sampled; where a wider
// surface walks it, both draw the same pixels, the last one left out, for
// rays through the centre too. (Rays that meet it between two pixels still
// differ by a pixel: sampling rounds the ray to the nearer one.)
TEST(RasterArcs, SampledArcsAgreeWithWalkedOnesForEveryRay) {
  constexpr int shift = 1450;
  const RasterPoint corner1{-4950, 50}, corner2{5051, 10051}, centre{50, 5050};
  const RasterPoint rays[] = {centre, {50, 0}, {50, 9000}, {0, 5050}, {9000, 5050}, {-7, 60}};
  size_t litPixels = 0;
  for (const RasterPoint start : rays)
    for (const RasterPoint end : rays) {
      Framebuffer sampled(100, 100), walked(100 + 2 * shift, 100);
      const auto shifted = [](RasterPoint p) { return RasterPoint{p.x + shift, p.y}; };
      drawArc(sampled, corner1, corner2, start, end, 1);
      drawArc(walked, shifted(corner1), shifted(corner2), shifted(start), shifted(end), 1);
      for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 100; ++x)
          ASSERT_EQ(sampled.pixel(x, y), walked.pixel(x + shift, y))
              << start.x << "," << start.y << " to " << end.x << "," << end.y << " at " << x << "," << y;
      litPixels += lit(sampled).size();
    }
  EXPECT_GT(litPixels, 1000u);
}

TEST(RasterCurves, AStraightCurveIsItsChordWithoutTheLastPixel) {
  Framebuffer image(30, 10);
  const RasterPoint straight[4] = {{2, 5}, {9, 5}, {16, 5}, {22, 5}};
  drawBezier(image, straight, 1);
  Pixels expected;
  for (int64_t x = 2; x < 22; ++x) expected.insert({x, 5});
  EXPECT_EQ(lit(image), expected);
  // Curves along each edge, drawn about origins that put them there.
  for (const RasterPoint origin : {RasterPoint{-7, 0}, RasterPoint{22, 0}, RasterPoint{0, -5}, RasterPoint{0, 4}}) {
    const bool upright = origin.y == 0;
    const RasterPoint along[4] = {
        upright ? RasterPoint{7, 1} : RasterPoint{1, 5}, upright ? RasterPoint{7, 3} : RasterPoint{9, 5},
        upright ? RasterPoint{7, 6} : RasterPoint{16, 5}, upright ? RasterPoint{7, 9} : RasterPoint{22, 5}};
    Framebuffer edge(30, 10);
    drawBezier(edge, along, 1, origin);
    EXPECT_EQ(lit(edge).size(), upright ? 8u : 21u) << origin.x << "," << origin.y;
  }
  // Far-off control points are flattened and clipped, not walked.
  Framebuffer far(30, 10);
  const RasterPoint wild[4] = {{0, 0}, {2000000000, -2000000000}, {-2000000000, 2000000000}, {29, 9}};
  drawBezier(far, wild, 1);
  EXPECT_FALSE(lit(far).empty());
}

// A surface a few pixels high (or wide) cuts long flat arcs, curves and lines
// far from their ends: what it shows must be what a larger surface shows
// there, drawn whole or in the saver's bands, where long runs are painted
// row by row.
TEST(RasterClipping, AFewRowsOrColumnsShowWhatALargerSurfaceShowsThere) {
  constexpr int margin = 300;  // of the larger surface, beyond each side that is cut
  std::mt19937 random(17);
  for (const auto [width, height] : {std::array{700, 1}, {700, 3}, {1, 700}, {4, 700}}) {
    const bool rows = width > height;
    const int64_t shiftX = rows ? 0 : margin, shiftY = rows ? margin : 0;
    Framebuffer small(width, height), banded(width, height);
    Framebuffer large(width + 2 * static_cast<int>(shiftX), height + 2 * static_cast<int>(shiftY));
    BandedDrawing drawing(banded);
    const auto across = [&](int64_t side) {
      return std::uniform_int_distribution<int64_t>(-3 * side, 4 * side)(random);
    };
    for (int i = 0; i < 3000; ++i) {
      // Long along the surface, crossing it at any height.
      const int64_t along = rows ? width : height;
      const auto point = [&] {
        const int64_t a = std::uniform_int_distribution<int64_t>(-2 * along, 3 * along)(random);
        const int64_t b = std::uniform_int_distribution<int64_t>(-40, 40)(random) + (i % 3 ? 0 : across(40));
        return rows ? RasterPoint{a, b} : RasterPoint{b, a};
      };
      const RasterPoint p[4] = {point(), point(), point(), point()};
      const auto shifted = [&](RasterPoint q) { return RasterPoint{q.x + shiftX, q.y + shiftY}; };
      const uint32_t colour = static_cast<uint32_t>(i % 2 ? 0xFFFFFF : random() & 0xFFFFFF);
      if (i % 3 == 0) {
        drawArc(small, p[0], p[1], p[2], p[3], colour);
        drawArc(large, shifted(p[0]), shifted(p[1]), shifted(p[2]), shifted(p[3]), colour);
        drawing.arc(p[0], p[1], p[2], p[3], colour);
      } else if (i % 3 == 1) {
        const RasterPoint origin = point();
        drawBezier(small, p, colour, origin);
        drawBezier(large, p, colour, shifted(origin));
        drawing.bezier(p, colour, origin);
      } else {  // a straight curve: long flat lines
        const RasterPoint chord[4] = {p[0], p[0], p[1], p[1]};
        drawBezier(small, chord, colour);
        drawBezier(large, chord, colour, shifted({0, 0}));
        drawing.bezier(chord, colour);
      }
    }
    drawing.finish();
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        ASSERT_EQ(large.pixel(x + static_cast<int>(shiftX), y + static_cast<int>(shiftY)), small.pixel(x, y))
            << width << "x" << height << " at " << x << "," << y;
        ASSERT_EQ(small.pixel(x, y), banded.pixel(x, y)) << width << "x" << height << " banded at " << x << "," << y;
      }
  }
}

// A display's pixel memory is one block at a time and a scarce one: the old
// block goes before the new one is asked for, an empty picture asks none, and
// a block that cannot be had leaves an empty picture and says how much it was.
struct CountingStorage : PixelStorage {
  uint32_t* allocate(size_t bytes) override {
    if (bytes > limit) return nullptr;
    ++held;
    most = std::max(most, held);
    return static_cast<uint32_t*>(std::calloc(bytes, 1));
  }
  void release(uint32_t* pixels) override {
    --held;
    std::free(pixels);
  }
  size_t limit = SIZE_MAX;
  int held = 0, most = 0;
};

TEST(RasterStorage, OneBlockAtATimeAndNoneForAnEmptyPicture) {
  CountingStorage storage;
  {
    Framebuffer image(&storage);
    for (const int size : {40, 80, 0, 20}) {
      image.resize(size, size);
      EXPECT_EQ(storage.held, size ? 1 : 0) << size;
    }
    EXPECT_EQ(storage.most, 1);
    storage.limit = 1000;
    EXPECT_THROW(image.resize(100, 100), FramebufferAllocationError);
    EXPECT_EQ(image.width(), 0);
    EXPECT_EQ(storage.held, 0);
    image.resize(10, 10);
  }
  EXPECT_EQ(storage.held, 0);
}

// What a display is told to send: every changed pixel, and little else.
struct Shown {
  std::vector<std::array<int, 4>> runs;  // x, y, width, height
  int64_t area = 0;
  bool covers(int64_t x, int64_t y) const {
    for (auto [left, top, width, height] : runs)
      if (x >= left && x < left + width && y >= top && y < top + height) return true;
    return false;
  }
};

Shown takeChanges(Framebuffer& image) {
  Shown shown;
  image.changes().take([&](int x, int y, int width, int height) {
    shown.runs.push_back({x, y, width, height});
    shown.area += int64_t(width) * height;
  });
  return shown;
}

// The tiles that an X server copies, and those a compositor damages.
constexpr TileSides displayTiles[] = {copiedTiles, compositedTiles};

TEST(RasterChanges, EveryDrawnPixelIsReportedOnceAndNothingAfter) {
  for (const TileSides shape : displayTiles) {
    SCOPED_TRACE(shape.columnShift);
    Framebuffer image(500, 400);
    image.changes().enable(true);
    takeChanges(image);
    image.changes().reshape(shape);
    EXPECT_EQ(takeChanges(image).area, 500 * 400);  // nothing was shown in these tiles
    std::mt19937 random(7);
    std::uniform_int_distribution<int64_t> coordinate(-300, 800);
    for (int round = 0; round < 40; ++round) {
      Framebuffer before = image;
      const RasterPoint a{coordinate(random), coordinate(random)}, b{coordinate(random), coordinate(random)};
      const RasterPoint c{coordinate(random), coordinate(random)}, d{coordinate(random), coordinate(random)};
      switch (round % 3) {
        case 0:
          drawLine(image, a, b, 0xFF0000 + round);
          break;
        case 1:
          drawArc(image, a, b, c, d, 0x00FF00 + round);
          break;
        default: {
          const RasterPoint curve[4] = {a, b, c, d};
          drawBezier(image, curve, 0x0000FF + round);
        }
      }
      const Shown shown = takeChanges(image);
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
          if (image.pixel(x, y) != before.pixel(x, y)) {
            ASSERT_TRUE(shown.covers(x, y)) << round << ": " << x << "," << y;
          }
      EXPECT_FALSE(image.changes().any());
    }
  }
}

TEST(RasterChanges, LongSlantedStrokesReportTheTilesAlongThemNotTheirBox) {
  for (const TileSides shape : displayTiles) {
    SCOPED_TRACE(shape.columnShift);
    Framebuffer image(1024, 1024);
    image.changes().enable(true);
    image.changes().reshape(shape);
    takeChanges(image);
    const int w = image.changes().tileWidth(), h = image.changes().tileHeight();
    drawLine(image, {0, 0}, {1023, 1000}, 1);
    // Along each tile column the diagonal crosses its own height in tiles, and one more.
    const int alongTheLine = (1024 / w + 1) * (w / h + 2) * w * h;
    EXPECT_LE(takeChanges(image).area, alongTheLine);
    drawArc(image, {12, 12}, {1012, 1012}, {1012, 512}, {1012, 512}, 1);
    EXPECT_LE(takeChanges(image).area, 4 * alongTheLine);
    image.fill(100, 100, 101, 101, 5);
    const Shown one = takeChanges(image);
    ASSERT_EQ(one.runs.size(), 1u);
    EXPECT_EQ(one.runs[0], (std::array<int, 4>{100 / w * w, 100 / h * h, w, h}));
  }
}

TEST(RasterChanges, MarksWhollyOutsideTheSurfaceMarkNothing) {
  DirtyTileGrid tiles;
  tiles.enable(true);
  tiles.resize(40, 40);  // two tile columns, the second partly off the surface
  tiles.take([](int, int, int, int) {});
  for (const auto& [x0, y0, x1, y1] :
       {std::array<int64_t, 4>{40, 0, 45, 5}, {0, 40, 5, 45}, {-9, 0, -1, 5}, {0, -9, 5, -1}, {1000, 1000, 40, 40}})
    tiles.mark(x0, y0, x1, y1);
  EXPECT_FALSE(tiles.any());
  tiles.mark(39, 39, 60, 60);
  EXPECT_TRUE(tiles.any());
}

TEST(RasterChanges, UntrackedSurfacesMarkNothing) {
  Framebuffer image(64, 64);
  takeChanges(image);
  drawLine(image, {0, 0}, {63, 63}, 1);
  EXPECT_EQ(takeChanges(image).area, 0);
}

}  // namespace
