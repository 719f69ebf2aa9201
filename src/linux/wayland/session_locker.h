// The session's lock (ext-session-lock-v1): the lock itself, a lock surface
// on each output that a picture's canvas and the password prompt lie on,
// and the keyboard and pointer while locked. The password goes to the
// checker; only its acceptance unlocks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <wayland-client-protocol.h>

#include "linux/lock/password_prompt.h"
#include "wayland_canvas.h"

struct wl_display;
struct wl_output;
struct wl_seat;
struct wl_registry;
struct wl_keyboard;
struct wl_pointer;
struct ext_session_lock_manager_v1;
struct ext_session_lock_v1;
struct ext_session_lock_surface_v1;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xkb_compose_table;
struct xkb_compose_state;
class PasswordChecker;
class SessionLocker;

// One output's lock surface: black, of the size the compositor asks, under
// the picture's canvas; the prompt on a surface of its own above both.
class LockSurface {
 public:
  LockSurface(SessionLocker& locker, wl_output* output);
  ~LockSurface();
  LockSurface(const LockSurface&) = delete;
  LockSurface& operator=(const LockSurface&) = delete;

  wl_surface* surface() const { return surface_; }
  // Configured, and its first buffer committed: a canvas may lie on it.
  bool ready() const { return ready_; }
  // Its size as configured, in the compositor's logical pixels.
  SIZE size() const { return size_; }
  // A new subsurface shows, and a moved one moves, with this.
  void placeSubsurfaces() { wl_surface_commit(surface_); }
  // The output's scale, in 120ths, for the prompt's picture.
  void setScale(int scale120);
  // Draws the prompt over the middle of the surface, or takes it away.
  void showPrompt(PasswordPrompt::Status status, size_t marks);

 private:
  static void configure(void* data, ext_session_lock_surface_v1*, uint32_t serial, uint32_t width, uint32_t height);
  void hidePrompt();

  SessionLocker& locker_;
  wl_surface* surface_ = nullptr;
  ext_session_lock_surface_v1* lockSurface_ = nullptr;
  wl_buffer* black_ = nullptr;
  wp_viewport* viewport_ = nullptr;
  SIZE size_{0, 0};
  bool ready_ = false;
  bool promptStale_ = false;  // its prompt does not show the prompt's state yet
  int scale120_ = 120;
  // The prompt: a subsurface with a buffer of its own.
  wl_surface* promptSurface_ = nullptr;
  wl_subsurface* promptSubsurface_ = nullptr;
  wp_viewport* promptViewport_ = nullptr;
  wl_buffer* promptBuffer_ = nullptr;
  friend class SessionLocker;
};

class SessionLocker {
 public:
  enum class Outcome { Locked, Refused };
  // The seat is the registry's global of that name: bound here, so that
  // the keyboard follows its capabilities from the start.
  SessionLocker(wl_display* display, const CanvasGlobals& globals, ext_session_lock_manager_v1* manager,
                wl_registry* registry, uint32_t seatName, PasswordChecker& checker);
  ~SessionLocker();
  SessionLocker(const SessionLocker&) = delete;
  SessionLocker& operator=(const SessionLocker&) = delete;

  // Asks the compositor for the lock and waits for its answer.
  Outcome lock();
  std::unique_ptr<LockSurface> surfaceFor(wl_output* output) { return std::make_unique<LockSurface>(*this, output); }

  // Hands a finished check to the prompt, hides an idle prompt, redraws it
  // where it changed; at an accepted password, unlocks.
  void update(uint64_t now);
  // When update next has something to do.
  uint64_t deadline() const { return prompt_.deadline(); }
  // The password was accepted and the session unlocked.
  bool unlocked() const { return unlocked_; }
  // The compositor ended the lock, or the check broke: nothing can unlock
  // through us any more.
  bool ended() const { return ended_; }
  std::string endReason() const { return endReason_; }

 private:
  static const struct wl_keyboard_listener keyboardListener;
  static const struct wl_pointer_listener pointerListener;
  static void seatCapabilities(void* data, wl_seat* seat, uint32_t capabilities);
  void keyPressed(uint32_t key, uint64_t now);
  void unlock();

  wl_display* display_;
  const CanvasGlobals& globals_;
  ext_session_lock_manager_v1* manager_;
  ext_session_lock_v1* lock_ = nullptr;
  wl_seat* seat_ = nullptr;
  wl_keyboard* keyboard_ = nullptr;
  wl_pointer* pointer_ = nullptr;
  PasswordChecker& checker_;
  PasswordPrompt prompt_;
  xkb_context* xkb_ = nullptr;
  xkb_keymap* keymap_ = nullptr;
  xkb_state* keyState_ = nullptr;
  xkb_compose_table* composeTable_ = nullptr;
  xkb_compose_state* compose_ = nullptr;
  std::vector<LockSurface*> surfaces_;
  bool locked_ = false;
  bool finished_ = false;
  bool unlocked_ = false;
  bool ended_ = false;
  std::string endReason_;
  friend class LockSurface;
};
