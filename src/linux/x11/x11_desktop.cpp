#include "x11_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "linux/desktop/close_signals.h"
#include "linux/desktop/exit_status.h"
#include "linux/headless/raster_device.h"

namespace {

// About one frame of a 60 Hz display: drawing reaches the screen at most
// this often, however fast the timer runs.
constexpr uint64_t refreshPeriod = 17;

// Errors that Xlib reports later: a window that went away, a server that
// cannot attach shared memory. Operations that care look at the code.
int lastErrorCode = 0;
int recordError(Display*, XErrorEvent* error) {
  lastErrorCode = error->error_code;
  return 0;
}

// Runs a request and reports whether the server accepted it.
template <typename Request>
bool accepted(Display* display, Request&& request) {
  XSync(display, False);
  lastErrorCode = 0;
  request();
  XSync(display, False);
  return lastErrorCode == 0;
}

Window xWindow(HWND window) { return static_cast<Window>(reinterpret_cast<uintptr_t>(window)); }
HWND handleOf(Window window) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(window)); }

// The pixel layout our framebuffers use, 0x00RRGGBB in a 32-bit word.
bool framebufferLayout(const Visual* visual, int depth) {
  return (depth == 24 || depth == 32) && visual->c_class == TrueColor && visual->red_mask == 0xFF0000 &&
         visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF;
}

}  // namespace

// A window's framebuffer on the X server: its pixels in memory that the
// server reads directly where it can, sent a dirty tile run at a time.
class X11Desktop::Surface : public PixelStorage, public RasterDevice {
 public:
  Surface(X11Desktop& desktop, HWND window, Window drawable, bool ownsDrawable, Visual* visual, int depth, POINT offset)
      : RasterDevice(this),
        desktop_(desktop),
        window_(window),
        drawable_(drawable),
        ownsDrawable_(ownsDrawable),
        visual_(visual),
        depth_(depth),
        offset_(offset),
        gc_(makeGc(desktop.display_, drawable)) {
    framebuffer().changes().enable(true);
    desktop_.surfaces_[drawable_] = this;
  }

  ~Surface() override {
    desktop_.surfaces_.erase(drawable_);
    XSync(desktop_.display_, False);  // the server is done with the pixels
    forgetImage();
    framebuffer().resize(0, 0);
    XFreeGC(desktop_.display_, gc_);
    if (ownsDrawable_) XDestroyWindow(desktop_.display_, drawable_);
    XFlush(desktop_.display_);
  }

  HWND window() const { return window_; }
  Window drawable() const { return drawable_; }
  bool ownsDrawable() const { return ownsDrawable_; }

  void resize(int width, int height) override {
    XSync(desktop_.display_, False);
    forgetImage();
    RasterDevice::resize(width, height);
    Framebuffer& pixels = framebuffer();
    if (pixels.width() == 0 || pixels.height() == 0) return;
    char* data = reinterpret_cast<char*>(pixels.row(0));
    // The image spans the whole padded row; only the visible part is sent.
    image_ = shared_ ? XShmCreateImage(desktop_.display_, visual_, depth_, ZPixmap, data, &segment_, pixels.stride(),
                                       pixels.height())
                     : XCreateImage(desktop_.display_, visual_, depth_, ZPixmap, 0, data, pixels.stride(),
                                    pixels.height(), 32, pixels.stride() * 4);
    if (image_ && image_->bits_per_pixel != 32) forgetImage();
    if (image_) image_->byte_order = LSBFirst;
    if (image_ && shared_ && desktop_.sharedPixmaps_ && !accepted(desktop_.display_, [&] {
          pixmap_ =
              XShmCreatePixmap(desktop_.display_, drawable_, data, &segment_, pixels.stride(), pixels.height(), depth_);
        }))
      forgetPixmap();
  }

  bool changed() { return framebuffer().changes().any(); }

  void present() {
    if (pixmap_) {
      presentThroughPixmap();
      return;
    }
    // Taken even without an image to send them in, or they would stay due.
    framebuffer().changes().take([&](int x, int y, int width, int height) {
      if (!image_) return;
      if (shared_) {
        XShmPutImage(desktop_.display_, drawable_, gc_, image_, x, y, x + offset_.x, y + offset_.y, width, height,
                     False);
      } else {
        XPutImage(desktop_.display_, drawable_, gc_, image_, x, y, x + offset_.x, y + offset_.y, width, height);
      }
    });
  }

