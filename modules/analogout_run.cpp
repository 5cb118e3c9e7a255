// Analog output during an experiment: software-timed, one voltage per
// arriving block (its first sample) to the device channel of the same
// number, written only when it changes.
#include "analogout_run.h"

#include "dev_device.h"
#include "drv_table.h"
#include "mod_run.h"

namespace {

const void* const s_needed[] = {
    &g_drv.DA_WriteChannelVoltage,
    &g_drv.GetDevicePropertyStringA,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

// The first write of a run, and every first sample that differs from the
// last one written (a NaN always differs), reach the device.
i32 WriteFirstSample(Module* m, u32 channel, void* record, const Block* b, bool* called)
{
    AnalogOutRecord* r = (AnalogOutRecord*)record;
    float first = MOD_BlockValues(b)[0];
    if (r->seen != 0.0 && first == r->last) return 0;
    *called = true;
    i32 status = g_drv.DA_WriteChannelVoltage(MOD_Runtime(m)->handle, channel, (double)first);
    if (status == 0) r->last = first;
    return status;
}

}  // namespace

const OutputKind g_analogOutKind = {
    &g_frameAnalogOut,
    offsetof(AnalogOutRecord, seen),
    offsetof(AnalogOutRecord, blockEnd),
    WriteFirstSample,
};

i32 AnalogOut_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    return MOD_PrepareDevice(m, f, &needs);
}

// No driver call: the registry entry is marked for the modules that share the device.
i32 AnalogOut_Start(Module* m, const ModFrame*)
{
    DEV_RunMarkStart(MOD_Runtime(m)->handle);
    return 1;
}

i32 AnalogOut_Go(Module* m, const ModFrame*) { return MOD_Runtime(m)->handle >= 0; }

i32 KW_CDECL AnalogOut_Compute(Module* m) { return MOD_OutputCompute(m, &g_analogOutKind); }
