#include "recording_device.h"

#include <cinttypes>

void writeTraceTick(std::FILE* out, uint64_t number) { std::fprintf(out, "tick %" PRIu64 "\n", number); }

// Only the default erase fills, always over the whole client area.
void RecordingDevice::fillRect(const RECT&, COLORREF color) { std::fprintf(out_, "erase %06x\n", color); }

void RecordingDevice::viewportOriginSet(int x, int y) { std::fprintf(out_, "org %d %d\n", x, y); }

void RecordingDevice::arc(const platform::DrawingState&, int left, int top, int right, int bottom, int xStart,
                          int yStart, int xEnd, int yEnd) {
  std::fprintf(out_, "arc %d %d %d %d %d %d %d %d\n", left, top, right, bottom, xStart, yStart, xEnd, yEnd);
}

void RecordingDevice::polyBezier(const platform::DrawingState&, const POINT* points, int count) {
  // The saver draws single curves; longer chains are listed four points a line.
  for (int first = 0; first + 3 < count; first += 3)
    std::fprintf(out_, "bez %d %d %d %d %d %d %d %d\n", points[first].x, points[first].y, points[first + 1].x,
                 points[first + 1].y, points[first + 2].x, points[first + 2].y, points[first + 3].x,
                 points[first + 3].y);
}

void RecordingDevice::penCreated(COLORREF color) { std::fprintf(out_, "pen %06x\n", color); }
