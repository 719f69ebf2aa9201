#include "wayland_canvas.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cstdlib>

#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"

SharedPixels::~SharedPixels() {
  if (pool_) wl_shm_pool_destroy(pool_);
}

namespace {

// The compositor wants a whole stride after each buffer's last row, even
// where the buffer (an output's part, to the right of another) ends before
// the picture's last row does: one row of the largest picture more.
constexpr size_t rowSlack = (size_t{1} << 15) * 4 + 4096;

// How long a committed frame may go unshown before the surface counts as
// out of sight.
constexpr uint64_t unseenAfter = 1000;

}  // namespace

uint32_t* SharedPixels::allocate(size_t bytes) {
  ++generation_;
  bytes += rowSlack;
  const int fd = globals_.shm && bytes <= INT32_MAX ? memfd_create("lumarel", MFD_CLOEXEC) : -1;
  if (fd >= 0 && ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory != MAP_FAILED) {
      // A steep stroke stores one pixel a row, each row of a large picture
      // on a page of its own: huge pages make the drawing a quarter cheaper
      // where the system gives them to shared memory (its shmem_enabled
      // "advise"; Debian's default, "never", ignores this).
      madvise(memory, bytes, MADV_HUGEPAGE);
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
  // A viewport only where the compositor also says which fractional scale
  // it wants; otherwise whole scales go by the buffer's scale.
  if (globals.viewporter && globals.fractionalScale) {
    viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
    fractional_ = wp_fractional_scale_manager_v1_get_fractional_scale(globals.fractionalScale, surface_);
    static const wp_fractional_scale_v1_listener listener{+[](void* data, wp_fractional_scale_v1*, uint32_t scale) {
      static_cast<SurfaceCanvas*>(data)->preferredScale_ = static_cast<int>(std::min<uint32_t>(scale, 120 * 16));
    }};
    wp_fractional_scale_v1_add_listener(fractional_, &listener, this);
  }
  damage_.enable(true);
}

SurfaceCanvas::~SurfaceCanvas() {
  if (frame_) wl_callback_destroy(frame_);
  if (fractional_) wp_fractional_scale_v1_destroy(fractional_);
  if (viewport_) wp_viewport_destroy(viewport_);
  if (buffer_) wl_buffer_destroy(buffer_);
  wl_subsurface_destroy(subsurface_);
  wl_surface_destroy(surface_);
}

void SurfaceCanvas::place(int x, int y) {
  if (x == position_.x && y == position_.y) return;
  position_ = POINT{x, y};
  wl_subsurface_set_position(subsurface_, x, y);
}

void SurfaceCanvas::show(const Area& area, SIZE logical) {
  if (area == area_ && logical.cx == logical_.cx && logical.cy == logical_.cy) return;
  if (buffer_) {
    wl_buffer_destroy(buffer_);
    buffer_ = nullptr;
  }
  area_ = area;
  logical_ = logical;
  if (logical.cx > 0 && logical.cy > 0) {
    if (viewport_) {
      wp_viewport_set_destination(viewport_, logical.cx, logical.cy);
    } else {
      const int scale = area.width / logical.cx;
      bufferScale_ = scale > 1 && area.width == logical.cx * scale && area.height == logical.cy * scale ? scale : 1;
      wl_surface_set_buffer_scale(surface_, bufferScale_);
    }
  }
  damage_.resize(area.width, area.height);  // all of it
}

void SurfaceCanvas::changed(const Area& rect) {
  const int left = std::max(rect.x, area_.x), top = std::max(rect.y, area_.y);
  const int right = std::min(rect.x + rect.width, area_.x + area_.width);
  const int bottom = std::min(rect.y + rect.height, area_.y + area_.height);
  if (right <= left || bottom <= top) return;
  damage_.mark(left - area_.x, top - area_.y, right - 1 - area_.x, bottom - 1 - area_.y);
}

bool SurfaceCanvas::unseen(uint64_t now) const { return frame_ && now >= committedAt_ + unseenAfter; }

void SurfaceCanvas::commit(const Framebuffer& picture, const SharedPixels& pixels, uint64_t now) {
  if (frame_ || !damage_.any() || !pixels.pool() || logical_.cx <= 0 || logical_.cy <= 0) return;
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
    // A scaled buffer comes in whole logical pixels, or not at all.
    if (width % bufferScale_ != 0 || height % bufferScale_ != 0) return;
    const size_t offset = (static_cast<size_t>(area_.y) * picture.stride() + area_.x) * 4;
    if (offset + static_cast<size_t>(picture.stride()) * 4 * height > pixels.poolBytes()) return;
    buffer_ =
        wl_shm_pool_create_buffer(pixels.pool(), offset, width, height, picture.stride() * 4, WL_SHM_FORMAT_XRGB8888);
    bufferGeneration_ = pixels.generation();
  }
  // The compositor reads the pixels when it draws the damaged areas.
  wl_surface_attach(surface_, buffer_, 0, 0);
  const bool inBufferPixels =
      wl_proxy_get_version(reinterpret_cast<wl_proxy*>(surface_)) >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION;
  damage_.take([&](int x, int y, int width, int height) {
    if (inBufferPixels) {
      wl_surface_damage_buffer(surface_, x, y, width, height);
      return;
    }
    const Area cover = logicalCover(Area{x, y, width, height}, area_, logical_);
    wl_surface_damage(surface_, cover.x, cover.y, cover.width, cover.height);
  });
  committedAt_ = now;
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