  uint32_t* allocate(size_t bytes) override {
    shared_ = desktop_.sharedMemory_ && attachSegment(bytes);
    if (shared_) return reinterpret_cast<uint32_t*>(segment_.shmaddr);
    return static_cast<uint32_t*>(std::calloc(bytes, 1));
  }

  void release(uint32_t* pixels) override {
    if (!shared_) {
      std::free(pixels);
      return;
    }
    XShmDetach(desktop_.display_, &segment_);
    XSync(desktop_.display_, False);
    shmdt(segment_.shmaddr);
    shared_ = false;
  }

 private:
  // Requests carry at most this many rectangles, well inside the request
  // size that every server takes.
  static constexpr size_t rectanglesPerCopy = 8192;

  static GC makeGc(Display* display, Window drawable) {
    XGCValues values{};
    values.graphics_exposures = False;  // no NoExpose event for every copy
    return XCreateGC(display, drawable, GCGraphicsExposures, &values);
  }

  // The changed tiles as the clip of one copy from the pixmap that shares
  // the framebuffer's memory: the server copies only those pixels, with one
  // request for all of them rather than one for each run of tiles.
  void presentThroughPixmap() {
    rectangles_.clear();
    framebuffer().changes().take([&](int x, int y, int width, int height) {
      rectangles_.push_back(XRectangle{static_cast<short>(x), static_cast<short>(y), static_cast<unsigned short>(width),
                                       static_cast<unsigned short>(height)});
    });
    for (size_t first = 0; first < rectangles_.size(); first += rectanglesPerCopy) {
      const size_t count = std::min(rectanglesPerCopy, rectangles_.size() - first);
      XRectangle* batch = &rectangles_[first];
      // Taken row by row, left to right: the rows are the bands.
      int left = batch[0].x, right = 0;
      for (size_t i = 0; i < count; ++i) {
        left = std::min<int>(left, batch[i].x);
        right = std::max<int>(right, batch[i].x + batch[i].width);
      }
      const int top = batch[0].y, bottom = batch[count - 1].y + batch[count - 1].height;
      XSetClipRectangles(desktop_.display_, gc_, offset_.x, offset_.y, batch, static_cast<int>(count), YXBanded);
      XCopyArea(desktop_.display_, pixmap_, drawable_, gc_, left, top, static_cast<unsigned>(right - left),
                static_cast<unsigned>(bottom - top), left + offset_.x, top + offset_.y);
    }
  }

  bool attachSegment(size_t bytes) {
    segment_ = XShmSegmentInfo{};
    segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment_.shmid < 0) return false;
    void* memory = shmat(segment_.shmid, nullptr, 0);
    segment_.shmaddr = static_cast<char*>(memory);
    // The server takes pixmaps only on segments it may write; it never does.
    segment_.readOnly = !desktop_.sharedPixmaps_;
    const bool attached = memory != reinterpret_cast<void*>(-1) &&
                          accepted(desktop_.display_, [&] { XShmAttach(desktop_.display_, &segment_); });
    // Marked for removal now, the segment goes once both sides detach,
    // however the process ends.
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (!attached && memory != reinterpret_cast<void*>(-1)) shmdt(memory);
    return attached;
  }

  void forgetPixmap() {
    if (pixmap_) XFreePixmap(desktop_.display_, pixmap_);
    pixmap_ = 0;
  }

  void forgetImage() {
    forgetPixmap();
    if (!image_) return;
    image_->data = nullptr;  // the framebuffer owns the pixels
    XDestroyImage(image_);
    image_ = nullptr;
  }

  X11Desktop& desktop_;
  HWND window_;
  Window drawable_;
  bool ownsDrawable_;
  Visual* visual_;
  int depth_;
  POINT offset_;
  GC gc_;
  XImage* image_ = nullptr;
  Pixmap pixmap_ = 0;  // on the framebuffer's shared memory, where the server has such pixmaps
  std::vector<XRectangle> rectangles_;
  bool shared_ = false;
  XShmSegmentInfo segment_{};
};

namespace {

// A lost connection to the X server ends the program with a status of its
// own, for every connection of the program, GTK's too (whose handler, like
// Xlib's own, would end it with 1).
void endWhenTheServerGoes() {
  XSetIOErrorHandler(+[](Display*) -> int { exitForLostDisplay("the X server"); });
}

}  // namespace

