#include "exit_status.h"

#include <unistd.h>

#include <cstdio>

void exitForLostDisplay(const char* display) {
  std::fprintf(stderr, "lumarel: lost the connection to %s\n", display);
  std::fflush(stderr);
  _exit(lostDisplayStatus);
}
