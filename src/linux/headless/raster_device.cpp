#include "raster_device.h"

namespace {

RasterPoint toDevice(const platform::DrawingState& state, int x, int y) {
  return RasterPoint{int64_t(x) + state.origin.x, int64_t(y) + state.origin.y};
}

}  // namespace

void RasterDevice::resize(int width, int height) { drawing_.resize(width, height); }

void RasterDevice::fillRect(const RECT& rect, COLORREF color) {
  drawing_.fill(rect.left, rect.top, rect.right, rect.bottom, pixelFromColorRef(color));
}

void RasterDevice::arc(const platform::DrawingState& state, int left, int top, int right, int bottom, int xStart,
                       int yStart, int xEnd, int yEnd) {
  if (!state.penVisible) return;
  drawing_.arc(toDevice(state, left, top), toDevice(state, right, bottom), toDevice(state, xStart, yStart),
               toDevice(state, xEnd, yEnd), pixelFromColorRef(state.penColor));
}

void RasterDevice::polyBezier(const platform::DrawingState& state, const POINT* points, int count) {
  if (!state.penVisible) return;
  for (int first = 0; first + 3 < count; first += 3) {
    // Flattened in logical coordinates, as GDI does.
    const RasterPoint curve[4] = {{points[first].x, points[first].y},
                                  {points[first + 1].x, points[first + 1].y},
                                  {points[first + 2].x, points[first + 2].y},
                                  {points[first + 3].x, points[first + 3].y}};
    drawing_.bezier(curve, pixelFromColorRef(state.penColor), toDevice(state, 0, 0));
  }
}
