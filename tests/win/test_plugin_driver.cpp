// The plug-in's driver loader against the simulated driver's variants: the
// count of names not found, and every slot as the library exports it. Every
// exported entry point, called with zero arguments, removes from the stack
// the bytes of the function type the plug-in calls it through.
#include "simdrv_core.h"

#include "drv_load.h"
#include "test_plugin_paths.h"
#include "wintest.h"

template <class F>
struct ArgBytes;
template <class R, class... A>
struct ArgBytes<R __stdcall(A...)> {
    static constexpr u32 value = (0u + ... + u32((sizeof(A) + 3) & ~3u));
};

// The argument bytes each entry point removes.
static const u32 kArgBytes[DRV_ENTRY_COUNT] = {
#define ENTRY(field, name, pfn) ArgBytes<SimEntryType<pfn, SimDecoratedBytes(name)>::type>::value,
#define ENTRY_GROUP(group, list, count) list(ENTRY)
    KW_DRV_GROUPS(ENTRY_GROUP)
#undef ENTRY_GROUP
#undef ENTRY
};

// Calls fn with 'words' zero words (every entry point copes with null
// pointers); returns the bytes the callee removed.
static u32 call_with_zeros(void* fn, u32 words)
{
    u32 before, after, left = words;
    __asm__ volatile(
        "movl %%esp, %%esi\n\t"
        "1:\n\t"
        "jecxz 2f\n\t"
        "pushl $0\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n"
        "2:\n\t"
        "call *%%ebx\n\t"
        "movl %%esp, %%edi\n\t"
        "movl %%esi, %%esp\n\t"
        : "=S"(before), "=D"(after), "+c"(left)
        : "b"(fn)
        : "eax", "edx", "memory", "cc");
    return after - (before - 4 * words);
}

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
        for (u32 i = 0; i < DRV_ENTRY_COUNT; ++i) {
            const DrvEntry& e = g_drvEntries[i];
            void* exported = g_drvLibrary ? (void*)GetProcAddress(g_drvLibrary, e.name) : nullptr;
            bool absent = !c.variant || (c.absent[0] && !strcmp(c.absent[0], e.name)) ||
                          (c.absent[1] && !strcmp(c.absent[1], e.name));
            ok(*DRV_Slot(&e) == exported && (exported == nullptr) == absent, "%s: slot of %s", name, e.name);
            if (!exported) continue;
            u32 popped = call_with_zeros(exported, kArgBytes[i] / 4);
            ok(popped == kArgBytes[i], "%s: %s removed %u bytes, expected %u", name, e.name, popped, kArgBytes[i]);
        }
        ok(DRV_Unload() == 0 && GetModuleHandleA("tvxv2_w32.dll") == nullptr, "%s: library not released", name);
    }
    return wintest_finish("test_plugin_driver");
}
