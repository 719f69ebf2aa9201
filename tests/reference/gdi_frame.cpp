// Replays a lumarel-trace output with the real GDI into a memory bitmap of
// the given size, as the saver's window would show it, and writes the
// picture as a binary PPM. Built for Windows; run under Wine.
//   gdi_frame WIDTH HEIGHT TRACE OUT.ppm

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "memory_bitmap.h"

namespace {

COLORREF colorOf(const char* hex) { return static_cast<COLORREF>(std::strtoul(hex, nullptr, 16)); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: gdi_frame WIDTH HEIGHT TRACE OUT.ppm\n");
    return 2;
  }
  const int width = std::atoi(argv[1]), height = std::atoi(argv[2]);
  std::FILE* trace = std::fopen(argv[3], "r");
  if (width <= 0 || height <= 0 || !trace) return 2;

  void* bits = nullptr;
  HDC dc = memoryBitmap(width, height, bits);
  if (!dc) return 1;
  HPEN pen = nullptr;

  char line[256], hex[16];
  int v[8];
  while (std::fgets(line, sizeof line, trace)) {
    if (std::sscanf(line, "erase %15s", hex) == 1) {
      // The erase handling paints the client area, origin aside.
      POINT origin;
      SetViewportOrgEx(dc, 0, 0, &origin);
      HBRUSH brush = CreateSolidBrush(colorOf(hex));
      const RECT all{0, 0, width, height};
      FillRect(dc, &all, brush);
      DeleteObject(brush);
      SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
    } else if (std::sscanf(line, "pen %15s", hex) == 1) {
      HPEN made = CreatePen(PS_SOLID, 1, colorOf(hex));
      SelectObject(dc, made);
      if (pen) DeleteObject(pen);
      pen = made;
    } else if (std::sscanf(line, "org %d %d", &v[0], &v[1]) == 2) {
      SetViewportOrgEx(dc, v[0], v[1], nullptr);
    } else if (std::sscanf(line, "arc %d %d %d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                           &v[7]) == 8) {
      Arc(dc, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    } else if (std::sscanf(line, "bez %d %d %d %d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6],
                           &v[7]) == 8) {
      const POINT points[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
      PolyBezier(dc, points, 4);
    }
  }
  std::fclose(trace);
  GdiFlush();

  std::FILE* out = std::fopen(argv[4], "wb");
  if (!out) return 2;
  std::fprintf(out, "P6\n%d %d\n255\n", width, height);
  const auto* pixels = static_cast<const unsigned int*>(bits);
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const unsigned int pixel = pixels[static_cast<size_t>(y) * width + x];  // 0x00RRGGBB
      row[3 * x] = pixel >> 16 & 0xFF;
      row[3 * x + 1] = pixel >> 8 & 0xFF;
      row[3 * x + 2] = pixel & 0xFF;
    }
    std::fwrite(row.data(), 1, row.size(), out);
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
