// Counter output during an experiment: per channel a pulse output in PWM mode
// (the input sets the duty cycle) or FM mode (the input sets the frequency),
// acting on the first sample of each arriving block. Driver refusals in the
// compute function are not reported: a refused frequency is tried again with
// the next block. A lost device ends the run, as in every kind.
#include "counterout_run.h"

#include <math.h>

#include "dev_device.h"
#include "drv_table.h"
#include "mod_run.h"

namespace {

const void* const s_needed[] = {
    &g_drv.PWM_PreparePWMOutput,
    &g_drv.PWM_PrepareFMOutput,
    &g_drv.PWM_StartOutput,
    &g_drv.PWM_WriteNewPWMRatio,
    &g_drv.PWM_SetFrequency,
    &g_drv.PWM_SetDutyCycle,
    &g_drv.GetDevicePropertyStringA,
    &g_drv.StopMeasure,
    &g_drv.RemoteDeviceDisconnect,
};

double Limit(double v, double low, double high) { return v < low ? low : v > high ? high : v; }

// Truncation toward zero into the driver's whole numbers; a value beyond
// their range saturates, NaN becomes 0.
i32 Whole(double v)
{
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return (i32)v;
}

// The value of host global variable 'number'. Only numbers above 0 name a
// variable, and a value that is not a finite number is not taken: the
// setting it would replace stays, in the block and on the device.
bool Variable(i16 number, double* value)
{
    double v;
    if (number <= 0 || !g_host.GlVar_Get(number, &v) || !isfinite(v)) return false;
    *value = v;
    return true;
}

// The device refuses many values without harm to the run (a refused FM
// frequency is tried again with the next block); only its loss ends the run.
i32 OnlyLost(i32 status) { return status == DRV_ERR_LOST_CONNECTION ? status : 0; }

i32 Act(Module* m, u32, void* record, const Block* b, bool* called)
{
    CounterOutRecord* r = (CounterOutRecord*)record;
    CounterOutChannel& s = r->settings;
    i32 h = MOD_Runtime(m)->handle;
    float first = MOD_BlockValues(b)[0];
    if (s.pwmMode) {  // every block, changed or not; NaN is written as 0
        *called = true;
        return OnlyLost(g_drv.PWM_WriteNewPWMRatio(h, r->channel, Whole(Limit(first, 0.0, 100.0))));
    }
    double duty;
    if (Variable(s.dutyCycleVar, &duty)) {
        duty = Limit(duty, 0.0, 100.0);
        if (duty != s.dutyCycle) {
            *called = true;
            s.dutyCycle = duty;  // whatever the driver answers
            if (i32 status = OnlyLost(g_drv.PWM_SetDutyCycle(h, r->channel, duty))) return status;
        }
    }
    // A frequency that is not a finite number is not written: the next block
    // brings another.
    if (isfinite(first) && (r->seen == 0.0 || first != r->last)) {
        *called = true;
        i32 status = g_drv.PWM_SetFrequency(h, r->channel, (double)first);
        if (status == 0) r->last = first;
        return OnlyLost(status);
    }
    return 0;
}

}  // namespace

const OutputKind g_counterOutKind = {
    &g_frameCounterOut, offsetof(CounterOutRecord, seen), OUTPUT_NO_FIELD, Act,
};

i32 CounterOut_Prepare(Module* m, const ModFrame* f)
{
    ModDriverNeeds needs = MOD_DRIVER_NEEDS(s_needed);
    if (!MOD_PrepareDevice(m, f, &needs)) return 0;
    i32 h = MOD_Runtime(m)->handle;
    CounterOutParams* p = MOD_Params<CounterOutParams>(m);
    for (u32 c = 0, n = MOD_ChannelCount(m, f); c < n; ++c) {
        CounterOutRecord* r = (CounterOutRecord*)m->channel[c];
        if (!r) continue;
        CounterOutChannel& s = r->settings;
        s = p->channel[c];
        r->channel = c;
        // A typed duty cycle goes to the device as stored; one from a variable is limited.
        double value;
        if (Variable(s.frequencyVar, &value)) s.frequency = value < 0 ? 0 : value;
        if (Variable(s.dutyCycleVar, &value)) s.dutyCycle = Limit(value, 0.0, 100.0);
        PFN_PWM_Prepare prepare = s.pwmMode ? g_drv.PWM_PreparePWMOutput : g_drv.PWM_PrepareFMOutput;
        // A refusal leaves the other channels to go on; a lost device does not.
        if (MOD_Lost(m, f, prepare(h, c, Whole(s.frequency), Whole(s.dutyCycle)))) return 0;
    }
    return 1;
}

i32 CounterOut_Start(Module* m, const ModFrame*)
{
    CounterOut_Refresh(m);
    DEV_RunMarkStart(MOD_Runtime(m)->handle);
    return 1;
}

i32 CounterOut_Go(Module* m, const ModFrame* f)
{
    i32 h = MOD_Runtime(m)->handle;
    if (h < 0) return 0;
    return !MOD_Lost(m, f, g_drv.PWM_StartOutput(h));
}

void CounterOut_Refresh(Module* m)
{
    CounterOutParams* p = MOD_Params<CounterOutParams>(m);
    for (u32 c = 0, n = MOD_ChannelCount(m, &g_frameCounterOut); c < n; ++c) {
        CounterOutChannel& s = p->channel[c];
        double value;
        if (Variable(s.frequencyVar, &value)) s.frequency = value < 0 ? 0 : value;
        if (Variable(s.dutyCycleVar, &value)) s.dutyCycle = value < 0 ? 0 : value;
    }
}

i32 KW_CDECL CounterOut_Compute(Module* m) { return MOD_OutputCompute(m, &g_counterOutKind); }
