// Our pixels on Wayland surfaces of their own, above GTK windows' surfaces:
// the picture's framebuffer lives in memory shared with the compositor, each
// surface shows its part of it, only the changed tiles are damaged, and at
// most one commit goes per frame callback. (GTK would copy every frame into
// a fresh buffer while the compositor holds the last one.)
#pragma once

#include <cstddef>
#include <cstdint>

#include "linux/desktop/output_layout.h"
#include "raster/dirty_tiles.h"
#include "raster/framebuffer.h"

struct wl_surface;
struct wl_subsurface;
struct wl_callback;
struct wl_buffer;
struct wl_shm;
struct wl_shm_pool;
struct wl_compositor;
struct wl_subcompositor;
struct wp_viewporter;
struct wp_viewport;
struct wp_fractional_scale_manager_v1;
struct wp_fractional_scale_v1;

// The compositor's objects that canvases are made with.
struct CanvasGlobals {
  wl_compositor* compositor = nullptr;
  wl_subcompositor* subcompositor = nullptr;
  wl_shm* shm = nullptr;
  // Where offered: a buffer of any size on a surface, and the scale the
  // compositor would like each surface drawn at.
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractionalScale = nullptr;
  bool layerShell = false;  // whether the compositor offers layer-shell surfaces
  bool ready() const { return compositor && subcompositor && shm; }
};

// A framebuffer's pixels in memory that the compositor can read; ordinary
// memory where it cannot.
class SharedPixels : public PixelStorage {
 public:
  explicit SharedPixels(const CanvasGlobals& globals) : globals_(globals) {}
  ~SharedPixels() override;
  uint32_t* allocate(size_t bytes) override;
  void release(uint32_t* pixels) override;
  wl_shm_pool* pool() const { return pool_; }
  size_t poolBytes() const { return bytes_; }
  // Changes with every new allocation: buffers of an older one are void.
  unsigned generation() const { return generation_; }

 private:
  const CanvasGlobals& globals_;
  wl_shm_pool* pool_ = nullptr;
  void* memory_ = nullptr;
  size_t bytes_ = 0;
  unsigned generation_ = 0;
};

class SurfaceCanvas {
 public:
  // A surface over the whole of parent, letting its input through.
  SurfaceCanvas(const CanvasGlobals& globals, wl_surface* parent);
  ~SurfaceCanvas();
  SurfaceCanvas(const SurfaceCanvas&) = delete;
  SurfaceCanvas& operator=(const SurfaceCanvas&) = delete;

  // Where the canvas lies on its parent surface (the parent's next commit
  // moves it).
  void place(int x, int y);
  // The part of the picture shown (in its device pixels) and the size it
  // covers on the parent (in the parent's logical pixels); a change makes
  // all of it due.
  void show(const Area& area, SIZE logical);
  // A changed rectangle of the picture, in the picture's coordinates.
  void changed(const Area& rect);
  // Commits what is due when the compositor is ready for a frame; otherwise
  // it stays due.
  void commit(const Framebuffer& picture, const SharedPixels& pixels, uint64_t now);
  // The scale that the compositor would like this surface drawn at, in
  // 120ths; 0 until it says.
  int preferredScale() const { return preferredScale_; }
  // The compositor has shown no frame for a while: it does not show the
  // surface (covered, or its output asleep).
  bool unseen(uint64_t now) const;

 private:
  static void frameDone(void* data, wl_callback* callback, uint32_t time);
  void damageAll();

  const CanvasGlobals& globals_;
  wl_surface* surface_ = nullptr;
  wl_subsurface* subsurface_ = nullptr;
  wl_callback* frame_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  wp_fractional_scale_v1* fractional_ = nullptr;
  wl_buffer* buffer_ = nullptr;  // the part of the picture in shared memory
  unsigned bufferGeneration_ = 0;
  Area area_;
  SIZE logical_{0, 0};
  int bufferScale_ = 1;  // device pixels per logical one, without a viewport
  int preferredScale_ = 0;
  uint64_t committedAt_ = 0;
  POINT position_{0, 0};
  // In the buffer's coordinates, since the last commit: each rectangle is
  // a request.
  DirtyTileGrid damage_{compositedTiles};
};
