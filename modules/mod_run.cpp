#include "mod_run.h"

#include <stdio.h>

#include "dev_device.h"
#include "drv_table.h"
#include "kw_strings.h"
#include "plg_strings.h"
#include "trace.h"

bool MOD_PrepareDevice(Module* m, const ModFrame* f, const ModDriverNeeds* needs)
{
    MOD_ClearChannelRecords(m, f);
    ModRuntime* rt = MOD_Runtime(m);
    rt->handle = -1;
    if (const char* missing = DRV_FirstMissing(needs->slots, needs->count)) {
        char text[MOD_MESSAGE_SIZE];
        snprintf(text, sizeof text, "Driver entry point %s is missing, module cannot start!", missing);
        g_host.ShowWarning(m->name, text);
        return false;
    }
    // A damaged device field fails here: the connection reads it only within its bytes.
    return DEV_RunPrepare(MOD_Header(m)->device, m->name, &rt->handle) != 0;
}

i32 MOD_PrepareInput(Module* m, const ModFrame* f, const ModDriverNeeds* needs, PFN_DeviceCall clearList)
{
    if (!MOD_PrepareDevice(m, f, needs)) return 0;
    return clearList(MOD_Runtime(m)->handle) == 0;
}

i32 MOD_SetRate(Module* m, PFN_SetFrequency set, u32 timeBase)
{
    const ModRuntime* rt = MOD_Runtime(m);
    double hertz = 1.0 / rt->sampleDistance;
    return timeBase == 1 ? MOD_SetFastRate(set, rt->handle, hertz) : set(rt->handle, hertz);
}

i32 MOD_FinishInputStart(Module* m, i32 status)
{
    if (status != 0) {
        char text[MOD_MESSAGE_SIZE];
        PLG_LoadString(IDS_SAMPLED_TOO_QUICKLY, text, sizeof text);
        g_host.ShowWarning(m->name, text);
        return 0;
    }
    DEV_RunMarkStart(MOD_Runtime(m)->handle);
    return 1;
}

i32 MOD_GoDevice(Module* m) { return DEV_RunGo(MOD_Runtime(m)->handle); }

i32 MOD_StopDevice(Module* m)
{
    DEV_RunStop(&MOD_Runtime(m)->handle);
    return 1;
}

i32 MOD_StopOnDriverError(const Module* m, const char* errorTag, i32 status, int line)
{
    char text[MOD_MESSAGE_SIZE];
    TRC_SetReportingModule(m);
    g_host.StopExperiment();
    snprintf(text, sizeof text,
             status == DRV_ERR_LOST_CONNECTION ? "Invalid device or lost connection, experiment stopped! (%d)"
                                               : "Unknown error, experiment stopped! (%d)",
             (int)status);
    g_host.ShowInternalError(text, errorTag, line);
    return 0;
}
