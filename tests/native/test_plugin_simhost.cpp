// The plug-in in the simulated host, natively: what its start-up registers
// is what the host offers, and the demo worksheet runs sample-exact against
// the simulated driver, before and after a save and load.
#include "mod_kinds.h"
#include "plugin_in_simhost.h"
#include "simdrv_core.h"

#include <string>

// Every channel of the analog input delivered the driver's signal from sample 0
// on, in whole blocks; returns the samples per channel.
static u64 ExpectDriverSignal(const SimModule* m)
{
    u64 samples = m->out[0].stream.sampleCount;
    for (u32 c = 0; c < m->record->outputCount; ++c) {
        const SimStream& s = m->out[c].stream;
        EXPECT_EQ(s.sampleCount, samples) << c;
        EXPECT_EQ(s.gaps, 0u) << c;
        size_t wrong = 0;
        for (size_t k = 0; k < s.values.size(); ++k) wrong += s.values[k] != (float)SimDrv_SignalValue(1, c, k);
        EXPECT_EQ(wrong, 0u) << "samples of channel " << c << " differ from the device's signal";
    }
    return samples;
}

TEST_F(PluginInSimHost, DemoWorksheetRunsSampleExact)
{
    ASSERT_EQ(g_sim.classes.size(), (size_t)MOD_KIND_COUNT);
    for (int k = 0; k < MOD_KIND_COUNT; ++k) {
        Handler registered = g_sim.classes[k].record.handler;  // a packed field: read by value
        EXPECT_EQ(registered, g_modKinds[k].cls->handler);
    }
    EXPECT_EQ(g_sim.menuTexts.size(), (size_t)MOD_KIND_COUNT);  // no set-up entry: the driver is complete

    ASSERT_EQ(SH_LoadWorksheet(KW_SOURCE_DIR "/sim/worksheets/demo.ws"), 1);
    ASSERT_EQ(g_sim.modules.size(), 3u);  // analog, counter and digital input
    SimRunOptions o = PluginInSimHost_RunOptions(0.5);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_TRUE(g_sim.warnings.empty() && g_sim.internalErrors.empty());
    EXPECT_GE(ExpectDriverSignal(g_sim.modules[0]), 400u);  // the block that ends with the run may be open

    std::string saved = SH_WorksheetText();
    ASSERT_EQ(SH_LoadWorksheetText(saved.c_str()), 1);
    o = PluginInSimHost_RunOptions(0.3);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_GE(ExpectDriverSignal(g_sim.modules[0]), 200u);
    EXPECT_EQ(SH_WorksheetText(), saved);
}
