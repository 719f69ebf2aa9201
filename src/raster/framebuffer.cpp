#include "framebuffer.h"

#include <algorithm>

void Framebuffer::resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  pixels_.assign(static_cast<size_t>(width_) * height_, 0);
  pixels_.shrink_to_fit();
}

void Framebuffer::fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, 0);
  right = std::min<int64_t>(right, width_);
  bottom = std::min<int64_t>(bottom, height_);
  for (int64_t y = top; y < bottom; ++y)
    std::fill(row(static_cast<int>(y)) + left, row(static_cast<int>(y)) + right, colour);
}
