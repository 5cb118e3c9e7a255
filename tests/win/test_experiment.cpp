// Whole experiments with kestrelwing.dll in the simulated host against the
// simulated driver: an analog, a counter and a digital input on one device,
// checked sample by sample, and a connection lost in the middle of a run of
// each input kind.
#include "simdrv_control.h"

#include "dlg_driver.h"
#include "mod_params.h"

static const char kDevice[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";
enum { kRate = 1000, kBlock = 100 };

// A module of the class on the first network device, time base 2 (1 kHz in
// blocks of 100): the module's channels are its outputs or inputs by kind.
static SimModule* on_device(const char* className, u32 channels)
{
    SimModule* m = SH_CreateModule(className);
    if (!ok(m != nullptr, "no class %s", className)) return nullptr;
    ParamHeader* h = (ParamHeader*)m->record->params;
    kw_strlcpy(h->device, kDevice, sizeof h->device);
    (m->record->inputCount ? m->record->inputCount : m->record->outputCount) = channels;
    return m;
}

// A run of 'seconds' from a reset driver clock; 'last' runs in the last cycle,
// before the modules are stopped.
static int run(double seconds, void (*last)(void) = nullptr)
{
    static void (*s_last)(void);
    static u64 s_cycles;
    s_last = last;
    s_cycles = (u64)(seconds / 0.01 + 0.5);
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = [](void* context, u64 k) {
        if (k == 1) drv.LogClear();  // the start phase and first cycle stay out of the stop checks
        if (k + 1 == s_cycles && s_last) s_last();
        return drv_follow_host_clock(context, k);
    };
    return ok(SH_Run(&o) == 1, "run refused");
}

static void delete_modules(void)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    drv.Reset();
}

// Every sample of output c is expected(c, k); blocks follow on without gap.
static void check_stream(const char* what, SimModule* m, u32 c, float (*expected)(u32 c, u64 k))
{
    const SimStream& s = m->out[c].stream;
    ok(s.sampleCount >= 900 && s.gaps == 0, "%s %u: %u samples, %u gaps", what, c, (unsigned)s.sampleCount,
       (unsigned)s.gaps);
    u32 wrong = 0;
    for (size_t k = 0; k < s.values.size(); ++k) wrong += s.values[k] != expected(c, k);
    ok(wrong == 0, "%s %u: %u of %u samples differ from the device's", what, c, wrong, (unsigned)s.values.size());
    bool timesFollow = true;
    for (size_t b = 0; b < s.blocks.size(); ++b)
        timesFollow &= s.blocks[b].startTime == (double)(float)0.001 * kBlock * b && s.blocks[b].count == kBlock;
    ok(timesFollow, "%s %u: block start times do not follow on", what, c);
}

static SimModule *s_analog, *s_counter, *s_digital;

// An analog, a counter and a digital input on one device: every sample is
// the device's at its index; the device is configured and started once, and
// stopped and disconnected once, by the first module to stop.
static void test_three_inputs_on_one_device(void)
{
    s_analog = on_device("KWE:AnalogIn", 2);
    s_counter = on_device("KWE:CounterIn", 2);
    s_digital = on_device("KWE:DigitalIn", 3);
    if (!s_analog || !s_counter || !s_digital) return;
    ((CounterInParams*)s_counter->record->params)->channel[1].mode = 1;  // frequency
    ((DigitalParams*)s_digital->record->params)->port = 1;
    bool checked = false;
    static bool* s_checked;
    s_checked = &checked;
    if (!run(1.0, [] {
            *s_checked = true;
            check_stream("analog", s_analog, 0, [](u32 c, u64 k) { return (float)drv.SignalValue(1, c, k); });
            check_stream("analog", s_analog, 1, [](u32 c, u64 k) { return (float)drv.SignalValue(1, c, k); });
            for (u32 c = 0; c < 2; ++c)
                check_stream("counter", s_counter, c, [](u32 c, u64 k) { return (float)drv.CounterValue(1, c, k); });
            for (u32 c = 0; c < 3; ++c)
                check_stream("digital", s_digital, c,
                             [](u32 c, u64 k) { return drv.LineValue(1, 4 + c, k) != 0 ? 5.0f : 0.0f; });
        }))
        return;
    ok(checked, "the last cycle was not reached");
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty(), "warnings or errors: %s",
       g_sim.warnings.empty() ? "" : g_sim.warnings[0].text.c_str());
    ok(drv.LogCountOf("StopMeasure(") == 1 && drv.LogCountOf("RemoteDeviceDisconnect(") == 1,
       "StopMeasure %u, disconnects %u times", drv.LogCountOf("StopMeasure("),
       drv.LogCountOf("RemoteDeviceDisconnect("));
    // The start phase, from a new run's log.
    drv.Reset();
    SimRunOptions o = SH_DefaultRunOptions(0.02);
    SH_Run(&o);
    ok(drv.LogCountOf("ConfigMeasure(") == 1 && drv.LogCountOf("StartMeasure(") == 1,
       "ConfigMeasure %u, StartMeasure %u times", drv.LogCountOf("ConfigMeasure("), drv.LogCountOf("StartMeasure("));
    ok(drv.LogCountOf("AD_AddChannelToList(") == 2 && drv.LogCountOf("CT_AddChannelToList(") == 2 &&
           drv.LogCountOf("TTL_AddChannelToList(") == 3,
       "channel lists");
    delete_modules();
}

// A connection lost at the fifth data read stops the experiment with the
// kind's message.
static void test_lost_connection(void)
{
    static const struct {
        const char* className;
        u32 readMask;
        const char* tag;
    } kKinds[] = {{"KWE:AnalogIn", SIMDRV_READ_DATA, "DLL:analogin"},
                  {"KWE:CounterIn", SIMDRV_READ_CT_DATA, "DLL:counterin"},
                  {"KWE:DigitalIn", SIMDRV_READ_TTL_DATA, "DLL:digitalin"}};
    for (const auto& kind : kKinds) {
        SimModule* m = on_device(kind.className, 2);
        if (!m) return;
        drv.FailReads(1, kind.readMask, 5, -1.0, -1000);
        if (!run(1.0)) return;
        ok(g_sim.stopExperimentCalls == 1, "%s: %u StopExperiment calls", kind.tag, g_sim.stopExperimentCalls);
        ok(g_sim.internalErrors.size() == 1 &&
               g_sim.internalErrors[0].text == "Invalid device or lost connection, experiment stopped! (-1000)" &&
               g_sim.internalErrors[0].tag == kind.tag,
           "%s: %u internal errors, the first '%s'", kind.tag, (unsigned)g_sim.internalErrors.size(),
           g_sim.internalErrors.empty() ? "" : g_sim.internalErrors[0].text.c_str());
        ok(m->computeCalls < 100, "%s: the run went on after the error (%u cycles)", kind.tag,
           (unsigned)m->computeCalls);
        delete_modules();
        g_sim.internalErrors.clear();
        g_sim.stopExperimentCalls = 0;
    }
}

int main(void)
{
    if (dlg_load_plugin() && drv_resolve()) {
        SH_SetTimeBase(2, 1.0 / kRate, kBlock);
        drv.Reset();
        test_three_inputs_on_one_device();
        test_lost_connection();
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_experiment");
}
