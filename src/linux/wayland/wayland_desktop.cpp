#include "wayland_desktop.h"

#include <gdk/gdkwayland.h>
#include <glib-unix.h>
#include <gtk-layer-shell/gtk-layer-shell.h>
#include <gtk/gtk.h>
#include <poll.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ext-session-lock-v1-client-protocol.h"
#include "fractional-scale-v1-client-protocol.h"
#include "linux/desktop/close_signals.h"
#include "linux/desktop/closed_surface.h"
#include "linux/desktop/exit_status.h"
#include "linux/desktop/output_layout.h"
#include "linux/desktop/power_watch.h"
#include "linux/desktop/session_lock.h"
#include "linux/headless/raster_device.h"
#include "linux/lock/pam_check.h"
#include "session_locker.h"
#include "viewporter-client-protocol.h"
#include "wayland_canvas.h"

namespace {

const char noLockProtocol[] =
    "the compositor offers no ext-session-lock-v1, the protocol that --lock needs: lock the session with the "
    "desktop's own lock screen";

// Whether the compositor that $WAYLAND_DISPLAY names offers the session
// lock: asked on a connection of its own, before the toolkit starts.
bool compositorLocks(std::string& problem) {
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    problem = std::string("cannot connect to the Wayland compositor ") + (name ? name : "(WAYLAND_DISPLAY is not set)");
    return false;
  }
  bool offered = false;
  static const wl_registry_listener listener{
      +[](void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
        if (std::strcmp(interface, ext_session_lock_manager_v1_interface.name) == 0) *static_cast<bool*>(data) = true;
      },
      +[](void*, wl_registry*, uint32_t) {}};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &listener, &offered);
  wl_display_roundtrip(display);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  if (!offered) problem = noLockProtocol;
  return offered;
}

// What another saver of this session answers to a lookup: it has no
// window that we could name.
HWND const otherSaver = reinterpret_cast<HWND>(uintptr_t{1});

Area areaOf(const GdkRectangle& r) { return Area{r.x, r.y, r.width, r.height}; }

// GDK ends the program with status 1 once the compositor's connection is
// gone. This source comes before GDK's in every iteration of the loop, the
// dialogs' too: it looks for the hang-up before GDK's source prepares (and
// flushes), and its descriptor wakes the loop when the hang-up comes.
struct ConnectionWatch {
  GSource source;
  int fd;

  static void watch(wl_display* display) {
    static GSourceFuncs funcs{};
    funcs.prepare = +[](GSource* source, gint* timeout) -> gboolean {
      *timeout = -1;
      pollfd connection{reinterpret_cast<ConnectionWatch*>(source)->fd, 0, 0};
      if (poll(&connection, 1, 0) > 0) exitForLostDisplay("the Wayland compositor");
      return FALSE;
    };
    funcs.check = +[](GSource* source) -> gboolean {
      auto* watch = reinterpret_cast<ConnectionWatch*>(source);
      return g_source_query_unix_fd(source, watch->tag) != 0;
    };
    funcs.dispatch = +[](GSource*, GSourceFunc, gpointer) -> gboolean { exitForLostDisplay("the Wayland compositor"); };
    GSource* source = g_source_new(&funcs, sizeof(ConnectionWatch));
    auto* watch = reinterpret_cast<ConnectionWatch*>(source);
    watch->fd = wl_display_get_fd(display);
    watch->tag = g_source_add_unix_fd(source, watch->fd, static_cast<GIOCondition>(G_IO_HUP | G_IO_ERR));
    g_source_set_priority(source, G_PRIORITY_HIGH);
    g_source_attach(source, nullptr);
    g_source_unref(source);  // the context keeps it for the program's life
  }

  gpointer tag;
};

}  // namespace

struct WaylandDesktop::Layout {
  std::vector<GdkMonitor*> monitors;
  std::vector<Area> logical;   // each monitor's geometry
  std::vector<int> preferred;  // each monitor's scale as its surfaces were told, in 120ths; 0: not told
  OutputLayout outputs;        // in device pixels
  CanvasGlobals globals;

  int scaleOf(size_t monitor) const {
    return preferred[monitor] ? preferred[monitor] : gdk_monitor_get_scale_factor(monitors[monitor]) * 120;
  }
};

// A window's framebuffer, shown by one or more GTK windows: a full-screen
// window or the desktop's background by one surface per output, each
// showing its part of the picture; a preview by the desktop's toplevel that
// it lives in.
class WaylandDesktop::Picture : public SharedPixels, public RasterDevice {
 public:
  enum class Kind { FullScreen, Background, Lock, Framed };

  struct View {
    GtkWidget* widget = nullptr;
    GdkMonitor* monitor = nullptr;          // across the outputs only
    Area area;                              // the part of the picture it shows, in device pixels
    SIZE logical{0, 0};                     // the size it covers, in the compositor's logical pixels
    ClosedSurface closing;                  // whether and when the compositor closed it
    std::unique_ptr<SurfaceCanvas> canvas;  // our pixels above GTK's, or above the lock surface
    std::unique_ptr<LockSurface> lock;      // in place of a GTK window, while the session is locked
  };

