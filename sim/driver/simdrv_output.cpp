// Simulated analog and pulse outputs. Every call is recorded with its status
// and device time (SimRecordWrite); with loopback analog output k drives
// analog input k, and pulse output k drives counter input k.
//
// Pulse outputs: a prepare call (PWM or FM, alike here) sets a channel's
// frequency (hertz, above 0) and duty cycle (percent, 0 to 100);
// PWM_StartOutput starts every prepared channel; PWM_WriteNewPWMRatio,
// PWM_SetFrequency and PWM_SetDutyCycle change a prepared channel, running or
// not. A prepared channel that
// is not running holds its line low; every output stops when its device is
// disconnected.
#include <math.h>

#include "simdrv_state.h"

// The work of each output call once it is logged and no call fault stopped
// it; the entry points record every call with its status.
static i32 SimWriteVoltage(i32 h, u32 channel, double volts)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_DA, &st);
    if (!d) return st;
    if (channel >= d->channels) return SIMDRV_ERR_ARGUMENT;
    if (d->loopback) SimLoopWrite(SimLoopOf(d).analog[channel], volts);
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_DA_WriteChannelVoltage(i32 h, u32 channel, double volts)
{
    i32 st;
    if (!SimEnter(&st, "DA_WriteChannelVoltage", h, "%d,%u,%.15g", h, channel, volts))
        st = SimWriteVoltage(h, channel, volts);
    return SimRecordWrite(SIMDRV_WRITE_DA, "DA_WriteChannelVoltage", h, (i32)channel, volts, 0, st);
}

// ---------------------------------------------------------------- pulse outputs

static void SimPwmDrive(SimDevice* d, u32 channel)
{
    const SimPwmOutput& p = d->pwm[channel];
    SimCounterDrive(d, channel, d->pwmRunning ? p.freq : 0, p.duty);
}

static i32 SimPrepare(i32 h, u32 channel, i32 frequency, i32 duty)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_PWM_SETUP, &st);
    if (!d) return st;
    if (channel >= SIM_PWM_OUTPUTS || duty < 0 || duty > 100) return SIMDRV_ERR_ARGUMENT;
    if (frequency <= 0) return SIMDRV_ERR_RATE;
    d->pwm[channel] = {true, (double)frequency, (double)duty};
    SimPwmDrive(d, channel);
    return DRV_OK;
}

static i32 SimPrepareCall(const char* name, i32 h, u32 channel, i32 frequency, i32 duty)
{
    i32 st;
    if (!SimEnter(&st, name, h, "%d,%u,%d,%d", h, channel, frequency, duty))
        st = SimPrepare(h, channel, frequency, duty);
    return SimRecordWrite(SIMDRV_WRITE_PWM_SETUP, name, h, (i32)channel, frequency, duty, st);
}

extern "C" i32 KW_STDCALL Sim_PWM_PreparePWMOutput(i32 h, u32 channel, i32 frequency, i32 duty)
{
    return SimPrepareCall("PWM_PreparePWMOutput", h, channel, frequency, duty);
}

extern "C" i32 KW_STDCALL Sim_PWM_PrepareFMOutput(i32 h, u32 channel, i32 frequency, i32 duty)
{
    return SimPrepareCall("PWM_PrepareFMOutput", h, channel, frequency, duty);
}

static i32 SimStartOutput(i32 h)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_PWM_SETUP, &st);
    if (!d) return st;
    d->pwmRunning = true;
    for (u32 c = 0; c < SIM_PWM_OUTPUTS; ++c)
        if (d->pwm[c].prepared) SimPwmDrive(d, c);
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_PWM_StartOutput(i32 h)
{
    i32 st;
    if (!SimEnter(&st, "PWM_StartOutput", h, "%d", h)) st = SimStartOutput(h);
    return SimRecordWrite(SIMDRV_WRITE_PWM_SETUP, "PWM_StartOutput", h, -1, 0, 0, st);
}

// A change of a prepared pulse output: a new frequency (hertz) or duty cycle
// (percent); null: kept.
static i32 SimPwmChange(i32 h, u32 channel, const double* frequency, const double* duty)
{
    i32 st;
    SimDevice* d = SimWriteDevice(h, SIMDRV_WRITE_PWM, &st);
    if (!d) return st;
    if (channel >= SIM_PWM_OUTPUTS) return SIMDRV_ERR_ARGUMENT;
    SimPwmOutput& p = d->pwm[channel];
    if (!p.prepared) return SIMDRV_ERR_STATE;
    if (frequency && !(*frequency > 0 && *frequency < HUGE_VAL)) return SIMDRV_ERR_RATE;
    if (duty && !(*duty >= 0 && *duty <= 100)) return SIMDRV_ERR_ARGUMENT;
    if (frequency) p.freq = *frequency;
    if (duty) p.duty = *duty;
    SimPwmDrive(d, channel);
    return DRV_OK;
}

extern "C" i32 KW_STDCALL Sim_PWM_WriteNewPWMRatio(i32 h, u32 channel, i32 duty)
{
    i32 st;
    double percent = duty;
    if (!SimEnter(&st, "PWM_WriteNewPWMRatio", h, "%d,%u,%d", h, channel, duty))
        st = SimPwmChange(h, channel, nullptr, &percent);
    return SimRecordWrite(SIMDRV_WRITE_PWM, "PWM_WriteNewPWMRatio", h, (i32)channel, duty, 0, st);
}

// PWM_SetFrequency (hertz) and PWM_SetDutyCycle (percent).
static i32 SimPwmSet(const char* name, i32 h, u32 channel, double value, bool isFrequency)
{
    i32 st;
    if (!SimEnter(&st, name, h, "%d,%u,%.15g", h, channel, value))
        st = SimPwmChange(h, channel, isFrequency ? &value : nullptr, isFrequency ? nullptr : &value);
    return SimRecordWrite(SIMDRV_WRITE_PWM, name, h, (i32)channel, value, 0, st);
}

extern "C" i32 KW_STDCALL Sim_PWM_SetFrequency(i32 h, u32 channel, double hertz)
{
    return SimPwmSet("PWM_SetFrequency", h, channel, hertz, true);
}

extern "C" i32 KW_STDCALL Sim_PWM_SetDutyCycle(i32 h, u32 channel, double duty)
{
    return SimPwmSet("PWM_SetDutyCycle", h, channel, duty, false);
}
