// Whole experiments with kestrelwing.dll in the simulated host against the
// simulated driver: a measurement checked sample by sample, two modules
// sharing one device, and a connection lost in the middle of a run.
#include "mod_params.h"
#include "simhost.h"
#include "test_plugin_paths.h"
#include "wintest.h"

#include <string>

static const char kDevice[] = "\\?\\eth#1#KW24-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";

// Control entries of the simulated driver, taken from the library the plug-in loaded.
static struct {
    void (*Reset)(void);
    void (*SetTime)(double);
    double (*SignalValue)(i32, u32, u64);
    void (*FailReads)(i32, u32, u32, double, i32);
    u32 (*LogCountOf)(const char*);
    u32 (*LogLine)(u32, char*, u32);
    u32 (*LogCount)(void);
    void (*LogClear)(void);
} drv;

template <typename F>
static void resolve(HMODULE lib, F*& slot, const char* name)
{
    slot = (F*)(void*)GetProcAddress(lib, name);
    ok(slot != nullptr, "simulated driver lacks %s", name);
}

static bool load_plugin(void)
{
    char dir[MAX_PATH], bin[MAX_PATH], dll[MAX_PATH];
    kwtest_driver_dir(dir, sizeof dir, "full");
    SetDllDirectoryA(dir);
    kwtest_bin_dir(bin, sizeof bin);
    snprintf(dll, sizeof dll, "%s\\kestrelwing.dll", bin);
    SH_Reset();
    if (!ok(SHW_LoadPlugin(dll) == 1, "SetupTarnDLL failed")) return false;
    HMODULE lib = GetModuleHandleA("tvxv2_w32.dll");
    if (!ok(lib != nullptr, "driver library not loaded by the plug-in")) return false;
    resolve(lib, drv.Reset, "SimDrv_Reset");
    resolve(lib, drv.SetTime, "SimDrv_SetTime");
    resolve(lib, drv.SignalValue, "SimDrv_SignalValue");
    resolve(lib, drv.FailReads, "SimDrv_FailReads");
    resolve(lib, drv.LogCountOf, "SimDrv_LogCountOf");
    resolve(lib, drv.LogLine, "SimDrv_LogLine");
    resolve(lib, drv.LogCount, "SimDrv_LogCount");
    resolve(lib, drv.LogClear, "SimDrv_LogClear");
    return drv.Reset && drv.SetTime && drv.SignalValue && drv.FailReads && drv.LogCountOf;
}

static SimModule* analog_input(u32 channels)
{
    SimModule* m = SH_CreateModule("KWE:AnalogIn");
    if (!ok(m != nullptr, "no analog input class")) return nullptr;
    AnalogInParams* p = (AnalogInParams*)m->record->params;
    kw_strlcpy(p->header.device, kDevice, sizeof p->header.device);
    p->timeBaseId = 2;
    m->record->outputCount = channels;
    return m;
}

// The driver's clock follows the host's, as a device's own clock would.
static int follow_host_clock(void*, u64)
{
    drv.SetTime(g_sim.clock);
    return 1;
}

static SimRunOptions run_options(double seconds)
{
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = follow_host_clock;
    return o;
}

static void delete_modules(void)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
}

// Four channels for one second at 1 kHz in blocks of 100: every sample is
// the device's signal at its index, blocks follow on without gaps.
static void test_measurement(void)
{
    drv.Reset();
    SH_SetTimeBase(2, 0.001, 100);
    SimModule* m = analog_input(4);
    if (!m) return;
    SimRunOptions o = run_options(1.0);
    ok(SH_Run(&o) == 1, "run refused");
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty(), "warnings or errors: %s",
       g_sim.warnings.empty() ? "" : g_sim.warnings[0].text.c_str());
    for (u32 c = 0; c < 4; ++c) {
        const SimStream& s = m->out[c].stream;
        ok(s.sampleCount >= 900 && s.gaps == 0, "channel %u: %u samples, %u gaps", c,
           (unsigned)s.sampleCount, (unsigned)s.gaps);
        u32 wrong = 0;
        for (size_t k = 0; k < s.values.size(); ++k)
            if (s.values[k] != (float)drv.SignalValue(1, c, k)) ++wrong;
        ok(wrong == 0, "channel %u: %u samples differ from the device's signal", c, wrong);
        bool timesFollow = true;
        for (size_t b = 0; b < s.blocks.size(); ++b)
            timesFollow &= s.blocks[b].startTime == (double)(float)0.001 * 100.0 * b &&
                           s.blocks[b].count == 100;
        ok(timesFollow, "channel %u: block start times do not follow on", c);
    }
    delete_modules();
}

