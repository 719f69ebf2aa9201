// The command line as the Windows program scans it: the argument tail lies
// within the line, and the switch found in it is one of the run modes.

#include <string>

#include "fuzz_support.h"
#include "host/run_modes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const char* start = line.c_str();
  const char* tail = ArgumentTail(start);
  require(tail >= start && tail <= start + std::char_traits<char>::length(start), "the tail lies within the line");
  const RunSwitch run = ScanRunSwitch(tail);
  require(
      run.mode <= RunMode::ModeInvalid && (run.mode == RunMode::ModeConfigure || run.owner == RunSwitch::Owner::None),
      "a possible switch");
  return 0;
}
