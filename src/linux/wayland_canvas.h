// Our pixels on a Wayland surface of their own, above a GTK window's
// surface: shared-memory buffers that are reused once the compositor lets
// go of them, only the changed areas damaged, and at most one commit per
// frame callback. (GTK would take a fresh buffer for every frame while the
// compositor holds the last one.)
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "output_layout.h"
#include "raster/dirty_tiles.h"

struct wl_display;
struct wl_surface;
struct wl_subsurface;
struct wl_callback;
struct wl_buffer;
struct wl_shm;
struct wl_compositor;
struct wl_subcompositor;
class Framebuffer;

// The compositor's objects that canvases are made with.
struct CanvasGlobals {
  wl_compositor* compositor = nullptr;
  wl_subcompositor* subcompositor = nullptr;
  wl_shm* shm = nullptr;
  bool layerShell = false;  // whether the compositor offers layer-shell surfaces
  bool ready() const { return compositor && subcompositor && shm; }
};

class SurfaceCanvas {
 public:
  // A surface over the whole of parent, letting its input through.
  SurfaceCanvas(const CanvasGlobals& globals, wl_surface* parent);
  ~SurfaceCanvas();
  SurfaceCanvas(const SurfaceCanvas&) = delete;
  SurfaceCanvas& operator=(const SurfaceCanvas&) = delete;

  // The part of the picture shown changed place or size: all of it is due.
  void show(const Area& area);
  // A changed rectangle of the picture, in the picture's coordinates.
  void changed(const Area& rect);
  // Commits what is due when the compositor is ready for a frame and a
  // buffer is free; otherwise it stays due.
  void commit(const Framebuffer& picture);

 private:
  struct Buffer;
  Buffer* freeBuffer();
  static void frameDone(void* data, wl_callback* callback, uint32_t time);
  static void released(void* data, wl_buffer* buffer);

  const CanvasGlobals& globals_;
  wl_surface* surface_ = nullptr;
  wl_subsurface* subsurface_ = nullptr;
  wl_callback* frame_ = nullptr;
  Area area_;
  DirtyTiles damage_;  // in the surface's coordinates, since the last commit
  std::vector<std::unique_ptr<Buffer>> buffers_;
};
