// The profile functions on our own INI store. A bare file name such as
// "control.ini" lives in the user's configuration folder.

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "ini_store.h"
#include "internal.h"

namespace platform {
namespace {

struct ProfileOverride {
  std::optional<std::string> path;
  ProfileAccess access = ProfileAccess::ReadWrite;
};

ProfileOverride& profileOverride() {
  static ProfileOverride instance;
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

// The file's document, or nothing when the file exists but cannot be read.
std::optional<IniDocument> loadDocument(const std::string& path) {
  std::string text;
  switch (readWholeFile(path, text)) {
    case FileRead::Ok:
      return IniDocument(text);
    case FileRead::Missing:
      return IniDocument();
    case FileRead::Unreadable:
      break;
  }
  return std::nullopt;
}

}  // namespace

void setProfilePath(const std::string& path, ProfileAccess access) { profileOverride() = {path, access}; }

void useUserProfile() { profileOverride() = {}; }

std::string profilePath(const char* fileName) {
  if (profileOverride().path) return *profileOverride().path;
  std::string name = fileName ? fileName : "";
  // The name is a bare file name; a folder part would lead outside ours.
  if (const size_t slash = name.find_last_of('/'); slash != std::string::npos) name.erase(0, slash + 1);
  return configurationFolder() + "/" + (name.empty() ? "control.ini" : name);
}

}  // namespace platform

UINT WINAPI GetPrivateProfileIntA(LPCSTR section, LPCSTR key, INT defaultValue, LPCSTR fileName) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  auto document = platform::loadDocument(platform::profilePath(fileName));
  if (!document) return static_cast<UINT>(defaultValue);
  auto text = document->value(section, key);
  if (!text || text->empty()) return static_cast<UINT>(defaultValue);
  return platform::parseProfileInt(*text);
}

BOOL WINAPI WritePrivateProfileStringA(LPCSTR section, LPCSTR key, LPCSTR value, LPCSTR fileName) {
  // Deleting keys and sections (null key or value) is not needed by the saver.
  if (!section || !key || !value) return FALSE;
  if (platform::profileOverride().access == platform::ProfileAccess::ReadOnly) return FALSE;
  const std::string path = platform::profilePath(fileName);
  // A file that exists but cannot be read is never replaced: its content would be lost.
  auto document = platform::loadDocument(path);
  if (!document) return FALSE;
  const std::string before = document->text();
  if (!document->setValue(section, key, value)) return FALSE;
  const std::string after = document->text();
  if (after == before) return TRUE;
  return platform::replaceFileAtomically(path, after);
}