  Picture(WaylandDesktop& desktop, HWND window, Kind kind, GtkWidget* framed)
      : SharedPixels(desktop.layout_->globals),
        RasterDevice(this),
        desktop_(desktop),
        window_(window),
        kind_(kind),
        track_(POINT{0, 0}) {
    // In the tiles that the canvases damage: finer ones would only be
    // gathered into those again.
    framebuffer().changes().reshape(compositedTiles);
    framebuffer().changes().enable(true);
    POINT start{};
    GetCursorPos(&start);
    track_ = PointerTrack(start);
    if (framed) {
      View view{framed, nullptr, Area{}, SIZE{0, 0}, {}, nullptr, nullptr};
      if (const auto description = platform::describeWindow(window))
        view.area = Area{-description->rect.left, -description->rect.top, 0, 0};
      connect(framed);
      views_.push_back(std::move(view));
    }
    desktop_.pictures_[window_] = this;
  }

  ~Picture() override {
    desktop_.pictures_.erase(window_);
    for (View& view : views_) dropView(view);
    framebuffer().resize(0, 0);  // while the shared memory is there
  }

  HWND window() const { return window_; }
  bool spansOutputs() const { return kind_ != Kind::Framed; }
  // A toplevel of the desktop's as GTK scales it, in 120ths.
  static int toplevelScale(GtkWidget* widget) { return gtk_widget_get_scale_factor(widget) * 120; }
  std::vector<View>& views() { return views_; }

  void resize(int width, int height) override {
    RasterDevice::resize(width, height);
    for (View& view : views_)
      if (view.widget) gtk_widget_queue_draw(view.widget);
  }

