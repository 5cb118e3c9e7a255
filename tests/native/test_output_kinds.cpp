// Analog, digital and counter output run messages and compute functions
// against scripted input blocks and the fake device.
#include <gmock/gmock.h>

#include <cmath>

#include "analogout_run.h"
#include "counterout_run.h"
#include "digitalout_run.h"
#include "test_fakes.h"

using ::testing::ElementsAre;
using Log = std::vector<std::string>;

namespace {

using Output = DeviceModule;

// The driver writes of the log.
Log Writes(Rig& rig)
{
    Log out;
    for (std::string& s : rig.take())
        if (s.find("Write") != std::string::npos || s.find("PWM_Set") != std::string::npos) out.push_back(s);
    return out;
}

TEST(AnalogOut, OnlyAChangedFirstSampleReachesTheDevice)
{
    Rig rig;
    Output ao(rig, &g_frameAnalogOut, 1);
    ASSERT_TRUE(ao.run());
    Log calls = rig.take();  // no driver call at start or go
    EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](auto& s) { return s.compare(0, 6, "GlStr_"); }), 1);
    struct { std::vector<float> block; const char* write; } steps[] = {
        {{}, nullptr},               // no sample: taken, released, nothing written, still "first"
        {{0.0f, 1.0f}, "DA_WriteChannelVoltage(7,0,0)"},  // the first write of a run, whatever its value
        {{0.0f, 2.0f, 3.0f}, nullptr},                   // later samples do not count
        {{2.5f}, "DA_WriteChannelVoltage(7,0,2.5)"},
        {{NAN}, "DA_WriteChannelVoltage(7,0,nan)"},
        {{NAN}, "DA_WriteChannelVoltage(7,0,nan)"},     // a NaN always differs
        {{2.5f}, "DA_WriteChannelVoltage(7,0,2.5)"},
    };
    double seen = 0;
    for (const auto& s : steps) {
        rig.feed(0, s.block, seen * 0.001);
        EXPECT_EQ(ao.compute(), 1);
        seen += s.block.size();
        EXPECT_EQ(Writes(rig), s.write ? Log{s.write} : Log{}) << seen;
    }
    const AnalogOutRecord& r = *(AnalogOutRecord*)ao.m->channel[0];
    EXPECT_EQ(r.seen, seen);
    EXPECT_DOUBLE_EQ(r.blockEnd, 0.009);
    EXPECT_TRUE(rig.inputs[0].empty());
}

TEST(AnalogOut, ChannelNGoesToDeviceChannelN)
{
    Rig rig;
    Output ao(rig, &g_frameAnalogOut, 4);
    ASSERT_TRUE(ao.run());
    for (u32 i = 1; i < 4; ++i) rig.feed(i, {1.0f + i});
    rig.take();
    EXPECT_EQ(ao.compute(), 1);
    EXPECT_EQ(Writes(rig), (Log{"DA_WriteChannelVoltage(7,1,2)", "DA_WriteChannelVoltage(7,2,3)",
                                "DA_WriteChannelVoltage(7,3,4)"}));
}

// Port words of the digital output, step by step: bit c is channel c.
struct DigitalCase {
    std::vector<std::vector<float>> blocks;  // per channel; empty: no block
    std::vector<u32> writes;
};

TEST(DigitalOut, OnePortWordPerSampleStepWrittenOnChange)
{
    Rig rig;
    Output d(rig, &g_frameDigitalOut, 3);
    ASSERT_TRUE(d.run());
    const DigitalCase steps[] = {
        {{{0, 5, 5, 0}, {5, 5, 0, 0}}, {2, 3, 1, 0}},
        // Again: channel 0's first sample equals its last value, channel 1's
        // does not, so the first step writes 2 again.
        {{{0, 5, 5, 0}, {5, 5, 0, 0}}, {2, 3, 1, 0}},
        {{{0, 0}, {0}}, {}},  // all as before: nothing written
        // -1.0 and NaN clear, 0.0001 sets; the shorter block keeps its last
        // bit, the channel without a block keeps its bit.
        {{{0.0001f, -1.0f, NAN}, {}, {5}}, {5, 4}},
        {{{}, {5, 5}}, {6}},
        {{{}, {}, {}}, {}},
        // Channel 0's block is the shortest: its last bit holds for the later steps.
        {{{5}, {5, 0, 5}, {0, 0, 0}}, {3, 1, 3}},
    };
    for (const auto& s : steps) {
        for (u32 c = 0; c < s.blocks.size(); ++c)
            if (!s.blocks[c].empty()) rig.feed(c, s.blocks[c]);
        EXPECT_EQ(d.compute(), 1);
        Log expected;
        for (u32 w : s.writes) expected.push_back("TTL_WritePort(7,0," + std::to_string(w) + ")");
        EXPECT_EQ(Writes(rig), expected);
    }
    for (auto& q : rig.inputs) EXPECT_TRUE(q.empty());
    const DigitalOutRecord& r = *(DigitalOutRecord*)d.m->channel[1];
    EXPECT_EQ(r.seen, 14.0);
}

