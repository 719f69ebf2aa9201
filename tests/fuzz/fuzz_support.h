// What the fuzz targets share: a broken property ends the run as a finding.
#pragma once

#include <cstdio>
#include <cstdlib>

inline void require(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}
