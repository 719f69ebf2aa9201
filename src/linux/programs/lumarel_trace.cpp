// lumarel-trace: the drawing calls of a headless saver run, one event a line.

#include <cstdio>
#include <cstring>
#include <string>

#include "linux/headless/headless_saver.h"
#include "linux/headless/recording_device.h"
#include "tool_options.h"

constexpr char program[] = "lumarel-trace";

int main(int argc, char** argv) {
  TraceOptions options;
  std::string error;
  if (const auto code = answerToolCommand(parseTraceOptions(argc, argv, options, error), program, traceUsage, error))
    return *code;
  const HeadlessScenario& scenario = options.scenario;

  // Pen creation belongs to no window, so an observer records it into the same stream.
  resetSaverProcess();
  RecordingDevice penRecorder(stdout);
  platform::setGdiObserver(&penRecorder);
  if (!startHeadlessSaver(scenario, [](HWND) { return std::make_unique<RecordingDevice>(stdout); }))
    return failTool(program, "cannot create the saver window");
  runHeadlessTicks(options.ticks, [](uint64_t n) { writeTraceTick(stdout, n); });
  return std::fflush(stdout) == 0 ? 0 : 1;
}