extern const FrontEnd x11FrontEnd{"x11", "DISPLAY", true, nullptr, X11Desktop::open};

std::unique_ptr<DesktopSession> X11Desktop::open(std::string& error) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) {
    const char* name = std::getenv("DISPLAY");
    error = name && *name ? std::string("cannot open display ") + name : "no display (DISPLAY is not set)";
    return nullptr;
  }
  const int screen = DefaultScreen(display);
  if (!framebufferLayout(DefaultVisual(display, screen), DefaultDepth(display, screen))) {
    XCloseDisplay(display);
    error = "the display needs a 24-bit true-colour visual";
    return nullptr;
  }
  return std::unique_ptr<DesktopSession>(new X11Desktop(display));
}

X11Desktop::X11Desktop(XDisplay* display) : display_(display) {
  XSetErrorHandler(recordError);
  endWhenTheServerGoes();
  // Shared memory works only where the server runs on this machine.
  int major = 0, minor = 0;
  Bool pixmaps = False;
  sharedMemory_ = XShmQueryVersion(display_, &major, &minor, &pixmaps) && ImageByteOrder(display_) == LSBFirst;
  sharedPixmaps_ = sharedMemory_ && pixmaps && XShmPixmapFormat(display_) == ZPixmap;
  deleteWindowAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  windowClassAtom_ = XInternAtom(display_, "_LUMAREL_WINDOW_CLASS", False);
  const Window root = DefaultRootWindow(display_);
  const char nothing[1] = {0};
  const Pixmap empty = XCreateBitmapFromData(display_, root, nothing, 1, 1);
  XColor black{};
  blankCursor_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
  XFreePixmap(display_, empty);

  const int screen = DefaultScreen(display_);
  platform::setScreenSize(DisplayWidth(display_, screen), DisplayHeight(display_, screen));
  Window rootReturn, child;
  int rootX = 0, rootY = 0, x, y;
  unsigned int buttons;
  XQueryPointer(display_, root, &rootReturn, &child, &rootX, &rootY, &x, &y, &buttons);
  platform::setCursorPosition(POINT{rootX, rootY});
}

X11Desktop::~X11Desktop() {
  closeSignals::forget(this);
  platform::setDesktop(nullptr);
  platform::setDeviceFactory(nullptr);
  XFreeCursor(display_, blankCursor_);
  XCloseDisplay(display_);
}

void X11Desktop::install() {
  platform::setDesktop(this);
  platform::setDeviceFactory([this](HWND window) { return makeDevice(window); });
  closeSignals::onArrival(
      this,
      +[](void* data) {
        for (const auto& [drawable, surface] : static_cast<X11Desktop*>(data)->surfaces_)
          PostMessageA(surface->window(), WM_CLOSE, 0, 0);
      },
      this);
}

void X11Desktop::toolkitStarted() { endWhenTheServerGoes(); }

HWND X11Desktop::rootWindow() { return handleOf(DefaultRootWindow(display_)); }

HWND X11Desktop::createFramedWindow(int width, int height, const char* title) {
  const int screen = DefaultScreen(display_);
  const Window window =
      XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, std::max(width, 1), std::max(height, 1), 0,
                          BlackPixel(display_, screen), BlackPixel(display_, screen));
  XStoreName(display_, window, title);
  XSetWMProtocols(display_, window, &deleteWindowAtom_, 1);
  XMapWindow(display_, window);
  XSync(display_, False);
  return handleOf(window);
}

