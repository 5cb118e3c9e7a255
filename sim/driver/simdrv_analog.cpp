// Simulated analog input: channels added to the list and single voltages.
// Clearing the list, its size, the rate and the buffered reads are shared with
// the other kinds (simdrv_measure.cpp); the signals are in simdrv_signal.cpp.
#include "simdrv_state.h"

enum { SIM_RANGE_COUNT = 4 };

extern "C" i32 KW_STDCALL Sim_AD_AddChannelToList(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "AD_AddChannelToList", h, "%d,%u,%u,%u,%u", h, channel, mode, range,
                                  inputSwitch);
    if (!d) return st;
    if (channel >= d->channels || range >= SIM_RANGE_COUNT) return SIMDRV_ERR_ARGUMENT;
    return SimListAdd(d, DRV_MC_ANALOG, channel);
}

extern "C" i32 KW_STDCALL Sim_AD_ReadSingleVoltage(i32 h, u32 channel, u32 mode, u32 range, u32 inputSwitch,
                                                   double* value)
{
    i32 st;
    if (SimEnter(&st, "AD_ReadSingleVoltage", h, "%d,%u,%u,%u,%u,%s", h, channel, mode, range, inputSwitch,
                 SimPtr(value)))
        return st;
    SimDevice* d = SimReadDevice(h, SIMDRV_READ_SINGLE, &st);
    if (!d) return st;
    if (!value || channel >= d->channels || range >= SIM_RANGE_COUNT) return SIMDRV_ERR_ARGUMENT;
    *value = SimAnalogAt(d, channel, SimNow());
    return DRV_OK;
}
