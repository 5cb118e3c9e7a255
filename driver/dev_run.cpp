// Run protocol shared by the module kinds: several modules on one device
// share its registry entry, so the device is configured and started once per
// run, and the first module to stop stops and disconnects it for all.
#include "dev_device.h"
#include "drv_table.h"
#include "plugin_state.h"

const char* const DEV_INVALID_DEVICE_TEXT =
    "Invalid Device, please using the search button to enter or select your device!";

int DEV_RunPrepare(const char* deviceString, const char* moduleName, i32* handle)
{
    *handle = -1;
    if (TVXDeviceUriConnect(deviceString, handle)) return 1;
    *handle = -1;
    g_host.ShowWarning(moduleName, DEV_INVALID_DEVICE_TEXT);
    return 0;
}

void DEV_RunMarkStart(i32 handle)
{
    DevEntry* e = DEV_FindDevice(handle);
    if (!e || e->startMarker) return;
    e->configured = 0;
    e->measuring = 0;
    e->startMarker = 1;
}

// A missing ConfigMeasure or StartMeasure fails the go step.
int DEV_RunGo(i32 handle, i32* status)
{
    *status = 0;
    if (handle < 0) return 0;
    DevEntry* e = DEV_FindDevice(handle);
    if (e && !e->configured) {
        *status = g_drv.ConfigMeasure ? g_drv.ConfigMeasure(handle) : -1;
        if (*status != 0) return 0;
        e->configured = 1;
    }
    if (e && !e->measuring) {
        *status = g_drv.StartMeasure ? g_drv.StartMeasure(handle) : -1;
        if (*status != 0) return 0;
        e->measuring = 1;
    }
    return 1;
}

// Stopping skips a missing entry point and goes on with the rest.
void DEV_RunStop(i32* handle)
{
    i32 h = *handle;
    DevEntry* e = h >= 0 ? DEV_FindDevice(h) : nullptr;
    if (e && e->measuring) {
        if (g_drv.StopMeasure) g_drv.StopMeasure(h);
        e->measuring = 0;
    }
    if (e) {
        e->configured = 0;
        if (g_drv.RemoteDeviceDisconnect) g_drv.RemoteDeviceDisconnect(h);
        DEV_RemoveDevice(e);
    }
    *handle = -1;
}
