#include "drv_load.h"

HMODULE g_drvLibrary;

// Looks up every name of one group in table order and stores the result.
static u32 DRV_ResolveGroup(HMODULE library, DrvGroup group)
{
    u32 misses = 0;
    for (const DrvEntry& e : g_drvEntries) {
        if (e.group != group) continue;
        // GetProcAddress(NULL, ...) would search the host program: no library, no entry.
        FARPROC address = library ? GetProcAddress(library, e.name) : nullptr;
        *DRV_Slot(&e) = (void*)address;
        if (!address) ++misses;
    }
    return misses;
}

u32 DRV_ResolveAD(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_AD); }
u32 DRV_ResolveDA(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_DA); }
u32 DRV_ResolveCT(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_CT); }
u32 DRV_ResolveGeneral(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_General); }
u32 DRV_ResolveDevice(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_Device); }
u32 DRV_ResolveTTL(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_TTL); }
u32 DRV_ResolveMeasurementChannel(HMODULE library)
{
    return DRV_ResolveGroup(library, DRV_GROUP_MeasurementChannel);
}
u32 DRV_ResolvePWM(HMODULE library) { return DRV_ResolveGroup(library, DRV_GROUP_PWM); }

u32 DRV_Load(const char* file)
{
    // A library that is not there is not reported: the count says it all.
    g_drvLibrary = LoadLibraryA(file);
    // The groups are resolved in this fixed order.
    u32 misses = DRV_ResolveAD(g_drvLibrary);
    misses += DRV_ResolveDA(g_drvLibrary);
    misses += DRV_ResolveCT(g_drvLibrary);
    misses += DRV_ResolveGeneral(g_drvLibrary);
    misses += DRV_ResolveDevice(g_drvLibrary);
    misses += DRV_ResolveTTL(g_drvLibrary);
    misses += DRV_ResolveMeasurementChannel(g_drvLibrary);
    misses += DRV_ResolvePWM(g_drvLibrary);
    return misses;
}

int DRV_Unload(void)
{
    if (g_drvLibrary) FreeLibrary(g_drvLibrary);
    return 0;
}
