#include "session_locker.h"

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "ext-session-lock-v1-client-protocol.h"
#include "linux/lock/pam_check.h"
#include "linux/lock/prompt_picture.h"
#include "platform/platform_control.h"
#include "viewporter-client-protocol.h"

namespace {

// A buffer in fresh shared memory, zero (black, or transparent) until drawn
// into; pixels, when asked for, maps it for drawing (munmap after).
wl_buffer* sharedBuffer(wl_shm* shm, int width, int height, uint32_t format, uint32_t** pixels = nullptr) {
  const size_t bytes = static_cast<size_t>(width) * height * 4;
  const int fd = memfd_create("lumarel-lock", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  wl_buffer* buffer = nullptr;
  if (ftruncate(fd, static_cast<off_t>(bytes)) == 0) {
    void* memory = pixels ? mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : nullptr;
    if (!pixels || memory != MAP_FAILED) {
      if (pixels) *pixels = static_cast<uint32_t*>(memory);
      wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(bytes));
      buffer = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, format);
      wl_shm_pool_destroy(pool);
    }
  }
  close(fd);
  return buffer;
}

void setEmptyInputRegion(wl_compositor* compositor, wl_surface* surface) {
  wl_region* none = wl_compositor_create_region(compositor);
  wl_surface_set_input_region(surface, none);
  wl_region_destroy(none);
}

}  // namespace

LockSurface::LockSurface(SessionLocker& locker, wl_output* output) : locker_(locker) {
  const CanvasGlobals& globals = locker.globals_;
  surface_ = wl_compositor_create_surface(globals.compositor);
  if (globals.viewporter) viewport_ = wp_viewporter_get_viewport(globals.viewporter, surface_);
  lockSurface_ = ext_session_lock_v1_get_lock_surface(locker.lock_, surface_, output);
  static const ext_session_lock_surface_v1_listener listener{configure};
  ext_session_lock_surface_v1_add_listener(lockSurface_, &listener, this);
  locker.surfaces_.push_back(this);
}

LockSurface::~LockSurface() {
  std::erase(locker_.surfaces_, this);
  hidePrompt();
  if (black_) wl_buffer_destroy(black_);
  if (viewport_) wp_viewport_destroy(viewport_);
  ext_session_lock_surface_v1_destroy(lockSurface_);
  wl_surface_destroy(surface_);
}

// The size the compositor asks for: a black buffer of exactly that size
// (one pixel stretched, where a viewport can), before anything else shows.
void LockSurface::configure(void* data, ext_session_lock_surface_v1* lockSurface, uint32_t serial, uint32_t width,
                            uint32_t height) {
  auto* self = static_cast<LockSurface*>(data);
  ext_session_lock_surface_v1_ack_configure(lockSurface, serial);
  const SIZE size{static_cast<LONG>(std::min<uint32_t>(width, 1 << 15)),
                  static_cast<LONG>(std::min<uint32_t>(height, 1 << 15))};
  if (self->black_ && size.cx == self->size_.cx && size.cy == self->size_.cy) return;
  if (size.cx <= 0 || size.cy <= 0) return;
  wl_shm* shm = self->locker_.globals_.shm;
  wl_buffer* black = self->viewport_ ? sharedBuffer(shm, 1, 1, WL_SHM_FORMAT_XRGB8888)
                                     : sharedBuffer(shm, size.cx, size.cy, WL_SHM_FORMAT_XRGB8888);
  if (!black) return;  // no memory: the compositor's own colour stays
  if (self->viewport_) wp_viewport_set_destination(self->viewport_, size.cx, size.cy);
  wl_surface_attach(self->surface_, black, 0, 0);
  wl_surface_damage(self->surface_, 0, 0, size.cx, size.cy);
  wl_surface_commit(self->surface_);
  if (self->black_) wl_buffer_destroy(self->black_);
  self->black_ = black;
  self->size_ = size;
  self->ready_ = true;
  self->promptStale_ = true;
}