  // A picture across the outputs follows them: a surface for each one,
  // showing its part of the picture.
  void follow(const Layout& layout) {
    std::vector<View> kept;
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
      const Area& part = layout.outputs.parts[i];
      if (part.width <= 0) continue;
      const SIZE logical{layout.logical[i].width, layout.logical[i].height};
      auto existing = std::find_if(views_.begin(), views_.end(), [&](const View& v) {
        return v.monitor == layout.monitors[i] && (v.widget || v.lock);
      });
      if (existing != views_.end()) {
        existing->area = part;
        existing->logical = logical;
        if (existing->lock) existing->lock->setScale(layout.scaleOf(i));
        // A lock surface covers the size its configure asked for.
        if (existing->canvas) existing->canvas->show(part, existing->lock ? existing->lock->size() : logical);
        if (existing->widget) gtk_widget_queue_draw(existing->widget);
        kept.push_back(std::move(*existing));
        views_.erase(existing);
      } else if (kind_ == Kind::Lock) {
        View view{nullptr,
                  layout.monitors[i],
                  part,
                  logical,
                  {},
                  nullptr,
                  desktop_.locker_->surfaceFor(gdk_wayland_monitor_get_wl_output(layout.monitors[i]))};
        view.lock->setScale(layout.scaleOf(i));
        kept.push_back(std::move(view));
      } else {
        kept.push_back(View{makeSurface(layout.monitors[i], static_cast<int>(i), logical),
                            layout.monitors[i],
                            part,
                            logical,
                            {},
                            nullptr,
                            nullptr});
      }
    }
    for (View& gone : views_) dropView(gone);
    views_ = std::move(kept);
  }

  // The scales that the compositor asked this picture's surfaces for, into
  // the layout; whether any differs from what the layout had.
  bool learnScales(Layout& layout) const {
    bool changed = false;
    for (const View& view : views_) {
      if (!view.canvas || !view.canvas->preferredScale()) continue;
      for (size_t i = 0; i < layout.monitors.size(); ++i) {
        if (layout.monitors[i] != view.monitor || layout.scaleOf(i) == view.canvas->preferredScale()) continue;
        layout.preferred[i] = view.canvas->preferredScale();
        changed = true;
      }
    }
    return changed;
  }

  // Sends the changed areas of the picture to the surfaces that show them;
  // GTK paints them together at the compositor's next frame callback.
  void present(uint64_t now) {
    if (!spansOutputs() && !views_.empty()) followToplevel(views_.front());
    Framebuffer& pixels = framebuffer();
    if (desktop_.layout_->globals.ready()) {
      for (View& view : views_) {
        if (view.lock && view.lock->ready()) {
          if (!view.canvas) {
            view.canvas = std::make_unique<SurfaceCanvas>(desktop_.layout_->globals, view.lock->surface());
            view.lock->placeSubsurfaces();
          }
          view.canvas->show(view.area, view.lock->size());  // as the compositor last configured it
        }
        if (view.canvas || !view.widget || !gtk_widget_get_mapped(view.widget)) continue;
        GdkWindow* window = gtk_widget_get_window(gtk_widget_get_toplevel(view.widget));
        wl_surface* surface = window ? gdk_wayland_window_get_wl_surface(window) : nullptr;
        if (!surface) continue;
        view.canvas = std::make_unique<SurfaceCanvas>(desktop_.layout_->globals, surface);
        if (spansOutputs()) view.canvas->show(view.area, view.logical);
        gtk_widget_queue_draw(view.widget);  // the canvas shows from GTK's next commit on
      }
    }
    if (!spansOutputs())
      for (View& view : views_)
        if (view.canvas) placeInToplevel(view);
    pixels.changes().take([&](int x, int y, int width, int height) {
      for (const View& view : views_) {
        if (view.closing.closed()) continue;
        if (view.canvas) {
          view.canvas->changed(Area{x, y, width, height});
        } else if (view.widget) {
          queueDraw(view, Area{x, y, width, height});
        }
      }
    });
    for (View& view : views_)
      if (view.canvas && !view.closing.closed()) view.canvas->commit(pixels, *this, now);
  }

  // Whether the compositor shows none of the picture's surfaces: then there
  // is no point in drawing.
  bool unseen(uint64_t now) const {
    bool anyCanvas = false;
    for (const View& view : views_) {
      if (!view.canvas || view.closing.closed()) continue;
      if (!view.canvas->unseen(now)) return false;
      anyCanvas = true;
    }
    return anyCanvas;
  }

  void hideCursor(bool hidden) {
    if (kind_ != Kind::FullScreen) return;  // the background leaves the pointer alone
    for (View& view : views_)
      if (view.widget) applyCursor(view.widget, hidden);
  }

  // Surfaces closed by the compositor: once the grace is over, a surface
  // whose output is still there ends the saver.
  void judgeClosedSurfaces(uint64_t now) {
    for (View& view : views_) {
      if (!view.closing.graceOver(now)) continue;
      dropView(view);
      PostMessageA(window_, WM_CLOSE, 0, 0);
    }
    std::erase_if(views_, [](const View& view) { return !view.widget && !view.lock; });
  }

 private:
  GtkWidget* makeSurface(GdkMonitor* monitor, int index, SIZE logical) {
    GtkWidget* widget = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(widget);
    gtk_window_set_title(window, "Lumarel");
    gtk_window_set_decorated(window, FALSE);
    gtk_window_set_default_size(window, logical.cx, logical.cy);
    if (desktop_.layerShell_) {
      const bool background = kind_ == Kind::Background;
      gtk_layer_init_for_window(window);
      gtk_layer_set_namespace(window, background ? "lumarel-wallpaper" : "lumarel");
      gtk_layer_set_layer(window, background ? GTK_LAYER_SHELL_LAYER_BACKGROUND : GTK_LAYER_SHELL_LAYER_OVERLAY);
      for (const auto edge : {GTK_LAYER_SHELL_EDGE_LEFT, GTK_LAYER_SHELL_EDGE_RIGHT, GTK_LAYER_SHELL_EDGE_TOP,
                              GTK_LAYER_SHELL_EDGE_BOTTOM})
        gtk_layer_set_anchor(window, edge, TRUE);
      gtk_layer_set_exclusive_zone(window, -1);
      gtk_layer_set_keyboard_mode(
          window, background ? GTK_LAYER_SHELL_KEYBOARD_MODE_NONE : GTK_LAYER_SHELL_KEYBOARD_MODE_EXCLUSIVE);
      gtk_layer_set_monitor(window, monitor);
    } else {
      gtk_window_fullscreen_on_monitor(window, gdk_display_get_default_screen(gdk_monitor_get_display(monitor)), index);
    }
    connect(widget);
    g_signal_connect(widget, "realize", G_CALLBACK(onRealize), this);
    gtk_widget_show(widget);
    return widget;
  }

  void connect(GtkWidget* widget) {
    gtk_widget_set_app_paintable(widget, TRUE);
    g_signal_connect(widget, "draw", G_CALLBACK(onDraw), this);
    g_signal_connect(gtk_widget_get_toplevel(widget), "delete-event", G_CALLBACK(onDelete), this);
    // A toplevel's owner keeps its input; the background takes none.
    if (kind_ != Kind::FullScreen) return;
    gtk_widget_add_events(widget,
                          GDK_KEY_PRESS_MASK | GDK_BUTTON_PRESS_MASK | GDK_POINTER_MOTION_MASK | GDK_ENTER_NOTIFY_MASK);
    g_signal_connect(widget, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(widget, "button-press-event", G_CALLBACK(onButton), this);
    g_signal_connect(widget, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(widget, "enter-notify-event", G_CALLBACK(onEnter), this);
  }

  // A toplevel's scale, in 120ths: what the compositor asked of our
  // surface on it, else GTK's whole scale.
  int toplevelScale(const View& view) const {
    if (view.canvas && view.canvas->preferredScale()) return view.canvas->preferredScale();
    return toplevelScale(view.widget);
  }

  // The toplevel has the size the compositor gave it: the preview follows,
  // in device pixels.
  void followToplevel(const View& view) {
    const int scale = toplevelScale(view);
    const int width = devicePixels(gtk_widget_get_allocated_width(view.widget), scale);
    const int height = devicePixels(gtk_widget_get_allocated_height(view.widget), scale);
    if (width <= 1 || height <= 1) return;  // not laid out yet
    RECT client{};
    GetClientRect(window_, &client);
    if (client.right == width && client.bottom == height) return;
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOZORDER);
    InvalidateRect(window_, nullptr, TRUE);
  }

  // A window of the desktop's own shows the whole picture where its content
  // area lies on the toplevel's surface (inside any decorations).
  void placeInToplevel(View& view) {
    GtkAllocation content;
    gtk_widget_get_allocation(view.widget, &content);
    const Framebuffer& pixels = framebuffer();
    const int scale = toplevelScale(view);
    const auto logical = [scale](int device) { return logicalPixels(device, scale); };
    view.canvas->place(content.x + logical(-view.area.x), content.y + logical(-view.area.y));
    view.canvas->show(Area{0, 0, pixels.width(), pixels.height()},
                      SIZE{logical(pixels.width()), logical(pixels.height())});
  }

  // Without a canvas, GTK paints the changed rectangle, in its logical pixels.
  void queueDraw(const View& view, const Area& changed) {
    if (!spansOutputs()) {
      gtk_widget_queue_draw(view.widget);
      return;
    }
    const int left = std::max(changed.x, view.area.x), top = std::max(changed.y, view.area.y);
    const int right = std::min(changed.x + changed.width, view.area.x + view.area.width);
    const int bottom = std::min(changed.y + changed.height, view.area.y + view.area.height);
    if (right <= left || bottom <= top) return;
    const Area cover =
        logicalCover(Area{left - view.area.x, top - view.area.y, right - left, bottom - top}, view.area, view.logical);
    gtk_widget_queue_draw_area(view.widget, cover.x, cover.y, cover.width, cover.height);
  }

  void dropView(View& view) {
    view.canvas.reset();  // before the surface it lies on
    view.lock.reset();
    if (!view.widget) return;
    g_signal_handlers_disconnect_by_data(view.widget, this);
    g_signal_handlers_disconnect_by_data(gtk_widget_get_toplevel(view.widget), this);
    if (spansOutputs()) gtk_widget_destroy(view.widget);
    view.widget = nullptr;
  }

  View* viewOf(GtkWidget* widget) {
    for (View& view : views_)
      if (view.widget == widget) return &view;
    return nullptr;
  }

  static void applyCursor(GtkWidget* widget, bool hidden) {
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window) return;
    GdkCursor* blank = hidden ? gdk_cursor_new_for_display(gdk_window_get_display(window), GDK_BLANK_CURSOR) : nullptr;
    gdk_window_set_cursor(window, blank);
    if (blank) g_object_unref(blank);
  }

  static void onRealize(GtkWidget* widget, gpointer data) {
    if (static_cast<Picture*>(data)->kind_ == Kind::FullScreen) applyCursor(widget, platform::cursorHidden());
  }

  static gboolean onDraw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* self = static_cast<Picture*>(data);
    const View* view = self->viewOf(widget);
    Framebuffer& pixels = self->framebuffer();
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    // Under a canvas, GTK's own surface stays black.
    if (!view || view->canvas || pixels.width() == 0 || pixels.height() == 0) {
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_paint(cr);
      return TRUE;
    }
    const Area& area = view->area;
    int width = gtk_widget_get_allocated_width(widget), height = gtk_widget_get_allocated_height(widget);
    // The device pixels onto the logical ones.
    if (self->spansOutputs() && view->logical.cx > 0 && view->logical.cy > 0) {
      cairo_scale(cr, static_cast<double>(view->logical.cx) / area.width,
                  static_cast<double>(view->logical.cy) / area.height);
      width = area.width;
      height = area.height;
    } else if (!self->spansOutputs()) {
      const double scale = self->toplevelScale(*view) / 120.0;
      cairo_scale(cr, 1 / scale, 1 / scale);
      width = static_cast<int>(width * scale);
      height = static_cast<int>(height * scale);
    }
    // Beyond the picture (a surface larger than its output's part) is black.
    if (area.x < 0 || area.y < 0 || area.x + width > pixels.width() || area.y + height > pixels.height()) {
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_paint(cr);
    }
    cairo_surface_t* image =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.row(0)), CAIRO_FORMAT_RGB24,
                                            pixels.width(), pixels.height(), pixels.stride() * 4);
    cairo_set_source_surface(cr, image, -area.x, -area.y);
    cairo_rectangle(cr, -area.x, -area.y, pixels.width(), pixels.height());
    cairo_fill(cr);
    cairo_surface_destroy(image);
    return TRUE;
  }

  static gboolean onDelete(GtkWidget* widget, GdkEvent*, gpointer data) {
    auto* self = static_cast<Picture*>(data);
    if (!self->spansOutputs()) {
      PostMessageA(self->window_, WM_CLOSE, 0, 0);
    } else if (View* view = self->viewOf(widget)) {
      view->closing.close(platform::timerClock());
    }
    return TRUE;  // the window goes with the picture
  }

  static gboolean onKey(GtkWidget*, GdkEventKey* event, gpointer data) {
    PostMessageA(static_cast<Picture*>(data)->window_, WM_KEYDOWN, event->hardware_keycode, 0);
    return TRUE;
  }

  static gboolean onButton(GtkWidget* widget, GdkEventButton* event, gpointer data) {
    auto* self = static_cast<Picture*>(data);
    if (event->type != GDK_BUTTON_PRESS) return TRUE;  // double and triple clicks repeat a press
    const UINT message = event->button == 1   ? WM_LBUTTONDOWN
                         : event->button == 2 ? WM_MBUTTONDOWN
                         : event->button == 3 ? WM_RBUTTONDOWN
                                              : 0;  // extra buttons
    if (message) PostMessageA(self->window_, message, 0, self->pointerAt(widget, event->x, event->y));
    return TRUE;
  }

  static gboolean onMotion(GtkWidget* widget, GdkEventMotion* event, gpointer data) {
    auto* self = static_cast<Picture*>(data);
    PostMessageA(self->window_, WM_MOUSEMOVE, 0, self->pointerAt(widget, event->x, event->y));
    return TRUE;
  }

  static gboolean onEnter(GtkWidget* widget, GdkEventCrossing* event, gpointer data) {
    auto* self = static_cast<Picture*>(data);
    // Where the pointer appears: from here on its moves are measured.
    const LPARAM at = self->pointerAt(widget, event->x, event->y);
    if (self->entered_) PostMessageA(self->window_, WM_MOUSEMOVE, 0, at);
    self->entered_ = true;
    return FALSE;
  }

  // Sets the cursor position from a position on one of the surfaces (in
  // its logical pixels), and gives it in the picture's device pixels as a
  // mouse message does.
  LPARAM pointerAt(GtkWidget* widget, double x, double y) {
    POINT at{static_cast<LONG>(x), static_cast<LONG>(y)};
    if (const View* view = viewOf(widget); view && view->logical.cx > 0 && view->logical.cy > 0) {
      at.x = view->area.x + static_cast<LONG>(x * view->area.width / view->logical.cx);
      at.y = view->area.y + static_cast<LONG>(y * view->area.height / view->logical.cy);
    }
    platform::setCursorPosition(track_.cursorAt(at));
    return MAKELPARAM(at.x, at.y);
  }

  WaylandDesktop& desktop_;
  HWND window_;
  Kind kind_;
  bool entered_ = false;
  PointerTrack track_;
  std::vector<View> views_;
};

