// Digital input during an experiment: one input line per channel on the
// module's port, the rate, and the compute function, which runs the shared
// input passes with one port read per single-value pass and the buffered
// line reads, each line delivered as 5.0 or 0.0.
#include "digitalin_run.h"

#include "dev_device.h"
#include "drv_table.h"
#include "mod_account.h"
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

// Channel c's line is its bit of the port word; the start lists only
// channels whose line the word holds.
i32 LineOfPortWord(Module* m, u32, const void* record, float* value)
{
    *value = (Runtime(m)->portWord >> ((const DigitalInRecord*)record)->line) & 1 ? kHigh : kLow;
    return 0;
}

void Convert(float* dst, const void* src, u32 n)
{
    const u32* s = (const u32*)src;
    for (u32 i = 0; i < n; ++i) dst[i] = s[i] ? kHigh : kLow;
}

// A layout that cannot be right: no port, no line, or a channel's line
// beyond the port word.
bool PortLayoutFits(u32 ports, u32 lines, u32 port, u32 channels)
{
    if (ports == 0 || lines == 0) return false;
    return (u64)lines * port + (channels ? channels - 1 : 0) < MOD_PORT_WORD_BITS;
}

}  // namespace

const InputKind g_digitalInKind = {
    &g_frameDigitalIn,
    DRV_MC_DIGITAL,
    offsetof(DigitalInRecord, active),
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

DigitalParams* MOD_StartDigital(Module* m, const ModFrame* f)
{
    i32 h = MOD_Runtime(m)->handle;
    if (!DEV_FindDevice(h)) return nullptr;
    DigitalParams* p = MOD_Params<DigitalParams>(m);
    // Through locals: the block's fields are packed.
    u32 ports = p->portCount, lines = p->linesPerPort, word3 = p->portWord3, word4 = p->portWord4;
    i32 status = g_drv.TTL_GetPortInfos(h, &ports, &lines, &word3, &word4);
    if (MOD_Lost(m, f, status)) return nullptr;
    if (status != 0) return p;
    u32 channels = MOD_ChannelCount(m, f);
    if (!PortLayoutFits(ports, lines, p->port, channels)) {
        TRC_Printf("port layout of the device not taken (%u ports, %u lines per port, port %u, %u channels): "
                   "the block's layout stays",
                   ports, lines, p->port, channels);
        return p;
    }
    p->portCount = ports;
    p->linesPerPort = lines;
    p->portWord3 = word3;
    p->portWord4 = word4;
    return p;
}

i32 DigitalIn_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareInput(m, f, &needs, g_drv.TTL_ClearChannelList);
}

i32 DigitalIn_Start(Module* m, const ModFrame* f)
{
    DigitalParams* p = MOD_StartDigital(m, f);
    if (!p) return 0;
    i32 h = MOD_Runtime(m)->handle;
    for (u32 c = 0, n = MOD_ChannelCount(m, f); c < n; ++c) {
        DigitalInRecord* r = (DigitalInRecord*)m->channel[c];
        if (!r) continue;
        r->settings = p->channel[c];
        u64 line;
        if (!MOD_PortLine(p, c, &line)) {
            MOD_NoteUnlisted(m, c, "its line %d lies beyond the port word", (i32)line);
            continue;
        }
        u32 position = 0;
        i32 status = MOD_ListPosition(m, f, c, g_drv.TTL_GetChannelListSize, &position);
        if (status == DRV_ERR_LOST_CONNECTION) return 0;
        if (status != 0) continue;
        r->line = (u32)line;
        if (MOD_Lost(m, f, g_drv.TTL_SetChannelDirection(h, r->line, 0))) return 0;
        status = g_drv.TTL_AddChannelToList(h, r->line, 1, 0);
        if (MOD_Lost(m, f, status)) return 0;
        MOD_ListAt(m, &g_digitalInKind, c, position, status);
    }
    return MOD_FinishInputStart(m, f, MOD_SetRate(m, g_drv.TTL_SetFrequency, p->timeBaseId));
}

i32 KW_CDECL DigitalIn_Compute(Module* m) { return MOD_InputCompute(m, &g_digitalInKind); }
