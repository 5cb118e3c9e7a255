// Installs the simulated driver into a driver function table, so that native
// tests and benchmarks call the same simulator through the same table as the
// plug-in calls the DLL.
#pragma once

#include "tvxv2_api.h"

// Fills every slot of the table with the simulator's entry point.
void SimDrv_InstallNative(DrvTable* table);
