// Whole experiments with kestrelwing.dll in the simulated host against the
// simulated driver: a measurement checked sample by sample, two modules
// sharing one device, and a connection lost in the middle of a run.
#include "dlg_driver.h"
#include "mod_params.h"

static const char kDevice[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";

// Control entries of the simulated driver, taken from the library the plug-in loaded.
static struct {
    void (*Reset)(void);
    void (*SetTime)(double);
    double (*SignalValue)(i32, u32, u64);
    void (*FailReads)(i32, u32, u32, double, i32);
    u32 (*LogCountOf)(const char*);
    void (*LogClear)(void);
} drv;

static bool resolve_driver(void)
{
    HMODULE lib = GetModuleHandleA("tvxv2_w32.dll");
#define KW_RESOLVE(f) (drv.f = (decltype(drv.f))(void*)GetProcAddress(lib, "SimDrv_" #f))
    bool all = KW_RESOLVE(Reset) && KW_RESOLVE(SetTime) && KW_RESOLVE(SignalValue) && KW_RESOLVE(FailReads) &&
               KW_RESOLVE(LogCountOf) && KW_RESOLVE(LogClear);
#undef KW_RESOLVE
    return ok(all, "the simulated driver is not loaded or lacks a control entry");
}

// An analog input on the first network device, time base 2.
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

// A run of 'seconds' of 1 kHz in blocks of 100 from a reset driver.
static int run(double seconds, int (*onCycle)(void*, u64) = follow_host_clock)
{
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = onCycle;
    return ok(SH_Run(&o) == 1, "run refused");
}

static void delete_modules(void)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    drv.Reset();
}

// Four channels for one second: every sample is the device's signal at its
// index, blocks follow on without gaps.
static void test_measurement(void)
{
    SimModule* m = analog_input(4);
    if (!m || !run(1.0)) return;
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty(), "warnings or errors: %s",
       g_sim.warnings.empty() ? "" : g_sim.warnings[0].text.c_str());
    for (u32 c = 0; c < 4; ++c) {
        const SimStream& s = m->out[c].stream;
        ok(s.sampleCount >= 900 && s.gaps == 0, "channel %u: %u samples, %u gaps", c, (unsigned)s.sampleCount,
           (unsigned)s.gaps);
        u32 wrong = 0;
        for (size_t k = 0; k < s.values.size(); ++k) wrong += s.values[k] != (float)drv.SignalValue(1, c, k);
        ok(wrong == 0, "channel %u: %u samples differ from the device's signal", c, wrong);
        bool timesFollow = true;
        for (size_t b = 0; b < s.blocks.size(); ++b)
            timesFollow &= s.blocks[b].startTime == (double)(float)0.001 * 100.0 * b && s.blocks[b].count == 100;
        ok(timesFollow, "channel %u: block start times do not follow on", c);
    }
    delete_modules();
}

// Two modules on one device: configured and started once; the first stop
// stops and disconnects it, the second finds nothing left to do.
static void test_shared_device(void)
{
    SimModule* a = analog_input(2);
    SimModule* b = analog_input(3);
    if (!a || !b || !run(0.05)) return;
    ok(drv.LogCountOf("ConfigMeasure(") == 1 && drv.LogCountOf("StartMeasure(") == 1,
       "ConfigMeasure %u, StartMeasure %u times", drv.LogCountOf("ConfigMeasure("), drv.LogCountOf("StartMeasure("));
    ok(drv.LogCountOf("AD_AddChannelToList(") == 5, "%u channels added", drv.LogCountOf("AD_AddChannelToList("));

    // The stop phase, in the log from the first cycle on: the first stop stops
    // and disconnects, the second calls nothing.
    run(0.2, [](void* context, u64 k) {
        if (k == 0) drv.LogClear();
        return follow_host_clock(context, k);
    });
    ok(a->out[1].stream.sampleCount > 0 && b->out[2].stream.sampleCount > 0, "no data");
    ok(drv.LogCountOf("StopMeasure(") == 1 && drv.LogCountOf("RemoteDeviceDisconnect(") == 1,
       "StopMeasure %u, disconnects %u times", drv.LogCountOf("StopMeasure("),
       drv.LogCountOf("RemoteDeviceDisconnect("));
    delete_modules();
}

// A connection lost at the fifth data read stops the experiment with the message.
static void test_lost_connection(void)
{
    SimModule* m = analog_input(2);
    if (!m) return;
    drv.FailReads(1, 2 /* MeasurementChannel_ReadDataAsDouble */, 5, -1.0, -1000);
    if (!run(1.0)) return;
    ok(g_sim.stopExperimentCalls == 1, "%u StopExperiment calls", g_sim.stopExperimentCalls);
    ok(g_sim.internalErrors.size() == 1 &&
           g_sim.internalErrors[0].text == "Invalid device or lost connection, experiment stopped! (-1000)" &&
           g_sim.internalErrors[0].tag == "DLL:analogin",
       "%u internal errors, the first '%s'", (unsigned)g_sim.internalErrors.size(),
       g_sim.internalErrors.empty() ? "" : g_sim.internalErrors[0].text.c_str());
    ok(m->computeCalls < 100, "the run went on after the error (%u cycles)", (unsigned)m->computeCalls);
    delete_modules();
}

int main(void)
{
    if (dlg_load_plugin() && resolve_driver()) {
        SH_SetTimeBase(2, 0.001, 100);
        drv.Reset();
        test_measurement();
        test_shared_device();
        test_lost_connection();
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_experiment");
}