extern const FrontEnd waylandFrontEnd{"wayland", "WAYLAND_DISPLAY", false, compositorLocks, WaylandDesktop::open};

std::unique_ptr<DesktopSession> WaylandDesktop::open(std::string& error) {
  const char* name = std::getenv("WAYLAND_DISPLAY");
  gdk_set_allowed_backends("wayland");
  if (!gtk_init_check(nullptr, nullptr) || !GDK_IS_WAYLAND_DISPLAY(gdk_display_get_default())) {
    error = name && *name ? std::string("cannot connect to the Wayland compositor ") + name
                          : "no Wayland compositor (WAYLAND_DISPLAY is not set)";
    return nullptr;
  }
  return std::unique_ptr<DesktopSession>(new WaylandDesktop());
}

WaylandDesktop::WaylandDesktop() : layout_(std::make_unique<Layout>()), power_(std::make_unique<PowerWatch>()) {
  GdkDisplay* display = gdk_display_get_default();
  const auto changed =
      +[](GdkDisplay*, GdkMonitor*, gpointer data) { static_cast<WaylandDesktop*>(data)->layoutChanged_ = true; };
  bindGlobals();
  ConnectionWatch::watch(gdk_wayland_display_get_wl_display(display));
  // Asked only where offered: the library warns about a missing protocol.
  layerShell_ = layout_->globals.layerShell && gtk_layer_is_supported();
  g_signal_connect(display, "monitor-added", G_CALLBACK(changed), this);
  g_signal_connect(display, "monitor-removed", G_CALLBACK(changed), this);
  relayout();
}

