// An INI document read, one key set, and written back: the untouched
// document gives back the file's bytes, the value set reads back, no other
// key changes, and in a byte-oriented file only one line's value part goes.

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "fuzz_support.h"
#include "platform/ini_store.h"

namespace {

bool isBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

std::string trimmed(std::string text) {
  text = text.substr(0, text.find('\0'));
  while (!text.empty() && isBlank(text.back())) text.pop_back();
  size_t first = 0;
  while (first < text.size() && isBlank(text[first])) ++first;
  return text.substr(first);
}

std::string normalName(const std::string& name) {
  std::string result = trimmed(name);
  for (char& c : result)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const std::string section = input.ConsumeRandomLengthString(40);
  const std::string key = input.ConsumeRandomLengthString(40);
  const std::string value = input.ConsumeRandomLengthString(40);
  const std::string otherSection = input.ConsumeRandomLengthString(40);
  const std::string otherKey = input.ConsumeRandomLengthString(40);
  const std::string file = input.ConsumeRemainingBytesAsString();

  const platform::IniDocument document(file);
  require(document.text() == file, "an untouched document keeps its bytes");
  if (auto read = document.value(section, key)) platform::profileIntFromValue(*read, 7);
  const auto otherBefore = document.value(otherSection, otherKey);

  platform::IniDocument edited = document;
  if (!edited.setValue(section, key, value)) return 0;
  const std::string text = edited.text();
  const platform::IniDocument reread(text);
  const auto readBack = reread.value(section, key);
  require(readBack.has_value() && *readBack == trimmed(value), "the value set reads back");
  if (normalName(section) != normalName(otherSection) || normalName(key) != normalName(otherKey))
    require(reread.value(otherSection, otherKey) == otherBefore, "other keys keep their values");

  const bool utf16 = file.compare(0, 2, "\xFF\xFE") == 0 || file.compare(0, 2, "\xFE\xFF") == 0;
  if (!utf16) {
    size_t prefix = 0;
    while (prefix < file.size() && prefix < text.size() && file[prefix] == text[prefix]) ++prefix;
    size_t suffix = 0;
    while (suffix < file.size() - prefix && suffix < text.size() - prefix &&
           file[file.size() - 1 - suffix] == text[text.size() - 1 - suffix])
      ++suffix;
    const std::string removed = file.substr(prefix, file.size() - prefix - suffix);
    require(removed.find_first_of("\r\n") == std::string::npos, "only part of one line is replaced");
  }
  return 0;
}
