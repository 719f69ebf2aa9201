// Draws every primitive of a suite file with the real GDI, each on its own
// 128 x 128 memory bitmap (white pen on black), and writes the tiles as one
// grey-scale PGM atlas, 32 tiles a row. Built for Windows; run under Wine.
//   gdi_reference SUITE OUT.pgm

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "memory_bitmap.h"

namespace {

constexpr int tile = 128;
constexpr int columns = 32;

void drawPrimitive(HDC dc, const char* line) {
  int v[10];
  if (std::sscanf(line, "arc %d %d %d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7]) == 8) {
    Arc(dc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
  } else if (int n = std::sscanf(line, "bez %d %d %d %d %d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5],
                                 &v[6], &v[7], &v[8], &v[9]);
             n >= 8) {
    const POINT points[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
    if (n == 10) SetViewportOrgEx(dc, v[8], v[9], nullptr);
    PolyBezier(dc, points, 4);
    SetViewportOrgEx(dc, 0, 0, nullptr);
  } else if (std::sscanf(line, "line %d %d %d %d", &v[0], &v[1], &v[2], &v[3]) == 4) {
    MoveToEx(dc, v[0], v[1], nullptr);
    LineTo(dc, v[2], v[3]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gdi_reference SUITE OUT.pgm\n");
    return 2;
  }
  std::FILE* suite = std::fopen(argv[1], "r");
  if (!suite) return 2;
  std::vector<std::string> primitives;
  char text[256];
  while (std::fgets(text, sizeof text, suite)) primitives.emplace_back(text);
  std::fclose(suite);

  void* bits = nullptr;
  HDC dc = memoryBitmap(tile, tile, bits);
  if (!dc) return 1;
  SelectObject(dc, CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));

  const int rows = static_cast<int>((primitives.size() + columns - 1) / columns);
  const int width = columns * tile, height = rows * tile;
  std::vector<unsigned char> atlas(static_cast<size_t>(width) * height, 0);
  for (size_t i = 0; i < primitives.size(); ++i) {
    std::memset(bits, 0, tile * tile * 4);
    drawPrimitive(dc, primitives[i].c_str());
    GdiFlush();
    const auto* pixels = static_cast<const unsigned int*>(bits);
    const int left = static_cast<int>(i % columns) * tile, top = static_cast<int>(i / columns) * tile;
    for (int y = 0; y < tile; ++y)
      for (int x = 0; x < tile; ++x)
        atlas[static_cast<size_t>(top + y) * width + left + x] = (pixels[y * tile + x] & 0xFFFFFF) ? 255 : 0;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) return 2;
  std::fprintf(out, "P5\n%d %d\n255\n", width, height);
  std::fwrite(atlas.data(), 1, atlas.size(), out);
  return std::fclose(out) == 0 ? 0 : 1;
}
