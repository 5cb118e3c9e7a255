// The input kinds (analog, counter and digital input): their start against
// the fake device, the block and single-value passes against the fake host's
// clock. (Every kind's blocks against the simulated device over a day are the
// soak's.)
#include <gmock/gmock.h>

#include <cmath>

#include "analogin.h"
#include "counterin_run.h"
#include "digitalin_run.h"
#include "test_fakes.h"

using ::testing::ElementsAre;
using Log = std::vector<std::string>;

namespace {

const ModFrame* const AI = &g_frameAnalogIn;
const ModFrame* const CI = &g_frameCounterIn;
const ModFrame* const DI = &g_frameDigitalIn;

// An input module with its kind's block and records at hand.
struct Input : DeviceModule {
    using DeviceModule::DeviceModule;
    AnalogInParams& analog() { return params<AnalogInParams>(); }
    CounterInParams& counter() { return params<CounterInParams>(); }
    DigitalParams& digital() { return params<DigitalParams>(); }
    template <class R>
    R& rec(u32 c) { return *(R*)m->channel[c]; }
    const InputKind* kind()
    {
        return frame == AI ? &g_analogInKind : frame == CI ? &g_counterInKind : &g_digitalInKind;
    }
    InputCore& core(u32 c) { return *(InputCore*)((u8*)m->channel[c] + kind()->coreOffset); }
    i64 delivered(u32 c) { return *(i64*)((u8*)m->channel[c] + kind()->deliveredOffset); }
};

void Queue(Rig& rig, u32 position, u32 n, double base = 0)
{
    for (u32 k = 0; k < n; ++k) rig.waiting[position].push_back(base + k);
}

// ---------------------------------------------------------------- start

TEST(InputStart, AnalogListsPresentChannelsWithTheirSettingsThenRateAndClock)
{
    Rig rig;
    Input a(rig, AI, 3);
    for (u32 c = 0; c < 3; ++c) a.analog().channel[c].range = c + 1;
    free(a.m->channel[1]);
    a.m->channel[1] = nullptr;
    ASSERT_TRUE(a.run());
    EXPECT_THAT(rig.calls(), ElementsAre("GetCardIDBySerial(SER1)", "AD_AddChannelToList(7,0,0,1,1)",
                                        "AD_AddChannelToList(7,2,0,3,1)", "AD_SetFrequency(7,1000)",
                                        "EnableSoftwareClock(7,0,1)", "ConfigMeasure(7)", "StartMeasure(7)"));
    const AnalogInRecord& r = a.rec<AnalogInRecord>(2);
    EXPECT_EQ(std::vector<u32>({r.deviceChannel, r.core.listPosition, r.settings.range, r.core.blockSize}),
              std::vector<u32>({2, 1, 3, 8}));
    EXPECT_EQ(DEV_FindDevice(7)->startMarker, 1u);
}

// The device takes at most 128 values per software clock tick over all
// channels; an empty list (every add refused) or an unread size limits nothing.
TEST(InputStart, SoftwareClockBlockSizeIsLimitedByTheListAndSaved)
{
    struct { u32 outputs, stored, expected; const char* refused; } cases[] = {
        {16, 100, 8, nullptr}, {16, 0, 1, nullptr}, {2, 5, 5, nullptr}, {4, 100, 100, "AD_AddChannelToList"},
        {4, 100, 100, "AD_GetChannelListSize"}};
    for (auto& c : cases) {
        Rig rig;
        if (c.refused) rig.fail(c.refused, -3);
        Input a(rig, AI, c.outputs);
        a.analog().softwareClock = 1;
        a.analog().softwareClockBlockSize = c.stored;
        ASSERT_TRUE(a.run());
        EXPECT_EQ(a.analog().softwareClockBlockSize, c.expected) << c.outputs << " channels, " << c.stored;
        EXPECT_THAT(rig.log, ::testing::Contains("EnableSoftwareClock(7,1," + std::to_string(c.expected) + ")"));
    }
}

const char* const kModeCalls[] = {"CT_ImpulseCounter(7,%u,0,0,0)", "CT_FrequencyCounter(7,%u,1,0,0)",
                                  "CT_PeriodCounter(7,%u,0,0,0)", "CT_PulswidthCounter(7,%u,0,0,0)",
                                  "CT_IncrementalCounter(7,%u,0,0,0,0,0,0)"};

std::string ModeCall(u32 mode, u32 channel)
{
    char text[64];
    snprintf(text, sizeof text, kModeCalls[mode], channel);
    return text;
}

// Each counter goes into the list with its mode, then the rate once; a mode
// outside the table or refused by the device refuses the start.
TEST(InputStart, CounterChannelsGoIntoTheListWithTheirModesThenTheRateOnce)
{
    for (u32 mode = 0; mode < 5; ++mode) {
        Rig rig;
        Input ci(rig, CI, 2);
        ci.counter().channel[0].mode = mode;
        ci.counter().channel[1].mode = 4 - mode;
        ASSERT_TRUE(ci.run());
        EXPECT_EQ(rig.calls(), (Log{"GetCardIDBySerial(SER1)", "CT_ClearChannelList(7)", "CT_AddChannelToList(7,0,1)",
                                   ModeCall(mode, 0), "CT_AddChannelToList(7,1,1)", ModeCall(4 - mode, 1),
                                   "CT_SetFrequency(7,1000)", "ConfigMeasure(7)", "StartMeasure(7)"}));
        const CounterInRecord& r = ci.rec<CounterInRecord>(1);
        EXPECT_EQ(std::vector<u32>({r.channel, r.core.listPosition, r.settings.mode}), std::vector<u32>({1, 1, 4 - mode}));
    }
    struct { u32 mode; const char* refused; const char* warning; } refusals[] = {
        {5, nullptr, "Unknown counter mode!"},  // one past the table
        {2, "CT_PeriodCounter", "Couldn't setup counter mode!"},
        {4, "CT_IncrementalCounter", "Couldn't setup counter mode!"},
    };
    for (const auto& c : refusals) {
        Rig rig;
        Input ci(rig, CI, 1);
        ci.counter().channel[0].mode = c.mode;
        if (c.refused) rig.fail(c.refused, -3);
        EXPECT_FALSE(ci.run()) << c.warning;
        EXPECT_EQ(rig.calls().back(), std::string("ShowWarning(CounterIn|") + c.warning + ")");
        EXPECT_EQ(DEV_FindDevice(7)->startMarker, 0u);
    }
}

// Time base 1 asks ten times the rate first and the plain rate when that is
// refused.
TEST(InputStart, TimeBaseOneFallsBackToThePlainRate)
{
    for (const ModFrame* kind : {AI, CI, DI}) {
        std::string set = kind == AI ? "AD_SetFrequency" : kind == CI ? "CT_SetFrequency" : "TTL_SetFrequency";
        Rig rig;
        rig.fail(set, -2, 0, 1);
        Input fast(rig, kind, 1, 1);
        ASSERT_TRUE(fast.run());
        EXPECT_THAT(rig.calls(), ::testing::IsSupersetOf({set + "(7,10000)", set + "(7,1000)"}));
    }
}

// ---------------------------------------------------------------- block pass

TEST(BlockPass, DeliversWhatTheClockAllowsAcrossBlocks)
{
    Rig rig;
    Input a(rig, AI, 2);
    ASSERT_TRUE(a.run());
    Queue(rig, 0, 30, 0);
    Queue(rig, 1, 30, 1000);
    rig.time = 0.0009;  // before the first tick
    EXPECT_EQ(a.compute(), 0);
    rig.time = 0.0205;
    a.m->active = 0;
    EXPECT_EQ(a.compute(), 0);
    EXPECT_EQ(rig.blockCalls, 0);
    a.m->active = 1;
    EXPECT_EQ(a.compute(), 1);
    rig.time = 0.0305;
    EXPECT_EQ(a.compute(), 1);
    for (u32 c = 0; c < 2; ++c) {
        auto& out = rig.streams[c].released;
        ASSERT_EQ(out.size(), 3u);
        for (u32 b = 0; b < 3; ++b) {
            EXPECT_DOUBLE_EQ(out[b].start, 8 * b * (double)0.001f);
            for (u32 i = 0; i < 8; ++i) EXPECT_EQ(out[b].values[i], 1000.0f * c + 8 * b + i);
        }
        EXPECT_EQ(a.core(c).fill, 6u);
        EXPECT_TRUE(rig.waiting[c].empty());
    }
}

TEST(BlockPass, PauseAndRealTimeHoldFullBlocksAndStopReading)
{
    Rig rig;
    Input a(rig, AI, 1);
    ASSERT_TRUE(a.run());
    a.core(0).sampleDistance = 0.002f;  // the block's end lies beyond the clock
    Queue(rig, 0, 20);
    rig.time = 0.0105;
    a.compute();
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    rig.time = 0.0165;
    g_vars.bExperimentIsPaused = 1;
    a.compute();
    EXPECT_TRUE(rig.streams[0].released.empty());
    EXPECT_EQ(rig.waiting[0].size(), 12u);

    g_vars.bExperimentIsPaused = 0;
    a.compute();
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_EQ(a.core(0).fill, 8u);  // the next block waits for its end as well
}

TEST(BlockPass, ValuesAheadOfTheClockAreDropped)
{
    Rig rig;
    Input a(rig, AI, 1);
    ASSERT_TRUE(a.run());
    Queue(rig, 0, 5);
    rig.time = 0.0055;  // 5 ticks
    a.compute();
    Queue(rig, 0, 3, 100);
    rig.time = 0.0065;  // 6 ticks; the 5 values of the open block count again
    a.compute();
    EXPECT_EQ(a.core(0).fill, 7u);
    EXPECT_TRUE(rig.waiting[0].empty());
    EXPECT_EQ(rig.streams[0].values()[6], 101.0f);
    EXPECT_TRUE(std::isnan(rig.streams[0].values()[7]));
}

// Blocks larger than the read buffer are read in pieces, and a driver that
// claims more values than it was asked for is never trusted beyond the
// request. Values by kind: analog as read, counts unscaled (above 2^24
// too), digital levels 0.0 and 5.0.
TEST(BlockPass, ReadsStayWithinBufferAndRequestAndKeepTheKindsValues)
{
    for (const ModFrame* kind : {AI, CI, DI}) {
        Rig rig;
        rig.blockSize = 40000;
        Input in(rig, kind, 1);
        ASSERT_TRUE(in.run());
        // The analog input's device may give no numbers: they reach the host as such.
        bool doubles = kind == AI;
        const double odd[] = {1.0, 4294967295.0, 16777217.0, doubles ? NAN : 2.0, doubles ? -INFINITY : 3.0,
                              doubles ? 1e300 : 4.0};
        for (u32 k = 0; k < 50000; ++k) rig.waiting[0].push_back(k % 2 ? odd[k / 2 % 6] : 0);
        rig.overReport = 3;
        rig.time = 50.0005;
        in.compute();
        EXPECT_THAT(rig.requests, ElementsAre(32768, 7232, 10000));
        ASSERT_EQ(rig.streams[0].released.size(), 1u);
        const auto& v = rig.streams[0].released[0].values;
        u32 wrong = 0;
        for (u32 i = 0; i < 40000; ++i) {
            float want = i % 2 ? (kind == DI ? 5.0f : (float)odd[i / 2 % 6]) : 0.0f;
            wrong += !(v[i] == want || (std::isnan(v[i]) && std::isnan(want)));
        }
        EXPECT_EQ(wrong, 0u) << kind->tag;
        EXPECT_EQ(in.core(0).fill, 10000u);
    }
}

// A channel far behind the host's clock (a long pause, blocks held back
// for hours) catches up as far as its values wait, whether its lag would
// wrap a 32-bit count or not.
TEST(BlockPass, CatchesUpHoweverFarBehindTheClock)
{
    for (double ahead : {2147483648.0 + 300, 4294967296.0 + 300}) {
        Rig rig;
        rig.blockSize = 256;
        Input di(rig, DI, 1);
        di.digital().channel[0].realTime = 0;
        ASSERT_TRUE(di.run());
        rig.waiting[0].assign(300, 7);
        rig.time = ahead * rig.distance;
        EXPECT_EQ(di.compute(), 1);
        EXPECT_EQ(rig.streams[0].released.size(), 1u) << ahead;
        EXPECT_TRUE(rig.waiting[0].empty()) << ahead;
    }
}

// ---------------------------------------------------------------- single-value pass

// One value per tick, held until the block's end; the last value fills the
// rest, and the completed block counts whole.
TEST(SinglePass, AnalogValuesCollectUntilTheBlockEndsAndRepeatTheLast)
{
    Rig rig;
    Input a(rig, AI, 1, 1);
    ASSERT_TRUE(a.run());
    rig.time = 0.0009;  // this pass, too, waits for the first tick
    EXPECT_EQ(a.compute(), 0);
    EXPECT_EQ(rig.blockCalls, 0);
    for (double t : {0.0015, 0.0025, 0.0035}) {
        rig.time = t;
        a.compute();
    }
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 1;
    rig.time = 0.0095;
    a.compute();
    EXPECT_TRUE(rig.streams[0].released.empty());
    g_vars.bExperimentIsPaused = 0;
    a.compute();
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_THAT(rig.streams[0].released[0].values, ElementsAre(0, 1, 2, 3, 4, 4, 4, 4));
    EXPECT_EQ(a.core(0).released, 5.0);
    EXPECT_EQ(a.delivered(0), 8);
}

// One port read serves the pass; channel c shows bit (lines per port x port + c).
TEST(SinglePass, DigitalShowsEachChannelsBitOfOnePortRead)
{
    Rig rig;
    Input di(rig, DI, 4, 1);
    di.digital().port = 1;
    for (u32 c = 0; c < 4; ++c) di.digital().channel[c].realTime = 0;
    ASSERT_TRUE(di.run());
    rig.take();
    rig.portWord = 0x20;
    EXPECT_EQ(di.compute(), 1);
    EXPECT_EQ(rig.take(), (Log{"TTL_ReadPort(7,1)"}));
    for (u32 c = 0; c < 4; ++c) {
        ASSERT_EQ(rig.streams[c].released.size(), 1u);
        EXPECT_EQ(rig.streams[c].released[0].values[7], c == 1 ? 5.0f : 0.0f);
    }
}

// The host's block is as long as the output's fifo says, whatever the
// module's own records hold.
TEST(SinglePass, StaysInsideTheHostsBlock)
{
    for (const ModFrame* f : {AI, CI, DI}) {
        Rig rig;
        Input in(rig, f, 1, 1);
        ASSERT_TRUE(in.run());
        in.m->outputFifo[0]->blockSize = 2;
        rig.streams[0].storage.clear();
        for (int k = 0; k < 10; ++k) {
            rig.time = 0.0015 + k * 1e-6;
            in.compute();
        }
        EXPECT_EQ(rig.streams[0].released.size(), 0u);
        EXPECT_LE(in.core(0).fill, 2u) << f->tag;
    }
}

}  // namespace
