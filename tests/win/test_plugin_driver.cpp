// Driver loader against the simulated driver's variants: counts, slots, groups.
#include "drv_load.h"
#include "test_plugin_paths.h"
#include "wintest.h"

static const char kDriver[] = "tvxv2_w32.dll";

// The group resolvers in resolution order.
static u32 (*const kResolvers[])(HMODULE) = {
    DRV_ResolveAD,      DRV_ResolveDA,     DRV_ResolveCT,  DRV_ResolveGeneral,
    DRV_ResolveDevice,  DRV_ResolveTTL,    DRV_ResolveMeasurementChannel, DRV_ResolvePWM};

// Loads the library from one directory only.
static u32 load_from(const char* dir)
{
    SetDllDirectoryA(dir);
    u32 misses = DRV_Load(kDriver);
    SetDllDirectoryA(nullptr);
    return misses;
}

static u32 load_variant(const char* variant)
{
    char dir[MAX_PATH];
    kwtest_driver_dir(dir, sizeof dir, variant);
    return load_from(dir);
}

static const DrvEntry* entry_named(const char* name)
{
    for (const DrvEntry& e : g_drvEntries)
        if (strcmp(e.name, name) == 0) return &e;
    return nullptr;
}

// Every slot holds exactly what the library exports under the entry's name,
// and the count is the number of empty slots.
static void check_table(const char* variant, u32 misses)
{
    u32 empty = 0;
    for (const DrvEntry& e : g_drvEntries) {
        void* expected = g_drvLibrary ? (void*)GetProcAddress(g_drvLibrary, e.name) : nullptr;
        ok(*DRV_Slot(&e) == expected, "%s: slot of %s", variant, e.name);
        if (!*DRV_Slot(&e)) ++empty;
    }
    ok(misses == empty, "%s: count %u, empty slots %u", variant, misses, empty);
}

static void unload_and_check_released(const char* variant)
{
    ok(DRV_Unload() == 0, "%s: unload result", variant);
    ok(GetModuleHandleA(kDriver) == nullptr, "%s: library still loaded after unload", variant);
}

static void test_full(void)
{
    u32 misses = load_variant("full");
    ok(g_drvLibrary != nullptr, "full: library not loaded");
    ok(misses == 0, "full: %u misses", misses);
    check_table("full", misses);
    unload_and_check_released("full");
}

// The variant lacks _SetLEDs@16 (general group) and SetBPCIFile (device group).
static void test_partial(void)
{
    u32 misses = load_variant("partial");
    ok(misses == 2, "partial: %u misses", misses);
    check_table("partial", misses);
    ok(*DRV_Slot(entry_named("_SetLEDs@16")) == nullptr, "partial: _SetLEDs@16 resolved");
    ok(*DRV_Slot(entry_named("SetBPCIFile")) == nullptr, "partial: SetBPCIFile resolved");

    // Each group counts its own misses only.
    static const u32 expected[] = {0, 0, 0, 1, 1, 0, 0, 0};
    for (int g = 0; g < 8; ++g) {
        u32 got = kResolvers[g](g_drvLibrary);
        ok(got == expected[g], "partial: group %d misses %u", g, got);
    }
    unload_and_check_released("partial");
}

// Decorated names are looked up as decorated: the plain name does not count.
static void test_undecorated(void)
{
    u32 misses = load_variant("undecorated");
    ok(g_drvLibrary != nullptr, "undecorated: library not loaded");
    check_table("undecorated", misses);
    ok(misses == 1, "undecorated: %u misses", misses);
    ok(g_drv.AD_ReadSingleValueExt == nullptr, "undecorated: _AD_ReadSingleValueExt@32 resolved");
    ok(GetProcAddress(g_drvLibrary, "AD_ReadSingleValueExt") != nullptr,
       "undecorated: the variant should export the plain name");
    ok(g_drv.AD_ReadSingleValue != nullptr, "undecorated: plain names still resolve");
    unload_and_check_released("undecorated");
}

// The variant lacks MeasurementChannel_ReadDataAsDouble, the last group but one.
static void test_noread(void)
{
    u32 misses = load_variant("noread");
    ok(g_drvLibrary != nullptr, "noread: library not loaded");
    ok(misses == 1, "noread: %u misses", misses);
    check_table("noread", misses);
    ok(g_drv.MeasurementChannel_ReadDataAsDouble == nullptr, "noread: read entry resolved");
    ok(DRV_ResolveMeasurementChannel(g_drvLibrary) == 1 && DRV_ResolvePWM(g_drvLibrary) == 0,
       "noread: group counts");
    unload_and_check_released("noread");
}

// Without a library every slot is emptied, including those a previous load filled.
static void test_missing(void)
{
    load_variant("full");
    DRV_Unload();
    char dir[MAX_PATH];
    kwtest_empty_dir(dir, sizeof dir);
    u32 misses = load_from(dir);
    RemoveDirectoryA(dir);
    ok(g_drvLibrary == nullptr, "missing: a library was loaded");
    ok(misses == DRV_ENTRY_COUNT, "missing: %u misses", misses);
    check_table("missing", misses);
    ok(DRV_Unload() == 0, "missing: unload result");

    static const u32 sizes[] = {23, 14, 22, 57, 16, 18, 3, 10};
    for (int g = 0; g < 8; ++g) {
        u32 got = kResolvers[g](nullptr);
        ok(got == sizes[g], "missing: group %d misses %u, expected %u", g, got, sizes[g]);
    }
}

int main(void)
{
    test_full();
    test_partial();
    test_undecorated();
    test_noread();
    test_missing();
    return wintest_finish("test_plugin_driver");
}
