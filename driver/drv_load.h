// Loading the driver library and resolving the driver function table.
#pragma once

#include "drv_table.h"

// Handle of the driver library: null until DRV_Load, and null for good when
// the library could not be loaded. DRV_Unload leaves it as it is.
extern HMODULE g_drvLibrary;

// Loads the library by file name (the system's search order picks the file)
// and resolves all groups into g_drv. Returns the number of names that did
// not resolve: 0 when the driver is complete, DRV_ENTRY_COUNT without library.
u32 DRV_Load(const char* file);

// Releases the library if it was loaded; the table is left as it is. Returns 0.
int DRV_Unload(void);

// Each resolves its group into g_drv (null for a name not found, and for all
// of them without library) and returns the number of names not found.
u32 DRV_ResolveAD(HMODULE library);
u32 DRV_ResolveDA(HMODULE library);
u32 DRV_ResolveCT(HMODULE library);
u32 DRV_ResolveGeneral(HMODULE library);
u32 DRV_ResolveDevice(HMODULE library);
u32 DRV_ResolveTTL(HMODULE library);
u32 DRV_ResolveMeasurementChannel(HMODULE library);
u32 DRV_ResolvePWM(HMODULE library);
