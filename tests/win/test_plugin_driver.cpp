// Driver loader against the simulated driver's variants: the count of names
// not found, and every slot as the library exports it.
#include "drv_load.h"
#include "test_plugin_paths.h"
#include "wintest.h"

int main(void)
{
    const struct {
        const char* variant;  // null: no library at all
        u32 misses;
        const char* absent[2];
    } cases[] = {
        {"full", 0, {}},
        {"partial", 2, {"_SetLEDs@16", "SetBPCIFile"}},
        // Decorated names are looked up as decorated: the plain name does not count.
        {"undecorated", 1, {"_AD_ReadSingleValueExt@32"}},
        {"noread", 1, {"MeasurementChannel_ReadDataAsDouble"}},
        // Every slot is emptied, including those the previous load filled.
        {nullptr, 163, {}},
    };
    for (const auto& c : cases) {
        const char* name = c.variant ? c.variant : "missing";
        u32 misses = (u32)kwtest_with_driver(c.variant, [](const char*) { return (int)DRV_Load("tvxv2_w32.dll"); });
        ok(misses == c.misses, "%s: %u misses", name, misses);
        ok((g_drvLibrary != nullptr) == (c.variant != nullptr), "%s: library %p", name, (void*)g_drvLibrary);
        for (const DrvEntry& e : g_drvEntries) {
            void* exported = g_drvLibrary ? (void*)GetProcAddress(g_drvLibrary, e.name) : nullptr;
            bool absent = !c.variant || (c.absent[0] && !strcmp(c.absent[0], e.name)) ||
                          (c.absent[1] && !strcmp(c.absent[1], e.name));
            ok(*DRV_Slot(&e) == exported && (exported == nullptr) == absent, "%s: slot of %s", name, e.name);
        }
        if (c.misses == 1 && c.absent[0][0] == '_')
            ok(GetProcAddress(g_drvLibrary, "AD_ReadSingleValueExt") != nullptr, "%s: no plain name exported", name);
        ok(DRV_Unload() == 0 && GetModuleHandleA("tvxv2_w32.dll") == nullptr, "%s: library not released", name);
    }
    return wintest_finish("test_plugin_driver");
}
