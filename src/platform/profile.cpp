// The profile functions on our own INI store. A bare file name such as
// "control.ini" lives in the user's configuration folder.

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "ini_store.h"
#include "internal.h"

namespace platform {
namespace {

// A file read once serves every read until it changes on the disk.
struct CachedFile {
  std::string path;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  timespec changed{};                   // also moves with the permissions
  std::optional<IniDocument> document;  // nothing: the file cannot be read
};

struct ProfileState {
  std::optional<std::string> path;
  ProfileAccess access = ProfileAccess::ReadWrite;
  // Values set for this run only, by lower-case section and key.
  std::map<std::pair<std::string, std::string>, std::string> overlay;
  std::optional<CachedFile> cache;
  // Whether each file was within the size limit when this program first
  // saw it: the limit holds for the whole run, so a save of many keys is
  // refused before its first key or not at all.
  std::map<std::string, bool> withinLimitWhenFirstSeen;
  bool tooLargeReported = false;
};

ProfileState& state() {
  static ProfileState instance;
  return instance;
}

std::string configurationFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(xdg) + "/lumarel";
  const char* home = std::getenv("HOME");
  if (!home || !*home) {
    const passwd* user = getpwuid(getuid());
    home = user ? user->pw_dir : "/tmp";
  }
  return std::string(home) + "/.config/lumarel";
}

std::pair<std::string, std::string> overlayKey(const std::string& section, const std::string& key) {
  // Named as the file names them: blanks around ignored, any case.
  const auto normal = [](const std::string& name) {
    const size_t first = name.find_first_not_of(" \t");
    const size_t last = name.find_last_not_of(" \t");
    std::string result = first == std::string::npos ? "" : name.substr(first, last - first + 1);
    for (char& c : result)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return result;
  };
  return {normal(section), normal(key)};
}

void reportTooLarge(const std::string& path, bool read) {
  if (state().tooLargeReported) return;
  state().tooLargeReported = true;
  if (read)
    std::fprintf(stderr, "%s is larger than %zu KiB: it is never replaced\n", path.c_str(), maxProfileFileSize / 1024);
  else
    std::fprintf(stderr, "%s is larger than %zu KiB: its settings are not read, and it is never replaced\n",
                 path.c_str(), maxReadableProfileSize / 1024);
}

void noteFirstSight(const std::string& path, bool exists, off_t size) {
  state().withinLimitWhenFirstSeen.try_emplace(path, !exists || static_cast<uint64_t>(size) <= maxProfileFileSize);
}

// The file's document, or null when the file exists but cannot be read. A
// missing file is an empty document.
const IniDocument* loadDocument(const std::string& path) {
  struct stat info {};
  const bool exists = stat(path.c_str(), &info) == 0;
  noteFirstSight(path, exists, info.st_size);
  std::optional<CachedFile>& cache = state().cache;
  if (cache && cache->path == path &&
      (exists ? cache->device == info.st_dev && cache->inode == info.st_ino && cache->size == info.st_size &&
                    cache->modified.tv_sec == info.st_mtim.tv_sec && cache->modified.tv_nsec == info.st_mtim.tv_nsec &&
                    cache->changed.tv_sec == info.st_ctim.tv_sec && cache->changed.tv_nsec == info.st_ctim.tv_nsec
              : cache->size < 0))
    return cache->document ? &*cache->document : nullptr;
  cache.reset();
  CachedFile file;
  file.path = path;
  if (exists) {
    file.device = info.st_dev;
    file.inode = info.st_ino;
    file.size = info.st_size;
    file.modified = info.st_mtim;
    file.changed = info.st_ctim;
  }
  std::string text;
  const int error = exists ? readWholeFile(path, text) : ENOENT;
  if (error == 0 || error == ENOENT || error == ENOTDIR) {
    file.document = IniDocument(text);
  } else if (error == EFBIG) {
    reportTooLarge(path, false);
  }
  cache = std::move(file);
  return cache->document ? &*cache->document : nullptr;
}

}  // namespace

void setProfilePath(const std::string& path, ProfileAccess access) {
  state().path = path;
  state().access = access;
}

void useUserProfile() {
  state().path.reset();
  state().access = ProfileAccess::ReadWrite;
}

std::string profilePath(const char* fileName) {
  if (state().path) return *state().path;
  std::string name = fileName ? fileName : "";
  // The name is a bare file name; a folder part would lead outside ours.
  if (const size_t slash = name.find_last_of('/'); slash != std::string::npos) name.erase(0, slash + 1);
  return configurationFolder() + "/" + (name.empty() ? "control.ini" : name);
}

void setProfileValue(const std::string& section, const std::string& key, const std::string& value) {
  state().overlay[overlayKey(section, key)] = value;
}

void clearProfileValues() { state().overlay.clear(); }

DWORD profileWriteError(int error) {
  switch (error) {
    case 0:
      return ERROR_SUCCESS;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EISDIR:
      return ERROR_DIRECTORY_NOT_SUPPORTED;
    case ENXIO:
      return ERROR_BAD_FILE_TYPE;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case EDQUOT:
      return ERROR_DISK_QUOTA_EXCEEDED;
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ENAMETOOLONG:
      return ERROR_PATH_NOT_FOUND;
    case ELOOP:
      return ERROR_CANT_RESOLVE_FILENAME;
    case EFBIG:
      return ERROR_FILE_TOO_LARGE;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case ENOMEM:
      return ERROR_NOT_ENOUGH_MEMORY;
    case EWOULDBLOCK:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_WRITE_FAULT;
  }
}

namespace detail {
void resetProfile() {
  state().overlay.clear();
  state().cache.reset();
  state().withinLimitWhenFirstSeen.clear();
  state().tooLargeReported = false;
}
}  // namespace detail

}  // namespace platform

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  const auto& overlay = platform::state().overlay;
  if (auto set = overlay.find(platform::overlayKey(section, key)); set != overlay.end())
    return platform::profileIntFromValue(set->second, static_cast<UINT>(defaultValue));
  const platform::IniDocument* document = platform::loadDocument(platform::profilePath(fileName));
  if (!document) return static_cast<UINT>(defaultValue);
  const auto text = document->value(section, key);
  return text ? platform::profileIntFromValue(*text, static_cast<UINT>(defaultValue)) : static_cast<UINT>(defaultValue);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  // Deleting keys and sections (null key or value) is not needed by the saver.
  if (!section || !key || !value) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A value set for the run stays in memory: the file never sees it.
  auto& overlay = platform::state().overlay;
  if (auto set = overlay.find(platform::overlayKey(section, key)); set != overlay.end()) {
    set->second = value;
    return TRUE;
  }
  if (platform::state().access == platform::ProfileAccess::ReadOnly) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  const std::string path = platform::profilePath(fileName);
  const bool readable = platform::loadDocument(path) != nullptr;  // also the first sight of the file
  if (!platform::state().withinLimitWhenFirstSeen[path]) {
    platform::reportTooLarge(path, readable);
    SetLastError(ERROR_FILE_TOO_LARGE);
    return FALSE;
  }
  const int error = platform::updateFile(
      path, [&](platform::IniDocument& document) { return document.setValue(section, key, value); });
  if (error == 0) return TRUE;
  SetLastError(platform::profileWriteError(error));
  return FALSE;
}

UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  // The folder of the file that a bare profile name stands for.
  const std::string path = platform::profilePath("control.ini");
  const size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  if (!buffer || size <= folder.size()) return static_cast<UINT>(folder.size() + 1);
  std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  return static_cast<UINT>(folder.size());
}
