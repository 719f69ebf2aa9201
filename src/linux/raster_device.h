// The software rasterizer as the device of a window: what the window's
// device contexts draw lands in its framebuffer.
#pragma once

#include "large_pages.h"
#include "platform/platform_control.h"
#include "raster/banded_drawing.h"
#include "raster/framebuffer.h"

class RasterDevice : public platform::Device {
 public:
  RasterDevice() : RasterDevice(largePageStorage()) {}
  // Pixels in the given storage (see Framebuffer).
  explicit RasterDevice(PixelStorage* storage) : framebuffer_(storage) {}
  // The pixels with everything drawn so far.
  Framebuffer& framebuffer() {
    drawing_.finish();
    return framebuffer_;
  }

  // Draws on the calling thread only (see BandedDrawing::limitBands).
  void drawOnOneThread() { drawing_.limitBands(1); }

  void resize(int width, int height) override;
  void fillRect(const RECT& rect, COLORREF color) override;
  void viewportOriginSet(int, int) override {}
  void arc(const platform::DrawingState& state, int left, int top, int right, int bottom, int xStart, int yStart,
           int xEnd, int yEnd) override;
  void polyBezier(const platform::DrawingState& state, const POINT* points, int count) override;

 private:
  Framebuffer framebuffer_;
  BandedDrawing drawing_{framebuffer_};
};
