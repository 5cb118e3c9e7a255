// kestrelwing.dll with its trace switched on by KESTRELWING_TRACE, against
// the simulated driver's DLL: an experiment of every kind leaves in the
// trace exactly the calls of the driver's own log, in order, with the same
// arguments and results, and the file is complete at shut-down. The runner,
// its device clock ahead of the host's, prints the host's side of each
// channel's account, which agrees with the trace's.
#include "simdrv_control.h"

#include "dlg_driver.h"
#include "every_kind.h"
#include "run_process.h"
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

static void remove_folder(const std::string& folder)
{
    WIN32_FIND_DATAA f;
    HANDLE find = FindFirstFileA((folder + "\\*.csv").c_str(), &f);
    if (find != INVALID_HANDLE_VALUE) {
        do DeleteFileA((folder + "\\" + f.cFileName).c_str());
        while (FindNextFileA(find, &f));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// The demo worksheet with the device 50 ms ahead: the analog input drops
// values, and each channel's "values" line of the runner (received, gaps)
// agrees with the trace's (delivered).
static void test_runner_agrees(void)
{
    char bin[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    std::string path = kwtest_temp_file("kw-trace-runner-" + std::to_string(GetCurrentProcessId())), out = path + ".out", folder = path + ".csv";
    char command[4 * MAX_PATH];
    snprintf(command, sizeof command,
             "\"%s\\simhost.exe\" run \"%s\\kestrelwing.dll\" \"%s\\worksheets\\demo.ws\" --seconds 1 --out \"%s\" "
             "--device-lead 0.05",
             bin, bin, bin, folder.c_str());
    SetEnvironmentVariableA("KESTRELWING_TRACE", path.c_str());
    int code = run_process(command, out.c_str(), 60);
    SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
    ok(code == 0, "simhost.exe ended with %d", code);
    std::string trace = trace_file_text(path), printed = trace_file_text(out);
    int channels = 0;
    long long dropped = 0;
    for (size_t at = 0; (at = printed.find("\nvalues ", at)) != std::string::npos; ++at) {
        char module[16];
        unsigned channel;
        unsigned long long received, gaps;
        if (sscanf(printed.c_str() + at + 1, "values %15s %u: received %llu, gaps %llu", module, &channel, &received,
                   &gaps) != 4)
            continue;
        ++channels;
        long long delivered = trace_count(trace, module, channel, "delivered");
        ok(delivered == (long long)received && gaps == 0, "%s %u: delivered %lld, received %llu, %llu gaps", module,
           channel, delivered, received, gaps);
        dropped += trace_count(trace, module, channel, "dropped");
    }
    ok(channels == 10, "%d channels in the runner's account", channels);
    ok(dropped > 0, "nothing dropped with the device ahead");
    DeleteFileA(path.c_str());
    DeleteFileA(out.c_str());
    remove_folder(folder);
}

int main(void)
{
    test_every_kind();
    test_runner_agrees();
    return wintest_finish("test_trace_dll");
}
