// The processor time of the slowest timer tick at odd window shapes: every pattern
// that tiles a lattice, crisp, drawn by the rasterizer, with the copies that
// cannot reach the window left out (as the saver does) and, with --all,
// drawn as well for comparison. Prints one line per size.
//   tick_times [--all] [--ticks N] [WxH ...]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "figures/figure_routine.h"
#include "linux/headless/headless_saver.h"
#include "linux/headless/raster_device.h"
#include "linux/programs/command_line.h"
#include "settings/settings.h"
#include "state/engine_state.h"

namespace {

// Processor time of the whole process (helper threads included), so that
// other work on the machine does not count.
double processorMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

struct Figures {
  double worstMs = 0, totalMs = 0;
  uint64_t ticks = 0;
};

// Runs one pattern for `ticks` ticks and times each tick.
void timePattern(Pattern pattern, uint32_t seed, WindowSize size, uint64_t ticks, Figures& figures) {
  std::vector<SettingOverride> overrides = {onlyEntry(patternKeys, static_cast<int>(pattern)),
                                            {{"PercentCrayon", "0"}}};
  resetSaverProcess();
  applySettingOverrides(overrides);
  startHeadlessSaver(HeadlessScenario{seed, size.width, size.height, ""},
                     [](HWND) { return std::make_unique<RasterDevice>(); });
  double start = processorMs();
  const auto lap = [&] {
    const double now = processorMs();
    const double ms = now - start;
    figures.worstMs = std::max(figures.worstMs, ms);
    figures.totalMs += ms;
    ++figures.ticks;
    start = now;
  };
  runHeadlessTicks(ticks, [&](uint64_t n) {
    if (n > 1)
      lap();
    else
      start = processorMs();
  });
  lap();
}

}  // namespace

int main(int argc, char** argv) {
  bool both = false;
  uint64_t ticks = 300;
  std::vector<WindowSize> sizes;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--all")) {
      both = true;
    } else if (!std::strcmp(argv[i], "--ticks") && i + 1 < argc) {
      ticks = std::strtoull(argv[++i], nullptr, 10);
    } else if (const auto size = parseWindowSize(argv[i])) {
      sizes.push_back(*size);
    } else {
      std::fprintf(stderr, "tick_times: not a size or option: %s\n", argv[i]);
      return 2;
    }
  }
  if (sizes.empty())
    sizes = {{1920, 1080}, {3840, 2160}, {3840, 1},  {32767, 1},  {32767, 2},
             {32767, 17},  {32767, 300}, {1, 32767}, {300, 32767}};
  std::printf("%-12s %-8s %12s %12s\n", "size", "copies", "worst ms", "mean ms");
  for (const WindowSize size : sizes) {
    for (const bool cull : both ? std::vector<bool>{true, false} : std::vector<bool>{true}) {
      cullUnreachableCopies = cull;
      Figures figures;
      // Patterns on the centre lattice, a few seeds each.
      for (const Pattern pattern :
           {Pattern::Symmetron, Pattern::LetItGrow, Pattern::Hexatron, Pattern::Anemone, Pattern::Crown})
        for (uint32_t seed = 1; seed <= 3; ++seed) timePattern(pattern, seed * 5, size, ticks, figures);
      std::printf("%5dx%-6d %-8s %12.2f %12.3f\n", size.width, size.height, cull ? "reaching" : "all", figures.worstMs,
                  figures.totalMs / std::max<uint64_t>(figures.ticks, 1));
      std::fflush(stdout);
    }
  }
  cullUnreachableCopies = true;
  return 0;
}
