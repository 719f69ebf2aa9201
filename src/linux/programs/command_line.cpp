#include "command_line.h"

#include <sys/stat.h>
#include <cstdio>
#include <fstream>

#include "version.h"

std::optional<uint64_t> parseCount(const std::string& text, uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

std::optional<WindowSize> parseWindowSize(const std::string& text) {
  const size_t separator = text.find_first_of("xX");
  if (separator == std::string::npos) return std::nullopt;
  const auto width = parseCount(text.substr(0, separator), 32767);
  const auto height = parseCount(text.substr(separator + 1), 32767);
  if (!width || !height) return std::nullopt;
  return WindowSize{static_cast<int>(*width), static_cast<int>(*height)};
}

bool readableFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  return std::ifstream(path).good();
}

void printVersion(const char* program) { std::printf("%s %s\n", program, LUMAREL_VERSION); }
