// Drawing in bands, on one thread or several, gives exactly the picture and
// the changed tiles that drawing on the whole surface gives.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "raster/banded_drawing.h"
#include "raster/curves.h"

namespace {

struct Stroke {
  enum { Line, Fill, Arc, Bezier } kind;
  std::array<RasterPoint, 4> p;
  uint32_t colour;
  RasterPoint origin{0, 0};  // curves: their points are logical, about it
};

// Strokes near and across a width x height surface, some of them from tens
// of thousands or billions of pixels away, and ellipses big enough to be
// sampled rather than walked.
std::vector<Stroke> randomStrokes(int count, int width, int height, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Stroke> strokes;
  for (int i = 0; i < count; ++i) {
    const int64_t spread = i % 9 == 0 ? 2000000000 : i % 9 == 1 ? 40000 : std::max(width, height);
    std::uniform_int_distribution<int64_t> coordinate(-spread, spread);
    const auto point = [&] { return RasterPoint{width / 2 + coordinate(random), height / 2 + coordinate(random)}; };
    Stroke stroke{static_cast<decltype(Stroke::kind)>(i % 4),
                  {point(), point(), point(), point()},
                  static_cast<uint32_t>(random() & 0xFFFFFF)};
    if (stroke.kind == Stroke::Bezier) {
      // The same place on the surface, about an origin of its own anywhere near it.
      stroke.origin = {std::uniform_int_distribution<int64_t>(-width, 2 * width)(random),
                       std::uniform_int_distribution<int64_t>(-height, 2 * height)(random)};
      for (RasterPoint& q : stroke.p) q = {q.x - stroke.origin.x, q.y - stroke.origin.y};
    }
    strokes.push_back(stroke);
  }
  return strokes;
}

void draw(const Stroke& stroke, const Canvas& target) {
  const std::array<RasterPoint, 4>& p = stroke.p;
  switch (stroke.kind) {
    case Stroke::Line:
      drawLine(target, p[0], p[1], stroke.colour);
      break;
    case Stroke::Fill:  // small, so that the other strokes still show
      target.fill(p[0].x, p[0].y, p[0].x + p[1].x % 40, p[0].y + p[1].y % 40, stroke.colour);
      break;
    case Stroke::Arc:
      drawArc(target, p[0], p[1], p[2], p[3], stroke.colour);
      break;
    case Stroke::Bezier:
      drawBezier(target, p.data(), stroke.colour, stroke.origin);
      break;
  }
}

void draw(const Stroke& stroke, BandedDrawing& target) {
  const std::array<RasterPoint, 4>& p = stroke.p;
  switch (stroke.kind) {
    case Stroke::Line:  // as a straight curve, which flattens to its chord
      target.bezier(std::array<RasterPoint, 4>{p[0], p[0], p[1], p[1]}.data(), stroke.colour);
      break;
    case Stroke::Fill:
      target.fill(p[0].x, p[0].y, p[0].x + p[1].x % 40, p[0].y + p[1].y % 40, stroke.colour);
      break;
    case Stroke::Arc:
      target.arc(p[0], p[1], p[2], p[3], stroke.colour);
      break;
    case Stroke::Bezier:
      target.bezier(p.data(), stroke.colour, stroke.origin);
      break;
  }
}

void expectSamePixels(const Framebuffer& expected, const Framebuffer& actual) {
  ASSERT_EQ(expected.width(), actual.width());
  ASSERT_EQ(expected.height(), actual.height());
  for (int y = 0; y < expected.height(); ++y)
    for (int x = 0; x < expected.width(); ++x)
      ASSERT_EQ(expected.pixel(x, y), actual.pixel(x, y)) << "at " << x << "," << y;
}

std::vector<std::array<int, 4>> takeChanges(Framebuffer& image) {
  std::vector<std::array<int, 4>> runs;
  image.changes().take([&](int x, int y, int width, int height) { runs.push_back({x, y, width, height}); });
  return runs;
}

TEST(RasterBands, BandsTogetherDrawExactlyTheWholePicture) {
  const int width = 300, height = 260;
  Framebuffer whole(width, height), banded(width, height);
  whole.changes().enable(true);
  banded.changes().enable(true);
  takeChanges(whole);
  takeChanges(banded);
  const std::vector<Stroke> strokes = randomStrokes(1200, width, height, 5);
  for (const Stroke& stroke : strokes) draw(stroke, whole);
  // Band by band, each drawing every stroke, as the helper threads do.
  const int edges[] = {0, 64, 96, 192, height};
  for (int band = 0; band + 1 < 5; ++band)
    for (const Stroke& stroke : strokes) draw(stroke, Canvas(banded, edges[band], edges[band + 1]));
  expectSamePixels(whole, banded);
  EXPECT_EQ(takeChanges(whole), takeChanges(banded));
}

TEST(RasterBands, QueuedStrokesAreAllDrawnWhenFinishedAcrossResizes) {
  Framebuffer expected, actual;
  BandedDrawing drawing(actual);
  // Tall enough for a band per thread; short enough for one; tall again.
  for (const auto [width, height, count] : {std::array{640, 1200, 6000}, {50, 40, 300}, {200, 900, 500}}) {
    expected.resize(width, height);
    drawing.fill(0, 0, 4000, 4000, 0x123456);  // gone with the old size
    drawing.resize(width, height);
    // More strokes than the queue holds: it is drawn as it fills.
    for (const Stroke& stroke : randomStrokes(count, width, height, static_cast<uint32_t>(count))) {
      draw(stroke, drawing);
      if (stroke.kind == Stroke::Line) {
        const RasterPoint curve[4] = {stroke.p[0], stroke.p[0], stroke.p[1], stroke.p[1]};
        drawBezier(expected, curve, stroke.colour);
      } else {
        draw(stroke, expected);
      }
    }
    drawing.finish();
    expectSamePixels(expected, actual);
    if (count != 500) continue;
    // Last: what is queued is drawn before the threads change.
    draw(Stroke{Stroke::Arc, {{{0, 0}, {width, height}, {0, 0}, {0, 0}}}, 0xABCDEF}, drawing);
    draw(Stroke{Stroke::Arc, {{{0, 0}, {width, height}, {0, 0}, {0, 0}}}, 0xABCDEF}, expected);
    drawing.limitBands(1);
    expectSamePixels(expected, actual);
    for (const Stroke& stroke : randomStrokes(200, width, height, 9)) {
      if (stroke.kind == Stroke::Line) continue;
      draw(stroke, drawing);
      draw(stroke, expected);
    }
    drawing.finish();
    expectSamePixels(expected, actual);
  }
}

// The copies of a figure as the saver lays them on a window much wider than
// high: the same flat curves and arcs at origins a few pixels apart, in runs
// of one colour, with other colours and fills between them. Drawn in the
// saver's bands they must light exactly what drawing each copy on a taller
// surface does, cropped to the window's rows.
TEST(RasterBands, CopiesOnWideBandsAreTheTallSurfaceCropped) {
  constexpr int margin = 40;  // rows of the taller surface above and below
  for (const auto [width, height, spacing] :
       {std::array{3000, 1, 2}, {3000, 2, 3}, {2400, 17, 30}, {700, 600, 520}, {9, 1, 1}}) {
    std::mt19937 random(static_cast<uint32_t>(width + height));
    const auto within = [&](int64_t low, int64_t high) {
      return std::uniform_int_distribution<int64_t>(low, high)(random);
    };
    Framebuffer actual(width, height), tall(width, height + 2 * margin);
    BandedDrawing drawing(actual);
    for (int figure = 0; figure < 12; ++figure) {
      // Arms as wide as the window and hardly higher than it, some steeper.
      const int64_t rise = figure % 4 == 3 ? 3 * height + 5 : height / 2 + 1;
      const auto point = [&] { return RasterPoint{within(-width / 2, width / 2), within(-rise, rise)}; };
      std::vector<Stroke> strokes;
      for (int arm = 0; arm < 3; ++arm) {
        const RasterPoint a = point(), b = point();
        if (figure % 2 == 0) {
          const RasterPoint curve[4] = {a, point(), point(), b};
          strokes.push_back({Stroke::Bezier, {curve[0], curve[1], curve[2], curve[3]}, 0});
          strokes.push_back(strokes.back());  // mirrored about a row of its own: the same curve
        } else {
          strokes.push_back({Stroke::Arc, {a, b, a, b}, 0});
          strokes.push_back({Stroke::Arc, {RasterPoint{-b.x, b.y}, RasterPoint{-a.x, a.y}, b, a}, 0});
        }
      }
      // One colour a figure, often the one before; now and then an erase or a spot of another colour.
      static const uint32_t colours[] = {0xFFFFFF, 0xFFFFFF, 0x00FF00, 0xFFFFFF, 0x123456};
      const uint32_t colour = colours[figure % 5];
      if (figure % 6 == 5) {
        drawing.fill(0, 0, width, height, 0);
        tall.fill(0, 0, width, height + 2 * margin, 0);
      }
      for (int64_t originY : {int64_t{0}, int64_t{height}, within(-3, 3)}) {
        for (int64_t originX = -width / 2 + figure % 3; originX <= 3 * width / 2; originX += spacing) {
          for (Stroke stroke : strokes) {
            stroke.colour = colour;
            Stroke shifted = stroke;
            if (stroke.kind == Stroke::Arc) {
              for (RasterPoint& q : stroke.p) q = {q.x + originX, q.y + originY};
              for (RasterPoint& q : shifted.p) q = {q.x + originX, q.y + originY + margin};
            } else {
              stroke.origin = {originX, originY};
              shifted.origin = {originX, originY + margin};
            }
            draw(stroke, drawing);
            draw(shifted, tall);
          }
        }
      }
      if (figure % 4 == 1) {
        const int64_t x = within(0, width - 1);
        drawing.fill(x, 0, x + 50, height, 0x0000FF);
        tall.fill(x, margin, x + 50, margin + height, 0x0000FF);
      }
      // Each figure's picture, as a display would show it; a band of rows
      // drawn on the calling thread is read without finishing, which would
      // make it forget what it painted.
      if (height >= 512) drawing.finish();
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          ASSERT_EQ(tall.pixel(x, y + margin), actual.pixel(x, y))
              << width << "x" << height << " figure " << figure << " at " << x << "," << y;
    }
  }
}

// A curve drawn often enough to be kept, along each edge of the surface.
TEST(RasterBands, KeptCurvesReachEveryEdge) {
  for (const RasterPoint origin : {RasterPoint{-7, 0}, RasterPoint{22, 0}, RasterPoint{0, -5}, RasterPoint{0, 4}}) {
    const bool upright = origin.y == 0;
    const RasterPoint along[4] = {
        upright ? RasterPoint{7, 1} : RasterPoint{1, 5}, upright ? RasterPoint{7, 3} : RasterPoint{9, 5},
        upright ? RasterPoint{7, 6} : RasterPoint{16, 5}, upright ? RasterPoint{7, 9} : RasterPoint{22, 5}};
    Framebuffer expected(30, 10), actual(30, 10);
    drawBezier(expected, along, 0xFFFFFF, origin);
    BandedDrawing drawing(actual);
    // Copies off the surface first, until the curve is kept; then the one on the edge.
    for (int copy = 0; copy < 40; ++copy) drawing.bezier(along, 0xFFFFFF, {origin.x + 1000, origin.y});
    drawing.bezier(along, 0xFFFFFF, origin);
    drawing.finish();
    expectSamePixels(expected, actual);
  }
}

// What a band has painted: only the parts not painted yet, until the colour changes.
TEST(RasterBands, PaintedRunsPaintOnlyWhatIsNew) {
  PaintedRuns runs;
  runs.resize(10, 12);
  std::vector<std::pair<int64_t, int64_t>> painted;
  const auto paint = [&](int64_t y, int64_t first, int64_t last) {
    painted.clear();
    runs.paint(y, first, last, [&](int64_t from, int64_t to) { painted.push_back({from, to}); });
    return painted;
  };
  using Parts = std::vector<std::pair<int64_t, int64_t>>;
  runs.begin(7);
  EXPECT_EQ(paint(10, 10, 20), (Parts{{10, 20}}));
  EXPECT_EQ(paint(10, 15, 30), (Parts{{21, 30}}));
  EXPECT_EQ(paint(10, 50, 60), (Parts{{50, 60}}));
  EXPECT_EQ(paint(10, 5, 70), (Parts{{5, 9}, {31, 49}, {61, 70}}));
  EXPECT_EQ(paint(10, 6, 69), Parts{});
  EXPECT_EQ(paint(11, 6, 69), (Parts{{6, 69}}));  // another row
  EXPECT_EQ(paint(10, 80, 90), (Parts{{80, 90}}));
  EXPECT_EQ(paint(10, 71, 79), (Parts{{71, 79}}));  // joins the runs on both sides
  EXPECT_EQ(paint(10, 5, 90), Parts{});
  runs.begin(7);
  EXPECT_EQ(paint(10, 0, 100), (Parts{{0, 4}, {91, 100}}));
  runs.begin(8);  // another colour: nothing is known
  EXPECT_EQ(paint(10, 40, 50), (Parts{{40, 50}}));
  runs.forget();
  runs.begin(8);
  EXPECT_EQ(paint(10, 40, 50), (Parts{{40, 50}}));
}

}  // namespace