// The shared memory and subsurfaces that canvases need; GDK keeps its own
// bindings to itself.
void WaylandDesktop::bindGlobals() {
  GdkDisplay* display = gdk_display_get_default();
  wl_display* connection = gdk_wayland_display_get_wl_display(display);
  CanvasGlobals& globals = layout_->globals;
  globals.compositor = gdk_wayland_display_get_wl_compositor(display);
  static const wl_registry_listener listener{
      +[](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
        auto& desktop = *static_cast<WaylandDesktop*>(data);
        CanvasGlobals& found = desktop.layout_->globals;
        if (std::strcmp(interface, wl_shm_interface.name) == 0 && !found.shm)
          found.shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
        if (std::strcmp(interface, "zwlr_layer_shell_v1") == 0) found.layerShell = true;
        if (std::strcmp(interface, wp_viewporter_interface.name) == 0 && !found.viewporter)
          found.viewporter = static_cast<wp_viewporter*>(wl_registry_bind(registry, name, &wp_viewporter_interface, 1));
        if (std::strcmp(interface, wp_fractional_scale_manager_v1_interface.name) == 0 && !found.fractionalScale)
          found.fractionalScale = static_cast<wp_fractional_scale_manager_v1*>(
              wl_registry_bind(registry, name, &wp_fractional_scale_manager_v1_interface, 1));
        if (std::strcmp(interface, ext_session_lock_manager_v1_interface.name) == 0 && !desktop.lockManager_)
          desktop.lockManager_ = static_cast<ext_session_lock_manager_v1*>(
              wl_registry_bind(registry, name, &ext_session_lock_manager_v1_interface, 1));
        // The lock reads the keyboard itself: GTK knows nothing of its surfaces.
        if (std::strcmp(interface, wl_seat_interface.name) == 0 && version >= 5 && !desktop.seatName_)
          desktop.seatName_ = name;
        if (std::strcmp(interface, wl_subcompositor_interface.name) == 0 && !found.subcompositor)
          found.subcompositor =
              static_cast<wl_subcompositor*>(wl_registry_bind(registry, name, &wl_subcompositor_interface, 1));
      },
      +[](void*, wl_registry*, uint32_t) {}};
  registry_ = wl_display_get_registry(connection);
  wl_registry_add_listener(registry_, &listener, this);
  wl_display_roundtrip(connection);
}

