// Device registry: one entry per connected device handle, shared by every
// module that names the device.
#include "dev_device.h"

#include <stdlib.h>

static DevEntry* s_slots[DEV_REGISTRY_SLOTS];

DevEntry* DEV_FindDevice(i32 handle)
{
    for (DevEntry* e : s_slots)
        if (e && e->handle == handle) return e;
    return nullptr;
}

// A handle below 0 names no device, even when the driver answered success
// with it: it is never registered, so its connection counts as failed.
DevEntry* DEV_AddDevice(i32 handle)
{
    if (handle < 0) return nullptr;
    if (DevEntry* e = DEV_FindDevice(handle)) return e;
    for (u32 i = 0; i < DEV_REGISTRY_SLOTS; ++i) {
        if (s_slots[i]) continue;
        DevEntry* e = (DevEntry*)calloc(1, sizeof(DevEntry));
        if (!e) return nullptr;
        e->slot = i;
        e->handle = handle;
        s_slots[i] = e;
        return e;
    }
    return nullptr;
}

void DEV_RemoveDevice(DevEntry* entry)
{
    if (!entry) return;
    for (DevEntry*& e : s_slots)
        if (e == entry) e = nullptr;
    free(entry);
}

void DEV_ResetAll(void)
{
    for (DevEntry*& e : s_slots) {
        free(e);
        e = nullptr;
    }
    DEV_ForgetCurrentDeviceString();
}
