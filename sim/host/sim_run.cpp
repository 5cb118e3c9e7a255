// The experiment run: start phases, processing cycles, stop.
#include "sim_internal.h"

#include <math.h>
#include <string.h>

#include <chrono>
#include <thread>

// The wall clock of a real-time run; null outside one.
static const SimWallClock* s_wall;
static double s_runBegin;

static double SteadyNow(void*)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// Under Wine a sleep may end a little before its time: it sleeps again.
static void SteadySleepUntil(void*, double time)
{
    std::chrono::duration<double> t(time);
    auto until = std::chrono::steady_clock::time_point(std::chrono::duration_cast<std::chrono::steady_clock::duration>(t));
    while (std::chrono::steady_clock::now() < until) std::this_thread::sleep_until(until);
}

static const SimWallClock kSteadyClock = {SteadyNow, SteadySleepUntil, nullptr};

double SIM_ClockNow(void)
{
    if (g_sim.running && s_wall) return s_wall->now(s_wall->context) - s_runBegin;
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

static void Cycle(const SimRunOptions* o, u64 cycle)
{
    if (o->onCycle && !o->onCycle(o->context, cycle)) {
        g_sim.stopRequested = true;
        return;
    }
    ++g_sim.report.cycles;
    SIM_ApplyDueVarChanges(g_sim.clock);
    SIM_FeedSources(g_sim.clock);
    for (SimModule* m : g_sim.modules) {
        Compute compute = g_sim.classes[(size_t)m->classIndex].record.compute;
        if (!compute) continue;
        ++m->computeCalls;
        if (compute(m->record)) ++m->computeTrue;
    }
}

// One cycle per step, as many as the run length holds.
static void RunSimulated(const SimRunOptions* o, double step)
{
    u64 cycles = (u64)llround(o->seconds / step);
    if (o->maxCycles && o->maxCycles < cycles) cycles = o->maxCycles;
    for (u64 k = 0; k < cycles && !g_sim.stopRequested; ++k) {
        g_sim.clock = (double)(k + 1) * step;
        Cycle(o, k);
    }
}

// Cycle moments at whole steps on the wall clock up to the run length. A
// cycle that ends after later moments have passed is followed at once by the
// last of them; those before it are skipped, the next cycle carrying their
// data, so that the run ends on time however slow its cycles are.
static void RunRealTime(const SimRunOptions* o, double step)
{
    SimRunReport& r = g_sim.report;
    u64 last = (u64)floor(o->seconds / step + 1e-9);  // moments (k + 1) * step within the run
    for (u64 k = 0; k < last && !g_sim.stopRequested && !(o->maxCycles && r.cycles >= o->maxCycles);) {
        double moment = (double)(k + 1) * step;
        s_wall->sleepUntil(s_wall->context, s_runBegin + moment);
        g_sim.clock = SIM_ClockNow();
        double lateness = g_sim.clock - moment;
        if (lateness > step / 2) ++r.lateCycles;
        if (lateness > r.maxLateness) r.maxLateness = lateness;
        Cycle(o, r.cycles);
        u64 passed = (u64)floor(SIM_ClockNow() / step + 1e-9);  // moments reached by now
        if (passed > last) passed = last;
        u64 next = passed > k + 2 ? passed - 1 : k + 1;
        r.skippedMoments += next - (k + 1);
        k = next;
    }
}

int SH_Run(const SimRunOptions* o)
{
    g_sim.stopRequested = false;
    g_sim.clock = 0;
    g_sim.report = SimRunReport{};
    SetRunning(true);
    for (SimModule* m : g_sim.modules) {
        m->computeCalls = m->computeTrue = 0;
        for (SimInput& in : m->in) in = SimInput{};
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

    double step = o->step > 0 ? o->step : 0.01;
    SIM_StartVarChanges();
    SIM_StartSources();
    if (o->realTime) {
        s_wall = o->wallClock ? o->wallClock : &kSteadyClock;
        s_runBegin = s_wall->now(s_wall->context);
        RunRealTime(o, step);
    } else {
        RunSimulated(o, step);
    }

    StopModules(g_sim.modules.size());
    g_sim.clock = SIM_ClockNow();
    s_wall = nullptr;
    SetRunning(false);
    return 1;
}
