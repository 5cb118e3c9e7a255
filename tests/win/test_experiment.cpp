// A whole experiment with kestrelwing.dll in the simulated host against the
// simulated driver: the outputs of every kind read back by inputs of the
// same device.
#include "simdrv_control.h"

#include <math.h>

#include "dlg_driver.h"
#include "every_kind.h"

static const u32 kRate = 1000;
static const double kLate = 2 * 0.1 + 0.011;  // one block and one cycle

// A run of two seconds from a reset driver clock, following the host's.
static int run(void)
{
    drv.SetTime(0.0);
    SimRunOptions o = SH_DefaultRunOptions(2.0);
    o.onCycle = drv_follow_host_clock;
    return ok(SH_Run(&o) == 1 && g_sim.warnings.empty() && g_sim.internalErrors.empty() && g_sim.faults.empty(),
              "run refused, or warnings, errors or faults");
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
    if (!run()) return;

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

int main(void)
{
    if (dlg_load_plugin() && drv_resolve()) {
        drv.Reset();
        if (ok(drv.LoadConfig(kEveryKindDevice) == 0, "configuration")) test_loops();
        while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
        ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    }
    return wintest_finish("test_experiment");
}
