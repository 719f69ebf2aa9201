// Which parts of a surface changed since a display last showed them, in
// tiles of 32 x 32 pixels: strokes are one pixel wide and scattered, so a
// display that sends only these tiles sends a small part of the screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

class DirtyTiles {
 public:
  static constexpr int tileShift = 5;
  static constexpr int tileSize = 1 << tileShift;

  // Tracking off: marks cost one test.
  void enable(bool on) { enabled_ = on; }
  bool enabled() const { return enabled_; }

  // A new surface size: every tile dirty, since nothing of it was shown yet.
  void resize(int width, int height) {
    width_ = width;
    height_ = height;
    columns_ = (width + tileSize - 1) >> tileShift;
    rows_ = (height + tileSize - 1) >> tileShift;
    tiles_.assign(static_cast<size_t>(columns_) * rows_, 1);
  }

  // The pixels from (x0, y0) to (x1, y1), corners included and in any order,
  // clipped to the surface. Marks in different tile rows may be made at the
  // same time.
  void mark(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    if (!enabled_) return;
    if (x0 > x1) std::swap(x0, x1);
    if (y0 > y1) std::swap(y0, y1);
    if (x1 < 0 || y1 < 0 || x0 >= width_ || y0 >= height_) return;
    const int left = static_cast<int>(std::max<int64_t>(x0, 0)) >> tileShift;
    const int right = static_cast<int>(std::min<int64_t>(x1, width_ - 1)) >> tileShift;
    const int top = static_cast<int>(std::max<int64_t>(y0, 0)) >> tileShift;
    const int bottom = static_cast<int>(std::min<int64_t>(y1, height_ - 1)) >> tileShift;
    for (int row = top; row <= bottom; ++row)
      std::fill_n(tiles_.begin() + static_cast<ptrdiff_t>(row) * columns_ + left, right - left + 1, uint8_t{1});
  }

  bool any() const { return std::find(tiles_.begin(), tiles_.end(), 1) != tiles_.end(); }

  // Calls show(x, y, width, height) once for each run of dirty tiles along a
  // tile row, in pixels clipped to the surface, and forgets them.
  template <typename Show>
  void take(Show&& show) {
    for (int row = 0; row < rows_; ++row) {
      uint8_t* tiles = tiles_.data() + static_cast<size_t>(row) * columns_;
      for (int column = 0; column < columns_;) {
        if (!tiles[column]) {
          ++column;
          continue;
        }
        const int first = column;
        while (column < columns_ && tiles[column]) tiles[column++] = 0;
        const int x = first << tileShift, y = row << tileShift;
        show(x, y, std::min(column << tileShift, width_) - x, std::min(y + tileSize, height_) - y);
      }
    }
  }

 private:
  bool enabled_ = false;
  int width_ = 0, height_ = 0, columns_ = 0, rows_ = 0;
  std::vector<uint8_t> tiles_;
};
