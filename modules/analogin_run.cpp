// Analog input during an experiment: prepare, start, go and stop, and the
// compute function, which runs the shared input passes with the analog
// driver reads.
#include "analogin.h"
#include "analogin_run.h"
#include "dev_device.h"
#include "drv_table.h"
#include "mod_account.h"
#include "mod_run.h"

namespace {

AnalogInParams* Params(Module* m) { return MOD_Params<AnalogInParams>(m); }
AnalogInRecord* Record(Module* m, u32 c) { return (AnalogInRecord*)m->channel[c]; }

const void* const s_needed[] = {
    &g_drv.AD_ClearChannelList,
    &g_drv.AD_GetChannelListSize,
    &g_drv.AD_AddChannelToList,
    &g_drv.AD_SetFrequency,
    &g_drv.EnableSoftwareClock,
    &g_drv.AD_ReadSingleVoltage,
    &g_drv.MeasurementChannel_GetNumberOfValues,
    &g_drv.MeasurementChannel_ReadDataAsDouble,
    &g_drv.ConfigMeasure,
    &g_drv.StartMeasure,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

i32 ReadSingle(Module* m, u32, const void* record, float* value)
{
    const AnalogInRecord* r = (const AnalogInRecord*)record;
    double volts = 0;
    i32 status = g_drv.AD_ReadSingleVoltage(MOD_Runtime(m)->handle, r->deviceChannel, r->settings.inputMode,
                                            r->settings.range, r->settings.inputSwitch, &volts);
    *value = (float)volts;
    return status;
}

i32 ReadBlock(i32 handle, u32 kind, u32 position, void* buffer, u32* count)
{
    return g_drv.MeasurementChannel_ReadDataAsDouble(handle, kind, position, (double*)buffer, count, 0, 0, 0, 0);
}

void Convert(float* dst, const void* src, u32 n)
{
    const double* s = (const double*)src;
    for (u32 i = 0; i < n; ++i) dst[i] = (float)s[i];
}

}  // namespace

const InputKind g_analogInKind = {
    &g_frameAnalogIn,
    DRV_MC_ANALOG,
    offsetof(AnalogInRecord, listed),
    offsetof(AnalogInRecord, core),
    offsetof(AnalogInRecord, delivered),
    offsetof(AnalogInRecord, settings) + offsetof(AnalogChannel, realTime),
    INPUT_NO_FIELD,
    1,  // single-value pass waits for the clock
    1,  // a completed partial block counts as delivered
    nullptr,
    ReadSingle,
    ReadBlock,
    Convert,
};

i32 AnalogIn_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareInput(m, f, &needs, g_drv.AD_ClearChannelList);
}

i32 AnalogIn_Start(Module* m, const ModFrame* f)
{
    i32 h = MOD_Runtime(m)->handle;
    if (!DEV_FindDevice(h)) return 0;
    AnalogInParams* p = Params(m);
    for (u32 i = 0, n = MOD_ChannelCount(m, f); i < n; ++i) {
        AnalogInRecord* r = Record(m, i);
        if (!r) continue;
        r->settings = p->channel[i];
        u32 position = 0;
        i32 status = MOD_ListPosition(m, f, i, g_drv.AD_GetChannelListSize, &position);
        if (status == DRV_ERR_LOST_CONNECTION) return 0;
        if (status != 0) continue;
        status = g_drv.AD_AddChannelToList(h, i, r->settings.inputMode, r->settings.range, r->settings.inputSwitch);
        if (MOD_Lost(m, f, status)) return 0;
        r->deviceChannel = i;
        MOD_ListAt(m, &g_analogInKind, i, position, status);
    }
    u32 listSize = 0;
    if (MOD_Lost(m, f, g_drv.AD_GetChannelListSize(h, &listSize))) return 0;

    double hertz;
    if (!MOD_RateOf(m, &hertz)) return MOD_FinishInputStart(m, f, MOD_NO_RATE);
    float rate = (float)hertz;  // the device is asked for the single-precision rate
    i32 status;
    if (p->timeBaseId == 1) {
        status = MOD_SetFastRate(g_drv.AD_SetFrequency, h, rate);
    } else {
        if (MOD_Lost(m, f, g_drv.AD_SetFrequency(h, rate))) return 0;
        status = g_drv.AD_GetChannelListSize(h, &listSize);
        if (MOD_Lost(m, f, status)) return 0;
        // The device takes at most 128 values per software clock tick over
        // all channels. The limit is kept in the block, so it is saved.
        if (status == 0) {
            if (listSize != 0 && p->softwareClockBlockSize > 128 / listSize)
                p->softwareClockBlockSize = 128 / listSize;
            if (p->softwareClockBlockSize == 0) p->softwareClockBlockSize = 1;
        }
        status = g_drv.EnableSoftwareClock(h, p->softwareClock, p->softwareClockBlockSize);
    }
    return MOD_FinishInputStart(m, f, status);
}

i32 KW_CDECL AnalogIn_Compute(Module* m) { return MOD_InputCompute(m, &g_analogInKind); }
