// Analog input run messages and compute function against the fake host and
// the scripted device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analogin.h"
#include "test_input_pass_fakes.h"

using ::testing::ElementsAre;

static void Queue(u32 position, u32 n, double base = 0)
{
    for (u32 k = 0; k < n; ++k) g_rig->waiting[position].push_back(base + k);
}

static const char* kTooQuick = "AnalogIn1|At least one of the Channels of this Generator is sampled too quickly";

TEST(AnalogInRun, StartListsPresentChannelsWithTheirSettingsThenRateAndClock)
{
    FakeRig rig;
    FakeModule a(3);
    for (u32 c = 0; c < 3; ++c) a.params.channel[c].range = c + 1;
    a.m.channel[1] = nullptr;
    ASSERT_TRUE(a.run());
    EXPECT_THAT(rig.log, ElementsAre("Add(7,0,0,1,1)", "Add(7,2,0,3,1)", "Freq(1000)", "Clock(0,1)", "Device(7)",
                                     "Device(7)"));
    EXPECT_EQ(a.rec(2).deviceChannel, 2u);
    EXPECT_EQ(a.rec(2).core.listPosition, 1u);
    EXPECT_EQ(a.rec(2).settings.range, 3u);
    EXPECT_EQ(a.rec(2).core.blockSize, 8u);
    EXPECT_EQ(DEV_FindDevice(7)->startMarker, 1u);
}

TEST(AnalogInRun, SoftwareClockBlockSizeIsLimitedByTheListAndSaved)
{
    struct { u32 outputs, stored, expected; i32 listStatus; } cases[] = {
        {16, 100, 8, 0}, {16, 0, 1, 0}, {2, 5, 5, 0}, {0, 100, 100, 0}, {4, 100, 100, -3}};
    for (auto& c : cases) {
        FakeRig rig;
        rig.listSizeStatus = c.listStatus;
        FakeModule a(c.outputs);
        a.params.softwareClock = 1;
        a.params.softwareClockBlockSize = c.stored;
        ASSERT_TRUE(a.run());
        EXPECT_EQ(a.params.softwareClockBlockSize, c.expected) << c.outputs << " channels, " << c.stored;
        EXPECT_EQ(rig.log[rig.log.size() - 3], "Clock(1," + std::to_string(c.expected) + ")");
    }
}

TEST(AnalogInRun, RefusedRatesWarnAndTimeBaseOneFallsBackToThePlainRate)
{
    FakeRig rig;
    rig.frequencyStatus[0] = -2;
    FakeModule a(1, 1);
    ASSERT_TRUE(a.run());
    EXPECT_THAT(rig.log, ElementsAre("Add(7,0,0,0,1)", "Freq(10000)", "Freq(1000)", "Device(7)", "Device(7)"));

    for (u32 timeBase : {1u, 2u}) {  // both rates refused; the software clock refused
        FakeRig r;
        r.frequencyStatus[0] = r.frequencyStatus[1] = -2;
        r.clockStatus = -1;
        FakeModule b(1, timeBase);
        EXPECT_FALSE(b.run());
        EXPECT_THAT(r.warnings, ElementsAre(kTooQuick));
        EXPECT_EQ(DEV_FindDevice(7)->startMarker, 0u);
    }
}

TEST(AnalogInRun, MissingEntryPointRefusesBeforeTheDeviceIsTouched)
{
    FakeRig rig;
    g_drv.MeasurementChannel_ReadDataAsDouble = nullptr;
    FakeModule a(2);
    a.rec(0).core.fill = 5;
    EXPECT_EQ(AnalogIn_Prepare(&a.m), 0);
    EXPECT_THAT(rig.warnings, ElementsAre("AnalogIn1|Driver entry point MeasurementChannel_ReadDataAsDouble is "
                                          "missing, module cannot start!"));
    EXPECT_EQ(a.runtime[0].handle, -1);
    EXPECT_EQ(a.rec(0).core.fill, 0u);
    EXPECT_EQ(DEV_FindDevice(7), nullptr);
}

TEST(AnalogInRun, TwoModulesOnOneDeviceShareItsStartAndStop)
{
    FakeRig rig;
    FakeModule a(1), b(1);
    ASSERT_TRUE(a.run() && b.run());
    auto deviceCalls = [&] { return std::count(rig.log.begin(), rig.log.end(), "Device(7)"); };
    EXPECT_EQ(deviceCalls(), 2);  // configured and started once
    EXPECT_EQ(AnalogIn_Stop(&a.m), 1);
    EXPECT_EQ(deviceCalls(), 4);  // stopped and disconnected for both
    EXPECT_EQ(AnalogIn_Stop(&b.m), 1);
    EXPECT_EQ(deviceCalls(), 4);
    EXPECT_EQ(b.runtime[0].handle, -1);
}

TEST(AnalogInCompute, DoesNothingBeforeTheFirstClockTickOrWhileInactive)
{
    for (u32 timeBase : {1u, 2u}) {
        FakeRig rig;
        FakeModule a(2, timeBase);
        ASSERT_TRUE(a.run());
        Queue(0, 10);
        rig.time = 0.0009;
        EXPECT_EQ(AnalogIn_Compute(&a.m), 0);
        rig.time = 1;
        a.m.active = 0;
        EXPECT_EQ(AnalogIn_Compute(&a.m), 0);
        EXPECT_EQ(AnalogIn_Compute(nullptr), 0);
        EXPECT_EQ(rig.blockCalls, 0);
        EXPECT_EQ(rig.waiting[0].size(), 10u);
    }
}

