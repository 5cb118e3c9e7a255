#include "plugin_in_simhost.h"

#include "win32_shims.h"

#include "drv_load.h"
#include "host_binding.h"
#include "simdrv_core.h"
#include "simdrv_native.h"
#include "startup.h"

HBITMAP LoadBitmapA(HINSTANCE, const char*) { return (HBITMAP)(uintptr_t)0xB300; }
int MessageBoxA(HWND, const char*, const char*, unsigned) { return 1; }

// The driver library is the simulated driver, complete.
u32 DRV_Load(const char*)
{
    SimDrv_InstallNative(&g_drv);
    return 0;
}

int PluginInSimHost_Start(void)
{
    SH_Reset();
    SimDrv_Reset();
    return PLG_BindHost(SH_Request, nullptr) && PLG_Startup() ? 1 : 0;
}

SimRunOptions PluginInSimHost_RunOptions(double seconds)
{
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = [](void*, u64) {
        SimDrv_SetTime(g_sim.clock);
        return 1;
    };
    SimDrv_SetTime(0);
    return o;
}
