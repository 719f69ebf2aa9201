#include "tool_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>

#include "state/color_sets.h"
#include "state/patterns.h"

const char renderUsage[] =
    "usage: lumarel-render --size WxH --seed S (--ticks N | --seconds T) [--ini FILE]\n"
    "                      [--pattern NAME] [--colors NAME] [--crayon] (-o OUT.png | --gallery DIR)\n"
    "       lumarel-render --list-patterns | --list-colors\n"
    "       lumarel-render --version";

const char traceUsage[] =
    "usage: lumarel-trace --seed S --size WxH --ticks N [--ini FILE]\n"
    "       lumarel-trace --version";

namespace {

// Names compare by their letters and digits alone, with an ampersand (or the
// dialog's doubled one) read as "and", so the dialog's label and the INI key
// both name an entry ("Angels & Devils", "AngelsAndDevils").
std::string nameKey(const std::string& name) {
  std::string key;
  for (const char c : name) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == '&' && (key.size() < 3 || key.compare(key.size() - 3, 3, "and") != 0)) key += "and";
  }
  return key;
}

// The id of the first row that one of names(row) names, 0 for none.
template <typename Row, size_t N, typename Names>
int findEntry(const std::string& name, const std::array<Row, N>& rows, Names names) {
  const std::string wanted = nameKey(name);
  for (const Row& row : rows)
    for (const char* candidate : names(row))
      if (wanted == nameKey(candidate)) return static_cast<int>(row.id);
  return 0;
}

ToolCommand bad(std::string& error, const std::string& message) {
  error = message;
  return ToolCommand::Bad;
}

// The options that take no value, and the ones that take one; anything else
// is named as unknown rather than as missing its value.
std::optional<ToolCommand> checkOption(const std::string& option, std::initializer_list<const char*> valued, int argc,
                                       int i, std::string& error) {
  if (option == "--help" || option == "-h") return ToolCommand::Help;
  if (option == "--version") return ToolCommand::Version;
  if (std::find(valued.begin(), valued.end(), option) == valued.end()) return bad(error, "unknown option " + option);
  if (i + 1 >= argc) return bad(error, "missing value after " + option);
  return std::nullopt;
}

}  // namespace

int findPattern(const std::string& name) {
  return findEntry(name, patternTable, [](const PatternEntry& row) { return std::array{row.key, row.label}; });
}

int findColorSet(const std::string& name) {
  return findEntry(name, colorSetTable, [](const ColorSetEntry& row) { return std::array{row.key}; });
}

std::string shownLabel(const PatternEntry& pattern) {
  std::string label = pattern.label;
  if (const size_t doubled = label.find("&&"); doubled != std::string::npos) label.erase(doubled, 1);
  return label;
}

ToolCommand parseRenderOptions(int argc, const char* const* argv, RenderOptions& options, std::string& error) {
  bool seeded = false, sized = false;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--crayon") {
      options.crayon = true;
      continue;
    }
    if (option == "--list-patterns") return ToolCommand::ListPatterns;
    if (option == "--list-colors") return ToolCommand::ListColors;
    if (const auto command = checkOption(option,
                                         {"--size", "--seed", "--ticks", "--seconds", "--ini", "--pattern", "--colors",
                                          "-o", "--output", "--gallery"},
                                         argc, i, error))
      return *command;
    const std::string value = argv[++i];
    if (option == "--size") {
      auto size = parseWindowSize(value);
      if (!size || size->width == 0 || size->height == 0) return bad(error, "--size takes WxH, each from 1 to 32767");
      options.size = *size;
      sized = true;
    } else if (option == "--seed") {
      auto seed = parseCount(value, UINT32_MAX);
      if (!seed) return bad(error, "--seed takes a whole number from 0 to 4294967295");
      options.seed = static_cast<uint32_t>(*seed);
      seeded = true;
    } else if (option == "--ticks") {
      if (!(options.ticks = parseCount(value, UINT32_MAX))) return bad(error, "--ticks takes a whole number");
    } else if (option == "--seconds") {
      if (!(options.seconds = parseCount(value, 24 * 3600)))
        return bad(error, "--seconds takes a whole number up to a day");
    } else if (option == "--ini") {
      if (!readableFile(value)) return bad(error, "cannot read settings file " + value);
      options.iniPath = value;
    } else if (option == "--pattern") {
      if (!(options.pattern = findPattern(value))) return bad(error, "no pattern is called " + value);
    } else if (option == "--colors") {
      if (!(options.colorSet = findColorSet(value))) return bad(error, "no colour set is called " + value);
    } else if (option == "-o" || option == "--output") {
      options.output = value;
    } else {
      options.galleryFolder = value;
    }
  }
  if (!options.galleryFolder.empty()) {
    if (!options.ticks && !options.seconds) options.seconds = 20;
    return ToolCommand::Run;
  }
  if (!seeded || !sized) return bad(error, "--size and --seed are required");
  if (options.ticks.has_value() == options.seconds.has_value()) return bad(error, "give either --ticks or --seconds");
  if (options.output.empty()) return bad(error, "-o OUT.png or --gallery DIR is required");
  return ToolCommand::Run;
}

ToolCommand parseTraceOptions(int argc, const char* const* argv, TraceOptions& options, std::string& error) {
  std::optional<uint64_t> seed, ticks;
  std::optional<WindowSize> size;
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (const auto command = checkOption(option, {"--seed", "--size", "--ticks", "--ini"}, argc, i, error))
      return *command;
    const std::string value = argv[++i];
    if (option == "--seed") {
      if (!(seed = parseCount(value, UINT32_MAX)))
        return bad(error, "--seed takes a whole number from 0 to 4294967295");
    } else if (option == "--size") {
      if (!(size = parseWindowSize(value))) return bad(error, "--size takes WxH, each from 0 to 32767");
    } else if (option == "--ticks") {
      if (!(ticks = parseCount(value, UINT32_MAX))) return bad(error, "--ticks takes a whole number");
    } else {
      if (!readableFile(value)) return bad(error, "cannot read settings file " + value);
      options.scenario.iniPath = value;
    }
  }
  if (!seed || !size || !ticks) return bad(error, "--seed, --size and --ticks are required");
  options.scenario.seed = static_cast<uint32_t>(*seed);
  options.scenario.width = size->width;
  options.scenario.height = size->height;
  options.ticks = *ticks;
  return ToolCommand::Run;
}

int failTool(const char* program, const std::string& message) {
  std::fprintf(stderr, "%s: %s (see --help)\n", program, message.c_str());
  return 2;
}

std::optional<int> answerToolCommand(ToolCommand command, const char* program, const char* usage,
                                     const std::string& error) {
  switch (command) {
    case ToolCommand::Help:
      std::printf("%s\n", usage);
      return 0;
    case ToolCommand::Version:
      printVersion(program);
      return 0;
    case ToolCommand::ListPatterns:
      for (const PatternEntry& pattern : patternTable) std::printf("%s\n", shownLabel(pattern).c_str());
      return 0;
    case ToolCommand::ListColors:
      for (const ColorSetEntry& colorSet : colorSetTable) std::printf("%s\n", colorSet.key);
      return 0;
    case ToolCommand::Bad:
      return failTool(program, error);
    case ToolCommand::Run:
      break;
  }
  return std::nullopt;
}