void LockSurface::setScale(int scale120) {
  const int scale = std::clamp(scale120, leastPromptScale, greatestPromptScale);
  if (scale == scale120_) return;
  scale120_ = scale;
  promptStale_ = true;
}

void LockSurface::showPrompt(PasswordPrompt::Status status, size_t marks) {
  if (!ready_) return;
  promptStale_ = false;
  if (status == PasswordPrompt::Status::Hidden) {
    hidePrompt();
    return;
  }
  const CanvasGlobals& globals = locker_.globals_;
  const PromptSize device = promptSize(scale120_);
  // Without a viewport, whole scales by the buffer's scale.
  const int bufferScale =
      scale120_ % 120 == 0 && device.width % (scale120_ / 120) == 0 && device.height % (scale120_ / 120) == 0
          ? scale120_ / 120
          : 1;
  const SIZE logical = globals.viewporter ? SIZE{std::max(1, device.width * 120 / scale120_),
                                                 std::max(1, device.height * 120 / scale120_)}
                                          : SIZE{device.width / bufferScale, device.height / bufferScale};
  uint32_t* pixels = nullptr;
  wl_buffer* buffer = sharedBuffer(globals.shm, device.width, device.height, WL_SHM_FORMAT_ARGB8888, &pixels);
  if (!buffer) return;
  bool drawn = true;
  try {
    drawPrompt(status, marks, scale120_, pixels, device.width, device.height, device.width * 4);
  } catch (const std::exception&) {
    drawn = false;  // no prompt then, but keys still type and Return still checks
  }
  munmap(pixels, static_cast<size_t>(device.width) * device.height * 4);
  if (!drawn) {
    wl_buffer_destroy(buffer);
    return;
  }
  if (!promptSurface_) {
    // Made anew each time it shows: a new subsurface lies above the canvas.
    promptSurface_ = wl_compositor_create_surface(globals.compositor);
    promptSubsurface_ = wl_subcompositor_get_subsurface(globals.subcompositor, promptSurface_, surface_);
    wl_subsurface_set_desync(promptSubsurface_);
    setEmptyInputRegion(globals.compositor, promptSurface_);
    if (globals.viewporter) promptViewport_ = wp_viewporter_get_viewport(globals.viewporter, promptSurface_);
  }
  if (promptViewport_) {
    wp_viewport_set_destination(promptViewport_, logical.cx, logical.cy);
  } else {
    wl_surface_set_buffer_scale(promptSurface_, bufferScale);
  }
  wl_surface_attach(promptSurface_, buffer, 0, 0);
  wl_surface_damage(promptSurface_, 0, 0, logical.cx, logical.cy);
  wl_surface_commit(promptSurface_);
  if (promptBuffer_) wl_buffer_destroy(promptBuffer_);
  promptBuffer_ = buffer;
  wl_subsurface_set_position(promptSubsurface_, (size_.cx - logical.cx) / 2, (size_.cy - logical.cy) / 2);
  placeSubsurfaces();
}

void LockSurface::hidePrompt() {
  if (promptViewport_) wp_viewport_destroy(promptViewport_);
  if (promptSubsurface_) wl_subsurface_destroy(promptSubsurface_);
  if (promptSurface_) wl_surface_destroy(promptSurface_);
  if (promptBuffer_) wl_buffer_destroy(promptBuffer_);
  promptViewport_ = nullptr;
  promptSubsurface_ = nullptr;
  promptSurface_ = nullptr;
  promptBuffer_ = nullptr;
}

namespace {

SessionLocker& lockerOf(void* data) { return *static_cast<SessionLocker*>(data); }

}  // namespace

