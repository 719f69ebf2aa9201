// The software rasterizer as the device of a window: what the window's
// device contexts draw lands in its framebuffer.
#pragma once

#include "large_pages.h"
#include "platform/platform_control.h"
#include "raster/banded_drawing.h"
#include "raster/framebuffer.h"

class RasterDevice : public platform::Device {
 public:
  // A picture of its own, drawn in bands on helper threads.
  RasterDevice() : framebuffer_(largePageStorage()) {}
  // A window's picture, in the window system's storage (see Framebuffer).
  // A few strokes a tick: helper threads would cost more than they save, so
  // they are drawn on the calling thread.
  explicit RasterDevice(PixelStorage* storage) : framebuffer_(storage) { drawing_.limitBands(1); }
  // The pixels with everything drawn so far.
  Framebuffer& framebuffer() {
    drawing_.finish();
    return framebuffer_;
  }

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
