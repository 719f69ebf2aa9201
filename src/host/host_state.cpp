#include "host_state.h"

HostState hostState;
