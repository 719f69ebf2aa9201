// Strict parsing of the Linux tools' option values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// A whole decimal number from 0 to max; nothing for anything else.
std::optional<uint64_t> parseCount(const std::string& text, uint64_t max);

struct WindowSize {
  int width;
  int height;
};
// "WxH" with each side from 0 to 32767, the largest window a size message carries.
std::optional<WindowSize> parseWindowSize(const std::string& text);

// True when the file exists and can be read as a regular file.
bool readableFile(const std::string& path);

// What --version prints: one line with the program's name and the release.
void printVersion(const char* program);
