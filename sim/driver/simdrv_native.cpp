#include "simdrv_native.h"

#include "simdrv_logged.h"

// A slot takes its entry point with the exact prototype; slots the plug-in
// never calls (PFN_DrvUnused) hold whatever the entry point's prototype is.
template <class T>
static void SimPut(T& slot, T entry)
{
    slot = entry;
}
template <class F>
    requires(!std::is_same_v<F, PFN_DrvUnused>)
static void SimPut(PFN_DrvUnused& slot, F entry)
{
    slot = reinterpret_cast<PFN_DrvUnused>(reinterpret_cast<void (*)(void)>(entry));
}

SIMDRV_NAMES

void SimDrv_InstallNative(DrvTable* table)
{
#define SIMDRV_PUT(field, name, pfn) SimPut(table->field, SIMDRV_ENTRY(field, pfn));
#define SIMDRV_PUT_GROUP(group, list, count) list(SIMDRV_PUT)
    KW_DRV_GROUPS(SIMDRV_PUT_GROUP)
#undef SIMDRV_PUT_GROUP
#undef SIMDRV_PUT
}
