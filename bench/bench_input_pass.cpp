// Cost of the analog input's block pass: 16 channels served from an in-memory
// driver, against a plain double-to-float conversion of the same data into
// the same blocks; the cost of a compute call that finds nothing waiting; and
// the cost of one driver call with the trace never on, on, and ended by a
// failed write. Ends with summary lines, the last two of which
// tools/bench.sh passes on last.
#include <benchmark/benchmark.h>
#include <string.h>

#include <vector>

#include "analogin.h"
#include "analogin_run.h"
#include "bench_summary.h"
#include "drv_table.h"
#include "drv_trace.h"
#include "mod_kinds.h"
#include "trace_control.h"

namespace {

constexpr u32 kChannels = 16;
constexpr u32 kBlock = 2048;          // values per host block
constexpr u32 kStep = 2 * kBlock;     // clock ticks per compute call
// Values per channel, served round and round: over 10^7 samples in all, far
// more than the caches hold, as a device's stream is.
constexpr u32 kSource = 160 * kStep;

struct Rig {
    Module m{};
    AnalogInParams params{};
    ModRuntime runtime[2]{};
    AnalogInRecord rec[kChannels]{};
    Fifo fifo[kChannels]{};
    std::vector<double> block[kChannels];   // host block memory, reused after release
    std::vector<double> source[kChannels];  // what the device measured
    u64 served[kChannels]{};
    double time = 0;      // clock ticks (sample distance 1)
    bool starved = false; // the device holds nothing
} g;

double Time(u32) { return g.time; }
double Distance(u32) { return 1.0; }
Block* Current(Fifo* f) { return reinterpret_cast<Block*>(g.block[f - g.fifo].data()); }
void Release(Fifo*, const char*, int) {}

i32 Count(i32, u32, u32 pos, i32* n)
{
    *n = g.starved ? 0 : (i32)((u64)g.time - g.served[pos]);
    return 0;
}

i32 Read(i32, u32, u32 pos, double* buffer, u32* count, u32, u32, u32, u32)
{
    u32 done = 0;
    while (done < *count) {
        u32 at = (u32)(g.served[pos] % kSource);
        u32 n = kSource - at < *count - done ? kSource - at : *count - done;
        memcpy(buffer + done, g.source[pos].data() + at, n * sizeof(double));
        done += n;
        g.served[pos] += n;
    }
    return 0;
}

void Setup()
{
    g_host.GetTimeBaseTime = Time;
    g_host.GetTimeBaseSampleDistance = Distance;
    g_host.GetCurrentOutputBlock = Current;
    g_host.NewReleaseOutputBlock = Release;
    g_drv.MeasurementChannel_GetNumberOfValues = Count;
    g_drv.MeasurementChannel_ReadDataAsDouble = Read;
    g.m.active = 1;
    g.m.outputCount = kChannels;
    g.m.params = &g.params;
    g.m.runtime = g.runtime;
    g.params.timeBaseId = 2;
    g.runtime[0] = {1, kBlock, 1.0};
    for (u32 c = 0; c < kChannels; ++c) {
        g.m.outputFifo[c] = &g.fifo[c];
        g.m.channel[c] = &g.rec[c];
        g.fifo[c] = {kBlock, 1.0, 0};
        g.rec[c].listed = 1;
        g.rec[c].core.listPosition = c;
        g.rec[c].core.blockSize = kBlock;
        g.rec[c].core.sampleDistance = 1.0f;
        g.rec[c].settings.realTime = 1;
        g.block[c].assign(3 + kBlock / 2, 0.0);
        g.source[c].resize(kSource);
        for (u32 k = 0; k < kSource; ++k) g.source[c][k] = c + k * 1e-3;
    }
}

void BM_BlockPass(benchmark::State& state)
{
    for (auto _ : state) {
        g.time += kStep;
        AnalogIn_Compute(&g.m);
    }
    state.counters["samples"] = benchmark::Counter((double)state.iterations() * kStep * kChannels);
}

// The same data into the same blocks, converted by a plain loop.
void BM_Conversion(benchmark::State& state)
{
    u64 at = 0;
    for (auto _ : state) {
        for (u32 c = 0; c < kChannels; ++c)
            for (u32 b = 0; b < kStep; b += kBlock) {
                const double* src = g.source[c].data() + (at + b) % kSource;
                float* dst = reinterpret_cast<float*>(reinterpret_cast<u8*>(g.block[c].data()) + 24);
                for (u32 i = 0; i < kBlock; ++i) dst[i] = (float)src[i];
                benchmark::DoNotOptimize(dst);
            }
        at += kStep;
        benchmark::ClobberMemory();
    }
    state.counters["samples"] = benchmark::Counter((double)state.iterations() * kStep * kChannels);
}

void BM_IdleCall(benchmark::State& state)
{
    g.starved = true;
    for (auto _ : state) {
        g.time += 1;
        benchmark::DoNotOptimize(AnalogIn_Compute(&g.m));
    }
    g.starved = false;
}

// The trace's file takes everything, until it is told to fail.
bool s_traceWriteFails;
const TraceSystem kTraceFile = {
    [](const char*) -> void* { return &s_traceWriteFails; },
    [](void*, const void*, u32) { return !s_traceWriteFails; },
    [](void*) {},
    [](const char*, const char*) { return false; },
    [] { return TRC_System()->microseconds(); },
    [](char* text, u32 size) { kw_strlcpy(text, "", size); },
};
enum TraceState { TRACE_NEVER_ON, TRACE_ON, TRACE_ENDED };

// One count query through the driver table, as the block pass asks it.
void BM_CountQuery(benchmark::State& state)
{
    g_drv.MeasurementChannel_GetNumberOfValues = Count;
    if (state.range(0) != TRACE_NEVER_ON) {
        s_traceWriteFails = false;
        TRC_Open(&kTraceFile, "bench-trace.txt", TRC_FILE_LIMIT);
        DRV_TraceCalls();
    }
    if (state.range(0) == TRACE_ENDED) {
        s_traceWriteFails = true;
        TRC_Flush();
    }
    i32 n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(g_drv.MeasurementChannel_GetNumberOfValues(1, 0, 0, &n));
    TRC_Close();
}

BENCHMARK(BM_BlockPass)->MinTime(0.3)->Repetitions(5);
BENCHMARK(BM_Conversion)->MinTime(0.3)->Repetitions(5);
BENCHMARK(BM_IdleCall)->MinTime(0.2)->Repetitions(5);
BENCHMARK(BM_CountQuery)->Arg(TRACE_NEVER_ON)->Arg(TRACE_ON)->Arg(TRACE_ENDED)->MinTime(0.2)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    Setup();
    benchmark::Initialize(&argc, argv);
    BenchSummary summary("samples");
    benchmark::RunSpecifiedBenchmarks(&summary);
    double pass = summary.perCount["BM_BlockPass"];
    double plain = summary.perCount["BM_Conversion"];
    printf("block_pass_ns_per_sample=%.3f\n", pass);
    printf("conversion_ns_per_sample=%.3f\n", plain);
    const char* const states[] = {"never_on", "on", "ended"};
    for (int i = 0; i < 3; ++i)
        printf("count_query_ns_trace_%s=%.1f\n", states[i], summary.perIteration["BM_CountQuery/" + std::to_string(i)]);
    printf("ratio_to_conversion=%.2f\n", plain > 0 ? pass / plain : 0.0);
    printf("idle_call_ns=%.1f\n", summary.perIteration["BM_IdleCall"]);
    return 0;
}
