// Simulated analog input: channel list, rate, software clock, measurement
// state and the reads. After StartMeasure every list position has produced
// floor(elapsed × rate) samples; reads deliver them in order.
#include "simdrv_state.h"

enum { SIM_RANGE_COUNT = 4 };

extern "C" i32 KW_STDCALL Sim_AD_ClearChannelList(i32 h)
{
    i32 st;
    if (SimEnter(&st, "AD_ClearChannelList", h, "%d", h)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (d->measuring) return SIMDRV_ERR_STATE;
    d->listSize = 0;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_AD_AddChannelToList(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch)
{
    i32 st;
    if (SimEnter(&st, "AD_AddChannelToList", h, "%d,%u,%u,%u,%u", h, channel, mode, range, inputSwitch))
        return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (d->measuring) return SIMDRV_ERR_STATE;
    if (channel >= d->channels || range >= SIM_RANGE_COUNT) return SIMDRV_ERR_ARGUMENT;
    if (d->listSize == SIMDRV_MAX_LIST) return SIMDRV_ERR_NO_ROOM;
    d->list[d->listSize++] = {channel, mode, range, inputSwitch};
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_AD_GetChannelListSize(i32 h, u32* count)
{
    i32 st;
    if (SimEnter(&st, "AD_GetChannelListSize", h, "%d,%s", h, SimPtr(count))) return st;
    if (!count) return SIMDRV_ERR_ARGUMENT;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    *count = d->listSize;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_AD_SetFrequency(i32 h, double hertz)
{
    i32 st;
    if (SimEnter(&st, "AD_SetFrequency", h, "%d,%.15g", h, hertz)) return st;
    if (SimFrequencyFault(h, hertz, &st)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (d->measuring) return SIMDRV_ERR_STATE;
    if (!(hertz > 0) || hertz > d->maxRate) return SIMDRV_ERR_RATE;
    d->rate = hertz;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_EnableSoftwareClock(i32 h, u32 enable, u32 blockSize)
{
    i32 st;
    if (SimEnter(&st, "EnableSoftwareClock", h, "%d,%u,%u", h, enable, blockSize)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    d->softwareClock = enable;
    d->softwareBlock = blockSize;
    return DRV_OK;
}

// ---------------------------------------------------------------- measurement

extern "C" i32 KW_STDCALL Sim_ConfigMeasure(i32 h)
{
    i32 st;
    if (SimEnter(&st, "ConfigMeasure", h, "%d", h)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (d->measuring) return SIMDRV_ERR_STATE;
    d->configured = true;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_StartMeasure(i32 h)
{
    i32 st;
    if (SimEnter(&st, "StartMeasure", h, "%d", h)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (!d->configured || d->measuring) return SIMDRV_ERR_STATE;
    d->measuring = true;
    d->startTime = SimNow();
    for (u64& n : d->readCount) n = 0;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_StopMeasure(i32 h)
{
    i32 st;
    if (SimEnter(&st, "StopMeasure", h, "%d", h)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    d->measuring = false;
    d->configured = false;
    return DRV_OK;
}

// ---------------------------------------------------------------- reads

extern "C" i32 KW_STDCALL Sim_AD_ReadSingleVoltage(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch,
                                                   double* value)
{
    i32 st;
    if (SimEnter(&st, "AD_ReadSingleVoltage", h, "%d,%u,%u,%u,%u,%s", h, channel, mode, range, inputSwitch,
                 SimPtr(value)))
        return st;
    if (SimReadFault(h, SIMDRV_READ_SINGLE, &st)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (!value || channel >= d->channels || range >= SIM_RANGE_COUNT) return SIMDRV_ERR_ARGUMENT;
    *value = SimSampleAt(d, channel, SimNow());
    return DRV_OK;
}

// Checks shared by the buffered reads: the analog kind, a fault, a measuring
// device and a valid list position.
static i32 SimBufferedDevice(i32 h, u32 kind, u32 position, u32 readKind, SimDevice** out)
{
    i32 st;
    if (kind == DRV_MC_COUNTER || kind == DRV_MC_DIGITAL) return SIMDRV_ERR_NOT_SIMULATED;
    if (kind != DRV_MC_ANALOG) return SIMDRV_ERR_ARGUMENT;
    if (SimReadFault(h, readKind, &st)) return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (position >= d->listSize) return SIMDRV_ERR_ARGUMENT;
    if (!d->measuring) return SIMDRV_ERR_STATE;
    *out = d;
    return DRV_OK;
}

static u64 SimAvailable(const SimDevice* d, u32 position)
{
    u64 produced = SimSampleCount(SimNow() - d->startTime, d->rate);
    return produced > d->readCount[position] ? produced - d->readCount[position] : 0;
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
    u64 n = SimAvailable(d, position);
    *count = n > INT32_MAX ? INT32_MAX : (i32)n;
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_MeasurementChannel_ReadDataAsDouble(i32 h, u32 kind, u32 position, double* buffer,
                                                                  u32* count, u32 r1, u32 r2, u32 r3, u32 r4)
{
    i32 st;
    if (SimEnter(&st, "MeasurementChannel_ReadDataAsDouble", h, "%d,%u,%u,%s,%u,%u,%u,%u,%u", h, kind, position,
                 SimPtr(buffer), count ? *count : 0, r1, r2, r3, r4))
        return st;
    if (!count) return SIMDRV_ERR_ARGUMENT;
    u32 wanted = *count;
    *count = 0;
    if (!buffer) return SIMDRV_ERR_ARGUMENT;
    SimDevice* d = nullptr;
    if ((st = SimBufferedDevice(h, kind, position, SIMDRV_READ_DATA, &d)) != DRV_OK) return st;
    u64 n = SimAvailable(d, position);
    if (n > wanted) n = wanted;
    u32 channel = d->list[position].channel;
    u64 k = d->readCount[position];
    for (u64 i = 0; i < n; ++i) buffer[i] = SimSample(d, channel, k + i);
    d->readCount[position] = k + n;
    *count = (u32)n;
    return DRV_OK;
}
