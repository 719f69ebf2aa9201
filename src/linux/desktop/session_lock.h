// One full-screen saver per user and display session: a lock on a file in
// the user's runtime folder. The kernel drops the lock with the process,
// however it ends, so a crashed run never leaves it behind.
#pragma once

#include <sys/types.h>

#include <string>

// The lock file for the session of the compositor whose socket
// displayName names, as $WAYLAND_DISPLAY does (a name in runtimeDir, or a
// path of its own): named after the socket file itself, so that every name
// of one compositor finds one lock. Empty, with the reason, when the
// runtime folder ($XDG_RUNTIME_DIR) or the socket cannot serve. A role
// (such as "wallpaper") names a lock of its own beside the saver's.
std::string sessionLockPath(const char* runtimeDir, const char* displayName, std::string& problem,
                            const std::string& role = "");

// The process that holds the lock on the file, as it wrote itself there;
// 0 when nobody holds it.
pid_t sessionLockHolder(const std::string& path);

class SessionLock {
 public:
  enum class Outcome { Taken, HeldElsewhere, Failed };
  SessionLock() = default;
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;
  // Takes the lock on the file (kept until destruction) and writes our
  // process id into it; HeldElsewhere when another open of it holds the lock.
  Outcome take(const std::string& path);

 private:
  int fd_ = -1;
};

// This session's lock of a role, taken again whenever asked: one that
// cannot be had is said once, and the run goes on as if it were the only one.
class RoleLock {
 public:
  // The lock of the role in the session that the runtime folder and the
  // display name say; where it cannot be had, notice says why the first
  // time and stays empty after.
  SessionLock::Outcome take(const char* runtimeDir, const char* displayName, const std::string& role,
                            std::string& notice);

 private:
  SessionLock lock_;
  bool told_ = false;
};
