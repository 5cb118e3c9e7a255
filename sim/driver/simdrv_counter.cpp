// Simulated counter inputs. Each input sees a pulse train described by its
// phase in cycles: a rising edge at every whole cycle, high while the phase's
// fraction is below the duty cycle of the pulse's rising edge. The configured
// train's phase is freq × t with each edge moved by its jitter; with loopback
// the pulse output of the same number takes over from its first prepare on
// (SimCounterDrive), its phase running on continuously at the new rate.
//
// What a counter delivers at time t, in its mode (all whole numbers):
//   impulse      rising edges since StartMeasure, counted from 'start'
//                (wrapping at 2^32)
//   frequency    hertz, 1 / the last whole period since StartMeasure
//   period       that period in microseconds
//   pulse width  the last whole high pulse since StartMeasure, in microseconds
//   incremental  a rotary encoder turned by the pulses: forward for 100
//                pulses, back for as many, so the position runs 0 → 100 → 0
// Frequency, period and pulse width are 0 until a whole period or pulse has
// been seen since StartMeasure.
#include <math.h>

#include "simdrv_state.h"

// ---------------------------------------------------------------- phase and time

// Phase of the configured train: cycle n starts at n + jitter × noise(n) on
// the undisturbed scale x = freq × t, linear in between; jitter below 0.5
// keeps the phase rising.
static double SimTrainEdge(const SimPulseTrain& tr, double n)
{
    return n + tr.jitter * SimNoise(tr.seed, (u64)(i64)n);
}

static double SimTrainPhase(const SimPulseTrain& tr, double t)
{
    double x = tr.freq * t;
    if (tr.jitter == 0) return x;
    double n = floor(x), a = SimTrainEdge(tr, n), b = SimTrainEdge(tr, n + 1);
    return a + (b - a) * (x - n);
}

// The time at which the configured train's phase reaches p.
static double SimTrainTime(const SimPulseTrain& tr, double p)
{
    if (tr.jitter == 0) return p / tr.freq;
    // Edge n lies within ±0.45 of n, so p lies between edges n - 1 and n + 2.
    double n = floor(p);
    if (SimTrainEdge(tr, n) > p) n -= 1;
    else if (SimTrainEdge(tr, n + 1) <= p) n += 1;
    double a = SimTrainEdge(tr, n), b = SimTrainEdge(tr, n + 1);
    return (n + (p - a) / (b - a)) / tr.freq;
}

static double SimPulsePhase(const SimDevice* d, u32 channel, double t, i32* hint)
{
    const std::vector<SimPulseStep>& steps = SimLoopOf(d).pulse[channel];
    i32 i = steps.empty() ? -1 : SimStepAt(steps, t, hint);
    if (i < 0) return SimTrainPhase(d->train[channel], t);
    return steps[i].phase + steps[i].cycles * (t - steps[i].t);
}

// The time at which the phase reached p (p already reached).
static double SimPulseTime(const SimDevice* d, u32 channel, double p)
{
    const std::vector<SimPulseStep>& steps = SimLoopOf(d).pulse[channel];
    if (steps.empty() || p <= steps[0].phase) return SimTrainTime(d->train[channel], p);
    size_t lo = 1, hi = steps.size();  // the first step whose phase reaches p
    while (lo < hi) {
        size_t mid = (lo + hi) / 2;
        if (steps[mid].phase < p) lo = mid + 1;
        else hi = mid;
    }
    const SimPulseStep& s = steps[lo - 1];  // its predecessor runs through p, so s.cycles > 0
    return s.t + (p - s.phase) / s.cycles;
}

static double SimPulseDuty(const SimDevice* d, u32 channel, double t)
{
    const std::vector<SimPulseStep>& steps = SimLoopOf(d).pulse[channel];
    i32 hint = SIM_NO_HINT;
    i32 i = steps.empty() ? -1 : SimStepAt(steps, t, &hint);
    return i < 0 ? d->train[channel].duty : steps[i].duty;
}

void SimCounterDrive(SimDevice* d, u32 channel, double hertz, double dutyPercent)
{
    if (!d->loopback || channel >= SIM_COUNTERS) return;
    std::vector<SimPulseStep>& steps = SimLoopOf(d).pulse[channel];
    double t = SimNow(), duty = dutyPercent / 100;
    SimStepTrim(steps, t);
    i32 hint = SIM_NO_HINT;
    double phase = SimPulsePhase(d, channel, t, &hint);
    steps.push_back({t, phase, duty > 0 && duty < 1 ? hertz : 0, duty});
}

// ---------------------------------------------------------------- values

static u32 SimWhole(double v)
{
    if (!(v > 0)) return 0;
    return v >= 4294967295.0 ? UINT32_MAX : (u32)floor(v + 0.5);
}

