// The command lines of lumarel-render and lumarel-trace.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "command_line.h"
#include "linux/headless/headless_saver.h"
#include "state/patterns.h"

// ListPatterns and ListColors print one name a line, as --pattern and --colors take them.
enum class ToolCommand { Run, Help, Version, ListPatterns, ListColors, Bad };

// One line on stderr naming the tool and what went wrong; the exit code 2.
int failTool(const char* program, const std::string& message);
// Prints the usage or the version, or refuses bad options: the exit code,
// or nothing when the tool is to run.
std::optional<int> answerToolCommand(ToolCommand command, const char* program, const char* usage,
                                     const std::string& error);

struct RenderOptions {
  WindowSize size{1280, 720};
  uint32_t seed = 1;
  std::optional<uint64_t> ticks;
  std::optional<uint64_t> seconds;
  std::string iniPath;
  int pattern = 0;   // 0: as the settings say
  int colorSet = 0;  // likewise
  bool crayon = false;
  std::string output;
  std::string galleryFolder;
};

extern const char renderUsage[];
// Bad: the reason is in error.
ToolCommand parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error);

// A pattern or colour set named by the dialog's label or the INI key, in any
// case, blanks and punctuation ignored; 0 for none.
int findPattern(const std::string& name);
int findColorSet(const std::string& name);
// The dialog's label as the dialog shows it: "Angels & Devils".
std::string shownLabel(const PatternEntry& pattern);

struct TraceOptions {
  HeadlessScenario scenario;
  uint64_t ticks = 0;
};

extern const char traceUsage[];
ToolCommand parseTraceOptions(int argc, const char* const* argv, TraceOptions& options, std::string& error);
