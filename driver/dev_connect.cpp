// Connection of a device named by its device string, and the current device
// string that new modules start on.
#include "dev_device.h"
#include "drv_table.h"
#include "plugin_state.h"

#include <stdlib.h>
#include <string.h>

static char* s_currentDevice;  // copy of the last string that connected

const char* DEV_CurrentDeviceString(void) { return s_currentDevice; }

void DEV_ForgetCurrentDeviceString(void)
{
    free(s_currentDevice);
    s_currentDevice = nullptr;
}

// A network device is reached by its address (field 3), a PCI or USB device
// by its serial number (field 2). A missing field or driver entry point fails
// the connection: the driver never sees a null text or a null entry.
static int ConnectByKind(const char* s, const char* kind, i32* h)
{
    if (strcmp(kind, "\\?\\eth") == 0) {
        if (!g_drv.RemoteDeviceConnect) return 0;
        char* address = DEV_GetAddress(s);
        if (!address) return 0;
        u32 word = 0;
        i32 status = g_drv.RemoteDeviceConnect(h, address, -1, 0, &word);
        DEV_FreeString(address);
        return status == 0;
    }
    if (strcmp(kind, "\\?\\usb") == 0 || strcmp(kind, "\\?\\pci") == 0) {
        if (!g_drv.GetCardIDBySerial) return 0;
        char* serial = DEV_GetSerial(s);
        if (!serial) return 0;
        *h = -1;
        i32 status = g_drv.GetCardIDBySerial(serial, h);
        DEV_FreeString(serial);
        return status == 0;
    }
    return 0;
}

int TVXDeviceUriConnect(const char* s, i32* handle)
{
    *handle = -1;
    // Only a valid string is measured or copied: it ends within its field.
    if (!DEV_IsValidString(s) || strlen(s) <= 8) return 0;
    char* kind = DEV_GetKind(s);
    if (!kind) return 0;
    i32 h = -1;
    int connected = strlen(kind) > 2 && ConnectByKind(s, kind, &h);
    DEV_FreeString(kind);
    if (!connected) return 0;
    DevEntry* e = DEV_AddDevice(h);
    if (!e) return 0;
    *handle = e->handle;
    char* copy = strdup(s);
    if (copy) {
        free(s_currentDevice);
        s_currentDevice = copy;
    }
    return 1;
}

void MOD_RegisterDevice(Module* m, const char* s)
{
    if (!m || !s) return;
    i32 h;
    if (!TVXDeviceUriConnect(s, &h)) g_host.ShowWarning(m->name, DEV_INVALID_DEVICE_TEXT);
}
