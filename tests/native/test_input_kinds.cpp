// Counter and digital input run messages, and what the three input kinds
// share in the passes, against the fake host and device.
#include <gmock/gmock.h>

#include <cmath>

#include "counterin_run.h"
#include "digitalin_run.h"
#include "simdrv_core.h"
#include "simdrv_native.h"
#include "test_fakes.h"

using ::testing::ElementsAre;
using Log = std::vector<std::string>;

namespace {

// An input module with the kind's parameter block at hand.
struct Input : DeviceModule {
    using DeviceModule::DeviceModule;
    CounterInParams& counter() { return params<CounterInParams>(); }
    DigitalParams& digital() { return params<DigitalParams>(); }
};


const char* const kModeCalls[] = {"CT_ImpulseCounter(7,%u,0,0,0)", "CT_FrequencyCounter(7,%u,1,0,0)",
                                  "CT_PeriodCounter(7,%u,0,0,0)", "CT_PulswidthCounter(7,%u,0,0,0)",
                                  "CT_IncrementalCounter(7,%u,0,0,0,0,0,0)"};

std::string ModeCall(u32 mode, u32 channel)
{
    char text[64];
    snprintf(text, sizeof text, kModeCalls[mode], channel);
    return text;
}

TEST(CounterInRun, EachChannelGoesIntoTheListWithItsModeThenTheRateOnce)
{
    for (u32 mode = 0; mode < 5; ++mode) {
        Rig rig;
        Input ci(rig, &g_frameCounterIn, 2);
        ci.counter().channel[0].mode = mode;
        ci.counter().channel[1].mode = 4 - mode;
        ASSERT_TRUE(ci.run());
        EXPECT_EQ(rig.calls(), (Log{"GetCardIDBySerial(SER1)", "CT_ClearChannelList(7)", "CT_AddChannelToList(7,0,1)",
                                   ModeCall(mode, 0), "CT_AddChannelToList(7,1,1)", ModeCall(4 - mode, 1),
                                   "CT_SetFrequency(7,1000)", "ConfigMeasure(7)", "StartMeasure(7)"}));
        const CounterInRecord& r = *(CounterInRecord*)ci.m->channel[1];
        EXPECT_EQ(r.channel, 1u);
        EXPECT_EQ(r.core.listPosition, 1u);
        EXPECT_EQ(r.settings.mode, 4 - mode);
        EXPECT_EQ(DEV_FindDevice(7)->startMarker, 1u);
    }
}

// Each refusal of a start step warns with its own text and refuses the start.
TEST(CounterInRun, StartRefusalsWarnWithTheirTexts)
{
    struct { const char* call; i32 mode; u32 timeBase; const char* warning; } cases[] = {
        {"CT_AddChannelToList", 0, 2, "Couldn't add channel to channel list!"},
        {nullptr, 7, 2, "Unknown counter mode!"},
        {"CT_PeriodCounter", 2, 2, "Couldn't setup counter mode!"},
        {"CT_IncrementalCounter", 4, 2, "Couldn't setup counter mode!"},
        {"rates", 0, 1, "At least one of the Channels of this Generator is sampled too quickly"},
        {"rates", 0, 2, "At least one of the Channels of this Generator is sampled too quickly"},
    };
    for (const auto& c : cases) {
        Rig rig;
        Input ci(rig, &g_frameCounterIn, 1, c.timeBase);
        ci.counter().channel[0].mode = (u32)c.mode;
        if (c.call) rig.status[c.call] = -3;
        if (c.call && !strcmp(c.call, "rates")) rig.status["CT_SetFrequency"] = -2;
        EXPECT_FALSE(ci.run()) << c.warning;
        EXPECT_EQ(rig.calls().back(), std::string("ShowWarning(CounterIn|") + c.warning + ")");
        EXPECT_EQ(DEV_FindDevice(7)->startMarker, 0u);
    }
}

TEST(CounterInRun, TimeBaseOneAsksTenTimesTheRateFirstAndSkipsChannelsWithoutAListSize)
{
    Rig rig;
    rig.fail("CT_SetFrequency", -2, 0, 1);
    Input ci(rig, &g_frameCounterIn, 1, 1);
    ASSERT_TRUE(ci.run());
    EXPECT_THAT(rig.calls(), ::testing::IsSupersetOf({"CT_SetFrequency(7,10000)", "CT_SetFrequency(7,1000)"}));

    Rig other;
    other.status["CT_GetChannelListSize"] = -1;
    Input quiet(other, &g_frameCounterIn, 2);
    ASSERT_TRUE(quiet.run());
    EXPECT_EQ(other.calls(), (Log{"GetCardIDBySerial(SER1)", "CT_ClearChannelList(7)", "CT_SetFrequency(7,1000)",
                                 "ConfigMeasure(7)", "StartMeasure(7)"}));
}

// Lines are numbered device-wide: lines per port x port index + channel,
// with the port layout the device reports at start.
TEST(DigitalInRun, OneInputLinePerChannelOnTheModulesPort)
{
    struct { u32 ports, lines, port; std::vector<u32> expected; } cases[] = {
        {4, 4, 0, {0, 1, 2}}, {4, 4, 1, {4, 5, 6}}, {2, 8, 1, {8, 9, 10}}, {6, 4, 5, {20, 21, 22}}};
    for (const auto& c : cases) {
        Rig rig;
        rig.portInfo[0] = c.ports;
        rig.portInfo[1] = c.lines;
        rig.portInfo[2] = 24;
        Input di(rig, &g_frameDigitalIn, 3);
        di.digital().port = c.port;
        ASSERT_TRUE(di.run());
        Log expected = {"GetCardIDBySerial(SER1)", "TTL_ClearChannelList(7)", "TTL_GetPortInfos(7)"};
        for (u32 line : c.expected) {
            expected.push_back("TTL_SetChannelDirection(7," + std::to_string(line) + ",0)");
            expected.push_back("TTL_AddChannelToList(7," + std::to_string(line) + ",1,0)");
        }
        for (const char* s : {"TTL_SetFrequency(7,1000)", "ConfigMeasure(7)", "StartMeasure(7)"}) expected.push_back(s);
        EXPECT_EQ(rig.calls(), expected);
        const DigitalParams& p = di.digital();
        EXPECT_EQ(std::vector<u32>({p.portCount, p.linesPerPort, p.portWord3, p.portWord4}),
                  std::vector<u32>({c.ports, c.lines, 24, 16}));  // saved with the block
        const DigitalInRecord& r = *(DigitalInRecord*)di.m->channel[2];
        EXPECT_EQ(std::vector<u32>({r.active, r.line, r.core.listPosition}), std::vector<u32>({1, c.expected[2], 2}));
    }
}

TEST(DigitalInRun, RefusedPortLayoutKeepsTheBlocksAndRefusedRatesWarn)
{
    Rig rig;
    rig.status["TTL_GetPortInfos"] = -1;
    rig.status["TTL_SetFrequency"] = -2;
    Input di(rig, &g_frameDigitalIn, 1, 1);
    EXPECT_FALSE(di.run());
    EXPECT_EQ(di.digital().linesPerPort, 4u);
    Log calls = rig.calls();
    EXPECT_EQ(Log(calls.end() - 3, calls.end()),
              (Log{"TTL_SetFrequency(7,10000)", "TTL_SetFrequency(7,1000)",
                   "ShowWarning(DigitalIn|At least one of the Channels of this Generator is sampled too quickly)"}));

    Rig cleared;
    cleared.status["TTL_ClearChannelList"] = -5;
    Input refused(cleared, &g_frameDigitalIn, 1);
    EXPECT_EQ(refused.send(DMM_PREPARE_START_MODULE), 0);
}

// Blocks larger than the read buffer are read in pieces, and a driver that
// claims more values than it was asked for is never trusted beyond the request.
TEST(InputKinds, ReadsStayWithinBufferAndRequest)
{
    struct { const ModFrame* f; u16 coreOffset; float high; } kinds[] = {
        {&g_frameAnalogIn, offsetof(AnalogInRecord, core), 1.0f},
        {&g_frameCounterIn, offsetof(CounterInRecord, core), 1.0f},
        {&g_frameDigitalIn, offsetof(DigitalInRecord, core), 5.0f}};
    for (const auto& k : kinds) {
        Rig rig;
        rig.blockSize = 40000;
        Input in(rig, k.f, 1);
        ASSERT_TRUE(in.run());
        for (u32 k = 0; k < 50000; ++k) rig.waiting[0].push_back(k % 2);
        rig.overReport = 3;
        rig.time = 50.0005;
        MOD_KindOf(k.f)->cls->compute(in.m);
        EXPECT_THAT(rig.requests, ElementsAre(32768, 7232, 10000));
        ASSERT_EQ(rig.streams[0].released.size(), 1u);
        const auto& v = rig.streams[0].released[0].values;
        u32 wrong = 0;
        for (u32 i = 0; i < 40000; ++i) wrong += v[i] != (i % 2 ? k.high : 0.0f);
        EXPECT_EQ(wrong, 0u);
        EXPECT_EQ(((const InputCore*)((u8*)in.m->channel[0] + k.coreOffset))->fill, 10000u);
    }
}

// Counter values go out as they come, no scaling; each single-value pass
// reads every channel's own counter.
TEST(CounterInCompute, CountsAreDeliveredUnscaledAndSingleReadsNameTheirCounter)
{
    Rig rig;
    Input ci(rig, &g_frameCounterIn, 1);
    ASSERT_TRUE(ci.run());
    rig.waiting[0] = {0, 1, 4294967295.0, 16777217, 5, 6, 7, 8};
    rig.time = 0.0085;
    CounterIn_Compute(ci.m);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    EXPECT_THAT(rig.streams[0].released[0].values, ElementsAre(0, 1, 4294967296.0f, 16777216.0f, 5, 6, 7, 8));

    Rig single;
    Input two(single, &g_frameCounterIn, 2, 1);
    for (u32 c = 0; c < 2; ++c) two.counter().channel[c].realTime = 0;
    ASSERT_TRUE(two.run());
    single.take();
    single.time = 0.015;
    CounterIn_Compute(two.m);
    EXPECT_EQ(single.take(), (Log{"CT_ReadSingleValue(0)", "CT_ReadSingleValue(1)"}));
    // Without the real-time switch every pass releases a whole block of one reading.
    EXPECT_THAT(single.streams[0].released[0].values, ElementsAre(0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_THAT(single.streams[1].released[0].values, ElementsAre(1, 1, 1, 1, 1, 1, 1, 1));
    EXPECT_EQ(((CounterInRecord*)two.m->channel[0])->delivered, 0);
}

// One port read serves the pass; channel c shows bit (lines per port x port + c).
TEST(DigitalInCompute, SingleValuePassShowsEachChannelsBitOfOnePortRead)
{
    Rig rig;
    Input di(rig, &g_frameDigitalIn, 4, 1);
    di.digital().port = 1;
    for (u32 c = 0; c < 4; ++c) di.digital().channel[c].realTime = 0;
    ASSERT_TRUE(di.run());
    rig.take();
    rig.portWord = 0x20;
    EXPECT_EQ(DigitalIn_Compute(di.m), 1);
    EXPECT_EQ(rig.take(), (Log{"TTL_ReadPort(7,1)"}));
    for (u32 c = 0; c < 4; ++c) {
        ASSERT_EQ(rig.streams[c].released.size(), 1u);
        EXPECT_EQ(rig.streams[c].released[0].values[7], c == 1 ? 5.0f : 0.0f);
    }
}

// A clock count of 1000, 300 values waiting, blocks of 256 and no real-time
// switch: one block goes out, 44 values wait in the next, nothing is left.
TEST(DigitalInCompute, BlockPassDeliversLevelsAsFarAsTheClockAllows)
{
    Rig rig;
    rig.blockSize = 256;
    Input di(rig, &g_frameDigitalIn, 1);
    di.digital().channel[0].realTime = 0;
    ASSERT_TRUE(di.run());
    for (u32 k = 0; k < 300; ++k) rig.waiting[0].push_back(k % 3 ? 7 : 0);
    rig.time = 1.0005;
    EXPECT_EQ(DigitalIn_Compute(di.m), 1);
    ASSERT_EQ(rig.streams[0].released.size(), 1u);
    const Released& out = rig.streams[0].released[0];
    EXPECT_EQ(out.tag, "digitalin");
    EXPECT_THAT(std::vector<float>(out.values.begin(), out.values.begin() + 4), ElementsAre(0, 5, 5, 0));
    EXPECT_TRUE(rig.waiting[0].empty());
    const DigitalInRecord& r = *(DigitalInRecord*)di.m->channel[0];
    EXPECT_EQ(r.core.fill, 44u);
    EXPECT_EQ(r.core.released, 256.0);
    EXPECT_EQ(r.delivered, 256);
}

// A channel far behind the host's clock (a long pause, blocks held back
// for hours) catches up as far as its values wait, whether its lag would
// wrap a 32-bit count or not.
TEST(DigitalInCompute, BlockPassCatchesUpHoweverFarBehindTheClock)
{
    for (double ahead : {2147483648.0 + 300, 4294967296.0 + 300}) {
        Rig rig;
        rig.blockSize = 256;
        Input di(rig, &g_frameDigitalIn, 1);
        di.digital().channel[0].realTime = 0;
        ASSERT_TRUE(di.run());
        rig.waiting[0].assign(300, 7);
        rig.time = ahead * rig.distance;
        EXPECT_EQ(DigitalIn_Compute(di.m), 1);
        EXPECT_EQ(rig.streams[0].released.size(), 1u) << ahead;
        EXPECT_TRUE(rig.waiting[0].empty()) << ahead;
    }
}

// The single-value pass polls without waiting for the clock; with the
// real-time switch on, the open block collects one reading per call until
// its end time and is then completed with the last one. Nothing counts as
// delivered.
TEST(DigitalInCompute, SingleValueBlockStaysOpenUntilItsEndTime)
{
    Rig rig;
    rig.blockSize = 4;
    Input di(rig, &g_frameDigitalIn, 3, 1);
    ASSERT_TRUE(di.run());
    rig.portWord = 0b101;
    rig.time = 0;
    EXPECT_EQ(DigitalIn_Compute(di.m), 1);
    const DigitalInRecord& r1 = *(DigitalInRecord*)di.m->channel[1];
    EXPECT_EQ(r1.blockOpen, 1u);
    EXPECT_EQ(r1.core.blockEnd, 0.004);
    g_vars.bExperimentIsPaused = 1;
    rig.portWord = 0b010;
    rig.time = 0.0045;
    DigitalIn_Compute(di.m);
    EXPECT_TRUE(rig.streams[1].released.empty());
    g_vars.bExperimentIsPaused = 0;
    DigitalIn_Compute(di.m);
    for (u32 c = 0; c < 3; ++c) {
        ASSERT_EQ(rig.streams[c].released.size(), 1u);
        float first = c == 1 ? 0 : 5, later = c == 1 ? 5 : 0;
        EXPECT_THAT(rig.streams[c].released[0].values, ElementsAre(first, later, later, later));
        const DigitalInRecord& r = *(DigitalInRecord*)di.m->channel[c];
        EXPECT_EQ(r.blockOpen, 0u);
        EXPECT_EQ(r.core.released, 3.0);
        EXPECT_EQ(r.delivered, 0);
    }
}

// The host's block is as long as the output's fifo says, whatever the
// module's own records hold.
TEST(InputKinds, SingleValuePassStaysInsideTheHostsBlock)
{
    for (const ModFrame* f : {&g_frameAnalogIn, &g_frameCounterIn, &g_frameDigitalIn}) {
        Rig rig;
        Input in(rig, f, 1, 1);
        ASSERT_TRUE(in.run());
        in.m->outputFifo[0]->blockSize = 2;
        rig.streams[0].storage.clear();
        for (int k = 0; k < 10; ++k) {
            rig.time = 0.0015 + k * 1e-6;
            MOD_KindOf(f)->cls->compute(in.m);
        }
        ASSERT_EQ(rig.streams[0].released.size(), 0u);
    }
}
// Against the simulated device the blocks of every input kind carry the
// device's samples without gap or repetition, whatever the compute pace, and
// each block starts where the one before it ended.
TEST(InputKinds, BlocksCarryEveryDeviceSampleOnce)
{
    struct {
        const ModFrame* f;
        u32 mode;  // counter mode of both channels
        float (*expected)(u32 channel, u64 k);
    } kinds[] = {
        {&g_frameAnalogIn, 0, [](u32 c, u64 k) { return (float)SimDrv_SignalValue(9, c, k); }},
        {&g_frameCounterIn, 0, [](u32 c, u64 k) { return (float)SimDrv_CounterValue(9, c, k); }},
        {&g_frameCounterIn, 1, [](u32 c, u64 k) { return (float)SimDrv_CounterValue(9, c, k); }},
        {&g_frameCounterIn, 3, [](u32 c, u64 k) { return (float)SimDrv_CounterValue(9, c, k); }},
        {&g_frameCounterIn, 4, [](u32 c, u64 k) { return (float)SimDrv_CounterValue(9, c, k); }},
        {&g_frameDigitalIn, 0, [](u32 c, u64 k) { return SimDrv_LineValue(9, 4 + c, k) != 0 ? 5.0f : 0.0f; }},
    };
    for (const auto& kind : kinds) {
        Rig rig;
        SimDrv_InstallNative(&g_drv);
        ASSERT_EQ(SimDrv_LoadConfig("[usb]\nserial = KW-C\nhandle = 9\nsignal = noise\n"
                                    "counter.1 = pulse freq=333 duty=0.3 jitter=0.2 seed=5\n"),
                  0);
        SimDrv_LogEnable(0);
        SimDrv_SetTime(0);
        rig.blockSize = 64;
        Input in(rig, kind.f, 2);
        kw_strlcpy(MOD_Header(in.m)->device, "\\?\\usb#0#KW-C###", DEV_STRING_SIZE);
        if (kind.f == &g_frameCounterIn) in.counter().channel[0].mode = in.counter().channel[1].mode = kind.mode;
        if (kind.f == &g_frameDigitalIn) in.digital().port = 1;
        ASSERT_TRUE(in.run());
        const double steps[] = {0.0031, 0.017, 0.0004, 0.05, 0.0127, 0.2, 0.001};
        for (u32 i = 0; rig.time < 2.0; ++i) {
            rig.time += steps[i % 7];
            SimDrv_SetTime(rig.time);
            ASSERT_EQ(MOD_KindOf(kind.f)->cls->compute(in.m), 1);
        }
        for (u32 c = 0; c < 2; ++c) {
            const auto& out = rig.streams[c].released;
            ASSERT_GE(out.size(), 30u);
            u64 k = 0;
            for (u32 b = 0; b < out.size(); ++b) {
                EXPECT_DOUBLE_EQ(out[b].start, (double)k * (double)0.001f);
                ASSERT_EQ(out[b].count, 64);
                for (float v : out[b].values) ASSERT_EQ(v, kind.expected(c, k++)) << kind.f->tag << " " << c << " " << k;
            }
        }
        in.send(DMM_STOP_MODULE);
        SimDrv_Reset();
    }
}

}  // namespace
