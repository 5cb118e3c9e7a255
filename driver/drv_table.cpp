#include "drv_table.h"

DrvTable g_drv;

const DrvEntry g_drvEntries[DRV_ENTRY_COUNT] = {
// One entry maker per group, so each entry carries its group.
#define KW_DRV_GROUP_ENTRIES(group, list, count) list(KW_DRV_ENTRY_##group)
#define KW_DRV_ENTRY_AD(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_AD},
#define KW_DRV_ENTRY_DA(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_DA},
#define KW_DRV_ENTRY_CT(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_CT},
#define KW_DRV_ENTRY_General(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_General},
#define KW_DRV_ENTRY_Device(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_Device},
#define KW_DRV_ENTRY_TTL(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_TTL},
#define KW_DRV_ENTRY_MeasurementChannel(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_MeasurementChannel},
#define KW_DRV_ENTRY_PWM(f, n, t) {n, offsetof(DrvTable, f), DRV_GROUP_PWM},
    KW_DRV_GROUPS(KW_DRV_GROUP_ENTRIES)
};

#define KW_DRV_COUNT_CHECK(group, list, count) +count
static_assert(0 KW_DRV_GROUPS(KW_DRV_COUNT_CHECK) == DRV_ENTRY_COUNT, "group counts add up");

const char* DRV_NameOfSlot(const void* slot)
{
    for (const DrvEntry& e : g_drvEntries)
        if ((const void*)DRV_Slot(&e) == slot) return e.name;
    return nullptr;
}

const char* DRV_FirstMissing(const void* const* slots, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (*(void* const*)slots[i] == nullptr) return DRV_NameOfSlot(slots[i]);
    return nullptr;
}
