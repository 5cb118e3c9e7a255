// Whole experiments with kestrelwing.dll in the simulated host against the
// simulated driver: three input kinds checked sample by sample against the
// device, outputs read back by inputs of the same device, and a connection
// lost in the middle of a run of every kind.
#include "simdrv_control.h"

#include <math.h>

#include "dlg_driver.h"
#include "every_kind.h"

static const u32 kRate = 1000, kBlock = 100;
static const double kLate = 2 * 0.1 + 0.011;  // one block and one cycle

static SimModule* on_device(const char* className, u32 channels)
{
    SimModule* m = every_kind_module(className, channels);
    ok(m != nullptr, "no class %s", className);
    return m;
}

static void feed(const char* source, SimModule* m) { ok(every_kind_feed(source, m, 0), "source %s", source); }

// A run of 'seconds' from a reset driver clock; 'last' runs in the last
// cycle, before the modules stop. The driver's log starts after the first
// cycle, so that it holds the stop phase only.
static void (*s_last)(void);
static u64 s_cycles;
static int run(double seconds, void (*last)(void) = nullptr)
{
    s_last = last;
    s_cycles = (u64)(seconds / 0.01 + 0.5);
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = [](void* context, u64 k) {
        if (k == 1) drv.LogClear();
        if (k + 1 == s_cycles && s_last) s_last();
        return drv_follow_host_clock(context, k);
    };
    return ok(SH_Run(&o) == 1, "run refused");
}

static void clean_run(const char* what)
{
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(), "%s: warnings, errors or faults",
       what);
}

// Every sample of output c is expected(c, k); blocks follow on without gap.
static void check_stream(const char* what, SimModule* m, u32 c, float (*expected)(u32 c, u64 k))
{
    const SimStream& s = m->out[c].stream;
    u32 wrong = 0;
    bool timesFollow = s.sampleCount >= 900 && s.gaps == 0;
    for (size_t k = 0; k < s.values.size(); ++k) wrong += s.values[k] != expected(c, k);
    for (size_t b = 0; b < s.blocks.size(); ++b)
        timesFollow &= s.blocks[b].startTime == (double)(float)0.001 * kBlock * b && s.blocks[b].count == kBlock;
    ok(wrong == 0 && timesFollow, "%s %u: %u of %u samples differ from the device's, %u gaps or blocks out of step",
       what, c, wrong, (unsigned)s.values.size(), (unsigned)s.gaps);
}

static SimModule *s_analog, *s_counter, *s_digital;

// Three inputs on one device: every sample is the device's at its index; the
// device is stopped and disconnected once, by the first module to stop.
static void test_three_inputs_on_one_device(void)
{
    s_analog = on_device("KWE:AnalogIn", 2);
    s_counter = on_device("KWE:CounterIn", 2);
    s_digital = on_device("KWE:DigitalIn", 3);
    if (!s_analog || !s_counter || !s_digital) return;
    ((CounterInParams*)s_counter->record->params)->channel[1].mode = 1;  // frequency
    ((DigitalParams*)s_digital->record->params)->port = 1;
    static bool checked;
    if (!run(1.0, [] {
            checked = true;
            for (u32 c = 0; c < 2; ++c) {
                check_stream("analog", s_analog, c, [](u32 c, u64 k) { return (float)drv.SignalValue(1, c, k); });
                check_stream("counter", s_counter, c, [](u32 c, u64 k) { return (float)drv.CounterValue(1, c, k); });
            }
            for (u32 c = 0; c < 3; ++c)
                check_stream("digital", s_digital, c,
                             [](u32 c, u64 k) { return drv.LineValue(1, 4 + c, k) != 0 ? 5.0f : 0.0f; });
        }))
        return;
    ok(checked, "the last cycle was not reached");
    clean_run("three inputs");
    ok(drv.LogCountOf("StopMeasure(") == 1 && drv.LogCountOf("RemoteDeviceDisconnect(") == 1,
       "StopMeasure %u, disconnects %u times", drv.LogCountOf("StopMeasure("),
       drv.LogCountOf("RemoteDeviceDisconnect("));
}

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
static void test_loops(void)
{
    if (!ok(every_kind_worksheet(), "the worksheet")) return;
    SimModule *ai = g_sim.modules[0], *ci = g_sim.modules[1], *din = g_sim.modules[2];  // in the worksheet's order
    ((CounterOutParams*)g_sim.modules[4]->record->params)->channel[0].frequency = 100;
    ((CounterInParams*)ci->record->params)->channel[0].mode = 3;  // pulse width, microseconds
    if (!run(2.0)) return;
    clean_run("loops");

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

// A connection lost at the fifth data read or the third write of a module of
// any kind stops the experiment with that module's message, at once.
static void test_lost_connection(void)
{
    static const struct {
        const char* className;
        u32 reads, writes;  // the calls that fail
        const char* tag;
    } kKinds[] = {
        {"KWE:AnalogIn", SIMDRV_READ_DATA, 0, "DLL:analogin"},
        {"KWE:CounterIn", SIMDRV_READ_CT_DATA, 0, "DLL:counterin"},
        {"KWE:DigitalIn", SIMDRV_READ_TTL_DATA, 0, "DLL:digitalin"},
        {"KWE:AnalogOut", 0, SIMDRV_WRITE_DA, "DLL:analogout"},
        {"KWE:CounterOut", 0, SIMDRV_WRITE_PWM, "DLL:counterout"},
        {"KWE:DigitalOut", 0, SIMDRV_WRITE_TTL, "DLL:digitalout"},
    };
    for (const auto& k : kKinds) {
        SimModule* m = on_device(k.className, 2);
        if (!m) continue;
        if (k.writes) {
            feed("wave square amp=1 freq=5 timebase=2", m);
            drv.FailWrites(1, k.writes, 3, -1.0, -1000);
        } else {
            drv.FailReads(1, k.reads, 5, -1.0, -1000);
        }
        if (!run(2.0)) return;
        const auto& e = g_sim.internalErrors;
        ok(g_sim.stopExperimentCalls == 1 && e.size() == 1 &&
               e[0].text == "Invalid device or lost connection, experiment stopped! (-1000)" && e[0].tag == k.tag &&
               m->computeCalls < 100,
           "%s: %u stops, %u errors, the first \"%s\", %u cycles", k.tag, g_sim.stopExperimentCalls,
           (unsigned)e.size(), e.empty() ? "" : e[0].text.c_str(), (unsigned)m->computeCalls);
        while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
        g_sim.internalErrors.clear();
        g_sim.stopExperimentCalls = 0;
        drv.LoadConfig(kEveryKindDevice);  // without the fault
    }
}

int main(void)
{
    if (dlg_load_plugin() && drv_resolve()) {
        void (*tests[])(void) = {test_three_inputs_on_one_device, test_loops, test_lost_connection};
        for (auto test : tests) {
            SH_SetTimeBase(2, 1.0 / kRate, kBlock);
            drv.Reset();
            // The inputs alone read the device's own signals; the others a device whose outputs drive its inputs.
            ok(test == test_three_inputs_on_one_device || drv.LoadConfig(kEveryKindDevice) == 0, "configuration");
            test();
            while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
        }
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_experiment");
}
