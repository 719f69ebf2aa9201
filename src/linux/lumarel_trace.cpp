// lumarel-trace: the drawing calls of a headless saver run, one event a line.

#include <cstdio>
#include <cstring>
#include <string>

#include "command_line.h"
#include "headless_saver.h"
#include "recording_device.h"

namespace {

constexpr char usage[] =
    "usage: lumarel-trace --seed S --size WxH --ticks N [--ini FILE]\n"
    "       lumarel-trace --version";

int fail(const std::string& message) {
  std::fprintf(stderr, "lumarel-trace: %s (see --help)\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<uint64_t> seed, ticks;
  std::optional<WindowSize> size;
  HeadlessScenario scenario;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      std::printf("%s\n", usage);
      return 0;
    }
    if (option == "--version") {
      printVersion("lumarel-trace");
      return 0;
    }
    if (option != "--seed" && option != "--size" && option != "--ticks" && option != "--ini")
      return fail("unknown option " + option);
    if (i + 1 >= argc) return fail("missing value after " + option);
    const std::string value = argv[++i];
    if (option == "--seed") {
      if (!(seed = parseCount(value, UINT32_MAX))) return fail("--seed takes a whole number from 0 to 4294967295");
    } else if (option == "--size") {
      if (!(size = parseWindowSize(value))) return fail("--size takes WxH, each from 0 to 32767");
    } else if (option == "--ticks") {
      if (!(ticks = parseCount(value, UINT32_MAX))) return fail("--ticks takes a whole number");
    } else {
      if (!readableFile(value)) return fail("cannot read settings file " + value);
      scenario.iniPath = value;
    }
  }
  if (!seed || !size || !ticks) return fail("--seed, --size and --ticks are required");
  scenario.seed = static_cast<uint32_t>(*seed);
  scenario.width = size->width;
  scenario.height = size->height;

  // Pen creation belongs to no window, so an observer records it into the same stream.
  RecordingDevice penRecorder(stdout);
  platform::setGdiObserver(&penRecorder);
  if (!startHeadlessSaver(scenario, [](HWND) { return std::make_unique<RecordingDevice>(stdout); }))
    return fail("cannot create the saver window");
  runHeadlessTicks(*ticks, [](uint64_t n) { writeTraceTick(stdout, n); });
  return std::fflush(stdout) == 0 ? 0 : 1;
}
