#include "wayland_canvas.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>

SharedPixels::~SharedPixels() {
  if (pool_) wl_shm_pool_destroy(pool_);
}

namespace {

// The compositor wants a whole stride after each buffer's last row, even
// where the buffer (an output's part, to the right of another) ends before
// the picture's last row does: one row of the largest picture more.
constexpr size_t rowSlack = (size_t{1} << 15) * 4 + 4096;

}  // namespace

uint32_t* SharedPixels::allocate(size_t bytes) {
  ++generation_;
  bytes += rowSlack;
  const int fd = globals_.shm && bytes <= INT32_MAX ? memfd_create("lumarel", MFD_CLOEXEC) : -1;
  if (fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory != MAP_FAILED) {
      pool_ = wl_shm_create_pool(globals_.shm, fd, static_cast<int32_t>(bytes));
      memory_ = memory;
      bytes_ = bytes;
      close(fd);
      return static_cast<uint32_t*>(memory);
    }
  }
  if (fd >= 0) close(fd);
  return static_cast<uint32_t*>(std::calloc(bytes, 1));
}

void SharedPixels::release(uint32_t* pixels) {
  if (pixels != memory_) {
    std::free(pixels);
    return;
  }
  // The compositor keeps its own mapping for as long as it needs one.
  wl_shm_pool_destroy(pool_);
  pool_ = nullptr;
  munmap(memory_, bytes_);
  memory_ = nullptr;
}

SurfaceCanvas::SurfaceCanvas(const CanvasGlobals& globals, wl_surface* parent) : globals_(globals) {
  surface_ = wl_compositor_create_surface(globals.compositor);
  subsurface_ = wl_subcompositor_get_subsurface(globals.subcompositor, surface_, parent);
  wl_subsurface_set_position(subsurface_, 0, 0);
  wl_subsurface_set_desync(subsurface_);
  // Input goes to the window below, which GTK watches.
  wl_region* none = wl_compositor_create_region(globals.compositor);
  wl_surface_set_input_region(surface_, none);
  wl_region_destroy(none);
  damage_.enable(true);
}

SurfaceCanvas::~SurfaceCanvas() {
  if (frame_) wl_callback_destroy(frame_);
  if (buffer_) wl_buffer_destroy(buffer_);
  wl_subsurface_destroy(subsurface_);
  wl_surface_destroy(surface_);
}

void SurfaceCanvas::place(int x, int y) {
  if (x == position_.x && y == position_.y) return;
  position_ = POINT{x, y};
  wl_subsurface_set_position(subsurface_, x, y);
}

void SurfaceCanvas::show(const Area& area) {
  if (area == area_) return;
  if (buffer_) {
    wl_buffer_destroy(buffer_);
    buffer_ = nullptr;
  }
  area_ = area;
  damage_.resize(area.width, area.height);  // all of it
}

void SurfaceCanvas::changed(const Area& rect) {
  const int left = std::max(rect.x, area_.x), top = std::max(rect.y, area_.y);
  const int right = std::min(rect.x + rect.width, area_.x + area_.width);
  const int bottom = std::min(rect.y + rect.height, area_.y + area_.height);
  if (right <= left || bottom <= top) return;
  damage_.mark(left - area_.x, top - area_.y, right - 1 - area_.x, bottom - 1 - area_.y);
}

void SurfaceCanvas::commit(const Framebuffer& picture, const SharedPixels& pixels) {
  if (frame_ || !damage_.any() || !pixels.pool()) return;
  if (buffer_ && bufferGeneration_ != pixels.generation()) {
    wl_buffer_destroy(buffer_);
    buffer_ = nullptr;
  }
  if (!buffer_) {
    // The part of the picture that this surface shows; an output beyond
    // the picture keeps the black of the window below.
    const int width = std::min(area_.width, picture.width() - area_.x);
    const int height = std::min(area_.height, picture.height() - area_.y);
    if (width <= 0 || height <= 0 || area_.x < 0 || area_.y < 0) return;
    const size_t offset = (static_cast<size_t>(area_.y) * picture.stride() + area_.x) * 4;
    if (offset + static_cast<size_t>(picture.stride()) * 4 * height > pixels.poolBytes()) return;
    buffer_ =
        wl_shm_pool_create_buffer(pixels.pool(), offset, width, height, picture.stride() * 4, WL_SHM_FORMAT_XRGB8888);
    bufferGeneration_ = pixels.generation();
  }
  // The compositor reads the pixels when it draws the damaged areas.
  wl_surface_attach(surface_, buffer_, 0, 0);
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
