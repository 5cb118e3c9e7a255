// Outputs checked by inputs: on a simulated device whose outputs drive its
// inputs, kestrelwing.dll writes what the simulated host's sources feed its
// output modules, and its input modules read it back. Every input stream must
// show what its output wrote, one block late at most; a connection lost on an
// output stops the experiment with that output's message.
#include "simdrv_control.h"

#include <math.h>

#include "dlg_driver.h"
#include "mod_params.h"

static const char kDevice[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";
static const char kLoopbackDevice[] =
    "[eth]\nserial = SIM-1001\naddress = 192.168.10.21\nhostname = kw-eth-1\nhwaddress = 00:1A:2B:3C:4D:01\n"
    "handle = 1\nloopback = 1\n";
enum { kRate = 1000, kBlock = 100 };
static const double kBlockTime = 0.1, kLate = 2 * kBlockTime + 0.011;  // one block and one cycle

static SimModule* on_device(const char* className, u32 channels)
{
    SimModule* m = SH_CreateModule(className);
    if (!ok(m != nullptr, "no class %s", className)) return nullptr;
    kw_strlcpy(((ParamHeader*)m->record->params)->device, kDevice, sizeof(ParamHeader::device));
    (m->record->inputCount ? m->record->inputCount : m->record->outputCount) = channels;
    return m;
}

static void feed(const char* source, SimModule* m, u32 input)
{
    ok(SH_AddSource(source) != nullptr, "source %s", source);
    char name[16];
    sscanf(source, "%15s", name);
    ok(SH_Connect(name, m, input) == 1, "connect %s", name);
}

static int run(double seconds)
{
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(seconds);
    o.onCycle = drv_follow_host_clock;
    return ok(SH_Run(&o) == 1, "run refused");
}

// The last accepted write of 'writes' at or before t, or null; samples
// within a millisecond of a write are skipped by the callers (the clock's
// rounding decides which side they fall on).
static const SimDrvWrite* last_write(const std::vector<SimDrvWrite>& writes, double t, bool* nearWrite)
{
    const SimDrvWrite* last = nullptr;
    *nearWrite = false;
    for (const SimDrvWrite& w : writes) {
        if (fabs(w.time - t) < 0.0011) *nearWrite = true;
        if (w.time <= t) last = &w;
    }
    return last;
}

// Samples of an input stream that differ from the value the last write
// before them set, as 'expected' reads it, from the first write on.
static u32 stream_mismatches(const SimStream& in, const std::vector<SimDrvWrite>& writes,
                             float (*expected)(const SimDrvWrite&), double settle, double* largest)
{
    u32 wrong = 0;
    *largest = 0;
    for (size_t k = 0; k < in.values.size(); ++k) {
        bool closeToWrite;
        double t = (double)k / kRate;
        const SimDrvWrite* w = last_write(writes, t, &closeToWrite);
        if (!w || closeToWrite || t < w->time + settle) continue;
        double d = fabs(in.values[k] - expected(*w));
        if (d > *largest) *largest = d;
        wrong += d != 0;
    }
    return wrong;
}

static void test_analog_and_digital_loops(void)
{
    SimModule* ao = on_device("KWE:AnalogOut", 1);
    SimModule* ai = on_device("KWE:AnalogIn", 1);
    SimModule* dout = on_device("KWE:DigitalOut", 1);
    SimModule* din = on_device("KWE:DigitalIn", 1);
    if (!ao || !ai || !dout || !din) return;
    feed("sine sine amp=2 freq=0.5 timebase=2", ao, 0);
    feed("square square amp=5 freq=1.25 timebase=2", dout, 0);
    if (!run(2.0)) return;
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(), "warnings, errors or faults");

    // The analog output writes the first sample of every block, within a block
    // after the block's end; the analog input reads exactly that.
    const SimStream& sine = SH_FindSource("sine")->fed;
    std::vector<SimDrvWrite> da = drv_writes("DA_WriteChannelVoltage");
    ok(da.size() == sine.blocks.size() && da.size() >= 18, "%u writes for %u blocks", (unsigned)da.size(),
       (unsigned)sine.blocks.size());
    for (size_t i = 0; i < da.size() && i < sine.blocks.size(); ++i)
        ok(da[i].value == (double)sine.values[sine.blocks[i].firstValue] &&
               da[i].time <= sine.blocks[i].startTime + kLate,
           "write %u: %g at %g s, block starting %g s with %g", (unsigned)i, da[i].value, da[i].time,
           sine.blocks[i].startTime, (double)sine.values[sine.blocks[i].firstValue]);
    double largest;
    u32 wrong = stream_mismatches(ai->out[0].stream, da, [](const SimDrvWrite& w) { return (float)w.value; }, 0,
                                  &largest);
    ok(wrong == 0 && ai->out[0].stream.sampleCount >= 1800, "analog loop: %u samples differ, by %g at most", wrong,
       largest);

    // The digital output writes the port at every change of the square wave;
    // the digital input shows the line's level from each write on.
    const SimStream& square = SH_FindSource("square")->fed;
    std::vector<SimDrvWrite> ttl = drv_writes("TTL_WritePort");
    u32 changes = 1;  // the first sample sets the line: the port word starts at 0
    for (size_t k = 1; k < square.values.size(); ++k) changes += (square.values[k] > 0) != (square.values[k - 1] > 0);
    ok(ttl.size() == changes, "%u port writes for %u changes", (unsigned)ttl.size(), changes);
    wrong = stream_mismatches(din->out[0].stream, ttl, [](const SimDrvWrite& w) { return (u32)w.value & 1 ? 5.0f : 0.0f; },
                              0, &largest);
    ok(wrong == 0 && din->out[0].stream.sampleCount >= 1800, "digital loop: %u samples differ", wrong);
    for (size_t k = 1, i = 1; k < square.values.size() && i < ttl.size(); ++k)
        if ((square.values[k] > 0) != (square.values[k - 1] > 0)) {
            ok(ttl[i].time <= (double)k / kRate + kLate, "change at %g s written at %g s", (double)k / kRate,
               ttl[i].time);
            ++i;
        }
}