const wl_keyboard_listener SessionLocker::keyboardListener{
    // The compositor's keymap, as the user's keyboard has it.
    .keymap =
        +[](void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
          SessionLocker& self = lockerOf(data);
          void* text = format == WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1 ? mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0)
                                                                  : MAP_FAILED;
          close(fd);
          if (text == MAP_FAILED) return;
          xkb_keymap* keymap = xkb_keymap_new_from_buffer(self.xkb_, static_cast<const char*>(text),
                                                          strnlen(static_cast<const char*>(text), size),
                                                          XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
          munmap(text, size);
          if (!keymap) return;
          xkb_state_unref(self.keyState_);
          xkb_keymap_unref(self.keymap_);
          self.keymap_ = keymap;
          self.keyState_ = xkb_state_new(keymap);
        },
    .enter = +[](void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {},
    .leave = +[](void*, wl_keyboard*, uint32_t, wl_surface*) {},
    .key =
        +[](void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t key, uint32_t state) {
          if (state == WL_KEYBOARD_KEY_STATE_PRESSED) lockerOf(data).keyPressed(key, platform::timerClock());
        },
    .modifiers =
        +[](void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
          SessionLocker& self = lockerOf(data);
          if (self.keyState_) xkb_state_update_mask(self.keyState_, depressed, latched, locked, 0, 0, group);
        },
    .repeat_info = +[](void*, wl_keyboard*, int32_t, int32_t) {},
};

// The pointer is hidden over the lock. (The seat is bound at version 5:
// the events of later versions never come.)
const wl_pointer_listener SessionLocker::pointerListener = [] {
  wl_pointer_listener listener{};
  listener.enter = +[](void*, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t, wl_fixed_t) {
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
  };
  listener.leave = +[](void*, wl_pointer*, uint32_t, wl_surface*) {};
  listener.motion = +[](void*, wl_pointer*, uint32_t, wl_fixed_t, wl_fixed_t) {};
  listener.button = +[](void*, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {};
  listener.axis = +[](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {};
  listener.frame = +[](void*, wl_pointer*) {};
  listener.axis_source = +[](void*, wl_pointer*, uint32_t) {};
  listener.axis_stop = +[](void*, wl_pointer*, uint32_t, uint32_t) {};
  listener.axis_discrete = +[](void*, wl_pointer*, uint32_t, int32_t) {};
  return listener;
}();

SessionLocker::SessionLocker(wl_display* display, const CanvasGlobals& globals, ext_session_lock_manager_v1* manager,
                             wl_registry* registry, uint32_t seatName, PasswordChecker& checker)
    : display_(display), globals_(globals), manager_(manager), checker_(checker) {
  // Version 5 at most: later ones add events that we do not listen for.
  if (seatName) {
    seat_ = static_cast<wl_seat*>(wl_registry_bind(registry, seatName, &wl_seat_interface, 5));
    static const wl_seat_listener listener{.capabilities = seatCapabilities,
                                           .name = +[](void*, wl_seat*, const char*) {}};
    wl_seat_add_listener(seat_, &listener, this);
  }
  xkb_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
  // Dead keys and composed characters, as the user's locale composes them.
  const char* locale = nullptr;
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"})
    if (const char* value = std::getenv(name); !locale && value && *value) locale = value;
  if (xkb_)
    composeTable_ = xkb_compose_table_new_from_locale(xkb_, locale ? locale : "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
  if (composeTable_) compose_ = xkb_compose_state_new(composeTable_, XKB_COMPOSE_STATE_NO_FLAGS);
}

SessionLocker::~SessionLocker() {
  if (keyboard_) wl_keyboard_destroy(keyboard_);
  if (pointer_) wl_pointer_destroy(pointer_);
  if (seat_) wl_seat_destroy(seat_);
  // A lock that was never granted is given back; a granted one is left as
  // it is: only the password unlocks, and the compositor keeps the session
  // locked once we are gone.
  if (lock_ && !locked_) ext_session_lock_v1_destroy(lock_);
  xkb_compose_state_unref(compose_);
  xkb_compose_table_unref(composeTable_);
  xkb_state_unref(keyState_);
  xkb_keymap_unref(keymap_);
  xkb_context_unref(xkb_);
}

SessionLocker::Outcome SessionLocker::lock() {
  static const ext_session_lock_v1_listener listener{
      .locked = +[](void* data, ext_session_lock_v1*) { lockerOf(data).locked_ = true; },
      .finished =
          +[](void* data, ext_session_lock_v1*) {
            SessionLocker& self = lockerOf(data);
            self.finished_ = true;
            if (!self.locked_) return;
            self.ended_ = true;
            self.endReason_ = "the compositor ended the lock";
          },
  };
  lock_ = ext_session_lock_manager_v1_lock(manager_);
  ext_session_lock_v1_add_listener(lock_, &listener, this);
  while (!locked_ && !finished_)
    if (wl_display_roundtrip(display_) < 0) break;  // the connection watch ends the run
  return locked_ ? Outcome::Locked : Outcome::Refused;
}

// Keyboards and pointers come and go (a virtual keyboard, a mouse plugged
// in): keys go to the prompt from whichever there is.
void SessionLocker::seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
  SessionLocker& self = lockerOf(data);
  const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD, pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
  if (keyboard && !self.keyboard_) {
    self.keyboard_ = wl_seat_get_keyboard(seat);
    wl_keyboard_add_listener(self.keyboard_, &keyboardListener, &self);
  } else if (!keyboard && self.keyboard_) {
    wl_keyboard_release(self.keyboard_);
    self.keyboard_ = nullptr;
  }
  if (pointer && !self.pointer_) {
    self.pointer_ = wl_seat_get_pointer(seat);
    wl_pointer_add_listener(self.pointer_, &pointerListener, &self);
  } else if (!pointer && self.pointer_) {
    wl_pointer_release(self.pointer_);
    self.pointer_ = nullptr;
  }
}

void SessionLocker::keyPressed(uint32_t key, uint64_t now) {
  if (!keyState_ || unlocked_) return;
  const xkb_keycode_t code = key + 8;  // evdev's numbers to XKB's
  xkb_keysym_t symbol = xkb_state_key_get_one_sym(keyState_, code);
  char text[64] = {};
  bool plain = true;
  if (compose_ && xkb_compose_state_feed(compose_, symbol) == XKB_COMPOSE_FEED_ACCEPTED) {
    switch (xkb_compose_state_get_status(compose_)) {
      case XKB_COMPOSE_COMPOSING:  // a dead key: nothing typed yet
        plain = false;
        break;
      case XKB_COMPOSE_COMPOSED:
        symbol = xkb_compose_state_get_one_sym(compose_);
        xkb_compose_state_get_utf8(compose_, text, sizeof text);
        xkb_compose_state_reset(compose_);
        plain = false;
        break;
      case XKB_COMPOSE_CANCELLED:
        xkb_compose_state_reset(compose_);
        plain = false;
        break;
      case XKB_COMPOSE_NOTHING:
        break;
    }
  }
  if (plain) xkb_state_key_get_utf8(keyState_, code, text, sizeof text);
  const bool control = xkb_state_mod_name_is_active(keyState_, XKB_MOD_NAME_CTRL, XKB_STATE_MODS_EFFECTIVE) > 0;
  const bool check = prompt_.key(PromptKey{symbol, std::string_view(text, strnlen(text, sizeof text)), control}, now);
  explicit_bzero(text, sizeof text);
  if (!check) return;
  if (checker_.submit(prompt_.typed())) {
    prompt_.checkStarted();
  } else if (!checker_.busy()) {
    ended_ = true;
    endReason_ = "the password check stopped";
  }
}

void SessionLocker::update(uint64_t now) {
  if (checker_.busy()) {
    if (const auto result = checker_.collect()) {
      prompt_.checkEnded(*result == CheckResult::Accepted, now);
      if (*result == CheckResult::Accepted) unlock();
    }
  }
  prompt_.tick(now);
  const bool changed = prompt_.changed();
  for (LockSurface* surface : surfaces_)
    if (changed || surface->promptStale_) surface->showPrompt(prompt_.status(), prompt_.marks());
}

// Only an accepted password comes here.
void SessionLocker::unlock() {
  if (!lock_ || !locked_ || unlocked_) return;
  ext_session_lock_v1_unlock_and_destroy(lock_);
  lock_ = nullptr;
  // The compositor has the request before we go.
  wl_display_roundtrip(display_);
  unlocked_ = true;
}