// Two modules on one device: configured and started once; the first stop
// stops and disconnects it, the second finds nothing left to do.
static void test_shared_device(void)
{
    drv.Reset();
    SH_SetTimeBase(2, 0.001, 100);
    SimModule* a = analog_input(2);
    SimModule* b = analog_input(3);
    if (!a || !b) return;
    drv.LogClear();
    SimRunOptions o = run_options(0.2);
    o.onCycle = [](void* context, u64 k) {
        follow_host_clock(context, k);
        if (k == 0) drv.LogClear();  // keep what comes from the last cycle on
        return 1;
    };
    ok(SH_Run(&o) == 1, "run refused");
    ok(a->out[1].stream.sampleCount > 0 && b->out[2].stream.sampleCount > 0, "no data");

    // The stop phase is the tail of the log: exactly one StopMeasure and one disconnect.
    ok(drv.LogCountOf("StopMeasure(") == 1, "%u StopMeasure calls", drv.LogCountOf("StopMeasure("));
    ok(drv.LogCountOf("RemoteDeviceDisconnect(") == 1, "%u disconnects",
       drv.LogCountOf("RemoteDeviceDisconnect("));
    char last[128] = "";
    u32 n = drv.LogCount();
    if (n) drv.LogLine(n - 1, last, sizeof last);
    ok(strncmp(last, "RemoteDeviceDisconnect(1)", 25) == 0, "the second stop called the driver: %s", last);
    delete_modules();

    // Start phase: once per device.
    drv.Reset();
    a = analog_input(2);
    b = analog_input(3);
    SimRunOptions once = run_options(0.05);
    ok(SH_Run(&once) == 1, "second run refused");
    ok(drv.LogCountOf("ConfigMeasure(") == 1 && drv.LogCountOf("StartMeasure(") == 1,
       "ConfigMeasure %u, StartMeasure %u times", drv.LogCountOf("ConfigMeasure("),
       drv.LogCountOf("StartMeasure("));
    ok(drv.LogCountOf("AD_AddChannelToList(") == 5, "%u channels added",
       drv.LogCountOf("AD_AddChannelToList("));
    delete_modules();
}

// A connection lost at the fifth data read stops the experiment with the message.
static void test_lost_connection(void)
{
    drv.Reset();
    SH_SetTimeBase(2, 0.001, 100);
    SimModule* m = analog_input(2);
    if (!m) return;
    const u32 kDataReads = 2;  // MeasurementChannel_ReadDataAsDouble
    drv.FailReads(1, kDataReads, 5, -1.0, -1000);
    SimRunOptions o = run_options(1.0);
    ok(SH_Run(&o) == 1, "run refused");
    ok(g_sim.stopExperimentCalls == 1, "%u StopExperiment calls", g_sim.stopExperimentCalls);
    ok(g_sim.internalErrors.size() == 1, "%u internal errors", (unsigned)g_sim.internalErrors.size());
    if (!g_sim.internalErrors.empty()) {
        const SimInternalError& e = g_sim.internalErrors[0];
        ok(e.text == "Invalid device or lost connection, experiment stopped! (-1000)", "text: %s",
           e.text.c_str());
        ok(e.tag == "DLL:analogin", "tag: %s", e.tag.c_str());
    }
    ok(m->computeCalls < 100, "the run went on after the error (%u cycles)", (unsigned)m->computeCalls);
    delete_modules();
}

int main(void)
{
    if (load_plugin()) {
        test_measurement();
        test_shared_device();
        test_lost_connection();
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_experiment");
}
