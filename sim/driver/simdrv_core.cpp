// Simulated driver state: configuration loading, clock, call log, faults, the
// write record and the loopback histories.
#include <chrono>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "simdrv_state.h"

SimConfig g_sim;

static bool s_init;

// ---------------------------------------------------------------- clock

static double s_simTime;
static bool s_realTime;
static double s_realBaseTime;  // clock value when real time was switched on
static std::chrono::steady_clock::time_point s_realBase;

double SimNow()
{
    if (!s_realTime) return s_simTime;
    std::chrono::duration<double> run = std::chrono::steady_clock::now() - s_realBase;
    return s_realBaseTime + run.count();
}

static void SimSelectRealTime(bool on)
{
    if (on == s_realTime) return;
    if (on) {
        s_realBaseTime = s_simTime;
        s_realBase = std::chrono::steady_clock::now();
    } else {
        s_simTime = SimNow();
    }
    s_realTime = on;
}

SIMDRV_API void SimDrv_SetTime(double seconds)
{
    SimInit();
    s_realTime = false;
    s_simTime = seconds;
}

SIMDRV_API void SimDrv_UseRealTime(int on)
{
    SimInit();
    SimSelectRealTime(on != 0);
}


// ---------------------------------------------------------------- call log

enum { SIM_LOG_LIMIT = 200000 };  // a long real-time run stops logging here

struct SimLogEntry {
    std::string call;    // "Name(args)"
    std::string result;  // empty until the call has returned
};
static std::vector<SimLogEntry> s_log;
static bool s_logOn = true;

SIMDRV_API u32 SimDrv_LogCount(void) { return (u32)s_log.size(); }

static u32 SimCopyOut(const std::string* text, char* buffer, u32 size)
{
    kw_strlcpy(buffer, text ? text->c_str() : "", size);
    return text ? (u32)text->size() : 0;
}

SIMDRV_API u32 SimDrv_LogLine(u32 index, char* buffer, u32 size)
{
    return SimCopyOut(index < s_log.size() ? &s_log[index].call : nullptr, buffer, size);
}

SIMDRV_API u32 SimDrv_LogResult(u32 index, char* buffer, u32 size)
{
    return SimCopyOut(index < s_log.size() ? &s_log[index].result : nullptr, buffer, size);
}

void SimLogResult(u32 index, i32 status)
{
    if (index < s_log.size()) s_log[index].result = std::to_string(status);
}

void SimLogResult(u32 index, const char* text)
{
    if (index < s_log.size()) s_log[index].result = SimQuote(text);
}

SIMDRV_API u32 SimDrv_LogCountOf(const char* prefix)
{
    size_t n = prefix ? strlen(prefix) : 0;
    u32 count = 0;
    for (const SimLogEntry& line : s_log)
        if (line.call.compare(0, n, prefix ? prefix : "") == 0) ++count;
    return count;
}

SIMDRV_API void SimDrv_LogEnable(int on) { s_logOn = on != 0; }

const char* SimPtr(const void* p) { return p ? "&" : "NULL"; }

const char* SimQuote(const char* text)
{
    // A few rotating buffers: one log line quotes at most two texts.
    static char buffers[4][SIMDRV_TEXT + 2];
    static u32 next;
    if (!text) return "NULL";
    char* b = buffers[next++ % 4];
    snprintf(b, sizeof buffers[0], "\"%s\"", text);
    return b;
}

// ---------------------------------------------------------------- faults

struct SimCallFault {
    char name[64];
    i32 handle, status;
    u32 remaining;  // 0: until cleared
};
// A read or write fault: from the fromCall-th matching call or from fromTime.
struct SimTimedFault {
    i32 handle, status;
    u32 mask, fromCall, calls;  // SIMDRV_READ_* or SIMDRV_WRITE_* << SIM_WRITE_SHIFT
    double fromTime;
};
enum { SIM_MAX_FAULTS = 32, SIM_WRITE_SHIFT = 8 };