std::unique_ptr<platform::Device> X11Desktop::makeDevice(HWND window) {
  const auto description = platform::describeWindow(window);
  if (!description) return nullptr;
  if (description->parent == nullptr) {
    // A top-level window of ours: the full-screen saver.
    const RECT& r = description->rect;
    const bool topmost = (description->exStyle & WS_EX_TOPMOST) != 0;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = topmost;
    attributes.background_pixel = BlackPixel(display_, DefaultScreen(display_));
    attributes.event_mask =
        KeyPressMask | ButtonPressMask | PointerMotionMask | FocusChangeMask | ExposureMask | StructureNotifyMask;
    const Window created =
        XCreateWindow(display_, DefaultRootWindow(display_), r.left, r.top,
                      static_cast<unsigned>(std::max<LONG>(r.right - r.left, 1)),
                      static_cast<unsigned>(std::max<LONG>(r.bottom - r.top, 1)), 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XStoreName(display_, created, description->title.c_str());
    XClassHint hint{const_cast<char*>("lumarel"), const_cast<char*>("Lumarel")};
    XSetClassHint(display_, created, &hint);
    // Lets another process find a running saver by its class and title.
    XChangeProperty(display_, created, windowClassAtom_, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(description->className.data()),
                    static_cast<int>(description->className.size()));
    auto surface =
        std::make_unique<Surface>(*this, window, created, true, DefaultVisual(display_, DefaultScreen(display_)),
                                  DefaultDepth(display_, DefaultScreen(display_)), POINT{0, 0});
    if (description->style & WS_VISIBLE) {
      XMapRaised(display_, created);
      if (topmost) {
        // On top of everything, the saver takes the keyboard and the pointer.
        if (XGrabKeyboard(display_, created, True, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess)
          XSetInputFocus(display_, created, RevertToParent, CurrentTime);  // another client holds the keyboard
        XGrabPointer(display_, created, True, ButtonPressMask | PointerMotionMask, GrabModeAsync, GrabModeAsync, None,
                     None, CurrentTime);
      }
    }
    return surface;
  }
  if (platform::describeWindow(description->parent)) return nullptr;  // inside one of our windows
  // A child of a desktop window (a preview, or a daemon's window): drawn
  // straight into that window, whose owner keeps the input.
  const Window parent = xWindow(description->parent);
  XWindowAttributes attributes;
  if (!accepted(display_, [&] { XGetWindowAttributes(display_, parent, &attributes); })) return nullptr;
  if (!framebufferLayout(attributes.visual, attributes.depth)) return nullptr;
  XSelectInput(display_, parent, attributes.your_event_mask | StructureNotifyMask | ExposureMask);
  return std::make_unique<Surface>(*this, window, parent, false, attributes.visual, attributes.depth,
                                   POINT{description->rect.left, description->rect.top});
}

bool X11Desktop::clientSize(HWND window, SIZE& size) {
  const uintptr_t id = reinterpret_cast<uintptr_t>(window);
  if (id == 0 || id > 0x1FFFFFFF) return false;  // X ids have 29 bits
  XWindowAttributes attributes;
  if (!accepted(display_, [&] { XGetWindowAttributes(display_, static_cast<Window>(id), &attributes); })) return false;
  size = SIZE{attributes.width, attributes.height};
  return true;
}

HWND X11Desktop::find(const char* className, const char* title) {
  Window root, parent, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count)) return nullptr;
  HWND found = nullptr;
  for (unsigned int i = 0; i < count && !found; ++i) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* value = nullptr;
    if (XGetWindowProperty(display_, children[i], windowClassAtom_, 0, 64, False, XA_STRING, &type, &format, &items,
                           &after, &value) == Success &&
        value) {
      char* name = nullptr;
      if (std::string(reinterpret_cast<char*>(value), items) == className && XFetchName(display_, children[i], &name) &&
          name && std::strcmp(name, title) == 0)
        found = handleOf(children[i]);
      if (name) XFree(name);
      XFree(value);
    }
  }
  if (children) XFree(children);
  return found;
}

bool X11Desktop::bringToFront(HWND window) {
  return accepted(display_, [&] { XRaiseWindow(display_, xWindow(window)); });
}

void X11Desktop::collectInput() {
  closeSignals::dispatch();
  while (XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    handleEvent(event);
  }
  applyCursor();
  const uint64_t now = platform::timerClock();
  // Presenting waits for the loop to sleep (waitForInput), except when it
  // has no time to: changes never wait more than a frame.
  if (notePending(now) && now >= pendingSince_ + refreshPeriod) present();
  power_.check(now, [&](WPARAM event) {
    for (const auto& [drawable, surface] : surfaces_) PostMessageA(surface->window(), WM_POWERBROADCAST, event, 0);
  });
}

bool X11Desktop::notePending(uint64_t now) {
  const bool changed =
      std::any_of(surfaces_.begin(), surfaces_.end(), [](auto& entry) { return entry.second->changed(); });
  if (!changed) pendingSince_ = UINT64_MAX;
  if (changed && pendingSince_ == UINT64_MAX) pendingSince_ = now;
  return changed;
}

