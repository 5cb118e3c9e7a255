// Measurement shared by the analog, counter and digital inputs: channel lists,
// rates, the measurement state and the buffered reads. One StartMeasure
// starts all three kinds; each list position then produces a sample at every
// tick of its kind's rate (SimFirstTick), and the reads deliver them in order.
#include <math.h>

#include "simdrv_state.h"

// ---------------------------------------------------------------- channel lists and rates

static i32 SimListClear(const char* name, i32 h, u32 kind)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, name, h, "%d", h);
    if (!d) return st;
    if (d->measuring) return SIMDRV_ERR_STATE;
    d->stream[kind].listSize = 0;
    return DRV_OK;
}

static i32 SimListSize(const char* name, i32 h, u32 kind, u32* count)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, name, h, "%d,%s", h, SimPtr(count));
    if (!d) return st;
    if (!count) return SIMDRV_ERR_ARGUMENT;
    *count = d->stream[kind].listSize;
    return DRV_OK;
}

i32 SimListAdd(SimDevice* d, u32 kind, u32 channel)
{
    SimStream& s = d->stream[kind];
    if (d->measuring) return SIMDRV_ERR_STATE;
    if (s.listSize == SIMDRV_MAX_LIST) return SIMDRV_ERR_NO_ROOM;
    s.list[s.listSize++] = channel;
    return DRV_OK;
}

static i32 SimSetRate(const char* name, i32 h, u32 kind, double hertz)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, name, h, "%d,%.15g", h, hertz);
    if (!d) return st;
    if (d->measuring) return SIMDRV_ERR_STATE;
    if (!(hertz > 0) || hertz > d->maxRate) return SIMDRV_ERR_RATE;
    d->stream[kind].rate = hertz;
    return DRV_OK;
}

// AD_, CT_ and TTL_ClearChannelList, _GetChannelListSize and _SetFrequency.
#define SIM_LIST_ENTRY_POINTS(prefix, kind)                                                       \
    extern "C" i32 KW_STDCALL Sim_##prefix##_ClearChannelList(i32 h)                              \
    {                                                                                             \
        return SimListClear(#prefix "_ClearChannelList", h, kind);                                \
    }                                                                                             \
    extern "C" i32 KW_STDCALL Sim_##prefix##_GetChannelListSize(i32 h, u32* count)                \
    {                                                                                             \
        return SimListSize(#prefix "_GetChannelListSize", h, kind, count);                        \
    }                                                                                             \
    extern "C" i32 KW_STDCALL Sim_##prefix##_SetFrequency(i32 h, double hertz)                    \
    {                                                                                             \
        return SimSetRate(#prefix "_SetFrequency", h, kind, hertz);                               \
    }
SIM_LIST_ENTRY_POINTS(AD, DRV_MC_ANALOG)
SIM_LIST_ENTRY_POINTS(CT, DRV_MC_COUNTER)
SIM_LIST_ENTRY_POINTS(TTL, DRV_MC_DIGITAL)
#undef SIM_LIST_ENTRY_POINTS

// The device's clock paces every measurement here: the software clock changes nothing.
extern "C" i32 KW_STDCALL Sim_EnableSoftwareClock(i32 h, u32 enable, u32 blockSize)
{
    i32 st;
    return SimEnterDevice(&st, "EnableSoftwareClock", h, "%d,%u,%u", h, enable, blockSize) ? DRV_OK : st;
}

// ---------------------------------------------------------------- measurement

extern "C" i32 KW_STDCALL Sim_ConfigMeasure(i32 h)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "ConfigMeasure", h, "%d", h);
    if (!d) return st;
    if (d->measuring) return SIMDRV_ERR_STATE;
    d->configured = true;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_StartMeasure(i32 h)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "StartMeasure", h, "%d", h);
    if (!d) return st;
    if (!d->configured || d->measuring) return SIMDRV_ERR_STATE;
    d->measuring = true;
    d->startTime = SimNow();
    for (SimStream& s : d->stream)
        for (u64& n : s.readCount) n = 0;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_StopMeasure(i32 h)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "StopMeasure", h, "%d", h);
    if (!d) return st;
    d->measuring = false;
    d->configured = false;
    return DRV_OK;
}

// ---------------------------------------------------------------- buffered reads

// Checks shared by the buffered reads: a known kind, a fault, a measuring
// device and a valid list position.
static i32 SimBufferedDevice(i32 h, u32 kind, u32 position, u32 readKind, SimDevice** out)
{
    i32 st;
    if (kind > DRV_MC_DIGITAL) return SIMDRV_ERR_ARGUMENT;
    SimDevice* d = SimReadDevice(h, readKind, &st);
    if (!d) return st;
    if (position >= d->stream[kind].listSize) return SIMDRV_ERR_ARGUMENT;
    if (!d->measuring) return SIMDRV_ERR_STATE;
    *out = d;
    return DRV_OK;
}

