// Which parts of a surface changed since a display last showed them, in
// tiles whose sides are powers of two.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

// Tiles of 2^columnShift x 2^rowShift pixels.
struct TileSides {
  int columnShift, rowShift;
};

// For a display that copies the changed pixels: strokes are one pixel wide
// and scattered, so it copies a small part of the screen (about nine times
// the pixels that changed; with tiles of 32 x 32, 32 times). A tile's row is
// one cache line of pixels (16 x 4 bytes, aligned as the rows are): a
// display copies whole lines, and no more of them than changed.
constexpr TileSides copiedTiles{4, 2};
// For a compositor, which composites each rectangle it is told of on its own:
// a slanted stroke gives a few dozen rectangles rather than one per four
// rows, and the marks along it cost a quarter as many.
constexpr TileSides compositedTiles{6, 6};

class DirtyTileGrid {
 public:
  explicit DirtyTileGrid(TileSides shape = copiedTiles) : shape_(shape) {}
  DirtyTileGrid(const DirtyTileGrid& other) { *this = other; }
  DirtyTileGrid& operator=(const DirtyTileGrid& other) {
    shape_ = other.shape_;
    enabled_ = other.enabled_;
    width_ = other.width_;
    height_ = other.height_;
    columns_ = other.columns_;
    rows_ = other.rows_;
    tiles_ = other.tiles_;
    any_.store(other.any(), std::memory_order_relaxed);
    return *this;
  }

  // Tracking off: marks cost one test.
  void enable(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }

  // Other tiles: every one dirty, as after a resize.
  void reshape(TileSides shape) {
    shape_ = shape;
    resize(width_, height_);
  }
  int tileWidth() const { return 1 << shape_.columnShift; }
  int tileHeight() const { return 1 << shape_.rowShift; }

  // A new surface size: every tile dirty, since nothing of it was shown yet.
  void resize(int width, int height) {
    width_ = width;
    height_ = height;
    columns_ = (width + tileWidth() - 1) >> shape_.columnShift;
    rows_ = (height + tileHeight() - 1) >> shape_.rowShift;
    tiles_.assign(static_cast<size_t>(columns_) * rows_, 1);
    any_.store(!tiles_.empty(), std::memory_order_relaxed);
  }

  // The pixels from (x0, y0) to (x1, y1), corners included and in any order,
  // clipped to the surface. Marks in different tile rows may be made at the
  // same time.
  void mark(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!enabled_) return;
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (x1 < 0 || y1 < 0 || x0 >= width_ || y0 >= height_) return;
    const int left = static_cast<int>(std::max<int64_t>(x0, 0)) >> shape_.columnShift;
    const int right = static_cast<int>(std::min<int64_t>(x1, width_ - 1)) >> shape_.columnShift;
    const int top = static_cast<int>(std::max<int64_t>(y0, 0)) >> shape_.rowShift;
    const int bottom = static_cast<int>(std::min<int64_t>(y1, height_ - 1)) >> shape_.rowShift;
    uint8_t* tiles = tiles_.data() + static_cast<ptrdiff_t>(top) * columns_;
    if (right - left <= 1) {
      // A line's piece covers one tile or two: no call to memset for those.
      for (int row = top; row <= bottom; ++row, tiles += columns_) tiles[left] = tiles[right] = 1;
    } else {
      for (int row = top; row <= bottom; ++row, tiles += columns_)
        std::fill_n(tiles + left, right - left + 1, uint8_t{1});
    }
    // Read first: bands mark at the same time, and a store to the shared
    // flag on every mark would bounce its cache line between them.
    if (!any_.load(std::memory_order_relaxed)) any_.store(true, std::memory_order_relaxed);
  }

  // Without a scan of the tiles: asked on every wake-up.
  bool any() const { return any_.load(std::memory_order_relaxed); }

  // Calls show(x, y, width, height) once for each run of dirty tiles along a
  // tile row, in pixels clipped to the surface, and forgets them.
  template <typename Show>
  void take(Show&& show) {
    if (!any()) return;
    any_.store(false, std::memory_order_relaxed);
    for (int row = 0; row < rows_; ++row) {
      uint8_t* const tiles = tiles_.data() + static_cast<size_t>(row) * columns_;
      uint8_t* const end = tiles + columns_;
      // Most tiles are clean: memchr skips them many at a time.
      for (uint8_t* first = tiles; (first = static_cast<uint8_t*>(std::memchr(first, 1, end - first)));) {
        uint8_t* last = first;
        while (last < end && *last) *last++ = 0;
        const int x = static_cast<int>(first - tiles) << shape_.columnShift, y = row << shape_.rowShift;
        show(x, y, std::min(static_cast<int>(last - tiles) << shape_.columnShift, width_) - x,
             std::min(y + tileHeight(), height_) - y);
        first = last;
      }
    }
  }

 private:
  TileSides shape_;
  bool enabled_ = false;
  int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  std::vector<uint8_t> tiles_;
  std::atomic<bool> any_{false};
};
