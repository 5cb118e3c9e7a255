// The experiment run: start phases, processing cycles, stop.
#include "sim_internal.h"

#include <math.h>
#include <string.h>

#include <chrono>
#include <thread>

// The wall clock of a real-time run; null outside one.
static const SimWallClock* s_wall;
static double s_runBegin;
// A real-time run in progress: its options, step, the index of the next
// moment ((s_next + 1) * step) and the moments in the run.
static const SimRunOptions* s_run;
static double s_step;
static u64 s_next, s_last;

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
    return o;
}

void SH_Pause(bool paused)
{
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

static bool SetUpFifos(void)
{
    for (SimModule* m : g_sim.modules) {
        u32 outputs = m->record->outputCount;
        if (outputs > KW_MAX_CHANNELS) outputs = KW_MAX_CHANNELS;
        for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
            m->out[i].fifo = Fifo{0, 0.0, 21};  // the fifo kind a host writes before set-up
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
    SIM_FeedSources(g_sim.clock);
    double begin = SteadyNow(nullptr);
    for (SimModule* m : g_sim.modules) {
        Compute compute = g_sim.classes[(size_t)m->classIndex].record.compute;
        if (!compute) continue;
        ++m->computeCalls;
        if (compute(m->record)) ++m->computeTrue;
    }
    g_sim.report.computeSeconds += SteadyNow(nullptr) - begin;
}

// One cycle per step, as many as the run length holds, the first at
// firstCycleAt when it is given. Each cycle's time is a product, never a sum,
// so that a day of steps does not drift.
static void RunSimulated(const SimRunOptions* o, double step)
{
    double before = o->firstCycleAt > step ? o->firstCycleAt - step : 0;
    u64 cycles = o->seconds > before ? (u64)llround((o->seconds - before) / step) : 0;
    for (u64 k = 0; k < cycles && !g_sim.stopRequested; ++k) {
        g_sim.clock = before + (double)(k + 1) * step;
        Cycle(o, k);
    }
}

static bool RealTimeGoesOn(void)
{
    return s_next < s_last && !g_sim.stopRequested;
}

// The cycle of moment s_next, now. A cycle that ends after later moments have
// passed is followed at once by the last of them; those before it are
// skipped, the next cycle carrying their data, so that the run ends on time
// however slow its cycles are. The moment is taken before the cycle runs, so
// that cycles run from within it (SH_RunDueCycles) take the later ones.
static void RealTimeCycle(void)
{
    SimRunReport& r = g_sim.report;
    double moment = (double)(s_next + 1) * s_step;
    g_sim.clock = SIM_ClockNow();
    double lateness = g_sim.clock - moment;
    if (lateness > s_step / 2) ++r.lateCycles;
    if (lateness > r.maxLateness) r.maxLateness = lateness;
    ++s_next;
    Cycle(s_run, r.cycles);
    u64 passed = (u64)floor(SIM_ClockNow() / s_step + 1e-9);  // moments reached by now
    if (passed > s_last) passed = s_last;
    if (passed > s_next + 1) {
        r.skippedMoments += passed - 1 - s_next;
        s_next = passed - 1;
    }
}

// Cycle moments at whole steps on the wall clock up to the run length.
static void RunRealTime(const SimRunOptions* o, double step)
{
    s_run = o;
    s_step = step;
    s_next = 0;
    s_last = (u64)floor(o->seconds / step + 1e-9);  // moments (k + 1) * step within the run
    while (RealTimeGoesOn()) {
        s_wall->sleepUntil(s_wall->context, s_runBegin + (double)(s_next + 1) * step);
        RealTimeCycle();
    }
}

void SH_RunDueCycles(void)
{
    if (!g_sim.running || !s_wall) return;
    while (RealTimeGoesOn() && SIM_ClockNow() >= (double)(s_next + 1) * s_step) RealTimeCycle();
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
    bool started = StartPhase(DMM_PREPARE_START_MODULE, &prepared) && SetUpFifos() &&
                   StartPhase(DMM_START_MODULE, nullptr) && StartPhase(DMM_GO_MODULE, nullptr);
    if (!started) {
        StopModules(prepared);
        SetRunning(false);
        return 0;
    }

    double step = o->step > 0 ? o->step : 0.01;
    SIM_StartSources(!o->realTime && o->firstCycleAt > step ? o->firstCycleAt - step : 0);
    double begin = SteadyNow(nullptr);
    if (o->realTime) {
        s_wall = o->wallClock ? o->wallClock : &kSteadyClock;
        s_runBegin = s_wall->now(s_wall->context);
        RunRealTime(o, step);
    } else {
        RunSimulated(o, step);
    }
    g_sim.report.wallSeconds = SteadyNow(nullptr) - begin;

    StopModules(g_sim.modules.size());
    g_sim.clock = SIM_ClockNow();
    s_wall = nullptr;
    SetRunning(false);
    return 1;
}
