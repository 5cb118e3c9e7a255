// A whole experiment of every kind with kestrelwing.dll in the simulated host
// against the simulated driver, its trace switched on by KESTRELWING_TRACE:
// the outputs read back by inputs of the same device, and the trace holding
// exactly the calls of the driver's own log.
#include "simdrv_control.h"

#include <math.h>

#include "dlg_driver.h"
#include "every_kind.h"
#include "trace_lines.h"

static const u32 kRate = 1000;
static const double kLate = 2 * 0.1 + 0.011;  // one block and one cycle

// Samples of an input stream, from the first write on, that differ from the
// value the last write before them set, as 'expected' reads it. Samples
// within a millisecond of a write are skipped: the clock's rounding decides
// on which side they fall.
static u32 stream_mismatches(const SimStream& in, const std::vector<SimDrvWrite>& writes,
                             float (*expected)(const SimDrvWrite&), double settle)
{
    u32 wrong = 0;
    for (size_t k = 0; k < in.values.size(); ++k) {
        double t = (double)k / kRate;
        const SimDrvWrite* last = nullptr;
        bool nearWrite = false;
        for (const SimDrvWrite& w : writes) {
            nearWrite |= fabs(w.time - t) < 0.0011;
            if (w.time <= t) last = &w;
        }
        if (last && !nearWrite && t >= last->time + settle) wrong += in.values[k] != expected(*last);
    }
    return wrong;
}

// The worksheet of every kind: the analog input reads what the analog
// output wrote, the first sample of every block; the digital input the level
// of every change of the digital output's square wave; a counter in
// pulse-width mode the duty cycle a ramp sets on a PWM output at 100 Hz (a
// pulse of d percent lasts 100 d microseconds, measured once a whole pulse
// of the new duty cycle has passed).
static void check_loops(void)
{
    SimModule *ai = g_sim.modules[0], *ci = g_sim.modules[1], *din = g_sim.modules[2];  // in the worksheet's order
    const SimStream& sine = SH_FindSource("sine")->fed;
    std::vector<SimDrvWrite> da = drv_writes("DA_WriteChannelVoltage");
    bool firsts = da.size() == sine.blocks.size() && da.size() >= 18;
    for (size_t i = 0; firsts && i < da.size(); ++i)
        firsts = da[i].value == (double)sine.values[sine.blocks[i].firstValue] &&
                 da[i].time <= sine.blocks[i].startTime + kLate;
    ok(firsts, "%u analog writes for %u blocks, or one not the block's first sample in time", (unsigned)da.size(),
       (unsigned)sine.blocks.size());
    u32 wrong = stream_mismatches(ai->out[0].stream, da, [](const SimDrvWrite& w) { return (float)w.value; }, 0);
    ok(wrong == 0 && ai->out[0].stream.sampleCount >= 1800, "analog loop: %u samples differ", wrong);

    const SimStream& square = SH_FindSource("square")->fed;
    u32 changes = 1;  // the first sample sets the line: the port word starts at 0
    for (size_t k = 1; k < square.values.size(); ++k) changes += (square.values[k] > 0) != (square.values[k - 1] > 0);
    std::vector<SimDrvWrite> ttl = drv_writes("TTL_WritePort");
    ok(ttl.size() == changes, "%u port writes for %u changes", (unsigned)ttl.size(), changes);
    wrong = stream_mismatches(din->out[0].stream, ttl,
                              [](const SimDrvWrite& w) { return (u32)w.value & 1 ? 5.0f : 0.0f; }, 0);
    ok(wrong == 0 && din->out[0].stream.sampleCount >= 1800, "digital loop: %u samples differ", wrong);

    const SimStream& ramp = SH_FindSource("ramp")->fed;
    std::vector<SimDrvWrite> ratio = drv_writes("PWM_WriteNewPWMRatio");
    bool ratios = ratio.size() == ramp.blocks.size();
    for (size_t i = 0; ratios && i < ratio.size(); ++i)
        ratios = ratio[i].value == floor(ramp.values[ramp.blocks[i].firstValue]);
    ok(ratios, "%u ratios for %u blocks, or one not the block's first value", (unsigned)ratio.size(),
       (unsigned)ramp.blocks.size());
    wrong = stream_mismatches(ci->out[0].stream, ratio, [](const SimDrvWrite& w) { return (float)(100 * w.value); },
                              0.025);
    ok(wrong == 0, "pulse-width loop: %u samples differ", wrong);
}

// Every call of the driver's log, in order, with its arguments and result,
// and the file complete at shut-down.
static void check_trace(const std::string& path)
{
    std::vector<TraceCall> log;
    char call[1024], result[512];
    for (u32 i = 0; i < drv.LogCount(); ++i) {
        drv.LogLine(i, call, sizeof call);
        drv.LogResult(i, result, sizeof result);
        log.push_back({call, result});
    }
    ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");  // the driver, too, goes with it
    std::string trace = trace_file_text(path);
    std::vector<TraceCall> calls = trace_calls(trace);
    ok(log.size() > 200 && calls.size() == log.size(), "%u calls traced, %u in the driver's log",
       (unsigned)calls.size(), (unsigned)log.size());
    for (size_t i = 0; i < calls.size() && i < log.size(); ++i)
        if (!ok(calls[i] == log[i], "call %u: traced %s = %s, logged %s = %s", (unsigned)i, calls[i].call.c_str(),
                calls[i].result.c_str(), log[i].call.c_str(), log[i].result.c_str()))
            break;
    std::vector<std::string> lines = trace_lines(trace);
    ok(!lines.empty() && lines.back() == "shut-down", "the trace does not end with the shut-down");
}

int main(void)
{
    std::string path = kwtest_temp_file("kw-trace-experiment-" + std::to_string(GetCurrentProcessId()));
    SetEnvironmentVariableA("KESTRELWING_TRACE", path.c_str());
    bool loaded = dlg_load_plugin() && drv_resolve();
    SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
    if (loaded) {
        drv.Reset();
        if (ok(drv.LoadConfig(kEveryKindDevice) == 0 && every_kind_worksheet(), "the worksheet")) {
            ((CounterOutParams*)g_sim.modules[4]->record->params)->channel[0].frequency = 100;
            ((CounterInParams*)g_sim.modules[1]->record->params)->channel[0].mode = 3;  // pulse width, microseconds
            drv.SetTime(0.0);
            SimRunOptions o = SH_DefaultRunOptions(2.0);
            o.onCycle = drv_follow_host_clock;
            if (ok(SH_Run(&o) == 1 && g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(),
                   "run refused, or warnings, errors or faults"))
                check_loops();
        }
        check_trace(path);
    }
    DeleteFileA(path.c_str());
    return wintest_finish("test_experiment");
}
