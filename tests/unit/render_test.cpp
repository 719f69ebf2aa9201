// What the headless renderer draws is exactly what the trace lists, drawn.

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "figures/figure_routine.h"
#include "linux/headless/headless_saver.h"
#include "linux/headless/png_writer.h"
#include "linux/headless/raster_device.h"
#include "linux/programs/tool_options.h"
#include "raster/curves.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "test_support.h"

namespace {

// Replays a drawing-call trace onto a framebuffer.
Framebuffer replay(const std::vector<std::string>& trace, int width, int height) {
  Framebuffer image(width, height);
  uint32_t color = 0;
  int64_t originX = 0, originY = 0;
  for (const std::string& line : trace) {
    std::istringstream fields(line);
    std::string event;
    fields >> event;
    std::vector<int64_t> v;
    if (event == "erase" || event == "pen") {
      std::string hex;
      fields >> hex;
      const uint32_t value = pixelFromColorRef(static_cast<uint32_t>(std::stoul(hex, nullptr, 16)));
      if (event == "erase") image.fill(0, 0, width, height, value);
      color = value;
      continue;
    }
    for (int64_t value; fields >> value;) v.push_back(value);
    if (event == "org") {
      originX = v[0];
      originY = v[1];
    } else if (event == "arc") {
      drawArc(image, {v[0] + originX, v[1] + originY}, {v[2] + originX, v[3] + originY},
              {v[4] + originX, v[5] + originY}, {v[6] + originX, v[7] + originY}, color);
    } else if (event == "bez") {
      const RasterPoint points[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
      drawBezier(image, points, color, {originX, originY});
    }
  }
  return image;
}

class RenderTest : public SaverTest {};

TEST_F(RenderTest, TheRenderedPictureIsTheTraceDrawn) {
  for (const char* crayon : {"0", "100"}) {
    const std::vector<SettingOverride> overrides = {{{"PercentCrayon", crayon}, {"Timer interval", "7"}}};
    resetSaverProcess();
    applySettingOverrides(overrides);
    RasterDevice* device = nullptr;
    startHeadlessSaver(HeadlessScenario{77, 320, 200, ""}, [&device](HWND) {
      auto made = std::make_unique<RasterDevice>();
      device = made.get();
      return made;
    });
    runHeadlessTicks(1500, nullptr);
    const Framebuffer rendered = device->framebuffer();

    resetSaverProcess();
    applySettingOverrides(overrides);
    startSaver(320, 200, 77);
    runHeadlessTicks(1500, nullptr);
    const Framebuffer replayed = replay(takeTrace(), 320, 200);
    int differing = 0;
    for (int y = 0; y < 200; ++y)
      for (int x = 0; x < 320; ++x) differing += rendered.pixel(x, y) != replayed.pixel(x, y);
    EXPECT_EQ(differing, 0) << "crayon " << crayon;
  }
}

// Counts drawing calls per tick and checks that each copy it is given (an
// origin and the strokes after it) can reach the window.
class CopyAudit : public platform::Device {
 public:
  CopyAudit(int width, int height) : width_(width), height_(height) {}
  void resize(int, int) override {}
  void fillRect(const RECT&, COLORREF) override {}
  void viewportOriginSet(int x, int y) override {
    endCopy();
    originX_ = x;
    originY_ = y;
    ++calls;
  }
  void arc(const platform::DrawingState&, int l, int t, int r, int b, int, int, int, int) override {
    add(l, t);
    add(r, b);
    ++calls;
  }
  void polyBezier(const platform::DrawingState&, const POINT* points, int count) override {
    for (int i = 0; i < count; ++i) add(points[i].x, points[i].y);
    ++calls;
  }
  void endCopy() {
    // A pixel's margin: rounded curve midpoints may stray that far from their box.
    if (left_ <= right_ &&
        (right_ + originX_ < -1 || left_ + originX_ > width_ || bottom_ + originY_ < -1 || top_ + originY_ > height_))
      ++unreachable;
    left_ = top_ = INT64_MAX;
    right_ = bottom_ = INT64_MIN;
  }
  uint64_t calls = 0, unreachable = 0;

 private:
  void add(int64_t x, int64_t y) {
    left_ = std::min(left_, x);
    right_ = std::max(right_, x);
    top_ = std::min(top_, y);
    bottom_ = std::max(bottom_, y);
  }
  int64_t width_, height_, originX_ = 0, originY_ = 0;
  int64_t left_ = INT64_MAX, top_ = INT64_MAX, right_ = INT64_MIN, bottom_ = INT64_MIN;
};

struct TickCalls {
  uint64_t most = 0, unreachable = 0;
};

// The most drawing calls of a tick, and the copies drawn that could not reach the window.
TickCalls auditTicks(const HeadlessScenario& scenario, const SettingOverride& settings, uint64_t ticks) {
  resetSaverProcess();
  applySettingOverrides({settings});
  CopyAudit* audit = nullptr;
  startHeadlessSaver(scenario, [&](HWND) {
    auto made = std::make_unique<CopyAudit>(scenario.width, scenario.height);
    audit = made.get();
    return made;
  });
  TickCalls result;
  const auto endTick = [&] {
    audit->endCopy();
    result.most = std::max(result.most, audit->calls);
    audit->calls = 0;
  };
  runHeadlessTicks(ticks, [&](uint64_t) { endTick(); });
  endTick();
  result.unreachable = audit->unreachable;
  return result;
}

TEST_F(RenderTest, LatticeCopiesThatCannotReachAWideWindowAreNotDrawn) {
  const SettingOverride letItGrow = onlyEntry(patternKeys, static_cast<int>(Pattern::LetItGrow));
  const struct {
    int width, height;
    uint64_t mostBefore;  // calls in the busiest tick with every copy drawn, as measured
  } sizes[] = {{3840, 1, 5000}, {32767, 1, 20000}, {1, 32767, 0}};
  for (const auto& size : sizes) {
    const HeadlessScenario scenario{5, size.width, size.height, ""};
    cullUnreachableCopies = false;
    const TickCalls all = auditTicks(scenario, letItGrow, 120);
    cullUnreachableCopies = true;
    const TickCalls reaching = auditTicks(scenario, letItGrow, 120);
    EXPECT_LE(reaching.most, all.most);
    if (size.mostBefore) {  // a lattice of many columns
      EXPECT_EQ(reaching.unreachable, 0u) << size.width << "x" << size.height;
      EXPECT_GT(all.unreachable, 0u) << "the case must have copies to leave out";
      EXPECT_GT(all.most, size.mostBefore);
    }
  }
  // A tall window has no lattice to speak of: a handful of calls a tick.
  EXPECT_LT(auditTicks({5, 1, 32767, ""}, letItGrow, 120).most, 40u);
}

// Hashes of the picture every few ticks.
std::vector<uint64_t> pictureHashes(const HeadlessScenario& scenario, const SettingOverride& settings, uint64_t ticks) {
  resetSaverProcess();
  applySettingOverrides({settings});
  RasterDevice* device = nullptr;
  startHeadlessSaver(scenario, [&device](HWND) {
    auto made = std::make_unique<RasterDevice>();
    device = made.get();
    return made;
  });
  std::vector<uint64_t> hashes;
  runHeadlessTicks(ticks, [&](uint64_t n) {
    if (n % 7 != 0) return;
    const Framebuffer& image = device->framebuffer();
    uint64_t hash = 1469598103934665603u;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) hash = (hash ^ image.pixel(x, y)) * 1099511628211u;
    hashes.push_back(hash);
  });
  return hashes;
}

TEST_F(RenderTest, LeavingOutCopiesChangesNoPixel) {
  for (const char* pattern : {"LetItGrow", "Anemone", "Crown", "Symmetron"}) {
    int slot = 0;
    while (patternKeys[slot] != std::string(pattern)) ++slot;
    SettingOverride settings = onlyEntry(patternKeys, slot);
    settings.emplace_back("PercentCrayon", "50");
    for (const auto& [width, height] : {std::pair{97, 3}, {61, 1}, {203, 12}}) {
      const HeadlessScenario scenario{11, width, height, ""};
      cullUnreachableCopies = false;
      const std::vector<uint64_t> all = pictureHashes(scenario, settings, 700);
      cullUnreachableCopies = true;
      EXPECT_EQ(pictureHashes(scenario, settings, 700), all) << pattern << " " << width << "x" << height;
    }
  }
}

// Each name finds its own row: a new row whose key or label reads like
// another row's name would hide one of them.
TEST(RenderPng, ThePictureComesBackPixelForPixelAndFailuresNameTheFile) {
  Framebuffer image(7, 3);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) image.row(y)[x] = 0x102030u * static_cast<uint32_t>(x + 1) + 0x010101u * y;
  const std::string path =
      (std::filesystem::temp_directory_path() / ("lumarel-png-" + std::to_string(getpid()) + ".png")).string();
  std::string error;
  ASSERT_TRUE(writePng(image, path, error)) << error;
  png_image read{};
  read.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&read, path.c_str())) << read.message;
  read.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(read));
  ASSERT_TRUE(png_image_finish_read(&read, nullptr, pixels.data(), 0, nullptr)) << read.message;
  std::filesystem::remove(path);
  ASSERT_EQ(read.width, 7u);
  ASSERT_EQ(read.height, 3u);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      const png_byte* rgb = &pixels[(y * 7 + x) * 3];
      EXPECT_EQ(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2], image.pixel(x, y)) << x << "," << y;
    }
  // A folder that is not there, and a device that takes no bytes: a small
  // picture fails as the file closes, one too large for the file's buffer
  // while it is written.
  Framebuffer noise(256, 256);
  uint32_t value = 1;
  for (int y = 0; y < noise.height(); ++y)
    for (int x = 0; x < noise.width(); ++x) noise.row(y)[x] = (value = value * 1664525u + 1013904223u) >> 8;
  for (const auto& [bad, picture] : {std::pair<std::string, const Framebuffer*>{"/nonexistent-folder/a.png", &image},
                                     {"/dev/full", &image},
                                     {"/dev/full", &noise}}) {
    error.clear();
    EXPECT_FALSE(writePng(*picture, bad, error));
    EXPECT_NE(error.find("cannot write " + bad), std::string::npos) << error;
  }
}

