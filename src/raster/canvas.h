// Drawing confined to a band of a framebuffer's rows. Each primitive draws
// in a band exactly the pixels that it draws there on the whole surface, so
// bands that do not overlap can be drawn at the same time, and together give
// the same picture.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "framebuffer.h"
#include "painted_runs.h"

class Canvas {
 public:
  // The whole surface.
  Canvas(Framebuffer& framebuffer)  // NOLINT(google-explicit-constructor): a framebuffer is drawn on as a whole
      : Canvas(framebuffer, 0, framebuffer.height()) {}
  // Rows top to bottom - 1. Bands drawn at the same time must begin and end
  // on tile rows, so that they mark different tiles as changed.
  // With runs, long flat strokes skip what the band has painted in the same
  // colour already (see PaintedRuns).
  Canvas(Framebuffer& framebuffer, int top, int bottom, PaintedRuns* runs = nullptr)
      : framebuffer_(&framebuffer), top_(top), bottom_(bottom), runs_(runs) {}

  // The surface's size, which some choices depend on: they must not change with the band.
  int width() const { return framebuffer_->width(); }
  int height() const { return framebuffer_->height(); }
  int top() const { return top_; }
  int bottom() const { return bottom_; }
  ptrdiff_t stride() const { return framebuffer_->stride(); }
  // Row 0 of the surface: pixels are addressed by their surface coordinates.
  uint32_t* pixels() const { return framebuffer_->row(0); }
  bool contains(int64_t x, int64_t y) const { return x >= 0 && x < width() && y >= top_ && y < bottom_; }

  PaintedRuns* paintedRuns() const { return runs_; }

  bool tracksChanges() const { return framebuffer_->changes().enabled(); }
  // Marks that cover a tile's width or height at a time cost least.
  int changedTileWidth() const { return framebuffer_->changes().tileWidth(); }
  int changedTileHeight() const { return framebuffer_->changes().tileHeight(); }
  // The pixels from (x0, y0) to (x1, y1), corners in any order, as changed
  // where they lie in the band.
  void markChanged(int64_t x0, int64_t y0, int64_t x1, int64_t y1) const {
    if (y0 > y1) std::swap(y0, y1);
    y0 = std::max<int64_t>(y0, top_);
    y1 = std::min<int64_t>(y1, bottom_ - 1);
    if (y0 <= y1) framebuffer_->changes().mark(x0, y0, x1, y1);
  }

  // Columns left to right of row y, all on the band: a long run only where
  // the band has not painted it in this colour already.
  void paintRun(int64_t y, int64_t left, int64_t right, uint32_t colour) const {
    const auto fill = [&](int64_t from, int64_t to) {
      fillPixels(pixels() + y * stride() + from, to - from + 1, colour);
      if (tracksChanges()) markChanged(from, y, to, y);
    };
    if (runs_ && right - left + 1 >= PaintedRuns::trackedRun) {
      runs_->paint(y, left, right, fill);
    } else {
      fill(left, right);
    }
  }

  // Fills [left, right) x [top, bottom) where it lies in the band.
  void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) const;

 private:
  Framebuffer* framebuffer_;
  int top_, bottom_;
  PaintedRuns* runs_;
};
