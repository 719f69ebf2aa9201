// lumarel-trace: the drawing calls of a headless saver run, one event a line.

#include <cstdio>
#include <cstring>
#include <string>

#include "headless_saver.h"
#include "recording_device.h"
#include "tool_options.h"

namespace {

int fail(const std::string& message) {
  std::fprintf(stderr, "lumarel-trace: %s (see --help)\n", message.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TraceOptions options;
  std::string error;
  switch (parseTraceOptions(argc, argv, options, error)) {
    case ToolCommand::Help:
      std::printf("%s\n", traceUsage);
      return 0;
    case ToolCommand::Version:
      printVersion("lumarel-trace");
      return 0;
    case ToolCommand::Bad:
      return fail(error);
    case ToolCommand::Run:
      break;
  }
  const HeadlessScenario& scenario = options.scenario;

  // Pen creation belongs to no window, so an observer records it into the same stream.
  resetSaverProcess();
  RecordingDevice penRecorder(stdout);
  platform::setGdiObserver(&penRecorder);
  if (!startHeadlessSaver(scenario, [](HWND) { return std::make_unique<RecordingDevice>(stdout); }))
    return fail("cannot create the saver window");
  runHeadlessTicks(options.ticks, [](uint64_t n) { writeTraceTick(stdout, n); });
  return std::fflush(stdout) == 0 ? 0 : 1;
}
