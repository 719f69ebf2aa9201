// The command line as the Windows program scans it: the argument tail lies
// within the line, and the switch found in it is one of the run modes.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/run_modes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const char* start = line.c_str();
  const char* tail = ArgumentTail(start);
  if (tail < start || tail > start + std::char_traits<char>::length(start)) {
    std::fprintf(stderr, "broken: the tail lies outside the line\n");
    std::abort();
  }
  const RunSwitch run = ScanRunSwitch(tail);
  if (run.mode > ModeInvalid || (run.mode != ModeConfigure && run.owner != RunSwitch::Owner::None)) {
    std::fprintf(stderr, "broken: an impossible switch\n");
    std::abort();
  }
  return 0;
}
