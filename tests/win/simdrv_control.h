// The simulated driver's control functions, taken from the tvxv2_w32.dll that
// kestrelwing.dll loaded, for the Windows tests of whole experiments.
#pragma once

// First among a test's includes: the driver's status names clash with the
// multimedia part of a full <windows.h>.
#include "simdrv_core.h"

#include <string.h>

#include <vector>

#include "simhost.h"
#include "wintest.h"

static struct {
    void (*Reset)(void);
    int (*LoadConfig)(const char*);
    void (*SetTime)(double);
    double (*SignalValue)(i32, u32, u64);
    double (*CounterValue)(i32, u32, u64);
    double (*LineValue)(i32, u32, u64);
    void (*FailReads)(i32, u32, u32, double, i32);
    void (*FailWrites)(i32, u32, u32, double, i32);
    u32 (*LogCount)(void);
    u32 (*LogLine)(u32, char*, u32);
    u32 (*LogResult)(u32, char*, u32);
    u32 (*LogCountOf)(const char*);
    void (*LogClear)(void);
    void (*LogEnable)(int);
    int (*WriteAt)(u32, SimDrvWrite*);
} drv;

static inline bool drv_resolve(void)
{
    HMODULE lib = GetModuleHandleA("tvxv2_w32.dll");
#define KW_RESOLVE(f) (drv.f = (decltype(drv.f))(void*)GetProcAddress(lib, "SimDrv_" #f))
    bool all = KW_RESOLVE(Reset) && KW_RESOLVE(LoadConfig) && KW_RESOLVE(SetTime) && KW_RESOLVE(SignalValue) &&
               KW_RESOLVE(CounterValue) && KW_RESOLVE(LineValue) && KW_RESOLVE(FailReads) &&
               KW_RESOLVE(FailWrites) && KW_RESOLVE(LogCount) && KW_RESOLVE(LogLine) && KW_RESOLVE(LogResult) &&
               KW_RESOLVE(LogCountOf) && KW_RESOLVE(LogClear) && KW_RESOLVE(LogEnable) &&
               KW_RESOLVE(WriteAt);
#undef KW_RESOLVE
    return ok(all, "the simulated driver is not loaded or lacks a control entry");
}

// The record of the output calls named 'name' that the device accepted.
static inline std::vector<SimDrvWrite> drv_writes(const char* name)
{
    std::vector<SimDrvWrite> out;
    SimDrvWrite w;
    for (u32 i = 0; drv.WriteAt(i, &w); ++i)
        if (!strcmp(w.name, name) && w.status == 0) out.push_back(w);
    return out;
}

// The driver's clock follows the host's, as a device's own clock would.
static inline int drv_follow_host_clock(void*, u64)
{
    drv.SetTime(g_sim.clock);
    return 1;
}