// Samples whose period has ended and that were not read yet.
static u64 SimAvailable(const SimDevice* d, u32 kind, u32 position)
{
    const SimStream& s = d->stream[kind];
    u64 ended = SimSampleCount(SimNow(), s.rate), first = SimFirstTick(d, kind) + s.readCount[position];
    return ended > first ? ended - first : 0;
}

extern "C" i32 KW_STDCALL Sim_MeasurementChannel_GetNumberOfValues(i32 h, u32 kind, u32 position, i32* count)
{
    i32 st;
    if (SimEnter(&st, "MeasurementChannel_GetNumberOfValues", h, "%d,%u,%u,%s", h, kind, position,
                 SimPtr(count)))
        return st;
    if (!count) return SIMDRV_ERR_ARGUMENT;
    *count = 0;
    SimDevice* d = nullptr;
    if ((st = SimBufferedDevice(h, kind, position, SIMDRV_READ_COUNT, &d)) != DRV_OK) return st;
    u64 n = SimAvailable(d, kind, position);
    *count = n > INT32_MAX ? INT32_MAX : (i32)n;
    return DRV_OK;
}

// The part of a buffered read after its log line: checks, then 'fill' delivers
// up to *count samples of the position's channel from its next sample on.
// readKind 0: the call does not read this kind.
template <class Value>
static i32 SimBufferedRead(i32 h, u32 kind, u32 position, Value* buffer, u32* count, u32 readKind,
                           void (*fill)(const SimDevice*, u32, u64, u32, Value*))
{
    if (!count) return SIMDRV_ERR_ARGUMENT;
    u32 wanted = *count;
    *count = 0;
    if (!buffer || !readKind) return SIMDRV_ERR_ARGUMENT;
    SimDevice* d = nullptr;
    i32 st = SimBufferedDevice(h, kind, position, readKind, &d);
    if (st != DRV_OK) return st;
    u64 n = SimAvailable(d, kind, position);
    if (n > wanted) n = wanted;
    u64& next = d->stream[kind].readCount[position];
    fill(d, d->stream[kind].list[position], next, (u32)n, buffer);
    next += n;
    *count = (u32)n;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_MeasurementChannel_ReadDataAsDouble(i32 h, u32 kind, u32 position, double* buffer,
                                                                  u32* count, u32 r1, u32 r2, u32 r3, u32 r4)
{
    i32 st;
    if (SimEnter(&st, "MeasurementChannel_ReadDataAsDouble", h, "%d,%u,%u,%s,%u,%u,%u,%u,%u", h, kind, position,
                 SimPtr(buffer), count ? *count : 0, r1, r2, r3, r4))
        return st;
    // Counters and lines are read as words.
    return SimBufferedRead(h, kind, position, buffer, count, kind == DRV_MC_ANALOG ? SIMDRV_READ_DATA : 0,
                           SimAnalogFill);
}

extern "C" i32 KW_STDCALL Sim_MeasurementChannel_ReadDataAsUInt32(i32 h, u32 kind, u32 position, u32* buffer,
                                                                  u32* count, u32 r1, u32 r2, u32 r3, u32 r4)
{
    i32 st;
    if (SimEnter(&st, "MeasurementChannel_ReadDataAsUInt32", h, "%d,%u,%u,%s,%u,%u,%u,%u,%u", h, kind, position,
                 SimPtr(buffer), count ? *count : 0, r1, r2, r3, r4))
        return st;
    // Analog values are read as doubles.
    u32 readKind = kind == DRV_MC_COUNTER ? SIMDRV_READ_CT_DATA : kind == DRV_MC_DIGITAL ? SIMDRV_READ_TTL_DATA : 0;
    return SimBufferedRead(h, kind, position, buffer, count, readKind,
                           kind == DRV_MC_COUNTER ? SimCounterFill : SimLineFill);
}

// ---------------------------------------------------------------- expectations for tests

// Sample k of an input through the buffered reads' own fill; NaN without such an input.
template <class Value>
static double SimExpectSample(i32 handle, u32 kind, u32 input, u64 k,
                              void (*fill)(const SimDevice*, u32, u64, u32, Value*))
{
    SimInit();
    const SimDevice* d = SimFindHandle(handle);
    u32 inputs = !d                       ? 0
                 : kind == DRV_MC_ANALOG  ? d->channels
                 : kind == DRV_MC_COUNTER ? u32(SIM_COUNTERS)
                                          : u32(SIM_LINES);
    Value v{};
    if (input >= inputs) return NAN;
    fill(d, input, k, 1, &v);
    return v;
}

SIMDRV_API double SimDrv_SignalValue(i32 handle, u32 channel, u64 k)
{
    return SimExpectSample(handle, DRV_MC_ANALOG, channel, k, SimAnalogFill);
}
SIMDRV_API double SimDrv_CounterValue(i32 handle, u32 channel, u64 k)
{
    return SimExpectSample(handle, DRV_MC_COUNTER, channel, k, SimCounterFill);
}
SIMDRV_API double SimDrv_LineValue(i32 handle, u32 line, u64 k)
{
    return SimExpectSample(handle, DRV_MC_DIGITAL, line, k, SimLineFill);
}