static SimCallFault s_callFaults[SIM_MAX_FAULTS];
static u32 s_callFaultCount;
static SimTimedFault s_timedFaults[SIM_MAX_FAULTS];
static u32 s_timedFaultCount;

static bool SimHandleMatches(i32 faultHandle, i32 handle) { return faultHandle == -1 || faultHandle == handle; }

SIMDRV_API void SimDrv_FailCall(const char* name, i32 handle, i32 status, u32 times)
{
    SimInit();
    if (!name || s_callFaultCount == SIM_MAX_FAULTS) return;
    SimCallFault& f = s_callFaults[s_callFaultCount++];
    kw_strlcpy(f.name, name, sizeof f.name);
    f.handle = handle;
    f.status = status;
    f.remaining = times;
}

SIMDRV_API void SimDrv_FailReads(i32 handle, u32 mask, u32 fromCall, double fromTime, i32 status)
{
    SimInit();
    if (s_timedFaultCount < SIM_MAX_FAULTS)
        s_timedFaults[s_timedFaultCount++] = {handle, status, mask, fromCall, 0, fromTime};
}

SIMDRV_API void SimDrv_FailWrites(i32 handle, u32 mask, u32 fromCall, double fromTime, i32 status)
{
    SimDrv_FailReads(handle, mask << SIM_WRITE_SHIFT, fromCall, fromTime, status);
}

SIMDRV_API void SimDrv_ClearFaults(void)
{
    s_callFaultCount = 0;
    s_timedFaultCount = 0;
}

static bool SimEnterV(i32* status, const char* name, i32 handle, const char* fmt, va_list args)
{
    SimInit();
    if (s_logOn && s_log.size() < SIM_LOG_LIMIT) {
        char line[1024];
        int n = snprintf(line, sizeof line, "%s(", name);
        vsnprintf(line + n, sizeof line - n - 1, fmt, args);
        strcat(line, ")");
        s_log.push_back({line, ""});
    }
    for (u32 i = 0; i < s_callFaultCount; ++i) {
        SimCallFault& f = s_callFaults[i];
        if (strcmp(f.name, name) != 0 || !SimHandleMatches(f.handle, handle)) continue;
        *status = f.status;
        if (f.remaining && --f.remaining == 0) s_callFaults[i] = s_callFaults[--s_callFaultCount];
        return true;
    }
    return false;
}

bool SimEnter(i32* status, const char* name, i32 handle, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    bool failed = SimEnterV(status, name, handle, fmt, args);
    va_end(args);
    return failed;
}

SimDevice* SimEnterDevice(i32* status, const char* name, i32 handle, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    bool failed = SimEnterV(status, name, handle, fmt, args);
    va_end(args);
    SimDevice* d = failed ? nullptr : SimConnected(handle);
    if (!failed && !d) *status = DRV_ERR_LOST_CONNECTION;
    return d;
}

// Every matching fault counts the call; the first one due decides.
SimDevice* SimReadDevice(i32 handle, u32 kind, i32* status)
{
    bool failed = false;
    double now = SimNow();
    for (u32 i = 0; i < s_timedFaultCount; ++i) {
        SimTimedFault& f = s_timedFaults[i];
        if (!(f.mask & kind) || !SimHandleMatches(f.handle, handle)) continue;
        ++f.calls;
        bool byCount = f.fromCall && f.calls >= f.fromCall;
        bool byTime = f.fromTime >= 0 && now >= f.fromTime;
        if (!failed && (byCount || byTime)) {
            *status = f.status;
            failed = true;
        }
    }
    SimDevice* d = failed ? nullptr : SimConnected(handle);
    if (!failed && !d) *status = DRV_ERR_LOST_CONNECTION;
    return d;
}

SimDevice* SimWriteDevice(i32 handle, u32 kind, i32* status)
{
    return SimReadDevice(handle, kind << SIM_WRITE_SHIFT, status);
}

// ---------------------------------------------------------------- write record

static std::vector<SimDrvWrite> s_writes;

