// Works a settings file through the profile functions, for the measuring
// script bench/measure_settings_files.sh:
//   settings_file_tool write FILE KEY COUNT   sets KEY to 1..COUNT, reading each back;
//                                             prints how many did not read back
//   settings_file_tool churn FILE             writes two keys until it is killed
//   settings_file_tool get FILE KEY           prints the key's value (default -1)
//   settings_file_tool load FILE              loads the saver's settings, tries one
//                                             write; prints the time and peak memory

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform_control.h"
#include "platform/win32.h"
#include "settings/settings.h"

namespace {

const char section[] = "ScreenSaver.Lumarel";

BOOL write(const std::string& key, unsigned value) {
  return WritePrivateProfileStringA(section, key.c_str(), std::to_string(value).c_str(), "control.ini");
}

UINT read(const std::string& key) { return GetPrivateProfileIntA(section, key.c_str(), -1, "control.ini"); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: settings_file_tool (write FILE KEY COUNT | churn FILE | get FILE KEY | load FILE)\n");
    return 2;
  }
  const std::string command = argv[1];
  platform::setProfilePath(argv[2]);
  if (command == "write" && argc == 5) {
    const unsigned count = static_cast<unsigned>(std::strtoul(argv[4], nullptr, 10));
    unsigned lost = 0;
    for (unsigned n = 1; n <= count; ++n) lost += !write(argv[3], n) || read(argv[3]) != n;
    std::printf("%u\n", lost);
    return 0;
  }
  if (command == "churn") {
    for (unsigned n = 1;; ++n) write(n % 2 ? "Pause" : "Mask", n);
  }
  if (command == "get" && argc == 4) {
    std::printf("%d\n", static_cast<int>(read(argv[3])));
    return 0;
  }
  if (command == "load") {
    const auto start = std::chrono::steady_clock::now();
    loadProfileNames();
    loadSettings(settings);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const bool written = saveSettings(settings);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("load %.3f s, peak RSS %.1f MiB, timer interval %u, save %s\n", seconds, usage.ru_maxrss / 1024.0,
                settings.timerInterval, written ? "written" : "refused");
    return 0;
  }
  std::fprintf(stderr, "settings_file_tool: unknown command %s\n", command.c_str());
  return 2;
}
