#include "session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

std::string sessionLockPath(const char* runtimeDir, const char* displayName) {
  if (!runtimeDir || runtimeDir[0] != '/') return "";
  // A display may be named by a path of its own.
  std::string name = displayName && *displayName ? displayName : "default";
  for (char& c : name)
    if (c == '/') c = '_';
  return std::string(runtimeDir) + "/lumarel-" + name + ".lock";
}

SessionLock::~SessionLock() {
  if (fd_ >= 0) close(fd_);
}

SessionLock::Outcome SessionLock::take(const std::string& path) {
  if (fd_ >= 0) return Outcome::Taken;
  if (path.empty()) return Outcome::Failed;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) return Outcome::Failed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    close(fd);
    return held ? Outcome::HeldElsewhere : Outcome::Failed;
  }
  fd_ = fd;
  return Outcome::Taken;
}
