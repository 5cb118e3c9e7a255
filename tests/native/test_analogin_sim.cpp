// A run of the analog input against the simulated device: the blocks carry
// the device's samples without gap or repetition, whatever the compute pace.
#include <gtest/gtest.h>

#include "analogin.h"
#include "simdrv_core.h"
#include "simdrv_native.h"
#include "test_input_pass_fakes.h"

TEST(AnalogInSim, BlocksCarryEverySampleOnceAtItsTime)
{
    FakeRig rig;
    SimDrv_InstallNative(&g_drv);
    ASSERT_EQ(SimDrv_LoadConfig("[usb]\nserial = KW-C\nhandle = 9\nsignal = noise\n"), 0);
    SimDrv_LogEnable(0);
    SimDrv_SetTime(0);
    rig.timeBaseBlockSize = 64;
    FakeModule a(3);
    kw_strlcpy(a.params.header.device, "\\?\\usb#0#KW-C###", sizeof a.params.header.device);
    ASSERT_TRUE(a.run());

    const double steps[] = {0.0031, 0.017, 0.0004, 0.05, 0.0127, 0.2, 0.001};
    for (u32 i = 0; rig.time < 2.0; ++i) {
        rig.time += steps[i % 7];
        SimDrv_SetTime(rig.time);
        ASSERT_EQ(AnalogIn_Compute(&a.m), 1);
    }
    AnalogIn_Stop(&a.m);
    for (u32 c = 0; c < 3; ++c) {
        const auto& out = rig.streams[c].released;
        ASSERT_GE(out.size(), 30u);
        u64 k = 0;
        for (u32 b = 0; b < out.size(); ++b) {
            EXPECT_DOUBLE_EQ(out[b].start, (double)k * (double)0.001f);
            ASSERT_EQ(out[b].count, 64);
            for (float v : out[b].values) ASSERT_EQ(v, (float)SimDrv_SignalValue(9, c, k++)) << c << " " << k;
        }
    }
    SimDrv_Reset();
}
