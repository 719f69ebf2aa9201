// One full-screen saver per user and display session: a lock on a file in
// the user's runtime folder. The kernel drops the lock with the process,
// however it ends, so a crashed run never leaves it behind.
#pragma once

#include <string>

// The lock file for a session: runtimeDir ($XDG_RUNTIME_DIR) and the
// display's name; empty when there is no runtime folder.
std::string sessionLockPath(const char* runtimeDir, const char* displayName);

class SessionLock {
 public:
  enum class Outcome { Taken, HeldElsewhere, Failed };
  SessionLock() = default;
  ~SessionLock();
  SessionLock(const SessionLock&) = delete;
  SessionLock& operator=(const SessionLock&) = delete;
  // Takes the lock on the file (kept until destruction); HeldElsewhere when
  // another open of it holds the lock.
  Outcome take(const std::string& path);

 private:
  int fd_ = -1;
};
