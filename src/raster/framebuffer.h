// A 32-bit framebuffer: one 0x00RRGGBB value a pixel, rows top to bottom.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "dirty_tiles.h"

// Where a framebuffer's pixels live: ordinary memory unless the program's
// platform side gives them a place of its own (large pages, memory shared
// with a display).
class PixelStorage {
 public:
  virtual ~PixelStorage() = default;
  // Zeroed memory for `bytes` bytes, or null.
  virtual uint32_t* allocate(size_t bytes) = 0;
  virtual void release(uint32_t* pixels) = 0;
};

// A framebuffer whose pixels could not be had: says how much memory the
// picture needed (in a buffer of its own, since memory is short).
class FramebufferAllocationError : public std::bad_alloc {
 public:
  FramebufferAllocationError(int width, int height, size_t bytes);
  const char* what() const noexcept override { return message_; }

 private:
  char message_[112];
};

class Framebuffer {
 public:
  Framebuffer() = default;
  // The storage must outlive the framebuffer; copies use ordinary memory.
  explicit Framebuffer(PixelStorage* storage) : storage_(storage) {}
  Framebuffer(int width, int height) { resize(width, height); }
  Framebuffer(const Framebuffer& other);
  Framebuffer& operator=(const Framebuffer& other);
  Framebuffer(Framebuffer&&) = default;
  Framebuffer& operator=(Framebuffer&&) = default;

  // New size; every pixel black. Throws FramebufferAllocationError, leaving
  // the framebuffer empty, when the memory cannot be had.
  void resize(int width, int height);
  int width() const { return width_; }
  // Pixels from one row to the next: a little more than the width, so that
  // a column's pixels do not all fall into the same few cache sets.
  int stride() const { return stride_; }
  int height() const { return height_; }
  uint32_t* row(int y) { return pixels_.get() + static_cast<size_t>(y) * stride_; }
  const uint32_t* row(int y) const { return pixels_.get() + static_cast<size_t>(y) * stride_; }
  uint32_t pixel(int x, int y) const { return row(y)[x]; }

  // Fills [left, right) x [top, bottom), clipped to the surface.
  void fill(int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t colour);

  // What the drawing changed, when a display asks for it to be tracked.
  DirtyTileGrid& changes() { return changes_; }

 private:
  int width_ = 0;
  int stride_ = 0;
  int height_ = 0;
  struct Release {
    PixelStorage* storage;
    void operator()(uint32_t* pixels) const;
  };
  PixelStorage* storage_ = nullptr;  // null: ordinary memory
  std::unique_ptr<uint32_t[], Release> pixels_{nullptr, Release{nullptr}};
  DirtyTileGrid changes_;
};

// Count pixels of one colour from first on. The compiler's plain loop
// stores one pixel at a time: black is a memset, other colours go 4 at a time.
inline void fillPixels(uint32_t* first, int64_t count, uint32_t colour) {
  if (count <= 0) return;
  if (colour == 0) {
    std::memset(first, 0, static_cast<size_t>(count) * sizeof(uint32_t));
    return;
  }
#ifdef __SSE2__
  const __m128i four = _mm_set1_epi32(static_cast<int>(colour));
  for (; count >= 4; count -= 4, first += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(first), four);
#endif
  for (; count > 0; --count) *first++ = colour;
}

// A GDI colour reference (0x00BBGGRR) as a framebuffer pixel (0x00RRGGBB).
inline uint32_t pixelFromColorRef(uint32_t colour) {
  return (colour & 0xFF) << 16 | (colour & 0xFF00) | (colour >> 16 & 0xFF);
}
