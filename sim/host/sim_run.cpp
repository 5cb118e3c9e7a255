// The experiment run: start phases, processing cycles, stop.
#include "sim_internal.h"

#include <math.h>
#include <string.h>

#include <chrono>
#include <thread>

typedef std::chrono::steady_clock SimSteady;

static bool s_realTimeClock;
static SimSteady::time_point s_runBegin;

double SIM_ClockNow(void)
{
    if (g_sim.running && s_realTimeClock)
        return std::chrono::duration<double>(SimSteady::now() - s_runBegin).count();
    return g_sim.clock;
}

SimRunOptions SH_DefaultRunOptions(double seconds)
{
    SimRunOptions o = {};
    o.seconds = seconds;
    o.step = 0.01;
    o.fifoKind = 21;
    return o;
}

void SH_Pause(bool paused)
{
    g_sim.paused = paused;
    SH_SetPluginFlag("bExperimentIsPaused", paused ? 1 : 0);
}

static void SetRunning(bool running)
{
    g_sim.running = running;
    SH_SetPluginFlag("bExperimentIsRunning", running ? 1 : 0);
    if (!running) SH_Pause(false);
}

// Empties the output's stream and gives it a block of the fifo's size.
static void SetUpOutputBlock(SimModule* m, u32 i)
{
    SimOutput& out = m->out[i];
    out.stream = SimStream{};
    u32 size = out.fifo.blockSize;
    if (size > 65535) {
        SIM_Fault("%s output %u: block size %u does not fit a block", m->record->name, i, size);
        size = 0;
    }
    out.capacity = size;
    out.block.assign(size ? sizeof(Block) + size * sizeof(float) : 0, 0);
}

// Sends one start phase to every module; false at the first refusal.
static bool StartPhase(u32 msg, size_t* prepared)
{
    for (SimModule* m : g_sim.modules) {
        if (prepared) ++*prepared;
        if (!SH_Send(m, msg, 0, 0)) return false;
    }
    return true;
}

static bool SetUpFifos(u16 fifoKind)
{
    for (SimModule* m : g_sim.modules) {
        u32 outputs = m->record->outputCount;
        if (outputs > KW_MAX_CHANNELS) outputs = KW_MAX_CHANNELS;
        for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
            m->out[i].fifo = Fifo{0, 0.0, fifoKind};
            m->out[i].capacity = 0;
            m->out[i].block.clear();
        }
        for (u32 i = 0; i < outputs; ++i) {
            if (!SH_Send(m, DCM_SETUP_FIFO, i, 0)) return false;
            SetUpOutputBlock(m, i);
        }
    }
    return true;
}

static void StopModules(size_t count)
{
    for (size_t i = 0; i < count && i < g_sim.modules.size(); ++i)
        SH_Send(g_sim.modules[i], DMM_STOP_MODULE, 0, 0);
}

static void Cycle(void)
{
    for (SimModule* m : g_sim.modules) {
        Compute compute = g_sim.classes[(size_t)m->classIndex].record.compute;
        if (!compute) continue;
        ++m->computeCalls;
        if (compute(m->record)) ++m->computeTrue;
    }
}

int SH_Run(const SimRunOptions* o)
{
    g_sim.stopRequested = false;
    g_sim.clock = 0;
    s_realTimeClock = false;
    SetRunning(true);
    for (SimModule* m : g_sim.modules) {
        m->computeCalls = m->computeTrue = 0;
        SH_Send(m, DMM_PUBLISH_CHANNEL_NAMES, 0, 0);
    }

    size_t prepared = 0;
    bool started = StartPhase(DMM_PREPARE_START_MODULE, &prepared) && SetUpFifos(o->fifoKind) &&
                   StartPhase(DMM_START_MODULE, nullptr) && StartPhase(DMM_GO_MODULE, nullptr);
    if (!started) {
        StopModules(prepared);
        SetRunning(false);
        return 0;
    }

    // The same number of cycles in both clock modes: one per step up to the
    // run length. In real time each cycle waits for its moment.
    double step = o->step > 0 ? o->step : 0.01;
    u64 cycles = (u64)llround(o->seconds / step);
    if (o->maxCycles && o->maxCycles < cycles) cycles = o->maxCycles;
    s_realTimeClock = o->realTime;
    s_runBegin = SimSteady::now();
    for (u64 k = 0; k < cycles && !g_sim.stopRequested; ++k) {
        if (o->realTime) {
            std::this_thread::sleep_until(s_runBegin + std::chrono::duration_cast<SimSteady::duration>(
                                                           std::chrono::duration<double>((double)(k + 1) * step)));
            g_sim.clock = SIM_ClockNow();
        } else {
            g_sim.clock = (double)(k + 1) * step;
        }
        if (o->onCycle && !o->onCycle(o->context, k)) break;
        Cycle();
    }

    StopModules(g_sim.modules.size());
    g_sim.clock = SIM_ClockNow();
    s_realTimeClock = false;
    SetRunning(false);
    return 1;
}
