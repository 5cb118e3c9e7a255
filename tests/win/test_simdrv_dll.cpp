// The simulated tvxv2_w32.dll variants: exported names, the bytes each entry
// point removes from the stack, and a measurement through the DLL.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "simdrv_core.h"
#include "test_plugin_paths.h"
#include "wintest.h"

struct Entry {
    const char* name;
    u32 bytes;     // argument bytes the entry point removes
    bool unused;   // no arguments, or decorated: held as PFN_DrvUnused
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

static HMODULE load_variant(const char* variant)
{
    char dir[MAX_PATH], loaded[MAX_PATH];
    kwtest_driver_dir(dir, sizeof dir, variant);
    SetDllDirectoryA(dir);
    HMODULE dll = LoadLibraryA("tvxv2_w32.dll");
    SetDllDirectoryA(nullptr);
    ok(dll != nullptr, "%s: not loaded (%lu)", variant, GetLastError());
    if (!dll) return nullptr;
    GetModuleFileNameA(dll, loaded, sizeof loaded);
    ok(_strnicmp(loaded, dir, strlen(dir)) == 0, "%s: loaded %s", variant, loaded);
    return dll;
}

template <class F>
static F proc(HMODULE dll, const char* name)
{
    F f = (F)(void*)GetProcAddress(dll, name);
    ok(f != nullptr, "%s not exported", name);
    return f;
}

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

// Exported driver names: all but 'missing'; 'extra' exported besides.
static void check_exports(const char* variant, const char* const* missing, u32 missingCount, const char* extra)
{
    HMODULE dll = load_variant(variant);
    if (!dll) return;
    u32 misses = 0;
    for (const Entry& e : kEntries) {
        bool expectMissing = false;
        for (u32 i = 0; i < missingCount; ++i) expectMissing |= strcmp(e.name, missing[i]) == 0;
        FARPROC fn = GetProcAddress(dll, e.name);
        ok((fn == nullptr) == expectMissing, "%s: %s %s", variant, e.name, fn ? "exported" : "missing");
        if (!fn) {
            ++misses;
            continue;
        }
        i32 result = 0;
        u32 popped = call_with_zeros(fn, e.bytes / 4, &result);
        ok(popped == e.bytes, "%s: %s removed %u bytes, expected %u", variant, e.name, popped, e.bytes);
        // RemoteDevicesSearch is the one simulated entry point without arguments.
        if (e.unused && strcmp(e.name, "RemoteDevicesSearch") != 0)
            ok(result == SIMDRV_ERR_NOT_SIMULATED, "%s: %s returned %d", variant, e.name, result);
    }
    ok(misses == missingCount, "%s: %u names missing", variant, misses);
    if (extra) ok(GetProcAddress(dll, extra) != nullptr, "%s: %s not exported", variant, extra);
    ok(GetProcAddress(dll, "SimDrv_Reset") != nullptr, "%s: control functions not exported", variant);
    FreeLibrary(dll);
}

static void test_variants(void)
{
    check_exports("full", nullptr, 0, nullptr);
    static const char* const partial[] = {"_SetLEDs@16", "SetBPCIFile"};
    check_exports("partial", partial, 2, nullptr);
    static const char* const noread[] = {"MeasurementChannel_ReadDataAsDouble"};
    check_exports("noread", noread, 1, nullptr);
    static const char* const undecorated[] = {"_AD_ReadSingleValueExt@32"};
    check_exports("undecorated", undecorated, 1, "AD_ReadSingleValueExt");
}

// A measurement through the DLL, configured by the file that KW_SIM_CONFIG names.
static void test_measurement(void)
{
    char path[MAX_PATH], env[MAX_PATH + 16];
    GetTempPathA(sizeof path, path);
    strcat(path, "kw_simdrv_test.cfg");
    FILE* f = fopen(path, "w");
    fputs("[usb]\nserial = U-1\nhandle = 9\nmaxrate = 5000\n", f);
    fclose(f);
    snprintf(env, sizeof env, "KW_SIM_CONFIG=%s", path);
    _putenv(env);
    HMODULE dll = load_variant("full");
    // The driver reads the file at its first call.
    auto deviceCount = dll ? proc<decltype(&SimDrv_DeviceCount)>(dll, "SimDrv_DeviceCount") : nullptr;
    u32 devices = deviceCount ? deviceCount() : 0;
    _putenv("KW_SIM_CONFIG=");
    remove(path);
    if (!dll) return;

    auto setTime = proc<decltype(&SimDrv_SetTime)>(dll, "SimDrv_SetTime");
    auto signal = proc<decltype(&SimDrv_SignalValue)>(dll, "SimDrv_SignalValue");
    auto failReads = proc<decltype(&SimDrv_FailReads)>(dll, "SimDrv_FailReads");
    auto logCountOf = proc<decltype(&SimDrv_LogCountOf)>(dll, "SimDrv_LogCountOf");
    auto byDevice = proc<PFN_GetCardIDBySerial>(dll, "GetCardIDBySerial");
    auto add = proc<PFN_AD_AddChannelToList>(dll, "AD_AddChannelToList");
    auto frequency = proc<PFN_SetFrequency>(dll, "AD_SetFrequency");
    auto config = proc<PFN_DeviceCall>(dll, "ConfigMeasure");
    auto start = proc<PFN_DeviceCall>(dll, "StartMeasure");
    auto count = proc<PFN_MeasurementChannel_GetNumberOfValues>(dll, "MeasurementChannel_GetNumberOfValues");
    auto read = proc<PFN_MeasurementChannel_ReadDataAsDouble>(dll, "MeasurementChannel_ReadDataAsDouble");
    if (!deviceCount || !setTime || !signal || !failReads || !logCountOf || !byDevice || !add || !frequency ||
        !config || !start || !count || !read) {
        FreeLibrary(dll);
        return;
    }

    ok(devices == 1, "devices from the file: %u", devices);
    i32 h = -1;
    ok(byDevice("U-1", &h) == 0 && h == 9, "connect: handle %d", h);
    ok(add(h, 0, 0, 0, 1) == 0 && add(h, 3, 0, 1, 1) == 0, "channel list");
    ok(frequency(h, 10000) != 0, "rate above the maximum accepted");
    ok(frequency(h, 1000) == 0, "rate refused");
    ok(config(h) == 0 && start(h) == 0, "start");
    setTime(0.75);
    i32 available = -1;
    ok(count(h, DRV_MC_ANALOG, 1, &available) == 0 && available == 750, "available %d", available);
    static double buffer[1000];
    u32 n = 1000;
    ok(read(h, DRV_MC_ANALOG, 1, buffer, &n, 0, 0, 0, 0) == 0 && n == 750, "read %u", n);
    u32 wrong = 0;
    for (u32 k = 0; k < n; ++k) wrong += buffer[k] != signal(h, 3, k);
    ok(wrong == 0, "%u samples differ from the signal", wrong);
    ok(logCountOf("ConfigMeasure(9)") == 1, "ConfigMeasure logged %u times", logCountOf("ConfigMeasure(9)"));

    failReads(h, SIMDRV_READ_DATA, 1, -1, DRV_ERR_LOST_CONNECTION);
    n = 10;
    ok(read(h, DRV_MC_ANALOG, 0, buffer, &n, 0, 0, 0, 0) == DRV_ERR_LOST_CONNECTION, "injected read fault");
    FreeLibrary(dll);
}

int main(void)
{
    test_variants();
    test_measurement();
    return wintest_finish("test_simdrv_dll");
}
