#include "wayland_canvas.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstring>

#include "raster/framebuffer.h"

namespace {

// Two buffers alternate while the compositor shows one; a third covers a
// compositor that lets go late.
constexpr size_t maxBuffers = 3;

}  // namespace

struct SurfaceCanvas::Buffer {
  SurfaceCanvas* owner = nullptr;
  wl_buffer* buffer = nullptr;
  uint32_t* pixels = nullptr;
  size_t bytes = 0;
  int width = 0, height = 0;
  bool busy = false;
  DirtyTiles stale;  // what changed since this buffer was last filled

  ~Buffer() {
    if (buffer) wl_buffer_destroy(buffer);
    if (pixels) munmap(pixels, bytes);
  }
};

SurfaceCanvas::SurfaceCanvas(const CanvasGlobals& globals, wl_surface* parent) : globals_(globals) {
  surface_ = wl_compositor_create_surface(globals.compositor);
  subsurface_ = wl_subcompositor_get_subsurface(globals.subcompositor, surface_, parent);
  wl_subsurface_set_position(subsurface_, 0, 0);
  wl_subsurface_set_desync(subsurface_);
  // Input goes to the window below, which GTK watches.
  wl_region* none = wl_compositor_create_region(globals.compositor);
  wl_surface_set_input_region(surface_, none);
  wl_region_destroy(none);
}

SurfaceCanvas::~SurfaceCanvas() {
  if (frame_) wl_callback_destroy(frame_);
  buffers_.clear();
  wl_subsurface_destroy(subsurface_);
  wl_surface_destroy(surface_);
}

void SurfaceCanvas::show(const Area& area) {
  if (area.width != area_.width || area.height != area_.height) buffers_.clear();
  area_ = area;
  damage_.enable(true);
  damage_.resize(area.width, area.height);  // all of it
  for (auto& buffer : buffers_) buffer->stale.resize(area.width, area.height);
}

void SurfaceCanvas::changed(const Area& rect) {
  const int left = std::max(rect.x, area_.x), top = std::max(rect.y, area_.y);
  const int right = std::min(rect.x + rect.width, area_.x + area_.width);
  const int bottom = std::min(rect.y + rect.height, area_.y + area_.height);
  if (right <= left || bottom <= top) return;
  const int x0 = left - area_.x, y0 = top - area_.y, x1 = right - 1 - area_.x, y1 = bottom - 1 - area_.y;
  damage_.mark(x0, y0, x1, y1);
  for (auto& buffer : buffers_) buffer->stale.mark(x0, y0, x1, y1);
}

SurfaceCanvas::Buffer* SurfaceCanvas::freeBuffer() {
  for (auto& buffer : buffers_)
    if (!buffer->busy) return buffer.get();
  if (buffers_.size() >= maxBuffers || area_.width <= 0 || area_.height <= 0) return nullptr;
  auto buffer = std::make_unique<Buffer>();
  buffer->owner = this;
  buffer->width = area_.width;
  buffer->height = area_.height;
  buffer->bytes = static_cast<size_t>(area_.width) * area_.height * 4;
  const int fd = memfd_create("lumarel", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, static_cast<off_t>(buffer->bytes)) != 0) {
    close(fd);
    return nullptr;
  }
  void* memory = mmap(nullptr, buffer->bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  buffer->pixels = static_cast<uint32_t*>(memory);
  wl_shm_pool* pool = wl_shm_create_pool(globals_.shm, fd, static_cast<int32_t>(buffer->bytes));
  buffer->buffer =
      wl_shm_pool_create_buffer(pool, 0, area_.width, area_.height, area_.width * 4, WL_SHM_FORMAT_XRGB8888);
  wl_shm_pool_destroy(pool);
  close(fd);
  static const wl_buffer_listener listener{released};
  wl_buffer_add_listener(buffer->buffer, &listener, buffer.get());
  buffer->stale.enable(true);
  buffer->stale.resize(area_.width, area_.height);  // all of it
  buffers_.push_back(std::move(buffer));
  return buffers_.back().get();
}

void SurfaceCanvas::commit(const Framebuffer& picture) {
  if (frame_ || !damage_.any()) return;
  Buffer* buffer = freeBuffer();
  if (!buffer) return;
  // Brings the buffer up to date: what changed since it was last shown.
  buffer->stale.take([&](int x, int y0, int width, int height) {
    const Area rect{x, y0, width, height};
    for (int y = rect.y; y < rect.y + rect.height; ++y) {
      uint32_t* to = buffer->pixels + static_cast<size_t>(y) * buffer->width + rect.x;
      const int pictureY = y + area_.y;
      const int from = std::max(0, rect.x + area_.x);
      const int end = std::min(picture.width(), rect.x + area_.x + rect.width);
      if (pictureY < 0 || pictureY >= picture.height() || end <= from) {
        std::fill_n(to, rect.width, 0u);  // beyond the picture
        continue;
      }
      std::fill_n(to, from - (rect.x + area_.x), 0u);
      std::memcpy(to + (from - (rect.x + area_.x)), picture.row(pictureY) + from, (end - from) * sizeof(uint32_t));
      std::fill_n(to + (end - (rect.x + area_.x)), rect.x + area_.x + rect.width - end, 0u);
    }
  });
  buffer->busy = true;
  wl_surface_attach(surface_, buffer->buffer, 0, 0);
  damage_.take([&](int x, int y, int width, int height) { wl_surface_damage(surface_, x, y, width, height); });
  frame_ = wl_surface_frame(surface_);
  static const wl_callback_listener listener{frameDone};
  wl_callback_add_listener(frame_, &listener, this);
  wl_surface_commit(surface_);
}

void SurfaceCanvas::frameDone(void* data, wl_callback* callback, uint32_t) {
  auto* self = static_cast<SurfaceCanvas*>(data);
  wl_callback_destroy(callback);
  self->frame_ = nullptr;
}

void SurfaceCanvas::released(void* data, wl_buffer*) { static_cast<Buffer*>(data)->busy = false; }
