// Figures for the rasterizer and the headless saver:
//  - Raster/*: pixels per second for lines, arcs and Bezier curves of the
//    sizes the saver draws;
//  - Cairo/*: cairo (no antialiasing, 1-pixel lines) drawing the same arcs
//    and curves; the ratio of the two is printed at the end;
//  - DrawSteps/*: draw steps per second of the whole saver, per pattern,
//    crisp and crayon, at 1920x1080 and 3840x2160;
//  - ChangedTiles: what a display is given to copy after each tick at
//    1920x1080, every pattern in turn: the pixels of the changed tiles for
//    each pixel that changed, and the rectangles they make;
//  - ShownTicks: processor time of what the Wayland front end does each tick
//    at 3840x2160, every pattern in turn, on one thread: draw, and gather
//    the changes into the compositor's 64 x 64 tiles, tracked in those tiles
//    (0) or in the 16 x 4 tiles of the X11 front end first (1).

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <map>
#include <random>

#include "linux/headless/headless_saver.h"
#include "linux/headless/large_pages.h"
#include "linux/headless/raster_device.h"
#include "raster/curves.h"
#include "settings/settings.h"
#include "state/engine_state.h"

namespace {

constexpr int surfaceWidth = 3840, surfaceHeight = 2160;

struct Primitive {
  RasterPoint p[4];  // arcs: two corners, start, end; curves: four points
};

// Arcs and curves like the saver's: about the centre, a few hundred pixels across.
std::vector<Primitive> makePrimitives(bool arcs) {
  std::mt19937 random(arcs ? 7 : 11);
  std::uniform_int_distribution<int> spread(-900, 900);
  std::vector<Primitive> list(2000);
  for (Primitive& primitive : list)
    for (RasterPoint& point : primitive.p)
      point = {surfaceWidth / 2 + spread(random), surfaceHeight / 2 + spread(random) / 2};
  return list;
}

void drawPrimitive(Framebuffer& target, const Primitive& primitive, bool arcs, uint32_t color) {
  if (arcs) {
    drawArc(target, primitive.p[0], primitive.p[1], primitive.p[2], primitive.p[3], color);
  } else {
    drawBezier(target, primitive.p, color);
  }
}

// Pixels that one pass over the list lights, counted one primitive at a time.
int64_t pixelsPerPass(const std::vector<Primitive>& list, bool arcs) {
  Framebuffer counter(surfaceWidth, surfaceHeight);
  int64_t pixels = 0;
  for (const Primitive& primitive : list) {
    drawPrimitive(counter, primitive, arcs, 1);
    for (int y = 0; y < surfaceHeight; ++y)
      for (int x = 0; x < surfaceWidth; ++x) {
        pixels += counter.row(y)[x];
        counter.row(y)[x] = 0;
      }
  }
  return pixels;
}

// A surface in large pages, as the saver's devices draw into.
Framebuffer saverSurface() {
  Framebuffer surface(largePageStorage());
  surface.resize(surfaceWidth, surfaceHeight);
  return surface;
}

void runRaster(benchmark::State& state, bool arcs) {
  static std::map<bool, int64_t> pixelCounts;
  const auto list = makePrimitives(arcs);
  if (!pixelCounts.count(arcs)) pixelCounts[arcs] = pixelsPerPass(list, arcs);
  Framebuffer target = saverSurface();
  uint32_t color = 0;
  for (auto _ : state)
    for (const Primitive& primitive : list) drawPrimitive(target, primitive, arcs, ++color);
  state.counters["pixels/s"] =
      benchmark::Counter(double(pixelCounts[arcs]) * state.iterations(), benchmark::Counter::kIsRate);
  state.counters["primitives/s"] =
      benchmark::Counter(double(list.size()) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_RasterArcs(benchmark::State& state) { runRaster(state, true); }
void BM_RasterBeziers(benchmark::State& state) { runRaster(state, false); }

void BM_RasterLines(benchmark::State& state) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> x(0, surfaceWidth - 1), y(0, surfaceHeight - 1), length(-200, 200);
  std::vector<std::pair<RasterPoint, RasterPoint>> lines(5000);
  int64_t pixels = 0;
  for (auto& [from, to] : lines) {
    from = {x(random), y(random)};
    to = {from.x + length(random), from.y + length(random)};
    pixels += std::max(std::llabs(to.x - from.x), std::llabs(to.y - from.y));
  }
  Framebuffer target = saverSurface();
  for (auto _ : state)
    for (const auto& [from, to] : lines) drawLine(target, from, to, 0xFFFFFF);
  state.counters["pixels/s"] = benchmark::Counter(double(pixels) * state.iterations(), benchmark::Counter::kIsRate);
}

void runCairo(benchmark::State& state, bool arcs) {
  const auto list = makePrimitives(arcs);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, surfaceWidth, surfaceHeight);
  cairo_t* cr = cairo_create(surface);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  cairo_set_line_width(cr, 1.0);
  for (auto _ : state) {
    for (const Primitive& primitive : list) {
      cairo_set_source_rgb(cr, 1, 1, 1);
      const RasterPoint* p = primitive.p;
      if (arcs) {
        const double cx = (p[0].x + p[1].x) / 2.0, cy = (p[0].y + p[1].y) / 2.0;
        const double rx = std::abs(p[1].x - p[0].x) / 2.0, ry = std::abs(p[1].y - p[0].y) / 2.0;
        if (rx < 0.5 || ry < 0.5) continue;
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        // Counter-clockwise on the screen is the negative direction in cairo's y-down space.
        cairo_arc_negative(cr, 0, 0, 1, std::atan2(p[2].y - cy, p[2].x - cx), std::atan2(p[3].y - cy, p[3].x - cx));
        cairo_restore(cr);
      } else {
        cairo_move_to(cr, p[0].x + 0.5, p[0].y + 0.5);
        cairo_curve_to(cr, p[1].x + 0.5, p[1].y + 0.5, p[2].x + 0.5, p[2].y + 0.5, p[3].x + 0.5, p[3].y + 0.5);
      }
      cairo_stroke(cr);
    }
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.counters["primitives/s"] =
      benchmark::Counter(double(list.size()) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_CairoArcs(benchmark::State& state) { runCairo(state, true); }
void BM_CairoBeziers(benchmark::State& state) { runCairo(state, false); }

// The whole saver, one pattern, one draw step per timer tick. The figure is
// the wall-clock rate: the rasterizer draws on helper threads.
void BM_DrawSteps(benchmark::State& state) {
  const int pattern = static_cast<int>(state.range(0));
  const bool crayon = state.range(1) != 0;
  const int width = static_cast<int>(state.range(2)), height = width * 9 / 16;
  resetSaverProcess();
  applySettingOverrides({onlyEntry(patternKeys, pattern),
                         {{"Timer interval", "20"}, {"Pause", "0"}, {"PercentCrayon", crayon ? "100" : "0"}}});
  HeadlessScenario scenario{static_cast<uint32_t>(pattern), width, height, ""};
  RasterDevice* device = nullptr;
  startHeadlessSaver(scenario, [&device](HWND) {
    auto made = std::make_unique<RasterDevice>();
    device = made.get();
    return made;
  });
  runHeadlessTicks(100, nullptr);  // past the first clear
  constexpr uint64_t ticksPerIteration = 1000;
  for (auto _ : state) {
    runHeadlessTicks(ticksPerIteration, nullptr);
    device->framebuffer();  // everything drawn
  }
  state.SetLabel(std::string(patternKeys[pattern]) + (crayon ? " crayon" : " crisp"));
  state.counters["steps/s"] =
      benchmark::Counter(double(ticksPerIteration) * state.iterations(), benchmark::Counter::kIsRate);
  resetSaverProcess();
}

void BM_ChangedTiles(benchmark::State& state) {
  constexpr int width = 1920, height = 1080, ticks = 300;
  int64_t changed = 0, copied = 0, rectangles = 0, frames = 0;
  for (auto _ : state) {
    for (int pattern = 1; pattern <= patternCount; ++pattern) {
      resetSaverProcess();
      applySettingOverrides({onlyEntry(patternKeys, pattern)});
      RasterDevice* device = nullptr;
      startHeadlessSaver(HeadlessScenario{static_cast<uint32_t>(pattern), width, height, ""}, [&device](HWND) {
        auto made = std::make_unique<RasterDevice>();
        made->framebuffer().changes().enable(true);
        device = made.get();
        return made;
      });
      runHeadlessTicks(5, nullptr);  // past the first clear
      device->framebuffer().changes().take([](int, int, int, int) {});
      Framebuffer shown = device->framebuffer();
      for (int tick = 0; tick < ticks; ++tick, ++frames) {
        runHeadlessTicks(1, nullptr);
        Framebuffer& now = device->framebuffer();
        now.changes().take([&](int, int, int w, int h) {
          copied += int64_t(w) * h;
          ++rectangles;
        });
        for (int y = 0; y < height; ++y)
          for (int x = 0; x < width; ++x) changed += now.pixel(x, y) != shown.pixel(x, y);
        shown = now;
      }
    }
  }
  resetSaverProcess();
  state.counters["changed/frame"] = double(changed) / double(frames);
  state.counters["copied/changed"] = double(copied) / double(std::max<int64_t>(changed, 1));
  state.counters["rectangles/frame"] = double(rectangles) / double(frames);
}

void BM_ShownTicks(benchmark::State& state) {
  constexpr int width = 3840, height = 2160, ticks = 400;
  const TileSides tracked = state.range(0) == 0 ? compositedTiles : copiedTiles;
  DirtyTileGrid damage(compositedTiles);
  damage.enable(true);
  damage.resize(width, height);
  for (auto _ : state) {
    for (int pattern = 1; pattern <= patternCount; ++pattern) {
      state.PauseTiming();
      resetSaverProcess();
      applySettingOverrides({onlyEntry(patternKeys, pattern)});
      RasterDevice* device = nullptr;
      startHeadlessSaver(HeadlessScenario{static_cast<uint32_t>(pattern), width, height, ""}, [&](HWND) {
        auto made = std::make_unique<RasterDevice>(nullptr);  // one thread, as a window's
        made->framebuffer().changes().reshape(tracked);
        made->framebuffer().changes().enable(true);
        device = made.get();
        return made;
      });
      runHeadlessTicks(5, nullptr);  // past the first clear
      state.ResumeTiming();
      for (int tick = 0; tick < ticks; ++tick) {
        runHeadlessTicks(1, nullptr);
        device->framebuffer().changes().take(
            [&](int x, int y, int w, int h) { damage.mark(x, y, x + w - 1, y + h - 1); });
        damage.take([](int, int, int, int) {});
      }
    }
  }
  resetSaverProcess();
  state.SetLabel(state.range(0) == 0 ? "tracked in 64 x 64" : "tracked in 16 x 4");
}

void drawStepArguments(benchmark::internal::Benchmark* b) {
  for (int width : {1920, 3840})
    for (int crayon : {0, 1})
      for (int pattern = 1; pattern <= patternCount; ++pattern) b->Args({pattern, crayon, width});
}

}  // namespace

BENCHMARK(BM_RasterLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterArcs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RasterBeziers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoArcs)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CairoBeziers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangedTiles)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ShownTicks)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();
// A hundred thousand ticks a case: a series's placement (a lattice of copies
// or not) changes the work per step several times over, so a shorter run
// measures whichever few series the seed happens to give.
BENCHMARK(BM_DrawSteps)
    ->Apply(drawStepArguments)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(100)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

BENCHMARK_MAIN();
