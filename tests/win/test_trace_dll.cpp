// kestrelwing.dll with its trace switched on by KESTRELWING_TRACE, against
// the simulated driver's DLL: an experiment of every kind leaves in the
// trace exactly the calls of the driver's own log, in order, with the same
// arguments and results, and the file is complete at shut-down.
#include "simdrv_control.h"

#include "dlg_driver.h"
#include "every_kind.h"
#include "trace_lines.h"

static void test_every_kind(void)
{
    std::string path = kwtest_temp_file("kw-trace-dll-" + std::to_string(GetCurrentProcessId()));
    SetEnvironmentVariableA("KESTRELWING_TRACE", path.c_str());
    bool loaded = dlg_load_plugin() && drv_resolve();
    SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
    if (!loaded) return;
    drv.Reset();
    if (!ok(drv.LoadConfig(kEveryKindDevice) == 0 && every_kind_worksheet(), "the worksheet")) return;
    drv.SetTime(0);
    SimRunOptions o = SH_DefaultRunOptions(0.5);
    o.onCycle = drv_follow_host_clock;
    ok(SH_Run(&o) == 1 && g_sim.warnings.empty() && g_sim.internalErrors.empty(), "the run");

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
    DeleteFileA(path.c_str());
}

int main(void)
{
    test_every_kind();
    return wintest_finish("test_trace_dll");
}