// Out of line, so a value compares equal wherever it is computed. 'hint'
// carries the history position from one call to the next (SimStepAt).
__attribute__((noinline)) static u32 SimCounterSample(const SimDevice* d, u32 channel, double t, i32* hint)
{
    i32 startHint = SIM_NO_HINT;
    double p0 = SimPulsePhase(d, channel, d->startTime, &startHint), p = SimPulsePhase(d, channel, t, hint);
    double edge = floor(p), since = edge - floor(p0);  // the last rising edge at or before t; edges since the start
    u64 edges = since > 0 ? (u64)since : 0;
    switch (d->counterMode[channel]) {
    case SIM_CT_IMPULSE: return (u32)(d->train[channel].start + edges);
    case SIM_CT_INCREMENTAL: {
        u64 swing = SIM_SWING, r = edges % (2 * swing);
        return (u32)(r <= swing ? r : 2 * swing - r);
    }
    case SIM_CT_FREQUENCY:
    case SIM_CT_PERIOD: {
        if (edge - 1 <= p0) return 0;  // no whole period since the start
        double period = SimPulseTime(d, channel, edge) - SimPulseTime(d, channel, edge - 1);
        return SimWhole(d->counterMode[channel] == SIM_CT_FREQUENCY ? 1 / period : period * 1e6);
    }
    case SIM_CT_PULSEWIDTH: {
        double rise = SimPulseTime(d, channel, edge), duty = SimPulseDuty(d, channel, rise);
        if (p < edge + duty) {  // this pulse is still high: the one before
            edge -= 1;
            rise = SimPulseTime(d, channel, edge);
            duty = SimPulseDuty(d, channel, rise);
        }
        if (edge <= p0) return 0;
        return SimWhole((SimPulseTime(d, channel, edge + duty) - rise) * 1e6);
    }
    }
    return 0;
}

void SimCounterFill(const SimDevice* d, u32 channel, u64 k, u32 n, u32* out)
{
    SimFillTicks(d, DRV_MC_COUNTER, k, n, out, [&](double t, i32* hint) { return SimCounterSample(d, channel, t, hint); });
}

u32 SimCounterAt(const SimDevice* d, u32 channel, double t)
{
    i32 hint = SIM_NO_HINT;
    return SimCounterSample(d, channel, t, &hint);
}

// ---------------------------------------------------------------- entry points

extern "C" i32 KW_STDCALL Sim_CT_AddChannelToList(i32 h, u32 channel, u32 flag)
{
    i32 st;
    SimDevice* d = SimEnterDevice(&st, "CT_AddChannelToList", h, "%d,%u,%u", h, channel, flag);
    if (!d) return st;
    if (channel >= SIM_COUNTERS) return SIMDRV_ERR_ARGUMENT;
    return SimListAdd(d, DRV_MC_COUNTER, channel);
}

// The mode calls after their log line. Their further words are settings a
// real counter takes; the simulated one needs none of them.
static i32 SimSetCounterMode(i32 h, u32 channel, SimCounterMode mode)
{
    SimDevice* d = SimConnected(h);
    if (!d) return DRV_ERR_LOST_CONNECTION;
    if (channel >= SIM_COUNTERS) return SIMDRV_ERR_ARGUMENT;
    if (d->measuring) return SIMDRV_ERR_STATE;
    d->counterMode[channel] = mode;
    return DRV_OK;
}

#define SIM_CT_MODE(field, mode)                                                           \
    extern "C" i32 KW_STDCALL Sim_##field(i32 h, u32 channel, u32 a, u32 b, u32 c)          \
    {                                                                                      \
        i32 st;                                                                            \
        if (SimEnter(&st, #field, h, "%d,%u,%u,%u,%u", h, channel, a, b, c)) return st;     \
        return SimSetCounterMode(h, channel, mode);                                        \
    }
SIM_CT_MODE(CT_ImpulseCounter, SIM_CT_IMPULSE)
SIM_CT_MODE(CT_FrequencyCounter, SIM_CT_FREQUENCY)
SIM_CT_MODE(CT_PeriodCounter, SIM_CT_PERIOD)
SIM_CT_MODE(CT_PulswidthCounter, SIM_CT_PULSEWIDTH)
#undef SIM_CT_MODE

extern "C" i32 KW_STDCALL Sim_CT_IncrementalCounter(i32 h, u32 channel, u32 a, u32 b, u32 c, u32 d, u32 e, u32 f)
{
    i32 st;
    if (SimEnter(&st, "CT_IncrementalCounter", h, "%d,%u,%u,%u,%u,%u,%u,%u", h, channel, a, b, c, d, e, f))
        return st;
    return SimSetCounterMode(h, channel, SIM_CT_INCREMENTAL);
}

extern "C" i32 KW_STDCALL Sim_CT_ReadSingleValue(i32 h, u32 channel, u32* value)
{
    i32 st;
    if (SimEnter(&st, "CT_ReadSingleValue", h, "%d,%u,%s", h, channel, SimPtr(value))) return st;
    SimDevice* d = SimReadDevice(h, SIMDRV_READ_CT_SINGLE, &st);
    if (!d) return st;
    if (!value || channel >= SIM_COUNTERS) return SIMDRV_ERR_ARGUMENT;
    *value = SimCounterAt(d, channel, SimNow());
    return DRV_OK;
}
