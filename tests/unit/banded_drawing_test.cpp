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

}  // namespace
