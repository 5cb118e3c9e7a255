// Analog input run messages and compute function against the fake host and
// device.
#include <gmock/gmock.h>

#include <cmath>

#include "analogin.h"
#include "test_fakes.h"

using ::testing::ElementsAre;
using Log = std::vector<std::string>;

// An analog input with its defaults, on device SER1 (handle 7).
struct AnalogIn : DeviceModule {
    AnalogIn(Rig& rig, u32 outputs, u32 timeBase = 2) : DeviceModule(rig, &g_frameAnalogIn, outputs, timeBase) {}
    AnalogInParams& p() { return params<AnalogInParams>(); }
    AnalogInRecord& rec(u32 c) { return *(AnalogInRecord*)m->channel[c]; }
};

static void Queue(Rig& rig, u32 position, u32 n, double base = 0)
{
    for (u32 k = 0; k < n; ++k) rig.waiting[position].push_back(base + k);
}

TEST(AnalogInRun, StartListsPresentChannelsWithTheirSettingsThenRateAndClock)
{
    Rig rig;
    AnalogIn a(rig, 3);
    for (u32 c = 0; c < 3; ++c) a.p().channel[c].range = c + 1;
    free(a.m->channel[1]);
    a.m->channel[1] = nullptr;
    ASSERT_TRUE(a.run());
    EXPECT_THAT(rig.calls(), ElementsAre("GetCardIDBySerial(SER1)", "AD_AddChannelToList(7,0,0,1,1)",
                                        "AD_AddChannelToList(7,2,0,3,1)", "AD_SetFrequency(7,1000)",
                                        "EnableSoftwareClock(7,0,1)", "ConfigMeasure(7)", "StartMeasure(7)"));
    EXPECT_EQ(a.rec(2).deviceChannel, 2u);
    EXPECT_EQ(a.rec(2).core.listPosition, 1u);
    EXPECT_EQ(a.rec(2).settings.range, 3u);
    EXPECT_EQ(a.rec(2).core.blockSize, 8u);
    EXPECT_EQ(DEV_FindDevice(7)->startMarker, 1u);
}

TEST(AnalogInRun, SoftwareClockBlockSizeIsLimitedByTheListAndSaved)
{
    // An empty list (every add refused) or an unread list size limit nothing.
    struct { u32 outputs, stored, expected; const char* refused; } cases[] = {
        {16, 100, 8, nullptr}, {16, 0, 1, nullptr}, {2, 5, 5, nullptr}, {4, 100, 100, "AD_AddChannelToList"},
        {4, 100, 100, "AD_GetChannelListSize"}};
    for (auto& c : cases) {
        Rig rig;
        if (c.refused) rig.status[c.refused] = -3;
        AnalogIn a(rig, c.outputs);
        a.p().softwareClock = 1;
        a.p().softwareClockBlockSize = c.stored;
        ASSERT_TRUE(a.run());
        EXPECT_EQ(a.p().softwareClockBlockSize, c.expected) << c.outputs << " channels, " << c.stored;
        EXPECT_THAT(rig.log, ::testing::Contains("EnableSoftwareClock(7,1," + std::to_string(c.expected) + ")"));
    }
}

TEST(AnalogInRun, RefusedRatesWarnAndTimeBaseOneFallsBackToThePlainRate)
{
    Rig rig;
    rig.fail("AD_SetFrequency", -2, 0, 1);
    AnalogIn a(rig, 1, 1);
    ASSERT_TRUE(a.run());
    EXPECT_THAT(rig.calls(), ElementsAre("GetCardIDBySerial(SER1)", "AD_AddChannelToList(7,0,0,0,1)",
                                        "AD_SetFrequency(7,10000)", "AD_SetFrequency(7,1000)", "ConfigMeasure(7)",
                                        "StartMeasure(7)"));

    for (u32 timeBase : {1u, 2u}) {  // both rates refused; the software clock refused
        Rig r;
        r.status["AD_SetFrequency"] = -2;
        r.status["EnableSoftwareClock"] = -1;
        AnalogIn b(r, 1, timeBase);
        EXPECT_FALSE(b.run());
        EXPECT_EQ(r.calls().back(),
                  "ShowWarning(AnalogIn|At least one of the Channels of this Generator is sampled too quickly)");
        EXPECT_EQ(DEV_FindDevice(7)->startMarker, 0u);
    }
}

TEST(AnalogInRun, MissingEntryPointRefusesBeforeTheDeviceIsTouched)
{
    Rig rig;
    g_drv.MeasurementChannel_ReadDataAsDouble = nullptr;
    AnalogIn a(rig, 2);
    a.rec(0).core.fill = 5;
    EXPECT_EQ(AnalogIn_Prepare(a.m, &g_frameAnalogIn), 0);
    EXPECT_THAT(rig.log, ElementsAre("ShowWarning(AnalogIn|Driver entry point MeasurementChannel_ReadDataAsDouble "
                                     "is missing, module cannot start!)"));
    EXPECT_EQ(MOD_Runtime(a.m)->handle, -1);
    EXPECT_EQ(a.rec(0).core.fill, 0u);
    EXPECT_EQ(DEV_FindDevice(7), nullptr);
}

