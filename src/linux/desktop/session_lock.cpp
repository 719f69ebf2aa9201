#include "session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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
  const std::string pid = std::to_string(getpid()) + "\n";
  // Held all the same where this fails: only the holder's name is missing.
  [[maybe_unused]] const bool named =
      ftruncate(fd, 0) == 0 && pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
  return Outcome::Taken;
}

pid_t sessionLockHolder(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return 0;
  pid_t holder = 0;
  // A shared lock is granted only while nobody holds the exclusive one.
  if (flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    char text[16] = {};
    if (pread(fd, text, sizeof text - 1, 0) > 0) holder = static_cast<pid_t>(std::strtol(text, nullptr, 10));
  }
  close(fd);
  return holder > 0 ? holder : 0;
}

SessionLock::Outcome RoleLock::take(const char* runtimeDir, const char* displayName, const std::string& role,
                                    std::string& notice) {
  std::string problem;
  const std::string path = sessionLockPath(runtimeDir, displayName, problem, role);
  const auto outcome = lock_.take(path);
  if (outcome == SessionLock::Outcome::Failed && !told_) {
    notice = problem.empty() ? "the lock file " + path + " cannot be made" : problem;
    told_ = true;
  }
  return outcome;
}
