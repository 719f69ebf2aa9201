#include "session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::string sessionLockPath(const char* runtimeDir, const char* displayName, std::string& problem,
                            const std::string& role) {
  struct stat folder {};
  if (!runtimeDir || runtimeDir[0] != '/' || stat(runtimeDir, &folder) != 0 || !S_ISDIR(folder.st_mode) ||
      access(runtimeDir, W_OK | X_OK) != 0) {
    problem = std::string("XDG_RUNTIME_DIR (") + (runtimeDir ? runtimeDir : "not set") +
              ") is not a folder of ours to write in";
    return "";
  }
  const std::string name = displayName && *displayName ? displayName : "wayland-0";
  const std::string socket = name[0] == '/' ? name : std::string(runtimeDir) + "/" + name;
  struct stat identity {};
  if (stat(socket.c_str(), &identity) != 0 || !S_ISSOCK(identity.st_mode)) {
    problem = "the compositor's socket " + socket + " cannot be found";
    return "";
  }
  return std::string(runtimeDir) + "/lumarel-" + std::to_string(identity.st_dev) + "-" +
         std::to_string(identity.st_ino) + (role.empty() ? "" : "." + role) + ".lock";
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
