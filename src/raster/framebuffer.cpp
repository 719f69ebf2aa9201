#include "framebuffer.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "canvas.h"

namespace {

// Rows start on cache lines, as the changed tiles assume.
constexpr size_t cacheLine = 64;

uint32_t* allocatePixels(size_t count) {
  if (count == 0) return nullptr;
  const size_t bytes = (count * sizeof(uint32_t) + cacheLine - 1) / cacheLine * cacheLine;
  void* memory = std::aligned_alloc(cacheLine, bytes);
  if (memory) std::memset(memory, 0, bytes);
  return static_cast<uint32_t*>(memory);
}

}  // namespace

FramebufferAllocationError::FramebufferAllocationError(int width, int height, size_t bytes) {
  std::snprintf(message_, sizeof message_, "a %dx%d picture needs %zu MiB of memory, more than could be had", width,
                height, (bytes + (size_t{1} << 20) - 1) >> 20);
}

void Framebuffer::Release::operator()(uint32_t* pixels) const {
  if (storage) {
    storage->release(pixels);
  } else {
    std::free(pixels);
  }
}

Framebuffer::Framebuffer(const Framebuffer& other) { *this = other; }

Framebuffer& Framebuffer::operator=(const Framebuffer& other) {
  if (this == &other) return *this;
  resize(other.width_, other.height_);
  if (pixels_) std::memcpy(pixels_.get(), other.pixels_.get(), size_t(stride_) * height_ * sizeof(uint32_t));
  return *this;
}

void Framebuffer::resize(int width, int height) {
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  // An odd number of cache lines a row spreads a column over every cache set.
  constexpr int pixelsPerCacheLine = 16;
  stride_ = (width_ + pixelsPerCacheLine - 1) / pixelsPerCacheLine * pixelsPerCacheLine;
  if ((stride_ / pixelsPerCacheLine) % 2 == 0) stride_ += pixelsPerCacheLine;
  const size_t count = static_cast<size_t>(stride_) * height_;
  pixels_.reset();
  uint32_t* pixels = storage_ && count > 0 ? storage_->allocate(count * sizeof(uint32_t)) : allocatePixels(count);
  if (count > 0 && !pixels) {
    const int width = width_, height = height_;
    resize(0, 0);
    throw FramebufferAllocationError(width, height, count * sizeof(uint32_t));
  }
  pixels_ = std::unique_ptr<uint32_t[], Release>(pixels, Release{count > 0 ? storage_ : nullptr});
  changes_.resize(width_, height_);
}

void Framebuffer::fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) {
  Canvas(*this).fill(left, top, right, bottom, colour);
}

void Canvas::fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour) const {
  left = std::max<int64_t>(left, 0);
  top = std::max<int64_t>(top, top_);
  right = std::min<int64_t>(right, width());
  bottom = std::min<int64_t>(bottom, bottom_);
  if (left >= right || top >= bottom) return;
  framebuffer_->changes().mark(left, top, right - 1, bottom - 1);
  for (int64_t y = top; y < bottom; ++y) fillPixels(pixels() + y * stride() + left, right - left, colour);
}
