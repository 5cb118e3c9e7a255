// Analog input signals: the configured wave of each channel at a device time,
// or, with loopback, the voltage last written to the analog output of the same
// number. Noise depends only on its seed and a sample number, so any sample
// can be recomputed without replaying the ones before it.
#include <math.h>
#include <string.h>

#include "simdrv_state.h"

static u64 SimMix(u64 x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

double SimNoise(u64 seed, u64 n)
{
    double u = (double)(SimMix(SimMix(seed) ^ n) >> 11) * 0x1p-53;
    return 2 * u - 1;
}

// The recording of the "recorded" signal: two tones and some noise, made once.
enum { SIM_RECORDING = 1 << 21 };  // 16 MiB: more than the caches hold, as a device's stream is
const double* SimRecording(void)
{
    static double* samples;
    if (!samples) {
        samples = new double[SIM_RECORDING];
        for (u32 i = 0; i < SIM_RECORDING; ++i)
            samples[i] = 0.8 * sin(2 * M_PI * i / 1024.0) + 0.15 * sin(2 * M_PI * i / 97.0) + 0.05 * SimNoise(7, i);
    }
    return samples;
}

static u32 SimRecordingAt(const SimSignal* s, u64 tick) { return (u32)((tick + s->seed) % SIM_RECORDING); }

static double SimWaveValue(const SimSignal* s, double t, u64 tick)
{
    double cycles = s->freq * t + s->phase;
    double frac = cycles - floor(cycles);
    switch (s->wave) {
    case SIM_SINE: return s->offset + s->amp * sin(2 * M_PI * cycles);
    case SIM_SQUARE: return s->offset + (frac < 0.5 ? s->amp : -s->amp);
    case SIM_RAMP: return s->offset + s->amp * (2 * frac - 1);
    case SIM_NOISE: return s->offset + s->amp * SimNoise(s->seed, tick);
    case SIM_RECORDED: return SimRecording()[SimRecordingAt(s, tick)];
    }
    return 0;
}

u64 SimSampleCount(double seconds, double rate)
{
    // The tolerance keeps exact-looking times (0.3 s at 1 kHz) from losing a sample to rounding.
    double x = seconds * rate;
    return x > 0 ? (u64)floor(x + x * 1e-12 + 1e-9) : 0;
}

// One out-of-line function with a rounded result, so that a value compares
// equal wherever it is computed (x87 keeps wider intermediates otherwise).
// 'tick' numbers the noise samples.
__attribute__((noinline)) static double SimWaveAt(const SimDevice* d, u32 channel, double t, u64 tick)
{
    volatile double v = SimWaveValue(&d->signal[channel], t, tick);
    return v;
}

double SimAnalogAt(const SimDevice* d, u32 channel, double t)
{
    const std::vector<SimStep>& written = SimLoopOf(d).analog[channel];
    i32 hint = SIM_NO_HINT;
    i32 i = written.empty() ? -1 : SimStepAt(written, t, &hint);
    return i >= 0 ? written[i].value : SimWaveAt(d, channel, t, SimSampleCount(t, d->stream[DRV_MC_ANALOG].rate));
}

// Noise is numbered by the ticks of the analog rate.
void SimAnalogFill(const SimDevice* d, u32 channel, u64 k, u32 n, double* out)
{
    const std::vector<SimStep>& written = SimLoopOf(d).analog[channel];
    u64 tick = SimFirstTick(d, DRV_MC_ANALOG) + k;
    if (written.empty() && d->signal[channel].wave == SIM_RECORDED) {
        for (u32 i = 0; i < n;) {
            u32 at = SimRecordingAt(&d->signal[channel], tick + i);
            u32 run = SIM_RECORDING - at < n - i ? SIM_RECORDING - at : n - i;
            memcpy(out + i, SimRecording() + at, run * sizeof(double));
            i += run;
        }
        return;
    }
    if (written.empty()) {  // the usual case
        for (u32 i = 0; i < n; ++i) out[i] = SimWaveAt(d, channel, SimTickTime(d, DRV_MC_ANALOG, tick + i), tick + i);
        return;
    }
    i32 hint = SIM_NO_HINT;
    for (u32 i = 0; i < n; ++i) {
        double t = SimTickTime(d, DRV_MC_ANALOG, tick + i);
        i32 w = SimStepAt(written, t, &hint);
        out[i] = w >= 0 ? written[w].value : SimWaveAt(d, channel, t, tick + i);
    }
}