WaylandDesktop::~WaylandDesktop() {
  if (checkerWatch_) g_source_remove(checkerWatch_);
  locker_.reset();
  closeSignals::forget(this);
  platform::setDesktop(nullptr);
  platform::setDeviceFactory(nullptr);
  g_signal_handlers_disconnect_by_data(gdk_display_get_default(), this);
  releaseMonitors(layout_->monitors);
  for (auto& [handle, widget] : framed_) gtk_widget_destroy(gtk_widget_get_toplevel(widget));
  CanvasGlobals& globals = layout_->globals;
  if (globals.shm) wl_shm_destroy(globals.shm);
  if (globals.subcompositor) wl_subcompositor_destroy(globals.subcompositor);
  if (globals.viewporter) wp_viewporter_destroy(globals.viewporter);
  if (globals.fractionalScale) wp_fractional_scale_manager_v1_destroy(globals.fractionalScale);
  if (lockManager_) ext_session_lock_manager_v1_destroy(lockManager_);
  if (registry_) wl_registry_destroy(registry_);
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

void WaylandDesktop::install() {
  platform::setDesktop(this);
  platform::setDeviceFactory([this](HWND window) { return makeDevice(window); });
  closeSignals::watchInMainContext();
  closeSignals::onArrival(
      this, +[](void* data) { static_cast<WaylandDesktop*>(data)->closeAll_ = true; }, this);
}

// The outputs as they are now; the picture of every full-screen window follows.
void WaylandDesktop::relayout() {
  layoutChanged_ = false;
  GdkDisplay* display = gdk_display_get_default();
  // GTK frees the monitor of an output that goes: ours are held until the
  // pictures have left them, so that no new monitor can take an old one's
  // address meanwhile.
  std::vector<GdkMonitor*> previous = std::move(layout_->monitors);
  const std::vector<int> previousScales = std::move(layout_->preferred);
  layout_->monitors.clear();
  layout_->logical.clear();
  layout_->preferred.clear();
  std::vector<ScaledOutput> outputs;
  for (int i = 0, count = gdk_display_get_n_monitors(display); i < count; ++i) {
    GdkMonitor* monitor = gdk_display_get_monitor(display, i);
    GdkRectangle geometry;
    gdk_monitor_get_geometry(monitor, &geometry);
    layout_->monitors.push_back(GDK_MONITOR(g_object_ref(monitor)));
    layout_->logical.push_back(areaOf(geometry));
    // What its surfaces were told stays, while the output does.
    const auto known = std::find(previous.begin(), previous.end(), monitor);
    layout_->preferred.push_back(known == previous.end() ? 0 : previousScales[known - previous.begin()]);
    outputs.emplace_back(areaOf(geometry), layout_->scaleOf(layout_->monitors.size() - 1));
    // The logical geometry and the scale may arrive after the output itself.
    const auto changed = G_CALLBACK(+[](gpointer data) { static_cast<WaylandDesktop*>(data)->layoutChanged_ = true; });
    g_signal_connect_swapped(monitor, "notify::geometry", changed, this);
    g_signal_connect_swapped(monitor, "notify::scale-factor", changed, this);
  }
  layout_->outputs = layOutOutputs(outputs);
  const Area& box = layout_->outputs.box;
  platform::setScreenSize(box.width, box.height);
  for (auto& [window, picture] : pictures_) {
    if (!picture->spansOutputs()) continue;
    picture->follow(*layout_);
    RECT client{};
    GetClientRect(window, &client);
    if (client.right != box.width || client.bottom != box.height) {
      SetWindowPos(window, nullptr, 0, 0, box.width, box.height, SWP_NOZORDER);
      InvalidateRect(window, nullptr, TRUE);
    }
  }
  releaseMonitors(previous);
}

void WaylandDesktop::releaseMonitors(std::vector<GdkMonitor*>& monitors) {
  for (GdkMonitor* monitor : monitors) {
    g_signal_handlers_disconnect_by_data(monitor, this);
    g_object_unref(monitor);
  }
  monitors.clear();
}

HWND WaylandDesktop::createFramedWindow(int width, int height, const char* title) {
  GtkWidget* toplevel = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(toplevel), title);
  gtk_window_set_default_size(GTK_WINDOW(toplevel), std::max(width, 1), std::max(height, 1));
  // The content area: where the picture goes, inside whatever decorations
  // the toplevel draws itself.
  GtkWidget* content = gtk_drawing_area_new();
  gtk_container_add(GTK_CONTAINER(toplevel), content);
  gtk_widget_show_all(toplevel);
  // The compositor may choose another size: wait for it, a little.
  const uint64_t until = platform::timerClock() + 2000;
  while (!gtk_widget_get_mapped(content) && platform::timerClock() < until) g_main_context_iteration(nullptr, TRUE);
  const HWND handle = newHandle();
  framed_[handle] = content;
  return handle;
}

