// lumarel-render: runs the saver headless and writes what it drew as PNG:
// one picture, or a gallery of every pattern with a labelled contact sheet.

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "linux/headless/headless_saver.h"
#include "linux/headless/label_font.h"
#include "linux/headless/png_writer.h"
#include "linux/headless/raster_device.h"
#include "settings/settings.h"
#include "state/engine_state.h"
#include "tool_options.h"

namespace {

using Options = RenderOptions;

constexpr char program[] = "lumarel-render";

int fail(const std::string& message) { return failTool(program, message); }

// Runs one pattern (0: as the settings say) and returns its picture.
std::optional<Framebuffer> render(const Options& options, int pattern, std::string& error) {
  std::vector<SettingOverride> overrides;
  if (pattern) overrides.push_back(onlyEntry(patternKeys, pattern));
  if (options.colorSet) overrides.push_back(onlyEntry(colorSetKeys, options.colorSet));
  if (options.crayon) overrides.push_back({{"PercentCrayon", "100"}});
  resetSaverProcess();
  applySettingOverrides(overrides);
  RasterDevice* device = nullptr;
  // Gallery tiles each get a seed of their own, so that patterns drawn alike
  // (mirror images of one another) still show different figures.
  const uint32_t seed = options.seed + (options.galleryFolder.empty() ? 0 : static_cast<uint32_t>(pattern));
  HeadlessScenario scenario{seed, options.size.width, options.size.height, options.iniPath};
  const HWND window = startHeadlessSaver(scenario, [&device](HWND) {
    auto made = std::make_unique<RasterDevice>();
    device = made.get();
    return made;
  });
  if (!window || !device) {
    error = "cannot create the saver window";
    return std::nullopt;
  }
  // A timer never runs faster than every 10 ms.
  const uint64_t period = std::max<uint64_t>(USER_TIMER_MINIMUM, effectiveTimerInterval(settings));
  runHeadlessTicks(options.ticks ? *options.ticks : *options.seconds * 1000 / period, nullptr);
  return std::move(device->framebuffer());
}

// The pictures in rows of four, each over its pattern's name.
Framebuffer contactSheet(const std::vector<Framebuffer>& tiles) {
  constexpr int columns = 4, gap = 8;
  // Labels at double size where the longest fits a tile.
  int widest = 0;
  for (const PatternEntry& pattern : patternTable) widest = std::max(widest, labelWidth(shownLabel(pattern), 2));
  const int scale = widest <= tiles[0].width() ? 2 : 1;
  const int labelHeight = labelGlyphHeight * scale + 2 * gap;
  const int tileWidth = tiles[0].width(), tileHeight = tiles[0].height();
  const int rows = (static_cast<int>(tiles.size()) + columns - 1) / columns;
  Framebuffer sheet(gap + columns * (tileWidth + gap), gap + rows * (tileHeight + labelHeight));
  sheet.fill(0, 0, sheet.width(), sheet.height(), 0x202020);
  for (size_t i = 0; i < tiles.size(); ++i) {
    const int left = gap + static_cast<int>(i % columns) * (tileWidth + gap);
    const int top = gap + static_cast<int>(i / columns) * (tileHeight + labelHeight);
    for (int y = 0; y < tileHeight; ++y)
      std::copy(tiles[i].row(y), tiles[i].row(y) + tileWidth, sheet.row(top + y) + left);
    const std::string label = shownLabel(patternTable[i]);
    drawLabel(sheet, left + (tileWidth - labelWidth(label, scale)) / 2, top + tileHeight + gap, label, scale, 0xE0E0E0);
  }
  return sheet;
}

int renderGallery(const Options& options) {
  std::error_code made;
  std::filesystem::create_directories(options.galleryFolder, made);
  if (made) return fail("cannot create " + options.galleryFolder + ": " + made.message());
  std::vector<Framebuffer> tiles;
  std::string error;
  for (int pattern = 1; pattern <= patternCount; ++pattern) {
    auto picture = render(options, pattern, error);
    if (!picture) return fail(error);
    if (!writePng(*picture, options.galleryFolder + "/" + patternKeys[pattern] + ".png", error)) return fail(error);
    tiles.push_back(std::move(*picture));
  }
  const std::string sheetPath = options.galleryFolder + "/contact-sheet.png";
  if (!writePng(contactSheet(tiles), sheetPath, error)) return fail(error);
  std::printf("%s\n", sheetPath.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (const auto code = answerToolCommand(parseRenderOptions(argc, argv, options, error), program, renderUsage, error))
    return *code;
  try {
    if (!options.galleryFolder.empty()) return renderGallery(options);
    auto picture = render(options, options.pattern, error);
    if (!picture || !writePng(*picture, options.output, error)) return fail(error);
  } catch (const std::bad_alloc& shortage) {
    return fail(shortage.what());
  }
  return 0;
}
