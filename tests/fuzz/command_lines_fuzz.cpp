// The command lines of lumarel, lumarel-render and lumarel-trace: words
// separated by NUL bytes. Every line is either refused with a reason or
// gives options within their ranges.

#include <string>
#include <vector>

#include "fuzz_support.h"
#include "linux/programs/saver_options.h"
#include "linux/programs/tool_options.h"
#include "state/color_sets.h"
#include "state/patterns.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> words{"program"};
  std::string word;
  for (size_t i = 0; i < size && words.size() < 24; ++i) {
    if (data[i] == 0) {
      words.push_back(word);
      word.clear();
    } else {
      word += static_cast<char>(data[i]);
    }
  }
  words.push_back(word);
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  argv.push_back(nullptr);
  const int argc = static_cast<int>(words.size());

  std::string error;
  const auto saver = parseSaverOptions(argc, argv.data(), words.size() > 2 ? argv[2] : nullptr, error);
  require(saver.has_value() || !error.empty(), "a refused saver command line says why");
  if (saver) {
    runsSaver(*saver);
    if (saver->target == SaverOptions::Target::WindowId) parseWindowId(saver->windowId);
  }

  RenderOptions render;
  error.clear();
  switch (parseRenderOptions(argc, argv.data(), render, error)) {
    case ToolCommand::Bad:
      require(!error.empty(), "a refused render command line says why");
      break;
    case ToolCommand::Run:
      require(render.size.width >= 1 && render.size.width <= 32767 && render.size.height >= 1 &&
                  render.size.height <= 32767,
              "render sizes within 1 to 32767");
      require(render.ticks.has_value() || render.seconds.has_value(), "a render runs for a time");
      require(render.pattern >= 0 && render.pattern <= patternCount && render.colorSet >= 0 &&
                  render.colorSet <= colorSetCount,
              "a pattern and colour set that exist");
      break;
    case ToolCommand::Help:
    case ToolCommand::Version:
    case ToolCommand::ListPatterns:
    case ToolCommand::ListColors:
      break;
  }

  TraceOptions trace;
  error.clear();
  switch (parseTraceOptions(argc, argv.data(), trace, error)) {
    case ToolCommand::Bad:
      require(!error.empty(), "a refused trace command line says why");
      break;
    case ToolCommand::Run:
      require(trace.scenario.width >= 0 && trace.scenario.width <= 32767 && trace.scenario.height >= 0 &&
                  trace.scenario.height <= 32767,
              "trace sizes within 0 to 32767");
      break;
    case ToolCommand::ListPatterns:
    case ToolCommand::ListColors:
      require(false, "only lumarel-render lists the patterns and colour sets");
      break;
    case ToolCommand::Help:
    case ToolCommand::Version:
      break;
  }
  return 0;
}