i32 SimRecordWrite(u32 kind, const char* name, i32 handle, i32 channel, double value, double value2, i32 status)
{
    if (s_writes.size() >= SIM_LOG_LIMIT) return status;
    SimDrvWrite w{};
    kw_strlcpy(w.name, name, sizeof w.name);
    w.kind = kind;
    w.handle = handle;
    w.channel = channel;
    w.status = status;
    w.value = value;
    w.value2 = value2;
    w.time = SimNow();
    s_writes.push_back(w);
    return status;
}

SIMDRV_API u32 SimDrv_WriteCount(void) { return (u32)s_writes.size(); }

SIMDRV_API int SimDrv_WriteAt(u32 index, SimDrvWrite* out)
{
    if (index >= s_writes.size() || !out) return 0;
    *out = s_writes[index];
    return 1;
}

SIMDRV_API void SimDrv_WriteClear(void) { s_writes.clear(); }

// ---------------------------------------------------------------- loopback

static SimLoop s_loop[SIMDRV_MAX_DEVICES];

SimLoop& SimLoopOf(const SimDevice* d) { return s_loop[d - g_sim.dev]; }

void SimLoopClear()
{
    for (SimLoop& loop : s_loop) loop = SimLoop();
}

void SimLoopWrite(std::vector<SimStep>& steps, double value)
{
    double t = SimNow();
    SimStepTrim(steps, t);
    steps.push_back({t, value});
}

// ---------------------------------------------------------------- configuration

static void SimApply(const SimConfig& config)
{
    g_sim = config;
    SimResetDeviceAccess();
    SimLoopClear();
}

SIMDRV_API int SimDrv_LoadConfig(const char* text)
{
    SimInit();
    static SimConfig parsed;  // too large for the caller's stack
    int bad = SimParseConfig(text, &parsed);
    if (bad == 0) SimApply(parsed);
    return bad;
}

static int SimLoadFile(const char* path, SimConfig* out)
{
    FILE* f = fopen(path, "rb");
    if (!f) return -1;
    std::string text;
    char chunk[4096];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    fclose(f);
    return SimParseConfig(text.c_str(), out);
}

SIMDRV_API void SimDrv_Reset(void)
{
    s_init = true;
    static SimConfig parsed;
    const char* path = getenv("KW_SIM_CONFIG");
    int bad = -1;
    if (path && *path) {
        bad = SimLoadFile(path, &parsed);
        if (bad != 0) fprintf(stderr, "simulated driver: KW_SIM_CONFIG %s: %s %d, using the built-in devices\n",
                              path, bad < 0 ? "cannot read, status" : "error in line", bad);
    }
    if (bad != 0) SimParseConfig(g_simDefaultConfig, &parsed);
    // From time 0 in real time, as a device in a host that knows nothing of
    // the simulation.
    s_realTime = false;
    s_simTime = 0;
    SimSelectRealTime(true);
    SimApply(parsed);
    SimDrv_ClearFaults();
    s_log.clear();
    s_logOn = true;
    s_writes.clear();
}

void SimInit()
{
    if (!s_init) SimDrv_Reset();
}

// ---------------------------------------------------------------- devices

SimDevice* SimFindHandle(i32 handle)
{
    for (u32 i = 0; i < g_sim.count; ++i)
        if (g_sim.dev[i].handle == handle) return &g_sim.dev[i];
    return nullptr;
}

SimDevice* SimConnected(i32 handle)
{
    SimDevice* d = SimFindHandle(handle);
    return d && d->connected ? d : nullptr;
}

// A connection's settings end with it; the pulse outputs stop.
void SimDisconnect(SimDevice* d)
{
    if (d->pwmRunning)
        for (u32 c = 0; c < SIM_COUNTERS; ++c)
            if (d->pwm[c].prepared) SimCounterDrive(d, c, 0, 0);
    d->connected = false;
    d->configured = false;
    d->measuring = false;
    d->pwmRunning = false;
    for (SimStream& s : d->stream) s.listSize = 0;
    for (SimCounterMode& m : d->counterMode) m = SIM_CT_IMPULSE;
    for (SimPwmOutput& p : d->pwm) p.prepared = false;
}
