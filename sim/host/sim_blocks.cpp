// Output and input data blocks.
//
// Each output has one current block of the fifo's block size, handed out
// until it is released. Releasing appends its values to the output's stream
// (or passes the block to the sink); the same memory is handed out again, as
// a host's fifo does, holding what the last block left in it.
// Each input is a queue of blocks (fed by the sources); GetInputBlock hands
// out the front one until it is released.
#include "sim_internal.h"

#include <math.h>
#include <string.h>

SimOutput* SIM_FindOutput(Fifo* f, SimModule** module, u32* index)
{
    if (!f) return nullptr;
    for (SimModule* m : g_sim.modules)
        for (u32 i = 0; i < KW_MAX_CHANNELS; ++i)
            if (&m->out[i].fifo == f) {
                if (module) *module = m;
                if (index) *index = i;
                return &m->out[i];
            }
    return nullptr;
}

Block* KW_CDECL SIM_GetCurrentOutputBlock(Fifo* f)
{
    SimOutput* out = SIM_FindOutput(f, nullptr, nullptr);
    if (!out) {
        SIM_Fault("GetCurrentOutputBlock with an unknown fifo");
        return nullptr;
    }
    return out->capacity ? (Block*)out->block.data() : nullptr;
}

// Counts blocks and samples and the blocks whose first sample index does not
// follow the previous block's last one.
static void CountBlock(SimStream* s, const Block* b)
{
    ++s->blockCount;
    s->sampleCount += b->count;
    i64 first = b->sampleDistance > 0 ? (i64)llround(b->startTime / b->sampleDistance) : 0;
    if (s->hasNext && first != s->nextIndex) ++s->gaps;
    s->nextIndex = first + b->count;
    s->hasNext = true;
}

void SIM_Deliver(SimStream* s, SimModule* module, u32 index, const Block* b)
{
    CountBlock(s, b);
    if (g_sim.sink) return g_sim.sink(g_sim.sinkContext, module, index, b);
    s->blocks.push_back({b->startTime, b->sampleDistance, b->count, s->values.size()});
    s->values.insert(s->values.end(), b->values, b->values + b->count);
}

void KW_CDECL SIM_NewReleaseOutputBlock(Fifo* f, const char*, int)
{
    SimModule* module = nullptr;
    u32 index = 0;
    SimOutput* out = SIM_FindOutput(f, &module, &index);
    if (!out || !out->capacity) {
        SIM_Fault("NewReleaseOutputBlock with %s", out ? "no block handed out" : "an unknown fifo");
        return;
    }
    Block* b = (Block*)out->block.data();
    if (b->count > out->capacity) {
        SIM_Fault("%s output %u: block count %u above block size %u", module->record->name, index,
                  b->count, out->capacity);
        b->count = (u16)out->capacity;
    }
    SIM_Deliver(&out->stream, module, index, b);
}

static SimInput* FindInput(Module* m, u32 input)
{
    SimModule* module = SH_ModuleOf(m);
    if (!module || input >= KW_MAX_CHANNELS) {
        SIM_Fault("input block of %s input %u", module ? "a known module" : "an unknown module", input);
        return nullptr;
    }
    return &module->in[input];
}

Block* KW_CDECL SIM_GetInputBlock(Module* m, u32 input)
{
    SimInput* in = FindInput(m, input);
    if (!in || in->queue.empty()) return nullptr;
    if (!in->frontTaken) ++in->taken;
    in->frontTaken = true;
    return (Block*)in->queue.front().data();
}

void KW_CDECL SIM_NewReleaseInputBlock(Module* m, u32 input, const char*, int)
{
    SimInput* in = FindInput(m, input);
    if (!in) return;
    if (in->queue.empty()) return SIM_Fault("NewReleaseInputBlock on input %u with no block", input);
    if (!in->frontTaken) SIM_Fault("NewReleaseInputBlock on input %u before GetInputBlock", input);
    in->queue.pop_front();
    in->frontTaken = false;
    ++in->released;
}
