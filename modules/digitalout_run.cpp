// Digital output during an experiment: software-timed and sample-exact. Each
// compute call takes every channel's waiting block, steps through the blocks
// one sample per channel per step, builds the port word of each step from
// all channels (bit c is channel c, set while its sample is above 0.0) and
// writes the whole port whenever the word changes.
#include "digitalout_run.h"

#include <string.h>

#include "dev_device.h"
#include "digitalin_run.h"
#include "drv_table.h"
#include "mod_output_pass.h"
#include "mod_run.h"
#include "trace.h"

namespace {

const void* const s_needed[] = {
    &g_drv.TTL_GetPortInfos,
    &g_drv.TTL_SetChannelDirection,
    &g_drv.TTL_WritePort,
    &g_drv.GetDevicePropertyStringA,
    &g_drv.ConfigMeasure,
    &g_drv.StartMeasure,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

enum { MAX_STEPS = 65536 };  // a block holds at most 65535 samples

// Channel bits of each step of the current call; compute functions run one
// at a time on the host's thread.
u16 s_steps[MAX_STEPS];

DigitalOutRuntime* Runtime(Module* m) { return (DigitalOutRuntime*)m->runtime; }
DigitalOutRecord* Record(Module* m, u32 c) { return (DigitalOutRecord*)m->channel[c]; }

// Channel c's bit in every step. Once a sample has been taken the bit is
// (sample > 0.0) whether or not the sample differed from the last one, since
// an equal sample leaves the bit as the last one set it; a channel whose block
// ends early keeps its last bit for the later steps. The first channel of a
// call writes the steps, the others add their bits.
void AddChannelBits(const float* v, u32 count, u32 steps, u32 c, bool first)
{
    u16 last = (u16)((v[count - 1] > 0.0f) << c);
    if (first) {
        for (u32 k = 0; k < count; ++k) s_steps[k] = (u16)((v[k] > 0.0f) << c);
        for (u32 k = count; k < steps; ++k) s_steps[k] = last;
    } else {
        for (u32 k = 0; k < count; ++k) s_steps[k] |= (u16)((v[k] > 0.0f) << c);
        for (u32 k = count; k < steps; ++k) s_steps[k] |= last;
    }
}

// The first step at or after k whose bits differ from 'bits', or 'steps'.
// Runs of equal steps, the common case, are passed four at a time.
u32 NextChange(u32 k, u32 steps, u16 bits)
{
    u64 run = bits * 0x0001000100010001ull;
    for (; k + 4 <= steps; k += 4) {
        u64 four;
        memcpy(&four, &s_steps[k], sizeof four);
        if (four != run) break;
    }
    while (k < steps && s_steps[k] == bits) ++k;
    return k;
}

}  // namespace

i32 DigitalOut_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareDevice(m, f, &needs);
}

// Port layout from the device and one output line per channel; no channel
// list, no rate and no start marker.
i32 DigitalOut_Start(Module* m, const ModFrame* f)
{
    DigitalParams* p = MOD_StartDigital(m, f);
    if (!p) return 0;
    i32 h = Runtime(m)->handle;
    for (u32 c = 0, n = MOD_ChannelCount(m, f); c < n; ++c) {
        DigitalOutRecord* r = Record(m, c);
        if (!r) continue;
        u64 line;
        if (!MOD_PortLine(p, c, &line)) {
            TRC_Printf("%.13s %u: its line %llu lies beyond the port word, its direction is not set", m->name, c,
                       (unsigned long long)line);
            continue;
        }
        r->line = (u32)line;
        if (MOD_Lost(m, f, g_drv.TTL_SetChannelDirection(h, r->line, 1))) return 0;
    }
    return 1;
}

// With time base 1 the device is not started: the port is written directly.
i32 DigitalOut_Go(Module* m, const ModFrame* f)
{
    if (Runtime(m)->handle < 0) return 0;
    if (MOD_Params<DigitalParams>(m)->timeBaseId == 1) return 1;
    return MOD_GoDevice(m, f);
}

i32 KW_CDECL DigitalOut_Compute(Module* m)
{
    if (!MOD_Running(m)) return 0;
    // Gather: every channel slot with a record takes its waiting block.
    u32 steps = 0, mask = 0;
    bool any = false;
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        DigitalOutRecord* r = Record(m, c);
        if (!r) continue;
        r->block = g_host.GetInputBlock(m, c);
        if (!r->block) continue;
        any = true;
        if (r->block->count > steps) steps = r->block->count;
    }
    if (!any) return 1;

    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        DigitalOutRecord* r = Record(m, c);
        if (!r || !r->block || r->block->count == 0) continue;
        AddChannelBits(MOD_BlockValues(r->block), r->block->count, steps, c, mask == 0);
        mask |= 1u << c;
    }

    // Bits of channels without samples in this call keep their state: a step
    // is written when its channel bits differ from those last written.
    DigitalOutRuntime* rt = Runtime(m);
    u32 port = MOD_Params<DigitalParams>(m)->port;
    u32 base = rt->lastWord & ~mask;
    u16 written = (u16)(rt->lastWord & mask);
    u32 firstChange = NextChange(0, steps, written);
    for (u32 k = firstChange; k < steps; k = NextChange(k + 1, steps, written)) {
        written = s_steps[k];
        i32 status = g_drv.TTL_WritePort(rt->handle, port, base | written);
        if (status != 0) return MOD_StopOnDriverError(m, g_frameDigitalOut.errorTag, status, __LINE__);
        rt->lastWord = base | written;
    }

    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        DigitalOutRecord* r = Record(m, c);
        if (!r || !r->block) continue;
        const Block* b = r->block;
        // Equal samples compare equal, so the block's final sample serves as
        // the last value for the next call's comparisons.
        if (b->count > 0) r->last = MOD_BlockValues(b)[b->count - 1];
        r->blockEnd = b->startTime + b->count * b->sampleDistance;
        r->seen += b->count;
        r->block = nullptr;
        g_host.NewReleaseInputBlock(m, c, g_frameDigitalOut.tag, __LINE__);
    }
    // An unchanged port word writes nothing: the device is asked after it all the same.
    if (firstChange >= steps && MOD_OutputDeviceLost(m, &g_frameDigitalOut)) return 0;
    return 1;
}
