// Counter input during an experiment: the channel list with each channel's
// counter mode, the counter frequency, and the compute function, which runs
// the shared input passes with the counter reads.
#include "counterin_run.h"

#include "dev_device.h"
#include "drv_table.h"
#include "mod_account.h"
#include "mod_run.h"

namespace {

const void* const s_needed[] = {
    &g_drv.CT_ClearChannelList,
    &g_drv.CT_GetChannelListSize,
    &g_drv.CT_AddChannelToList,
    &g_drv.CT_ImpulseCounter,
    &g_drv.CT_FrequencyCounter,
    &g_drv.CT_PeriodCounter,
    &g_drv.CT_PulswidthCounter,
    &g_drv.CT_IncrementalCounter,
    &g_drv.CT_SetFrequency,
    &g_drv.CT_ReadSingleValue,
    &g_drv.MeasurementChannel_GetNumberOfValues,
    &g_drv.MeasurementChannel_ReadDataAsUInt32,
    &g_drv.ConfigMeasure,
    &g_drv.StartMeasure,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

enum { MODE_IMPULSE, MODE_FREQUENCY, MODE_PERIOD, MODE_PULSE_WIDTH, MODE_ROTARY, MODE_COUNT };

// Sets the channel's counter mode; *known is false for a mode outside the table.
i32 SetMode(i32 h, u32 channel, u32 mode, bool* known)
{
    *known = true;
    switch (mode) {
    case MODE_IMPULSE: return g_drv.CT_ImpulseCounter(h, channel, 0, 0, 0);
    case MODE_FREQUENCY: return g_drv.CT_FrequencyCounter(h, channel, 1, 0, 0);
    case MODE_PERIOD: return g_drv.CT_PeriodCounter(h, channel, 0, 0, 0);
    case MODE_PULSE_WIDTH: return g_drv.CT_PulswidthCounter(h, channel, 0, 0, 0);
    case MODE_ROTARY: return g_drv.CT_IncrementalCounter(h, channel, 0, 0, 0, 0, 0, 0);
    }
    *known = false;
    return -1;
}

i32 ReadSingle(Module* m, u32, const void* record, float* value)
{
    u32 count = 0;
    i32 status = g_drv.CT_ReadSingleValue(MOD_Runtime(m)->handle, ((const CounterInRecord*)record)->channel, &count);
    *value = (float)count;
    return status;
}

// Counter values as they come, no scaling: the unit is a label only.
void Convert(float* dst, const void* src, u32 n)
{
    const u32* s = (const u32*)src;
    for (u32 i = 0; i < n; ++i) dst[i] = (float)s[i];
}

i32 Refuse(Module* m, const char* text)
{
    g_host.ShowWarning(m->name, text);
    return 0;
}

}  // namespace

const InputKind g_counterInKind = {
    &g_frameCounterIn,
    DRV_MC_COUNTER,
    offsetof(CounterInRecord, listed),
    offsetof(CounterInRecord, core),
    offsetof(CounterInRecord, delivered),
    offsetof(CounterInRecord, settings) + offsetof(CounterInChannel, realTime),
    INPUT_NO_FIELD,
    1,  // single-value pass waits for the clock
    0,  // a completed partial block is not counted as delivered
    nullptr,
    ReadSingle,
    MOD_ReadUInt32,
    Convert,
};

i32 CounterIn_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareInput(m, f, &needs, g_drv.CT_ClearChannelList);
}

i32 CounterIn_Start(Module* m, const ModFrame* f)
{
    i32 h = MOD_Runtime(m)->handle;
    if (!DEV_FindDevice(h)) return 0;
    CounterInParams* p = MOD_Params<CounterInParams>(m);
    for (u32 c = 0, n = MOD_ChannelCount(m, f); c < n; ++c) {
        CounterInRecord* r = (CounterInRecord*)m->channel[c];
        if (!r) continue;
        r->settings = p->channel[c];
        r->channel = c;
        u32 position = 0;
        i32 status = MOD_ListPosition(m, f, c, g_drv.CT_GetChannelListSize, &position);
        if (status == DRV_ERR_LOST_CONNECTION) return 0;
        if (status != 0) continue;
        status = g_drv.CT_AddChannelToList(h, c, 1);
        if (MOD_Lost(m, f, status)) return 0;
        if (status != 0) return Refuse(m, "Couldn't add channel to channel list!");
        bool known;
        status = SetMode(h, c, r->settings.mode, &known);
        if (!known) return Refuse(m, "Unknown counter mode!");
        if (MOD_Lost(m, f, status)) return 0;
        if (status != 0) return Refuse(m, "Couldn't setup counter mode!");
        MOD_ListAt(m, &g_counterInKind, c, position, 0);
    }
    // Once per module, after all its channels are in the list.
    return MOD_FinishInputStart(m, f, MOD_SetRate(m, g_drv.CT_SetFrequency, p->timeBaseId));
}

i32 KW_CDECL CounterIn_Compute(Module* m) { return MOD_InputCompute(m, &g_counterInKind); }
