// Draws the reference suite with our rasterizer and compares every tile with
// the picture that the real GDI drew of it (tests/data/gdi-reference.png).
// Prints the share of differing pixels per primitive kind and fails when a
// kind falls below its floor.
//   raster_agreement SUITE REFERENCE.png [DIFFERENCES.png]
// The optional third file shows each tile in white where both agree, red
// where only the GDI drew and green where only we drew.

#include <png.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "raster/curves.h"

namespace {

constexpr int tile = 128;
constexpr int columns = 32;

struct Agreement {
  long differing = 0;
  long lit = 0;  // pixels lit in either picture
  int tiles = 0;
  int exactTiles = 0;
};

// Largest share of differing pixels each kind may reach: all three match
// the reference exactly today, so any change that moves a pixel shows.
const std::map<std::string, double> ceilings = {{"line", 0.0}, {"arc", 0.0}, {"bez", 0.0}};

bool readGrey(const char* path, std::vector<unsigned char>& pixels, int& width, int& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_GRAY;
  width = static_cast<int>(image.width);
  height = static_cast<int>(image.height);
  pixels.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

void draw(Framebuffer& target, const std::string& kind, const std::vector<int64_t>& v) {
  constexpr uint32_t white = 0xFFFFFF;
  if (kind == "line") {
    drawLine(target, {v[0], v[1]}, {v[2], v[3]}, white);
  } else if (kind == "arc") {
    drawArc(target, {v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}, white);
  } else if (kind == "bez") {
    const RasterPoint points[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
    // Given an origin, the points are logical coordinates about it.
    drawBezier(target, points, white, v.size() == 10 ? RasterPoint{v[8], v[9]} : RasterPoint{0, 0});
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: raster_agreement SUITE REFERENCE.png [DIFFERENCES.png]\n");
    return 2;
  }
  std::vector<unsigned char> reference;
  int width = 0, height = 0;
  if (!readGrey(argv[2], reference, width, height)) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 2;
  }
  std::ifstream suite(argv[1]);
  std::map<std::string, Agreement> kinds;
  std::string line;
  Framebuffer ours(tile, tile);
  std::vector<unsigned char> differences(argc == 4 ? reference.size() * 3 : 0);
  for (int index = 0; std::getline(suite, line); ++index) {
    std::istringstream fields(line);
    std::string kind;
    fields >> kind;
    std::vector<int64_t> values;
    for (int64_t value; fields >> value;) values.push_back(value);
    const int left = (index % columns) * tile, top = (index / columns) * tile;
    if (top + tile > height) {
      std::fprintf(stderr, "the reference has fewer tiles than the suite\n");
      return 2;
    }
    ours.fill(0, 0, tile, tile, 0);
    draw(ours, kind, values);
    Agreement& agreement = kinds[kind];
    long differing = 0;
    for (int y = 0; y < tile; ++y)
      for (int x = 0; x < tile; ++x) {
        const bool theirs = reference[static_cast<size_t>(top + y) * width + left + x] != 0;
        const bool mine = ours.pixel(x, y) != 0;
        differing += theirs != mine;
        if (!differences.empty()) {
          unsigned char* rgb = &differences[3 * (static_cast<size_t>(top + y) * width + left + x)];
          rgb[0] = theirs ? 255 : 0;
          rgb[1] = mine ? 255 : 0;
          rgb[2] = theirs && mine ? 255 : 0;
        }
        agreement.lit += theirs || mine;
      }
    agreement.differing += differing;
    agreement.tiles += 1;
    agreement.exactTiles += differing == 0;
  }
  if (!differences.empty()) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    png_image_write_to_file(&image, argv[3], 0, differences.data(), 0, nullptr);
  }
  int failed = 0, passed = 0;
  for (const auto& [kind, agreement] : kinds) {
    const double share = agreement.lit ? static_cast<double>(agreement.differing) / agreement.lit : 0.0;
    const bool ok = share <= ceilings.at(kind);
    std::printf("%-5s %7.3f%% of %ld lit pixels differ; %d of %d tiles exact%s\n", kind.c_str(), 100 * share,
                agreement.lit, agreement.exactTiles, agreement.tiles, ok ? "" : "  (above the limit)");
    (ok ? passed : failed) += 1;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 && passed > 0 ? 0 : 1;
}
