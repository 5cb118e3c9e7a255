// The simulated driver's control functions, taken from the tvxv2_w32.dll that
// kestrelwing.dll loaded, for the whole experiment's test and the benchmark.
#pragma once

// First among a test's includes: the driver's status names clash with the
// multimedia part of a full <windows.h>.
#include "simdrv_core.h"

#include "simhost.h"
#include "wintest.h"

// The control functions the tests use, typed as the simulator declares them.
#define KW_SIMDRV_CONTROL(X) \
    X(Reset) X(LoadConfig) X(SetTime) X(LogCount) X(LogLine) X(LogResult) X(LogEnable)
static struct {
#define KW_MEMBER(f) decltype(&SimDrv_##f) f;
    KW_SIMDRV_CONTROL(KW_MEMBER)
#undef KW_MEMBER
} drv;

static inline bool drv_resolve(void)
{
    HMODULE lib = GetModuleHandleA("tvxv2_w32.dll");
    bool all = true;
#define KW_RESOLVE(f) all &= (drv.f = (decltype(drv.f))(void*)GetProcAddress(lib, "SimDrv_" #f)) != nullptr;
    KW_SIMDRV_CONTROL(KW_RESOLVE)
#undef KW_RESOLVE
    return ok(all, "the simulated driver is not loaded or lacks a control entry");
}

// The driver's clock follows the host's, as a device's own clock would.
static inline int drv_follow_host_clock(void*, u64)
{
    drv.SetTime(g_sim.clock);
    return 1;
}
