// The simulated tvxv2_w32.dll variants: the names each exports, and the
// bytes every exported entry point removes from the stack, which must match
// the function types the plug-in calls them through.
#include <string.h>

#include "simdrv_core.h"
#include "test_plugin_paths.h"
#include "wintest.h"

struct Entry {
    const char* name;
    u32 bytes;    // argument bytes the entry point removes
    bool unused;  // typeless in the plug-in's table
};

template <class F>
struct ArgBytes;
template <class R, class... A>
struct ArgBytes<R __stdcall(A...)> {
    static constexpr u32 value = (0u + ... + u32((sizeof(A) + 3) & ~3u));
};

static const Entry kEntries[DRV_ENTRY_COUNT] = {
#define ENTRY(field, name, pfn) \
    {name, ArgBytes<SimEntryType<pfn, SimDecoratedBytes(name)>::type>::value, std::is_same_v<pfn, PFN_DrvUnused>},
#define ENTRY_GROUP(group, list, count) list(ENTRY)
    KW_DRV_GROUPS(ENTRY_GROUP)
#undef ENTRY_GROUP
#undef ENTRY
};

// Calls fn with 'words' zero words (every entry point copes with null
// pointers); returns the bytes the callee removed and its result.
static u32 call_with_zeros(FARPROC fn, u32 words, i32* result)
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
        : "=S"(before), "=D"(after), "=a"(*result), "+c"(left)
        : "b"(fn)
        : "edx", "memory", "cc");
    return after - (before - 4 * words);
}

// Every driver name but 'missing' is exported and pops its arguments.
static void check_variant(const char* variant, const char* missing1, const char* missing2)
{
    char dir[MAX_PATH];
    kwtest_driver_dir(dir, sizeof dir, variant);
    SetDllDirectoryA(dir);
    HMODULE dll = LoadLibraryA("tvxv2_w32.dll");
    SetDllDirectoryA(nullptr);
    if (!ok(dll != nullptr, "%s: not loaded (%lu)", variant, GetLastError())) return;
    for (const Entry& e : kEntries) {
        bool expectMissing = (missing1 && !strcmp(e.name, missing1)) || (missing2 && !strcmp(e.name, missing2));
        FARPROC fn = GetProcAddress(dll, e.name);
        ok((fn == nullptr) == expectMissing, "%s: %s %s", variant, e.name, fn ? "exported" : "missing");
        if (!fn) continue;
        i32 result = 0;
        u32 popped = call_with_zeros(fn, e.bytes / 4, &result);
        ok(popped == e.bytes, "%s: %s removed %u bytes, expected %u", variant, e.name, popped, e.bytes);
        // RemoteDevicesSearch is the one simulated entry point without arguments.
        if (e.unused && strcmp(e.name, "RemoteDevicesSearch") != 0)
            ok(result == SIMDRV_ERR_NOT_SIMULATED, "%s: %s returned %d", variant, e.name, result);
    }
    FreeLibrary(dll);
}

int main(void)
{
    check_variant("full", nullptr, nullptr);
    check_variant("partial", "_SetLEDs@16", "SetBPCIFile");
    check_variant("noread", "MeasurementChannel_ReadDataAsDouble", nullptr);
    check_variant("undecorated", "_AD_ReadSingleValueExt@32", nullptr);
    return wintest_finish("test_simdrv_dll");
}
