// The analog input's block pass through kestrelwing.dll itself, under Wine:
// 16 channels of a simulated device that serves a recording from memory, so
// that the driver's copy of every value is part of the pass as with a real
// driver, against a plain SSE2 double-to-float loop over as much data in the
// same process. Prints dll_ratio_to_sse2 last (tools/bench.sh).
#include "simdrv_control.h"

#include "dlg_driver.h"
#include "mod_params.h"

constexpr u32 kChannels = 16, kBlock = 2048, kStep = 2 * kBlock, kRecording = 1 << 21, kRepeats = 9;
static const double kDistance = 1e-6;  // 1 MHz: the clock is counted in microseconds

static double Seconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// Best of the repeats, in nanoseconds per value: the machine may be busy.
template <class F>
static double NsPerValue(F pass, u32 passes, double values)
{
    double best = 1e30;
    for (u32 r = 0; r < kRepeats; ++r) {
        double start = Seconds();
        for (u32 i = 0; i < passes; ++i) pass();
        double ns = (Seconds() - start) * 1e9 / (passes * values);
        if (ns < best) best = ns;
    }
    return best;
}

static SimModule* s_module;
static double s_pass, s_sse2, s_copy;

// The same amount of data converted by the plain loop the compiler
// vectorizes for SSE2, and only copied.
static void Yardsticks(void)
{
    static double source[kRecording];
    static float block[kChannels][kBlock];
    static volatile double copy[kBlock];
    for (u32 i = 0; i < kRecording; ++i) source[i] = (double)i * 1e-3;
    u32 at = 0;
    auto convert = [&] {
        for (u32 c = 0; c < kChannels; ++c)
            for (u32 b = 0; b < kStep; b += kBlock, at = (at + kBlock) % kRecording) {
                const double* __restrict src = source + at;
                float* __restrict dst = block[c];
                for (u32 i = 0; i < kBlock; ++i) dst[i] = (float)src[i];
            }
        __asm__ volatile("" ::: "memory");
    };
    auto duplicate = [&] {
        for (u32 c = 0; c < kChannels; ++c)
            for (u32 b = 0; b < kStep; b += kBlock, at = (at + kBlock) % kRecording)
                memcpy((double*)copy, source + at, sizeof copy);
        __asm__ volatile("" ::: "memory");
    };
    s_sse2 = NsPerValue(convert, 1000, (double)kChannels * kStep);
    s_copy = NsPerValue(duplicate, 1000, (double)kChannels * kStep);
}

// Runs in the first cycle of a run: compute calls of the started module,
// each with two blocks' worth of new values per channel.
static int Measure(void*, u64)
{
    Compute compute = g_sim.classes[(size_t)s_module->classIndex].record.compute;
    double t = 0;
    auto pass = [&] {
        t += kStep * kDistance;
        g_sim.clock = t;
        drv.SetTime(t);
        compute(s_module->record);
    };
    for (int i = 0; i < 20; ++i) pass();
    s_pass = NsPerValue(pass, 1000, (double)kChannels * kStep);
    u64 samples = s_module->out[kChannels - 1].stream.sampleCount;
    ok(samples >= 1000 * kRepeats * (u64)kStep && s_module->out[0].stream.gaps == 0, "the pass delivered %llu values",
       (unsigned long long)samples);
    return 0;  // ends the run
}

int main(void)
{
    if (dlg_load_plugin() && drv_resolve()) {
        ok(drv.LoadConfig("[usb]\nserial = BENCH\nhandle = 9\nchannels = 16\nmaxrate = 100000000\nsignal = recorded\n") ==
               0,
           "bench device");
        drv.LogEnable(0);  // the call log is the simulator's, not the driver's work
        SH_SetTimeBase(2, kDistance, kBlock);
        s_module = SH_CreateModule("KWE:AnalogIn");
        if (ok(s_module != nullptr, "no analog input")) {
            AnalogInParams* p = (AnalogInParams*)s_module->record->params;
            kw_strlcpy(p->header.device, "\\?\\usb#0#BENCH###", sizeof p->header.device);
            s_module->record->outputCount = kChannels;
            g_sim.sink = [](void*, SimModule*, u32, const Block*) {};  // blocks counted, not kept
            drv.SetTime(0);
            SimRunOptions o = SH_DefaultRunOptions(1.0);
            o.onCycle = Measure;
            ok(SH_Run(&o) == 1 && g_sim.internalErrors.empty(), "run refused or stopped");
            g_sim.sink = nullptr;
            Yardsticks();
        }
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    printf("dll_block_pass_ns_per_sample=%.3f\n", s_pass);
    printf("sse2_conversion_ns_per_sample=%.3f\n", s_sse2);
    printf("double_copy_ns_per_sample=%.3f\n", s_copy);
    printf("dll_ratio_to_sse2=%.2f\n", s_sse2 > 0 ? s_pass / s_sse2 : 0.0);
    return wintest_finish("bench_dll_pass");
}