TEST(RenderOptions, AGalleryDrawsTwentySecondsUnlessToldOtherwise) {
  const auto parse = [](std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "lumarel-render");
    RenderOptions options;
    std::string error;
    EXPECT_EQ(parseRenderOptions(static_cast<int>(arguments.size()), arguments.data(), options, error),
              ToolCommand::Run)
        << error;
    return options;
  };
  EXPECT_EQ(parse({"--gallery", "pictures"}).seconds, 20u);
  const RenderOptions ticks = parse({"--gallery", "pictures", "--ticks", "7"});
  EXPECT_EQ(ticks.ticks, 7u);
  EXPECT_FALSE(ticks.seconds);
  EXPECT_EQ(parse({"--seconds", "3", "--gallery", "pictures"}).seconds, 3u);
}

TEST(RenderNames, EveryPatternAndColorSetIsFoundByEachOfItsNames) {
  for (const PatternEntry& pattern : patternTable) {
    EXPECT_EQ(findPattern(pattern.key), static_cast<int>(pattern.id)) << pattern.key;
    EXPECT_EQ(findPattern(shownLabel(pattern)), static_cast<int>(pattern.id)) << pattern.label;
  }
  for (const ColorSetEntry& colorSet : colorSetTable)
    EXPECT_EQ(findColorSet(colorSet.key), static_cast<int>(colorSet.id)) << colorSet.key;
}

}  // namespace
