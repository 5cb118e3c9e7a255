// Signals of the simulated analog channels: sample k is the channel's wave at
// t = k / rate; noise depends only on its seed and k, so any sample can be
// recomputed without replaying the ones before it.
#include <math.h>

#include "simdrv_state.h"

static u64 SimMix(u64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

static double SimWaveValue(const SimSignal* s, double t, u64 k)
{
    double cycles = s->freq * t + s->phase;
    double frac = cycles - floor(cycles);
    switch (s->wave) {
    case SIM_SINE: return s->offset + s->amp * sin(2 * M_PI * cycles);
    case SIM_SQUARE: return s->offset + (frac < 0.5 ? s->amp : -s->amp);
    case SIM_RAMP: return s->offset + s->amp * (2 * frac - 1);
    case SIM_NOISE: {
        double u = (double)(SimMix(SimMix(s->seed) ^ k) >> 11) * 0x1p-53;
        return s->offset + s->amp * (2 * u - 1);
    }
    }
    return 0;
}

// One out-of-line function with a rounded result, so that a sample compares
// equal wherever it is computed (x87 keeps wider intermediates otherwise).
__attribute__((noinline)) double SimSample(const SimDevice* d, u32 channel, u64 k)
{
    volatile double v = SimWaveValue(&d->signal[channel], (double)k / d->rate, k);
    return v;
}

u64 SimSampleCount(double seconds, double rate)
{
    // The tolerance keeps exact-looking times (0.3 s at 1 kHz) from losing a sample to rounding.
    double x = seconds * rate;
    return x > 0 ? (u64)floor(x + x * 1e-12 + 1e-9) : 0;
}

__attribute__((noinline)) double SimSampleAt(const SimDevice* d, u32 channel, double t)
{
    u64 k = SimSampleCount(t, d->rate);
    volatile double v = SimWaveValue(&d->signal[channel], t, k);
    return v;
}

SIMDRV_API double SimDrv_SignalValue(i32 handle, u32 channel, u64 k)
{
    SimInit();
    const SimDevice* d = SimFindHandle(handle);
    return d && channel < d->channels ? SimSample(d, channel, k) : NAN;
}

SIMDRV_API double SimDrv_SignalAt(i32 handle, u32 channel, double t)
{
    SimInit();
    const SimDevice* d = SimFindHandle(handle);
    return d && channel < d->channels ? SimSampleAt(d, channel, t) : NAN;
}