TEST(DigitalOut, PortLinesAndTheWordLeftFromTheLastRun)
{
    Rig rig;
    Output d(rig, &g_frameDigitalOut, 4, 1);
    MOD_Params<DigitalParams>(d.m)->port = 2;
    ASSERT_TRUE(d.run());
    // Time base 1: the device is not started, the port is written directly.
    EXPECT_EQ(rig.calls().back(), "TTL_SetChannelDirection(7,11,1)");
    rig.feed(3, {1});
    d.compute();
    EXPECT_EQ(Writes(rig), (Log{"TTL_WritePort(7,2,8)"}));
    d.send(DMM_STOP_MODULE);
    // The next run starts from the word the last one left on the port.
    ASSERT_TRUE(d.run());
    rig.take();
    rig.feed(0, {1});
    d.compute();
    EXPECT_EQ(Writes(rig), (Log{"TTL_WritePort(7,2,9)"}));
}

// Variable numbers of 0 or below name no variable and are never asked for; a
// variable that is not a finite number leaves the setting it would replace.
TEST(CounterOut, PrepareSendsEachChannelsModeWithValuesFromVariablesLimited)
{
    Rig rig;
    Output co(rig, &g_frameCounterOut, 4);
    CounterOutChannel* c = MOD_Params<CounterOutParams>(co.m)->channel;
    c[0].dutyCycle = 150;    // typed: passed as stored
    c[0].frequency = 12.9;   // truncated
    c[0].dutyCycleVar = -2;
    c[1].pwmMode = 0;
    c[1].frequencyVar = 3;
    c[1].dutyCycleVar = 4;
    c[2].frequencyVar = 5;
    c[3].frequencyVar = 6;
    c[3].dutyCycleVar = 7;
    rig.vars = {{0, 3}, {-2, 3}, {3, -7}, {4, 130}, {5, 1e12}, {6, NAN}, {7, -INFINITY}};
    ASSERT_TRUE(co.run());
    Log log = rig.take();
    EXPECT_THAT(log, ::testing::IsSupersetOf({"PWM_PreparePWMOutput(7,0,12,150)", "PWM_PrepareFMOutput(7,1,0,100)",
                                             "PWM_PreparePWMOutput(7,2,2147483647,50)",
                                             "PWM_PreparePWMOutput(7,3,10,50)", "PWM_StartOutput(7)"}));
    // Start refreshes the block from the variables, without an upper limit.
    EXPECT_EQ(c[1].dutyCycle + 0, 130.0);
    EXPECT_EQ(c[1].frequency + 0, 0.0);
    EXPECT_EQ(c[3].frequency + 0, 10.0);
    EXPECT_EQ(c[3].dutyCycle + 0, 50.0);
    EXPECT_EQ(c[0].dutyCycle + 0, 150.0);
}

TEST(CounterOut, PwmWritesEveryBlockLimitedAndFmWritesChangesOnly)
{
    Rig rig;
    Output co(rig, &g_frameCounterOut, 2);
    CounterOutChannel* c = MOD_Params<CounterOutParams>(co.m)->channel;
    c[1].pwmMode = 0;
    c[1].dutyCycleVar = 9;
    rig.vars = {{9, 50}};
    ASSERT_TRUE(co.run());
    rig.take();
    struct { float pwm, fm; double duty; i32 fmStatus; Log writes; } steps[] = {
        {-5, 100, 50, 0, {"PWM_WriteNewPWMRatio(7,0,0)", "PWM_SetFrequency(7,1,100)"}},
        {42.7f, 100, 50, 0, {"PWM_WriteNewPWMRatio(7,0,42)"}},
        {130, 200, 120, -3, {"PWM_WriteNewPWMRatio(7,0,100)", "PWM_SetDutyCycle(7,1,100)", "PWM_SetFrequency(7,1,200)"}},
        // The refused frequency is tried again; the duty cycle stays at its limit.
        {130, 200, 130, 0, {"PWM_WriteNewPWMRatio(7,0,100)", "PWM_SetFrequency(7,1,200)"}},
        {NAN, 200, 20, 0, {"PWM_WriteNewPWMRatio(7,0,0)", "PWM_SetDutyCycle(7,1,20)"}},
        // A frequency or duty cycle that is not a finite number is not written.
        {5, NAN, NAN, 0, {"PWM_WriteNewPWMRatio(7,0,5)"}},
        {5, INFINITY, 20, 0, {"PWM_WriteNewPWMRatio(7,0,5)"}},
        {5, 300, INFINITY, 0, {"PWM_WriteNewPWMRatio(7,0,5)", "PWM_SetFrequency(7,1,300)"}},
    };
    for (const auto& s : steps) {
        rig.vars[9] = s.duty;
        rig.fail("PWM_SetFrequency", s.fmStatus);
        rig.feed(0, {s.pwm, 77});
        rig.feed(1, {s.fm});
        EXPECT_EQ(co.compute(), 1);  // refusals are not reported
        EXPECT_EQ(Writes(rig), s.writes) << s.pwm;
    }
    EXPECT_EQ(((CounterOutRecord*)co.m->channel[0])->seen, 16.0);
}

}  // namespace