// A ramp sets a PWM duty cycle that a counter in pulse-width mode reads back;
// a global variable changed in the run moves an FM output's duty cycle.
static void test_pulse_loops(void)
{
    SimModule* co = on_device("KWE:CounterOut", 2);
    SimModule* ci = on_device("KWE:CounterIn", 2);
    if (!co || !ci) return;
    CounterOutChannel* out = ((CounterOutParams*)co->record->params)->channel;
    out[0].frequency = 100;
    out[1].pwmMode = 0;
    out[1].dutyCycleVar = 5;
    CounterInChannel* in = ((CounterInParams*)ci->record->params)->channel;
    in[0].mode = in[1].mode = 3;  // pulse width, microseconds
    SH_SetGlobalVar(5, 25);
    SH_ScheduleGlobalVar(0.5, 5, 75);
    feed("ramp ramp amp=40 offset=50 freq=0.5 timebase=2", co, 0);
    feed("hertz constant value=200 timebase=2", co, 1);
    if (!run(2.0)) return;
    ok(g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(), "warnings, errors or faults");

    const SimStream& ramp = SH_FindSource("ramp")->fed;
    std::vector<SimDrvWrite> ratio = drv_writes("PWM_WriteNewPWMRatio");
    ok(ratio.size() == ramp.blocks.size(), "%u ratios for %u blocks", (unsigned)ratio.size(),
       (unsigned)ramp.blocks.size());
    for (size_t i = 0; i < ratio.size() && i < ramp.blocks.size(); ++i)
        ok(ratio[i].value == floor(ramp.values[ramp.blocks[i].firstValue]), "ratio %u: %g", (unsigned)i,
           ratio[i].value);
    // 100 Hz: a pulse of d percent lasts 100 d microseconds, measured once a
    // whole pulse of the new duty cycle has passed.
    double largest;
    u32 wrong = stream_mismatches(ci->out[0].stream, ratio, [](const SimDrvWrite& w) { return (float)(100 * w.value); },
                                  0.025, &largest);
    ok(wrong == 0, "pulse-width loop: %u samples differ, by %g us at most", wrong, largest);

    std::vector<SimDrvWrite> duty = drv_writes("PWM_SetDutyCycle");
    ok(duty.size() == 1 && duty[0].channel == 1 && duty[0].value == 75 && duty[0].time >= 0.5 &&
           duty[0].time <= 0.5 + kLate,
       "%u duty cycle writes, the first %g at %g s", (unsigned)duty.size(), duty.empty() ? 0 : duty[0].value,
       duty.empty() ? 0 : duty[0].time);
    // 200 Hz: 25 % is 1250 us, 75 % 3750 us.
    const SimStream& fm = ci->out[1].stream;
    bool before = fm.values.size() > 450 && fm.values[450] == 1250.0f;
    bool after = fm.values.size() > 1500 && fm.values[1500] == 3750.0f;
    ok(before && after, "FM pulse width %g us before, %g us after the change", fm.values.size() > 450 ? fm.values[450] : 0,
       fm.values.size() > 1500 ? fm.values[1500] : 0);
}

// A connection lost at the third write of an output stops the experiment.
static void test_lost_connection(void)
{
    static const struct {
        const char* className;
        u32 mask;
        const char* tag;
    } kKinds[] = {{"KWE:AnalogOut", SIMDRV_WRITE_DA, "DLL:analogout"},
                  {"KWE:DigitalOut", SIMDRV_WRITE_TTL, "DLL:digitalout"}};
    for (const auto& kind : kKinds) {
        SimModule* m = on_device(kind.className, 1);
        if (!m) return;
        feed("wave square amp=1 freq=5 timebase=2", m, 0);
        drv.FailWrites(1, kind.mask, 3, -1.0, -1000);
        if (!run(2.0)) return;
        ok(g_sim.stopExperimentCalls == 1 && g_sim.internalErrors.size() == 1 &&
               g_sim.internalErrors[0].text == "Invalid device or lost connection, experiment stopped! (-1000)" &&
               g_sim.internalErrors[0].tag == kind.tag,
           "%s: %u stops, %u errors", kind.tag, g_sim.stopExperimentCalls, (unsigned)g_sim.internalErrors.size());
        while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
        g_sim.internalErrors.clear();
        g_sim.stopExperimentCalls = 0;
        drv.LoadConfig(kLoopbackDevice);  // without the fault
    }
}

int main(void)
{
    if (dlg_load_plugin() && drv_resolve()) {
        void (*tests[])(void) = {test_analog_and_digital_loops, test_pulse_loops, test_lost_connection};
        for (auto test : tests) {
            SH_SetTimeBase(2, 1.0 / kRate, kBlock);
            drv.Reset();
            ok(drv.LoadConfig(kLoopbackDevice) == 0, "loopback configuration");
            test();
            while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
        }
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_loopback");
}
