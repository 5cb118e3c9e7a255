// Cost of the output side: one compute call of a 16-channel analog output and
// of an 8-channel digital output, each taking a block of 2048 samples per
// channel, against the least any consumer of the same blocks does: take each
// block from the host, read its samples once and release it. The driver
// accepts every write at once, as a device's fast path would.
#include <benchmark/benchmark.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

#include <vector>

#include "analogout_run.h"
#include "bench_summary.h"
#include "digitalout_run.h"
#include "drv_table.h"

namespace {

constexpr u32 kAnalog = 16, kDigital = 8, kSamples = 2048;
constexpr u32 kRing = 64;  // blocks per channel, taken round and round: more than the caches hold

struct Channel {
    std::vector<std::vector<u8>> blocks;  // the host's blocks of this input
    u32 next;
};

struct Rig {
    Module analog{}, digital{};
    AnalogOutParams analogParams{};
    DigitalParams digitalParams{};
    ModRuntime analogRuntime[2]{};
    DigitalOutRuntime digitalRuntime[4]{};
    AnalogOutRecord analogRec[kAnalog]{};
    DigitalOutRecord digitalRec[kDigital]{};
    Channel analogIn[kAnalog], digitalIn[kDigital];
    volatile u32 writes;
} g;

Channel* InputsOf(Module* m) { return m == &g.analog ? g.analogIn : g.digitalIn; }
Block* Take(Module* m, u32 c)
{
    Channel& ch = InputsOf(m)[c];
    return (Block*)ch.blocks[ch.next].data();
}
void Release(Module* m, u32 c, const char*, int)
{
    Channel& ch = InputsOf(m)[c];
    ch.next = (ch.next + 1) % kRing;
}
i32 Voltage(i32, u32, double) { return g.writes = g.writes + 1, 0; }
i32 Port(i32, u32, u32) { return g.writes = g.writes + 1, 0; }

// A block of 'wave' values: sample k of block b.
template <class F>
std::vector<u8> MakeBlock(u32 b, F wave)
{
    std::vector<u8> bytes(sizeof(Block) + kSamples * sizeof(float));
    Block* block = (Block*)bytes.data();
    block->startTime = b * kSamples * 1e-4;
    block->sampleDistance = 1e-4;
    block->count = kSamples;
    for (u32 k = 0; k < kSamples; ++k) block->values[k] = wave(b * kSamples + k);
    return bytes;
}

void Setup()
{
    g_host.GetInputBlock = Take;
    g_host.NewReleaseInputBlock = Release;
    g_drv.DA_WriteChannelVoltage = Voltage;
    g_drv.TTL_WritePort = Port;
    g.analog = {.active = 1, .inputCount = kAnalog};
    g.analog.params = &g.analogParams;
    g.analog.runtime = g.analogRuntime;
    g.digital = {.active = 1, .inputCount = kDigital};
    g.digital.params = &g.digitalParams;
    g.digital.runtime = g.digitalRuntime;
    for (u32 c = 0; c < kAnalog; ++c) {
        g.analog.channel[c] = &g.analogRec[c];
        // A sine: every block's first sample differs, so every block is written.
        for (u32 b = 0; b < kRing; ++b)
            g.analogIn[c].blocks.push_back(MakeBlock(b, [c](u32 k) { return (float)sin(k * 1e-3 + c); }));
    }
    for (u32 c = 0; c < kDigital; ++c) {
        g.digital.channel[c] = &g.digitalRec[c];
        // Square waves of different periods: the port word changes often.
        u32 half = 16u << c % 4;
        for (u32 b = 0; b < kRing; ++b)
            g.digitalIn[c].blocks.push_back(MakeBlock(b, [half](u32 k) { return k / half % 2 ? 5.0f : 0.0f; }));
    }
}

void BM_AnalogOutput(benchmark::State& state)
{
    for (auto _ : state) AnalogOut_Compute(&g.analog);
    state.counters["blocks"] = benchmark::Counter((double)state.iterations() * kAnalog);
}

void BM_DigitalOutput(benchmark::State& state)
{
    for (auto _ : state) DigitalOut_Compute(&g.digital);
    state.counters["blocks"] = benchmark::Counter((double)state.iterations() * kDigital);
}

// The same blocks taken, read once and released: the samples above 0.0 are
// counted, a loop the compiler vectorizes.
void BM_FetchRelease(benchmark::State& state)
{
    for (auto _ : state)
        for (Module* m : {&g.analog, &g.digital})
            for (u32 c = 0; c < m->inputCount; ++c) {
                const Block* b = g_host.GetInputBlock(m, c);
                u32 high = 0;
                for (u32 k = 0; k < b->count; ++k) high += b->values[k] > 0.0f;
                benchmark::DoNotOptimize(high);
                g_host.NewReleaseInputBlock(m, c, "", 0);
            }
    state.counters["blocks"] = benchmark::Counter((double)state.iterations() * (kAnalog + kDigital));
}

BENCHMARK(BM_AnalogOutput)->MinTime(0.3)->Repetitions(5);
BENCHMARK(BM_DigitalOutput)->MinTime(0.3)->Repetitions(5);
BENCHMARK(BM_FetchRelease)->MinTime(0.3)->Repetitions(5);

}  // namespace

int main(int argc, char** argv)
{
    Setup();
    benchmark::Initialize(&argc, argv);
    BenchSummary summary("blocks");
    benchmark::RunSpecifiedBenchmarks(&summary);
    double analog = summary.perIteration["BM_AnalogOutput"], digital = summary.perIteration["BM_DigitalOutput"];
    double yardstick = summary.perIteration["BM_FetchRelease"];
    printf("analog_output_ns_per_block=%.1f\n", summary.perCount["BM_AnalogOutput"]);
    printf("digital_output_ns_per_block=%.1f\n", summary.perCount["BM_DigitalOutput"]);
    printf("fetch_release_ns_per_block=%.1f\n", summary.perCount["BM_FetchRelease"]);
    printf("output_ratio=%.2f\n", yardstick > 0 ? (analog + digital) / yardstick : 0.0);
    return 0;
}
