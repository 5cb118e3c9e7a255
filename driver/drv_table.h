// Driver function table: every entry point of tvxv2_w32.dll by name.
#pragma once

#include "tvxv2_api.h"

extern DrvTable g_drv;

enum DrvGroup : u8 {
#define KW_DRV_GROUP_ENUM(group, list, count) DRV_GROUP_##group,
    KW_DRV_GROUPS(KW_DRV_GROUP_ENUM)
#undef KW_DRV_GROUP_ENUM
    DRV_GROUP_COUNT
};

struct DrvEntry {
    const char* name;  // exported name, decorated where the driver decorates it
    size_t offset;     // slot in DrvTable
    DrvGroup group;
};

// All 163 entries in resolution order.
extern const DrvEntry g_drvEntries[DRV_ENTRY_COUNT];

// Slot of an entry in g_drv.
static inline void** DRV_Slot(const DrvEntry* e) { return (void**)((char*)&g_drv + e->offset); }

// Exported name of the entry whose slot is at 'slot' in g_drv, or null.
const char* DRV_NameOfSlot(const void* slot);

// First null entry among the given slots, by name; null when all are present.
// Callers check the entry points they need before they touch a device.
const char* DRV_FirstMissing(const void* const* slots, size_t count);
