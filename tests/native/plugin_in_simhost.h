// The plug-in's portable code in the simulated host, natively: the host
// services are bound through SH_Request and the plug-in's own start-up
// registers its classes and menu entries, so that the day's soak creates and
// runs the modules the plug-in offers. The driver is the simulated one, installed
// natively when the start-up loads it; its clock follows the host's.
#pragma once

#include "simhost.h"

// Resets host and driver, binds and starts the plug-in; 1 when both
// succeeded.
int PluginInSimHost_Start(void);

// Run options whose cycles set the simulated driver's clock to the host's.
SimRunOptions PluginInSimHost_RunOptions(double seconds);
