#include "mod_run.h"

#include <float.h>
#include <math.h>
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
    i32 status = clearList(MOD_Runtime(m)->handle);
    return !MOD_Lost(m, f, status) && status == 0;
}

bool MOD_RateOf(const Module* m, double* hertz)
{
    double distance = ((const ModRuntime*)m->runtime)->sampleDistance;
    if (!isfinite(distance) || !(distance > 0) || 1.0 / distance > FLT_MAX) return false;
    *hertz = 1.0 / distance;
    return true;
}

i32 MOD_SetRate(Module* m, PFN_SetFrequency set, u32 timeBase)
{
    i32 h = MOD_Runtime(m)->handle;
    double hertz;
    if (!MOD_RateOf(m, &hertz)) return MOD_NO_RATE;
    return timeBase == 1 ? MOD_SetFastRate(set, h, hertz) : set(h, hertz);
}

i32 MOD_FinishInputStart(Module* m, const ModFrame* f, i32 status)
{
    if (MOD_Lost(m, f, status)) return 0;
    if (status != 0) {
        char text[MOD_MESSAGE_SIZE];
        PLG_LoadString(IDS_SAMPLED_TOO_QUICKLY, text, sizeof text);
        g_host.ShowWarning(m->name, text);
        return 0;
    }
    DEV_RunMarkStart(MOD_Runtime(m)->handle);
    return 1;
}

i32 MOD_GoDevice(Module* m, const ModFrame* f)
{
    i32 status = 0;
    if (DEV_RunGo(MOD_Runtime(m)->handle, &status)) return 1;
    MOD_Lost(m, f, status);
    return 0;
}

i32 MOD_StopDevice(Module* m, const ModFrame*)
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

bool MOD_ReportLost(const Module* m, const ModFrame* f)
{
    MOD_StopOnDriverError(m, f->errorTag, DRV_ERR_LOST_CONNECTION, __LINE__);
    return true;
}
