// A whole experiment of every kind with kestrelwing.dll in the simulated host
// against the simulated driver, its trace switched on by KESTRELWING_TRACE:
// every value crosses the driver's binary interface as the driver logs it,
// and the trace holds exactly the calls of that log.
#include "simdrv_control.h"

#include "dlg_driver.h"
#include "every_kind.h"
#include "trace_lines.h"

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
            drv.SetTime(0.0);
            SimRunOptions o = SH_DefaultRunOptions(0.5);
            o.onCycle = drv_follow_host_clock;
            bool delivered = SH_Run(&o) == 1;
            for (SimModule* m : g_sim.modules)
                for (u32 c = 0; c < m->record->outputCount; ++c) delivered &= m->out[c].stream.sampleCount >= 400;
            ok(delivered && g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(),
               "run refused, an input short of values, or warnings, errors or faults");
        }
        check_trace(path);
    }
    DeleteFileA(path.c_str());
    return wintest_finish("test_experiment");
}
