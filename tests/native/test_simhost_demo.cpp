// The demo worksheet end to end, natively: the plug-in's portable code bound
// to the simulated host, the simulated driver in the driver table, the
// analog input module created from the worksheet and run on the host clock.
#include "drv_table.h"
#include "host_binding.h"
#include "simdrv_core.h"
#include "simdrv_native.h"
#include "simhost.h"
#include "simhost_kinds.h"

#include <gtest/gtest.h>

namespace {

class DemoWorksheet : public ::testing::Test {
protected:
    void SetUp() override
    {
        SH_Reset();
        SimDrv_Reset();
        SimDrv_InstallNative(&g_drv);
        ASSERT_EQ(PLG_BindHost(SH_Request, nullptr), 1);
        SH_RegisterKinds();
        ASSERT_EQ(SH_LoadWorksheet(KW_SOURCE_DIR "/sim/worksheets/demo.ws"), 1)
            << (g_sim.faults.empty() ? "" : g_sim.faults[0]);
    }
    void TearDown() override
    {
        while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    }
};

int FollowHostClock(void*, u64)
{
    SimDrv_SetTime(g_sim.clock);
    return 1;
}

TEST_F(DemoWorksheet, DeliversTheDeviceSignalsWithoutGaps)
{
    ASSERT_EQ(g_sim.modules.size(), 1u);
    SimModule* m = g_sim.modules[0];
    EXPECT_STREQ(m->record->name, "AnalogIn1");
    EXPECT_EQ((u32)m->record->outputCount, 4u);

    SimRunOptions o = SH_DefaultRunOptions(1.0);
    o.onCycle = FollowHostClock;
    ASSERT_EQ(SH_Run(&o), 1) << (g_sim.warnings.empty() ? "" : g_sim.warnings[0].text);
    EXPECT_TRUE(g_sim.warnings.empty());
    EXPECT_TRUE(g_sim.internalErrors.empty());
    EXPECT_TRUE(g_sim.traps.empty());
    EXPECT_TRUE(g_sim.faults.empty());

    i32 device = SimDrv_DeviceHandle(0);
    for (u32 c = 0; c < 4; ++c) {
        const SimStream& s = m->out[c].stream;
        EXPECT_EQ(m->out[c].channelName, "AnalogIn " + std::to_string(c));
        // Blocks of 100 at 1 kHz, released once the clock passes their end.
        EXPECT_GE(s.blockCount, 9u) << c;
        EXPECT_LE(s.blockCount, 10u) << c;
        EXPECT_EQ(s.gaps, 0u) << c;
        ASSERT_EQ(s.values.size(), s.sampleCount);
        for (size_t k = 0; k < s.values.size(); k += 37)
            ASSERT_EQ(s.values[k], (float)SimDrv_SignalValue(device, c, k)) << "channel " << c << " sample " << k;
        EXPECT_NEAR(s.blocks.back().startTime, 0.1 * (double)(s.blocks.size() - 1), 1e-6);
    }
}

}  // namespace
