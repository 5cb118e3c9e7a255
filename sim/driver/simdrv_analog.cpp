// Simulated analog input: channel list, rate and single voltages. The
// buffered reads are shared with the other kinds (simdrv_measure.cpp), the
// signals are in simdrv_signal.cpp.
#include "simdrv_state.h"

enum { SIM_RANGE_COUNT = 4 };

extern "C" i32 KW_STDCALL Sim_AD_ClearChannelList(i32 h)
{
    return SimListClear("AD_ClearChannelList", h, DRV_MC_ANALOG);
}

extern "C" i32 KW_STDCALL Sim_AD_AddChannelToList(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch)
{
    i32 st;
    if (SimEnter(&st, "AD_AddChannelToList", h, "%d,%u,%u,%u,%u", h, channel, mode, range, inputSwitch))
        return st;
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (channel >= d->channels || range >= SIM_RANGE_COUNT) return SIMDRV_ERR_ARGUMENT;
    return SimListAdd(d, DRV_MC_ANALOG, channel);
}

extern "C" i32 KW_STDCALL Sim_AD_GetChannelListSize(i32 h, u32* count)
{
    return SimListSize("AD_GetChannelListSize", h, DRV_MC_ANALOG, count);
}

extern "C" i32 KW_STDCALL Sim_AD_SetFrequency(i32 h, double hertz)
{
    return SimSetRate("AD_SetFrequency", h, DRV_MC_ANALOG, hertz);
}

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
    *value = SimAnalogAt(d, channel, SimNow());
    return DRV_OK;
}
