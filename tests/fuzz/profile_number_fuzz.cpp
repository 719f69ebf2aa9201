// Numbers as the profile functions read them: any text converts without
// fault, leading control characters and blanks do not count, a minus sign
// negates, and a value in matching quotes reads as the value without them.

#include <string>

#include "fuzz_support.h"
#include "platform/ini_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const unsigned int value = platform::parseProfileInt(text);
  require(platform::parseProfileInt(" \t\x01" + text) == value, "leading blanks are skipped");
  if (!text.empty() && text[0] >= '0' && text[0] <= '9')
    require(platform::parseProfileInt("-" + text) == 0u - value, "a minus sign negates");
  const std::string value28 = text.substr(0, 28);
  if (!value28.empty() && value28[0] != '"' && value28[0] != '\'')
    require(platform::profileIntFromValue("\"" + value28 + "\"", 5) == platform::profileIntFromValue(value28, 5),
            "matching quotes around a short value do not count");
  platform::profileIntFromValue(text, 5);
  return 0;
}
