// Every pattern and colour set, crisp and crayon, at degenerate and huge
// window sizes: the sanitizer build runs these to find overflow and division
// by zero.

#include "linux/headless/headless_saver.h"
#include "linux/headless/raster_device.h"
#include "linux/headless/recording_device.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "test_support.h"

namespace {

struct Size {
  int width, height;
};
const Size sizes[] = {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {1, 1080}, {1920, 1080}, {3840, 2160}, {32767, 32767}};
const Size rasterSizes[] = {{1, 1}, {3, 3}, {5000, 7}, {7, 5000}};

std::string settingsFor(int pattern, int colorSet, bool crayon) {
  std::string lines =
      "[ScreenSaver.Lumarel]\nTimer interval=5\nPercentCrayon=" + std::string(crayon ? "100" : "0") + "\n";
  for (int p = 1; p <= patternCount; ++p) lines += std::string(patternKeys[p]) + (p == pattern ? "=1\n" : "=0\n");
  for (int c = 1; c <= colorSetCount; ++c) lines += std::string(colorSetKeys[c]) + (c == colorSet ? "=1\n" : "=0\n");
  return lines;
}

class RobustnessTest : public ::testing::TestWithParam<Size> {
 protected:
  void run(int pattern, int colorSet, bool crayon, platform::DeviceFactory devices = nullptr, uint64_t ticks = 400) {
    resetSaverProcess();
    writeFile(ini, settingsFor(pattern, colorSet, crayon));
    const Size size = GetParam();
    HeadlessScenario scenario{static_cast<uint32_t>(pattern * 100 + colorSet), size.width, size.height, ini};
    if (!devices) devices = [this](HWND) { return std::make_unique<RecordingDevice>(discard); };
    ASSERT_NE(startHeadlessSaver(scenario, devices), nullptr);
    ASSERT_EQ(runHeadlessTicks(ticks, nullptr), ticks);
    EXPECT_EQ(engineState.patternId, Pattern{pattern});
    EXPECT_EQ(engineState.colorSetId, ColorSet{colorSet});
  }
  void TearDown() override { std::fclose(discard); }
  TempDir dir;
  std::string ini = dir.file("control.ini");
  std::FILE* discard = std::fopen("/dev/null", "w");
};

TEST_P(RobustnessTest, EveryPatternCrispAndCrayon) {
  for (int pattern = 1; pattern <= patternCount; ++pattern)
    for (bool crayon : {false, true}) run(pattern, (pattern + crayon) % colorSetCount + 1, crayon);
}

TEST_P(RobustnessTest, EveryColorSet) {
  for (int colorSet = 1; colorSet <= colorSetCount; ++colorSet)
    run(colorSet % patternCount + 1, colorSet, colorSet % 2);
}

// The rasterizer at sizes where every figure runs off the surface.
class RasterRobustnessTest : public RobustnessTest {};

TEST_P(RasterRobustnessTest, EveryPatternRenders) {
  for (int pattern = 1; pattern <= patternCount; ++pattern)
    for (bool crayon : {false, true})
      run(
          pattern, pattern % colorSetCount + 1, crayon, [](HWND) { return std::make_unique<RasterDevice>(); }, 120);
}

const auto sizeName = [](const auto& info) {
  return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
};
INSTANTIATE_TEST_SUITE_P(Sizes, RobustnessTest, ::testing::ValuesIn(sizes), sizeName);
INSTANTIATE_TEST_SUITE_P(Sizes, RasterRobustnessTest, ::testing::ValuesIn(rasterSizes), sizeName);

}  // namespace
