// Acquisition passes shared by the input kinds. Everything here runs once per
// channel or once per driver read; the only per-value work is the kind's
// conversion from the read buffer into the output block. With the trace on,
// the passes keep each channel's account of its values (mod_account.h).
#include "mod_input_pass.h"

#include "drv_table.h"
#include "mod_account.h"
#include "mod_run.h"
#include "plugin_state.h"

namespace {

// One buffer for every read of every input kind: compute functions run one
// at a time on the host's thread.
union ReadBuffer {
    double d[INPUT_READ_BUFFER_VALUES];
    u32 u[INPUT_READ_BUFFER_VALUES];
};
ReadBuffer s_readBuffer;

template <typename T>
T* RecordField(void* record, u16 offset)
{
    return reinterpret_cast<T*>(static_cast<u8*>(record) + offset);
}

float* BlockValues(Block* b)
{
    return reinterpret_cast<float*>(reinterpret_cast<u8*>(b) + offsetof(Block, values));
}

// Whole sample distances in the time base's current time; 0 also for a time
// that is negative or not a number.
u64 ClockCount(u32 timeBase)
{
    double t = g_host.GetTimeBaseTime(timeBase);
    double d = g_host.GetTimeBaseSampleDistance(timeBase);
    // Rounded to double, as the host computes its clock; x87 code would
    // otherwise truncate a wider quotient.
    volatile double rounded = t / d;
    double q = rounded;
    if (!(q >= 1.0)) return 0;
    if (q >= 18446744073709551616.0) return UINT64_MAX;
    return (u64)q;
}

// A read failed: the experiment ends here.
i32 StopOnReadError(const Module* m, const InputKind* k, i32 status)
{
    return MOD_StopOnDriverError(m, k->frame->errorTag, status, __LINE__);
}

bool Listed(void* record, const InputKind* k) { return *RecordField<u32>(record, k->listedOffset) != 0; }

// Values of a block: the module's block size, never more than the host's
// block holds (its fifo's block size).
u32 BlockRoom(u32 blockSize, const Fifo* fifo)
{
    u32 room = blockSize < fifo->blockSize ? blockSize : fifo->blockSize;
    return room < 65535 ? room : 65535;
}

void BeginBlock(Block* b, InputCore* core, double sampleDistance, double start, u16 count)
{
    b->startTime = start;
    b->sampleDistance = sampleDistance;
    b->count = count;
    core->blockEnd = start + count * sampleDistance;
}

// A full block waits while the experiment is paused, and with the real-time
// switch on until the time base has reached the block's end.
bool HoldBlock(const InputKind* k, void* record, const InputCore* core, u32 timeBase)
{
    if (g_vars.bExperimentIsPaused) return true;
    return *RecordField<u32>(record, k->realTimeOffset) &&
           g_host.GetTimeBaseTime(timeBase) < core->blockEnd;
}

// How many of 'got' values just read go into the block: while the clock count
// is above the values released plus those waiting, a value that would carry
// the channel past the clock count is dropped, and the rest of the read too.
u32 ValuesToKeep(const InputCore* core, u64 clock, u32 available, u32 got)
{
    double ticks = (double)clock;
    if (!(ticks > core->released + (double)available)) return got;
    double room = ticks - core->released - (double)core->fill;
    if (room < 0) return 0;
    return room < (double)got ? (u32)room + 1 : got;
}

i32 SingleValuePass(Module* m, const InputKind* k, u32 timeBase)
{
    if (k->beginSingle) {
        i32 status = k->beginSingle(m);
        if (status != 0) return StopOnReadError(m, k, status);
    }
    const ModRuntime* rt = MOD_Runtime(m);
    ChannelAccount* accounts = MOD_AccountOf(m);
    u32 outputs = MOD_ChannelCount(m, k->frame);
    for (u32 c = 0; c < outputs; ++c) {
        Fifo* fifo = m->outputFifo[c];
        void* record = m->channel[c];
        if (!fifo || !record || !Listed(record, k)) continue;
        u32 size = BlockRoom(rt->blockSize, fifo);
        u16 count = (u16)size;
        Block* b = g_host.GetCurrentOutputBlock(fifo);
        if (!b) continue;
        InputCore* core = RecordField<InputCore>(record, k->coreOffset);
        ChannelAccount* account = accounts ? &accounts[c] : nullptr;
        u32* open = k->blockOpenOffset != INPUT_NO_FIELD ? RecordField<u32>(record, k->blockOpenOffset)
                                                          : nullptr;
        if (open ? *open == 0 : core->fill == 0) {
            BeginBlock(b, core, rt->sampleDistance, core->released * rt->sampleDistance, count);
            if (open) {
                *open = 1;
                core->fill = 0;
            }
        }
        float* values = BlockValues(b);
        if (core->fill < size) {
            float v;
            i32 status = k->readSingle(m, c, record, &v);
            if (status != 0) return StopOnReadError(m, k, status);
            values[core->fill++] = v;
            MOD_CountRead(account, 1, 1);
        }
        if (HoldBlock(k, record, core, timeBase)) {
            MOD_CountWait(account, count, g_vars.bExperimentIsPaused);
            continue;
        }
        u32 repeated = 0;
        if (core->fill > 0 && core->fill < size) {
            float last = values[core->fill - 1];
            for (u32 i = core->fill; i < size; ++i) values[i] = last;
            if (k->singleCountsDelivered) *RecordField<i64>(record, k->deliveredOffset) += count;
            repeated = size - core->fill;
        }
        MOD_CountRelease(account, count, repeated);
        core->released += core->fill;
        g_host.NewReleaseOutputBlock(fifo, k->frame->tag, __LINE__);
        core->fill = 0;
        if (open) *open = 0;
    }
    return 1;
}

i32 BlockPass(Module* m, const InputKind* k, u32 timeBase, u64 clock)
{
    i32 handle = MOD_Runtime(m)->handle;
    u32 outputs = MOD_ChannelCount(m, k->frame);
    ChannelAccount* accounts = MOD_AccountOf(m);
    for (u32 c = 0; c < outputs; ++c) {
        Fifo* fifo = m->outputFifo[c];
        void* record = m->channel[c];
        if (!fifo || !record || !Listed(record, k)) continue;
        InputCore* core = RecordField<InputCore>(record, k->coreOffset);
        i64* delivered = RecordField<i64>(record, k->deliveredOffset);
        // Values due by the clock. A channel far behind it (a long pause, or
        // blocks the host held back for hours) asks for as many as a count
        // holds, rather than a count that wrapped and stalls it.
        i64 behind = (i64)(clock - (u64)*delivered);
        i32 due = behind > INT32_MAX ? INT32_MAX : behind < 1 ? 0 : (i32)behind;
        u32 size = BlockRoom(core->blockSize, fifo);
        if (due < 1 || size == 0) continue;
        // A failed count only skips the channel for this pass, unless the
        // device is gone; a negative count with success is no count.
        i32 waiting = 0;
        i32 status = g_drv.MeasurementChannel_GetNumberOfValues(handle, k->measurementKind, core->listPosition,
                                                                &waiting);
        if (status != 0 || waiting < 1) {
            if (MOD_Lost(m, k->frame, status)) return 0;
            continue;
        }
        u32 available = (u32)waiting;
        u32 taken = 0;
        ChannelAccount* account = accounts ? &accounts[c] : nullptr;
        while (taken < (u32)due && available != 0) {
            Block* b = g_host.GetCurrentOutputBlock(fifo);
            if (!b) break;
            if (core->fill == 0) {
                double distance = core->sampleDistance;
                BeginBlock(b, core, distance, distance * core->released, (u16)size);
            }
            if (core->fill < size) {
                u32 n = size - core->fill;
                if (n > (u32)due - taken) n = (u32)due - taken;
                if (n > available) n = available;
                if (n > INPUT_READ_BUFFER_VALUES) n = INPUT_READ_BUFFER_VALUES;
                u32 got = n;
                i32 status = k->readBlock(handle, k->measurementKind, core->listPosition, &s_readBuffer, &got);
                if (status != 0) return StopOnReadError(m, k, status);
                if (got == 0) break;
                if (got > n) got = n;  // never trust a count beyond the request
                u32 keep = ValuesToKeep(core, clock, available, got);
                MOD_CountRead(account, got, keep);
                k->convert(BlockValues(b) + core->fill, &s_readBuffer, keep);
                core->fill += keep;
                taken += keep;
                available -= got;
            }
            if (core->fill >= size) {
                if (HoldBlock(k, record, core, timeBase)) {
                    MOD_CountWait(account, size, g_vars.bExperimentIsPaused);
                    break;
                }
                MOD_CountRelease(account, size, 0);
                core->released += (u16)size;
                *delivered += (u16)size;
                core->fill = 0;
                g_host.NewReleaseOutputBlock(fifo, k->frame->tag, __LINE__);
            }
        }
    }
    return 1;
}

}  // namespace

