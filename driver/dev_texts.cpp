// Texts the driver reports about a connected device, each copied within its
// field: the driver's texts need not end where they should.
#include "dev_search.h"

void DEV_ReadProperty(i32 handle, const char* name, char* out)
{
    out[0] = 0;
    if (!g_drv.GetDevicePropertyStringA) return;
    u32 length = DEV_PROPERTY_SIZE;
    if (g_drv.GetDevicePropertyStringA(handle, name, out, &length) != 0 || length == 0) {
        out[0] = 0;
        return;
    }
    out[length < DEV_PROPERTY_SIZE ? length : DEV_PROPERTY_SIZE - 1] = 0;
}

void DEV_ReadCardText(PFN_GetCardText read, i32 handle, char* out)
{
    const char* text = read ? read(handle) : nullptr;
    kw_strlcpy(out, text ? text : "---", DEV_PROPERTY_SIZE);
}
