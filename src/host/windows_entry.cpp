// The Windows program's entry: everything else reads the command line itself.

#include "run_modes.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { HostEntry(); }