std::unique_ptr<platform::Device> WaylandDesktop::makeDevice(HWND window) {
  const auto description = platform::describeWindow(window);
  if (!description) return nullptr;
  const bool background = description->parent && description->parent == background_;
  const bool lock = description->parent && description->parent == lockParent_;
  if (description->parent == nullptr || background || lock) {
    const auto kind = background ? Picture::Kind::Background : lock ? Picture::Kind::Lock : Picture::Kind::FullScreen;
    auto picture = std::make_unique<Picture>(*this, window, kind, nullptr);
    if (background || lock || (description->style & WS_VISIBLE)) picture->follow(*layout_);
    return picture;
  }
  const auto framed = framed_.find(description->parent);
  if (framed == framed_.end()) return nullptr;  // inside one of our windows
  return std::make_unique<Picture>(*this, window, Picture::Kind::Framed, framed->second);
}

bool WaylandDesktop::clientSize(HWND window, SIZE& size) {
  if (window == otherSaver || (window && (window == background_ || window == lockParent_))) {
    size = SIZE{layout_->outputs.box.width, layout_->outputs.box.height};
    return true;
  }
  const auto framed = framed_.find(window);
  if (framed == framed_.end()) return false;
  int width = gtk_widget_get_allocated_width(framed->second), height = gtk_widget_get_allocated_height(framed->second);
  if (width <= 1 || height <= 1)
    gtk_window_get_size(GTK_WINDOW(gtk_widget_get_toplevel(framed->second)), &width, &height);
  const int scale = Picture::toplevelScale(framed->second);
  size = SIZE{devicePixels(width, scale), devicePixels(height, scale)};
  return true;
}

