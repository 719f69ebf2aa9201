// Compares a picture of ours with the real GDI's picture of the same frame
// and prints the share of stroke pixels (those that are not the background
// in either picture) that differ; fails above the ceiling.
//   frame_agreement NAME REFERENCE.png OURS.png BACKGROUND [CEILING_PERCENT]
// BACKGROUND is the frame's erase colour as lumarel-trace writes it (BBGGRR).

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

bool readRgb(const char* path, std::vector<unsigned char>& pixels, unsigned& width, unsigned& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return false;
  image.format = PNG_FORMAT_RGB;
  width = image.width;
  height = image.height;
  pixels.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5 && argc != 6) {
    std::fprintf(stderr, "usage: frame_agreement NAME REFERENCE.png OURS.png BACKGROUND [CEILING_PERCENT]\n");
    return 2;
  }
  std::vector<unsigned char> theirs, ours;
  unsigned width = 0, height = 0, ourWidth = 0, ourHeight = 0;
  if (!readRgb(argv[2], theirs, width, height) || !readRgb(argv[3], ours, ourWidth, ourHeight)) {
    std::fprintf(stderr, "cannot read %s or %s\n", argv[2], argv[3]);
    return 2;
  }
  if (width != ourWidth || height != ourHeight) {
    std::fprintf(stderr, "%s: %ux%u against %ux%u\n", argv[1], ourWidth, ourHeight, width, height);
    return 1;
  }
  const unsigned long background = std::strtoul(argv[4], nullptr, 16);
  const unsigned char back[3] = {static_cast<unsigned char>(background), static_cast<unsigned char>(background >> 8),
                                 static_cast<unsigned char>(background >> 16)};
  const double ceiling = argc == 6 ? std::atof(argv[5]) : 0.1;
  long strokes = 0, differing = 0;
  for (size_t i = 0; i < theirs.size(); i += 3) {
    const unsigned char* a = &theirs[i];
    const unsigned char* b = &ours[i];
    const bool same = a[0] == b[0] && a[1] == b[1] && a[2] == b[2];
    const bool background = a[0] == back[0] && a[1] == back[1] && a[2] == back[2];
    strokes += !(same && background);
    differing += !same;
  }
  const double share = strokes ? 100.0 * static_cast<double>(differing) / static_cast<double>(strokes) : 0.0;
  const bool ok = strokes > 0 && share <= ceiling;
  std::printf("%-22s %ux%u: %7ld of %8ld stroke pixels differ (%.4f %%)%s\n", argv[1], width, height, differing,
              strokes, share,
              ok        ? ""
              : strokes ? "  (above the limit)"
                        : "  (no strokes)");
  return ok ? 0 : 1;
}
