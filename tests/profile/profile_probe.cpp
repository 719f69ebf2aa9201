// Reads every key of a list of settings files through GetPrivateProfileIntA
// and prints what it returns, one line a key. Built for Windows (the system's
// own profile functions) and for Linux (ours), so that the two outputs can be
// compared byte for byte.
//
// usage: profile_probe FOLDER LIST KEYS
//   LIST: one file name a line; KEYS: "section<TAB>key" a line.

#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32.h"
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include "platform/platform_control.h"
#endif

namespace {

std::vector<std::string> lines(const char* path) {
  std::vector<std::string> result;
  std::ifstream in(path, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) result.push_back(line);
  }
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: profile_probe FOLDER LIST KEYS\n");
    return 2;
  }
#ifdef _WIN32
  _setmode(_fileno(stdout), _O_BINARY);  // lines end as ours do
#endif
  const std::string folder = argv[1];
  std::vector<std::pair<std::string, std::string>> keys;
  for (const std::string& line : lines(argv[3])) {
    const size_t tab = line.find('\t');
    if (tab != std::string::npos) keys.emplace_back(line.substr(0, tab), line.substr(tab + 1));
  }
  for (const std::string& name : lines(argv[2])) {
#ifdef _WIN32
    const std::string file = folder + "\\" + name;
#else
    const std::string file = folder + "/" + name;
    platform::setProfilePath(file, platform::ProfileAccess::ReadOnly);
#endif
    for (const auto& [section, key] : keys) {
      // Two defaults tell a missing value from one that reads as a default.
      const UINT first = GetPrivateProfileIntA(section.c_str(), key.c_str(), 7777, file.c_str());
      const UINT second = GetPrivateProfileIntA(section.c_str(), key.c_str(), -3, file.c_str());
      std::printf("%s\t%s\t%s\t%u\t%u\n", name.c_str(), section.c_str(), key.c_str(), first, second);
    }
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}