namespace {

SessionLock::Outcome takeSessionLock(RoleLock& held, const std::string& role, const char* unnoticed) {
  std::string notice;
  const auto outcome = held.take(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"), role, notice);
  if (!notice.empty()) std::fprintf(stderr, "lumarel: %s: %s\n", notice.c_str(), unnoticed);
  return outcome;
}

// The full-screen saver's lock, which a lock screen holds too, so that no
// saver starts while the session is locked.
RoleLock& saverRole() {
  static RoleLock lock;
  return lock;
}
const char saverUnnoticed[] = "another full-screen saver would not be noticed";

}  // namespace

HWND WaylandDesktop::find(const char*, const char*) {
  // Only the full-screen saver looks for itself: the session's lock says
  // whether another one runs.
  const auto outcome = takeSessionLock(saverRole(), "", saverUnnoticed);
  return outcome == SessionLock::Outcome::HeldElsewhere ? otherSaver : nullptr;
}

HWND WaylandDesktop::wallpaperWindow(std::string& problem, bool& anotherRuns) {
  anotherRuns = false;
  if (!layerShell_) {
    problem = "the compositor offers no layer shell (zwlr_layer_shell_v1), which --wallpaper needs";
    return nullptr;
  }
  static RoleLock lock;
  if (takeSessionLock(lock, "wallpaper", "another wallpaper would not be noticed") ==
      SessionLock::Outcome::HeldElsewhere) {
    anotherRuns = true;
    return nullptr;
  }
  background_ = newHandle();
  return background_;
}

HWND WaylandDesktop::lockWindow(PasswordChecker& checker, std::string& problem, int& status) {
  if (!lockManager_) {
    problem = noLockProtocol;
    status = lockUnsupportedStatus;
    return nullptr;
  }
  // One lock screen a session; a second leaves the first its work. One that
  // cannot tell locks all the same: the compositor refuses a second lock.
  static RoleLock lock;
  if (takeSessionLock(lock, "lock", "another lock screen would not be noticed") ==
      SessionLock::Outcome::HeldElsewhere) {
    status = 0;
    return nullptr;
  }
  wl_display* display = gdk_wayland_display_get_wl_display(gdk_display_get_default());
  locker_ = std::make_unique<SessionLocker>(display, layout_->globals, lockManager_, registry_, seatName_, checker);
  if (locker_->lock() != SessionLocker::Outcome::Locked) {
    locker_.reset();
    problem = "the compositor refused the lock: another program has locked the session";
    status = lockRefusedStatus;
    return nullptr;
  }
  // A check's end wakes the loop.
  checkerWatch_ = g_unix_fd_add(
      checker.descriptor(), static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
      +[](gint, GIOCondition condition, gpointer data) -> gboolean {
        if (!(condition & (G_IO_HUP | G_IO_ERR))) return G_SOURCE_CONTINUE;
        static_cast<WaylandDesktop*>(data)->checkerWatch_ = 0;  // gone with the checker
        return G_SOURCE_REMOVE;
      },
      this);
  endRunningSaver();
  lockParent_ = newHandle();
  return lockParent_;
}

// A full-screen saver of this session ends, so that the user finds the
// desktop once unlocked; then its lock is ours until we end, and a saver
// started meanwhile leaves at once.
void WaylandDesktop::endRunningSaver() {
  std::string problem;
  const std::string path = sessionLockPath(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"), problem);
  const uint64_t until = platform::timerClock() + 3000;
  while (takeSessionLock(saverRole(), "", saverUnnoticed) == SessionLock::Outcome::HeldElsewhere &&
         platform::timerClock() < until) {
    if (const pid_t saver = sessionLockHolder(path); saver > 0 && saver != getpid()) kill(saver, SIGTERM);
    g_usleep(50'000);
  }
}

bool WaylandDesktop::bringToFront(HWND window) {
  // Another saver is on top already; a client cannot raise anything.
  if (window == otherSaver) return true;
  const auto framed = framed_.find(window);
  if (framed == framed_.end()) return false;
  gtk_window_present(GTK_WINDOW(gtk_widget_get_toplevel(framed->second)));
  return true;
}

void WaylandDesktop::collectInput() {
  // Each look polls: none right after a wait that dispatched.
  if (!inputJustDispatched_)
    for (int i = 0; i < 64 && g_main_context_iteration(nullptr, FALSE); ++i) {
    }
  inputJustDispatched_ = false;
  if (closeAll_) {
    closeAll_ = false;
    // Only the password ends a lock screen.
    for (const auto& [window, picture] : pictures_)
      if (!lockParent_ || GetParent(window) != lockParent_) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  for (const auto& [window, picture] : pictures_)
    if (picture->learnScales(*layout_)) layoutChanged_ = true;
  if (layoutChanged_) relayout();
  const uint64_t now = platform::timerClock();
  if (locker_) followLock(now);
  for (const auto& [window, picture] : pictures_) {
    picture->judgeClosedSurfaces(now);
    picture->present(now);
  }
  applyCursor();
  power_->check(now, [&](WPARAM event) {
    for (const auto& [window, picture] : pictures_) PostMessageA(window, WM_POWERBROADCAST, event, 0);
  });
  wl_display_flush(gdk_wayland_display_get_wl_display(gdk_display_get_default()));
}

void WaylandDesktop::waitForInput(uint64_t deadline) {
  GMainContext* context = g_main_context_default();
  // While the compositor shows none of the pictures, their timers wait for
  // it: a frame callback (or other input) wakes the loop.
  const uint64_t now = platform::timerClock();
  if (!pictures_.empty() &&
      std::all_of(pictures_.begin(), pictures_.end(), [&](const auto& entry) { return entry.second->unseen(now); }))
    deadline = UINT64_MAX;
  for (const auto& [window, picture] : pictures_)
    for (const auto& view : picture->views()) deadline = std::min(deadline, view.closing.deadline());
  deadline = std::min(deadline, power_->nextCheck());
  if (locker_) deadline = std::min(deadline, locker_->deadline());
  guint timer = 0;
  if (deadline != UINT64_MAX) {
    const auto wait = static_cast<guint>(std::min<uint64_t>(deadline - std::min(deadline, now), 60000));
    if (wait == 0) return;
    timer = g_timeout_add(
        wait, +[](gpointer) -> gboolean { return G_SOURCE_REMOVE; }, nullptr);
  }
  // Sleeps in poll on the compositor's connection and GLib's timers, unless
  // something is ready already.
  g_main_context_iteration(context, TRUE);
  inputJustDispatched_ = true;
  if (timer)
    if (GSource* source = g_main_context_find_source_by_id(context, timer)) g_source_destroy(source);
}

// The prompt and the check; the lock screen closes once the session is
// unlocked. A lock that nothing can unlock any more leaves the session
// locked for a new lock screen to take over.
void WaylandDesktop::followLock(uint64_t now) {
  locker_->update(now);
  if (locker_->ended()) {
    std::fprintf(stderr, "lumarel: %s; the session stays locked: run lumarel --lock again to unlock it\n",
                 locker_->endReason().c_str());
    std::fflush(stderr);
    _exit(lockCheckBrokeStatus);
  }
  if (!locker_->unlocked()) return;
  for (const auto& [window, picture] : pictures_)
    if (GetParent(window) == lockParent_) PostMessageA(window, WM_CLOSE, 0, 0);
}

void WaylandDesktop::applyCursor() {
  const bool hidden = platform::cursorHidden();
  if (hidden == cursorHidden_) return;
  cursorHidden_ = hidden;
  for (const auto& [window, picture] : pictures_) picture->hideCursor(hidden);
}
