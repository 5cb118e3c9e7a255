// Digital input during an experiment: one input line per channel on the
// module's port, the rate, and the compute function, which runs the shared
// input passes with one port read per single-value pass and the buffered
// line reads, each line delivered as 5.0 or 0.0.
#include "digitalin_run.h"

#include "dev_device.h"
#include "drv_table.h"
#include "mod_run.h"

namespace {

const void* const s_needed[] = {
    &g_drv.TTL_ClearChannelList,
    &g_drv.TTL_GetPortInfos,
    &g_drv.TTL_GetChannelListSize,
    &g_drv.TTL_SetChannelDirection,
    &g_drv.TTL_AddChannelToList,
    &g_drv.TTL_SetFrequency,
    &g_drv.TTL_ReadPort,
    &g_drv.MeasurementChannel_GetNumberOfValues,
    &g_drv.MeasurementChannel_ReadDataAsUInt32,
    &g_drv.ConfigMeasure,
    &g_drv.StartMeasure,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

const float kHigh = 5.0f, kLow = 0.0f;

DigitalInRuntime* Runtime(Module* m) { return (DigitalInRuntime*)m->runtime; }

// One port read serves every channel of the pass.
i32 ReadPort(Module* m)
{
    DigitalInRuntime* rt = Runtime(m);
    return g_drv.TTL_ReadPort(rt->base.handle, MOD_Params<DigitalParams>(m)->port, &rt->portWord);
}

// Channel c's line is bit (lines per port x port index + c) of the port word.
i32 LineOfPortWord(Module* m, u32 c, const void*, float* value)
{
    const DigitalParams* p = MOD_Params<DigitalParams>(m);
    u64 bit = (u64)p->linesPerPort * p->port + c;  // a damaged block must not wrap around
    *value = bit < 32 && (Runtime(m)->portWord >> bit) & 1 ? kHigh : kLow;
    return 0;
}

void Convert(float* dst, const void* src, u32 n)
{
    const u32* s = (const u32*)src;
    for (u32 i = 0; i < n; ++i) dst[i] = s[i] ? kHigh : kLow;
}

}  // namespace

const InputKind g_digitalInKind = {
    &g_frameDigitalIn,
    "DLL:digitalin",
    DRV_MC_DIGITAL,
    offsetof(DigitalInRecord, core),
    offsetof(DigitalInRecord, delivered),
    offsetof(DigitalInRecord, settings) + offsetof(DigitalChannel, realTime),
    offsetof(DigitalInRecord, blockOpen),
    0,  // the single-value pass polls without waiting for the clock
    0,  // a completed partial block is not counted as delivered
    ReadPort,
    LineOfPortWord,
    MOD_ReadUInt32,
    Convert,
};

DigitalParams* MOD_StartDigital(Module* m)
{
    i32 h = MOD_Runtime(m)->handle;
    if (!DEV_FindDevice(h)) return nullptr;
    DigitalParams* p = MOD_Params<DigitalParams>(m);
    // Through locals: the block's fields are packed.
    u32 ports = p->portCount, lines = p->linesPerPort, word3 = p->portWord3, word4 = p->portWord4;
    g_drv.TTL_GetPortInfos(h, &ports, &lines, &word3, &word4);
    p->portCount = ports;
    p->linesPerPort = lines;
    p->portWord3 = word3;
    p->portWord4 = word4;
    return p;
}

i32 DigitalIn_Prepare(Module* m)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareInput(m, &g_frameDigitalIn, &needs, g_drv.TTL_ClearChannelList);
}

i32 DigitalIn_Start(Module* m)
{
    DigitalParams* p = MOD_StartDigital(m);
    if (!p) return 0;
    i32 h = MOD_Runtime(m)->handle;
    for (u32 c = 0, n = MOD_ChannelCount(m, &g_frameDigitalIn); c < n; ++c) {
        DigitalInRecord* r = (DigitalInRecord*)m->channel[c];
        if (!r) continue;
        r->settings = p->channel[c];
        u32 position = 0;
        if (g_drv.TTL_GetChannelListSize(h, &position) != 0) continue;
        u32 line = MOD_LineOf(p, c);
        g_drv.TTL_SetChannelDirection(h, line, 0);
        g_drv.TTL_AddChannelToList(h, line, 1, 0);
        r->line = line;
        r->core.listPosition = position;
        r->active = 1;
    }
    return MOD_FinishInputStart(m, MOD_SetRate(m, g_drv.TTL_SetFrequency, p->timeBaseId));
}

i32 KW_CDECL DigitalIn_Compute(Module* m) { return MOD_InputCompute(m, &g_digitalInKind); }