i32 MOD_ListPosition(Module* m, const ModFrame* f, u32 c, PFN_GetChannelListSize read, u32* position)
{
    i32 status = read(MOD_Runtime(m)->handle, position);
    if (status != 0 && !MOD_Lost(m, f, status)) MOD_NoteUnlisted(m, c, "list size read failed (%d)", status);
    return status;
}

void MOD_ListAt(Module* m, const InputKind* k, u32 c, u32 position, i32 addStatus)
{
    void* record = m->channel[c];
    RecordField<InputCore>(record, k->coreOffset)->listPosition = position;
    if (addStatus != 0) return MOD_NoteUnlisted(m, c, "the device refused to add it (%d)", addStatus);
    for (u32 other = 0; other < c; ++other) {
        void* r = m->channel[other];
        if (r && Listed(r, k) && RecordField<InputCore>(r, k->coreOffset)->listPosition == position)
            return MOD_NoteUnlisted(m, c, "its list position %d is held by another channel", (i32)position);
    }
    *RecordField<u32>(record, k->listedOffset) = 1;
}

i32 MOD_ReadUInt32(i32 handle, u32 kind, u32 position, void* buffer, u32* count)
{
    return g_drv.MeasurementChannel_ReadDataAsUInt32(handle, kind, position, (u32*)buffer, count, 0, 0, 0, 0);
}

i32 MOD_InputCompute(Module* m, const InputKind* k)
{
    if (!MOD_Running(m)) return 0;
    u32 timeBase = MOD_TimeBaseId(m, k->frame);
    bool single = timeBase == 1;
    u64 clock = 0;
    if (!single || k->singleWaitsForClock) {
        clock = ClockCount(timeBase);
        if (clock == 0) return 0;
    }
    return single ? SingleValuePass(m, k, timeBase) : BlockPass(m, k, timeBase, clock);
}