TEST(AnalogInCompute, BlockPassDeliversWhatTheClockAllowsAcrossBlocks)
{
    Rig rig;
    AnalogIn a(rig, 2);
    ASSERT_TRUE(a.run());
    Queue(rig, 0, 30, 0);
    Queue(rig, 1, 30, 1000);
    rig.time = 0.0009;  // before the first tick
    EXPECT_EQ(AnalogIn_Compute(a.m), 0);
    rig.time = 0.0205;
    a.m->active = 0;
    EXPECT_EQ(AnalogIn_Compute(a.m), 0);
    EXPECT_EQ(rig.blockCalls, 0);
    a.m->active = 1;
    EXPECT_EQ(AnalogIn_Compute(a.m), 1);
    rig.time = 0.0305;
    EXPECT_EQ(AnalogIn_Compute(a.m), 1);
    EXPECT_THAT(rig.requests, ElementsAre(8, 8, 4, 8, 8, 4, 4, 6, 4, 6));
    for (u32 c = 0; c < 2; ++c) {
        auto& out = rig.streams[c].released;
        ASSERT_EQ(out.size(), 3u);
        for (u32 b = 0; b < 3; ++b) {
            EXPECT_DOUBLE_EQ(out[b].start, 8 * b * (double)0.001f);
            EXPECT_DOUBLE_EQ(out[b].distance, (double)0.001f);
            EXPECT_EQ(out[b].count, 8);
            EXPECT_EQ(out[b].tag, "analogin");
            for (u32 i = 0; i < 8; ++i) EXPECT_EQ(out[b].values[i], 1000.0f * c + 8 * b + i);
        }
        EXPECT_EQ(a.rec(c).core.fill, 6u);
        EXPECT_EQ(a.rec(c).delivered, 24);
        EXPECT_EQ(a.rec(c).core.released, 24.0);
        EXPECT_TRUE(rig.waiting[c].empty());
    }
}

TEST(AnalogInCompute, PauseAndRealTimeHoldFullBlocksAndStopReading)
{
    Rig rig;
    AnalogIn a(rig, 1);
    ASSERT_TRUE(a.run());
    a.rec(0).core.sampleDistance = 0.002f;  // the block's end lies beyond the clock
    Queue(rig, 0, 20);
    rig.time = 0.0105;
    AnalogIn_Compute(a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    rig.time = 0.0165;
    g_vars.bExperimentIsPaused = 1;
    AnalogIn_Compute(a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    g_vars.bExperimentIsPaused = 0;
    AnalogIn_Compute(a.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_EQ(a.rec(0).core.fill, 8u);  // the next block waits for its end as well
}

TEST(AnalogInCompute, ValuesAheadOfTheClockAreDropped)
{
    Rig rig;
    AnalogIn a(rig, 1);
    ASSERT_TRUE(a.run());
    Queue(rig, 0, 5);
    rig.time = 0.0055;  // 5 ticks
    AnalogIn_Compute(a.m);
    Queue(rig, 0, 3, 100);
    rig.time = 0.0065;  // 6 ticks; the 5 values of the open block count again
    AnalogIn_Compute(a.m);
    EXPECT_EQ(a.rec(0).core.fill, 7u);
    EXPECT_TRUE(rig.waiting[0].empty());
    EXPECT_EQ(rig.streams[0].values()[6], 101.0f);
    EXPECT_TRUE(std::isnan(rig.streams[0].values()[7]));
}

// One value per tick, held until the block's end; the last value fills the rest.
TEST(AnalogInCompute, SingleValuesCollectUntilTheBlockEndsAndRepeatTheLast)
{
    Rig rig;
    AnalogIn a(rig, 1, 1);
    ASSERT_TRUE(a.run());
    rig.time = 0.0009;  // this pass, too, waits for the first tick
    EXPECT_EQ(AnalogIn_Compute(a.m), 0);
    EXPECT_EQ(rig.blockCalls, 0);
    for (double t : {0.0015, 0.0025, 0.0035}) {
        rig.time = t;
        AnalogIn_Compute(a.m);
    }
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 1;
    rig.time = 0.0095;
    AnalogIn_Compute(a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 0;
    AnalogIn_Compute(a.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_THAT(rig.streams[0].released[0].values, ElementsAre(0, 1, 2, 3, 4, 4, 4, 4));
    EXPECT_EQ(a.rec(0).core.released, 5.0);
    EXPECT_EQ(a.rec(0).delivered, 8);  // the completed block counts whole
}