TEST(AnalogInCompute, BlockPassDeliversWhatTheClockAllowsAcrossBlocks)
{
    FakeRig rig;
    FakeModule a(2);
    ASSERT_TRUE(a.run());
    Queue(0, 30, 0);
    Queue(1, 30, 1000);
    rig.time = 0.0205;
    EXPECT_EQ(AnalogIn_Compute(&a.m), 1);
    rig.time = 0.0305;
    EXPECT_EQ(AnalogIn_Compute(&a.m), 1);
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
    FakeRig rig;
    FakeModule a(1);
    ASSERT_TRUE(a.run());
    a.rec(0).core.sampleDistance = 0.002f;  // the block's end lies beyond the clock
    Queue(0, 20);
    rig.time = 0.0105;
    AnalogIn_Compute(&a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    rig.time = 0.0165;
    g_vars.bExperimentIsPaused = 1;
    AnalogIn_Compute(&a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    g_vars.bExperimentIsPaused = 0;
    AnalogIn_Compute(&a.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_EQ(a.rec(0).core.fill, 8u);  // the next block waits for its end as well
}

TEST(AnalogInCompute, ReadErrorsStopTheExperimentAtOnce)
{
    struct { i32 status; const char* text; } cases[] = {
        {-1000, "DLL:analogin|Invalid device or lost connection, experiment stopped! (-1000)"},
        {-7, "DLL:analogin|Unknown error, experiment stopped! (-7)"}};
    for (auto& c : cases)
        for (u32 timeBase : {1u, 2u}) {
            FakeRig rig;
            FakeModule a(2, timeBase);
            ASSERT_TRUE(a.run());
            Queue(0, 8);
            Queue(1, 8);
            rig.readStatus = c.status;
            rig.time = 0.0085;
            EXPECT_EQ(AnalogIn_Compute(&a.m), 0);
            EXPECT_EQ(rig.stops, 1);
            EXPECT_THAT(rig.errors, ElementsAre(c.text));
            EXPECT_TRUE(rig.streams[1].storage.empty());  // the second output was not served
        }
}

TEST(AnalogInCompute, BlocksLargerThanTheReadBufferAreReadInPieces)
{
    FakeRig rig;
    rig.timeBaseBlockSize = 40000;
    FakeModule a(1);
    ASSERT_TRUE(a.run());
    Queue(0, 50000);
    rig.time = 50.0005;
    AnalogIn_Compute(&a.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    const auto& v = rig.streams[0].released[0].values;
    for (u32 i = 0; i < 40000; ++i) ASSERT_EQ(v[i], (float)i);
    EXPECT_EQ(a.rec(0).core.fill, 10000u);
    EXPECT_THAT(rig.requests, ElementsAre(32768, 7232, 10000));
}

TEST(AnalogInCompute, ValuesAheadOfTheClockAreDropped)
{
    FakeRig rig;
    FakeModule a(1);
    ASSERT_TRUE(a.run());
    Queue(0, 5);
    rig.time = 0.0055;  // 5 ticks
    AnalogIn_Compute(&a.m);
    Queue(0, 3, 100);
    rig.time = 0.0065;  // 6 ticks; the 5 values of the open block count again
    AnalogIn_Compute(&a.m);
    EXPECT_EQ(a.rec(0).core.fill, 7u);
    EXPECT_TRUE(rig.waiting[0].empty());
    EXPECT_EQ(rig.streams[0].values()[6], 101.0f);
    EXPECT_TRUE(std::isnan(rig.streams[0].values()[7]));
}

TEST(AnalogInCompute, SingleValuesWithoutRealTimeFillWholeBlocks)
{
    FakeRig rig;
    FakeModule a(2, 1);
    a.params.channel[0].realTime = a.params.channel[1].realTime = 0;
    ASSERT_TRUE(a.run());
    rig.time = 0.0015;
    AnalogIn_Compute(&a.m);
    AnalogIn_Compute(&a.m);
    for (u32 c = 0; c < 2; ++c) {
        auto& out = rig.streams[c].released;
        ASSERT_EQ(out.size(), 2u);
        EXPECT_EQ(out[0].values, std::vector<float>(8, (float)c));
        EXPECT_EQ(out[1].values, std::vector<float>(8, (float)c + 2));
        EXPECT_DOUBLE_EQ(out[1].start, 0.001);
        EXPECT_EQ(a.rec(c).core.released, 2.0);
        EXPECT_EQ(a.rec(c).delivered, 16);
    }
}

TEST(AnalogInCompute, SingleValuesWithRealTimeCollectUntilTheBlockEnds)
{
    FakeRig rig;
    FakeModule a(1, 1);
    ASSERT_TRUE(a.run());
    for (double t : {0.0015, 0.0025, 0.0035}) {
        rig.time = t;
        AnalogIn_Compute(&a.m);
    }
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 1;
    rig.time = 0.0095;
    AnalogIn_Compute(&a.m);
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 0;
    AnalogIn_Compute(&a.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_THAT(rig.streams[0].released[0].values, ElementsAre(0, 1, 2, 3, 4, 4, 4, 4));
    EXPECT_EQ(a.rec(0).core.released, 5.0);
}