// Changes are shown right after the drawing, at most once a frame: where
// the timer ticks faster than that, a tick's strokes wait for the next
// tick's drawing and go with it, unless the next tick would come more than
// a frame after them. So every stroke is shown within a frame, without a
// wake-up between ticks.
void X11Desktop::waitForInput(uint64_t deadline) {
  uint64_t now = platform::timerClock();
  if (notePending(now)) {
    if (now >= lastPresent_ + refreshPeriod) {
      present();
    } else if (deadline > pendingSince_ + refreshPeriod) {
      deadline = lastPresent_ + refreshPeriod;
    }
  }
  XFlush(display_);
  if (XEventsQueued(display_, QueuedAlready) > 0) return;
  deadline = std::min(deadline, power_.nextCheck());
  now = platform::timerClock();
  const int timeout =
      deadline == UINT64_MAX ? -1 : static_cast<int>(std::min<uint64_t>(deadline - std::min(deadline, now), 60000));
  pollfd sources[2] = {{ConnectionNumber(display_), POLLIN, 0}, {closeSignals::descriptor(), POLLIN, 0}};
  poll(sources, sources[1].fd >= 0 ? 2 : 1, timeout);
}

void X11Desktop::present() {
  bool sent = false;
  for (const auto& [drawable, surface] : surfaces_) {
    if (!surface->changed()) continue;
    surface->present();
    sent = true;
  }
  pendingSince_ = UINT64_MAX;
  if (!sent) return;
  XFlush(display_);
  lastPresent_ = platform::timerClock();
}

void X11Desktop::applyCursor() {
  const bool hidden = platform::cursorHidden();
  if (hidden == cursorHidden_) return;
  cursorHidden_ = hidden;
  for (const auto& [drawable, surface] : surfaces_) {
    if (!surface->ownsDrawable()) continue;
    if (hidden) {
      XDefineCursor(display_, drawable, blankCursor_);
    } else {
      XUndefineCursor(display_, drawable);
    }
  }
}

void X11Desktop::handleEvent(const XEvent& event) {
  const auto found = surfaces_.find(event.xany.window);
  if (found == surfaces_.end()) return;
  Surface& surface = *found->second;
  const HWND window = surface.window();
  switch (event.type) {
    case KeyPress:
      PostMessageA(window, WM_KEYDOWN, event.xkey.keycode, 0);
      break;
    case ButtonPress: {
      const LPARAM at = MAKELPARAM(event.xbutton.x, event.xbutton.y);
      switch (event.xbutton.button) {
        case Button1:
          PostMessageA(window, WM_LBUTTONDOWN, 0, at);
          break;
        case Button2:
          PostMessageA(window, WM_MBUTTONDOWN, 0, at);
          break;
        case Button3:
          PostMessageA(window, WM_RBUTTONDOWN, 0, at);
          break;
        default:  // wheels and extra buttons
          break;
      }
      break;
    }
    case MotionNotify:
      platform::setCursorPosition(POINT{event.xmotion.x_root, event.xmotion.y_root});
      PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(event.xmotion.x, event.xmotion.y));
      break;
    case FocusOut:
      // Focus gone to another application; grabs and our own windows aside.
      if ((event.xfocus.mode == NotifyNormal || event.xfocus.mode == NotifyWhileGrabbed) &&
          event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer)
        PostMessageA(window, WM_ACTIVATEAPP, 0, 0);
      break;
    case Expose:
      if (event.xexpose.count == 0) InvalidateRect(window, nullptr, FALSE);
      break;
    case ConfigureNotify: {
      if (surface.ownsDrawable()) break;
      // The window we draw into changed size: the saver follows it.
      RECT client{};
      GetClientRect(window, &client);
      if (client.right == event.xconfigure.width && client.bottom == event.xconfigure.height) break;
      SetWindowPos(window, nullptr, 0, 0, event.xconfigure.width, event.xconfigure.height, SWP_NOZORDER);
      InvalidateRect(window, nullptr, TRUE);
      break;
    }
    case DestroyNotify:
      if (!surface.ownsDrawable()) DestroyWindow(window);  // a child goes with its parent
      break;
    case ClientMessage:
      if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindowAtom_) PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}
