// Start-up after the host binding: driver library, trace, menu entries, module
// classes.
#pragma once

#include "kw_types.h"

// Loads the driver, opens the trace when its settings switch it on, adds the
// global setup entry when driver entry points are missing, registers the six
// module classes with their menu entries.
// Always returns 1: an incomplete driver is reported by the modules later.
BOOL PLG_Startup(void);
