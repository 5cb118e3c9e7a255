// Simulated driver, called through a natively installed driver function
// table: what the acquisition tests take on trust (handles, sample counts,
// sample values of every input kind, outputs and their loopback, injected
// faults, the call log and the write record).
#include <gtest/gtest.h>
#include <math.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "simdrv_core.h"
#include "simdrv_native.h"

namespace {

class SimDrv : public ::testing::Test {
protected:
    DrvTable t{};

    void SetUp() override
    {
        unsetenv("KW_SIM_CONFIG");
        SimDrv_Reset();
        SimDrv_InstallNative(&t);
    }
    i32 Connect(const char* address)
    {
        i32 h = -1;
        u32 word = 0;
        EXPECT_EQ(t.RemoteDeviceConnect(&h, address, -1, 0, &word), 0);
        return h;
    }
    // The first network device measuring 'channels' at 'rate' from time 0.
    i32 StartAnalog(std::initializer_list<u32> channels, double rate)
    {
        i32 h = Connect("192.168.10.21");
        for (u32 c : channels) EXPECT_EQ(t.AD_AddChannelToList(h, c, 0, 0, 1), 0);
        EXPECT_EQ(t.AD_SetFrequency(h, rate), 0);
        SimDrv_SetTime(0);
        EXPECT_EQ(t.ConfigMeasure(h), 0);
        EXPECT_EQ(t.StartMeasure(h), 0);
        return h;
    }
    i32 Available(i32 h, u32 position, u32 kind = DRV_MC_ANALOG)
    {
        i32 n = -1;
        EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, kind, position, &n), 0);
        return n;
    }
    i32 Read(i32 h, u32 position, double* buffer, u32* count)
    {
        return t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, position, buffer, count, 0, 0, 0, 0);
    }
    i32 ReadWords(i32 h, u32 kind, u32 position, u32* buffer, u32* count)
    {
        return t.MeasurementChannel_ReadDataAsUInt32(h, kind, position, buffer, count, 0, 0, 0, 0);
    }
    // The only device: a network device at 10.0.0.9 with these keys, connected.
    i32 Device(const std::string& keys)
    {
        EXPECT_EQ(SimDrv_LoadConfig(("[eth]\naddress = 10.0.0.9\n" + keys).c_str()), 0);
        return Connect("10.0.0.9");
    }
    // Measures from time 0 until 'until'.
    void Measure(i32 h, double until)
    {
        SimDrv_SetTime(0);
        EXPECT_EQ(t.ConfigMeasure(h), 0);
        EXPECT_EQ(t.StartMeasure(h), 0);
        SimDrv_SetTime(until);
    }
    // Every waiting sample of a list position, read in chunks of these sizes,
    // then of 4096: the reads must join without a gap or a repeat.
    template <class T>
    std::vector<T> ReadAll(i32 h, u32 kind, u32 position, std::vector<u32> chunks = {})
    {
        std::vector<T> all;
        size_t waiting = (size_t)Available(h, position, kind);
        for (size_t i = 0;; ++i) {
            u32 got = i < chunks.size() ? chunks[i] : 4096;
            std::vector<T> buffer(got);
            if constexpr (std::is_same_v<T, double>) EXPECT_EQ(Read(h, position, buffer.data(), &got), 0);
            else EXPECT_EQ(ReadWords(h, kind, position, buffer.data(), &got), 0);
            all.insert(all.end(), buffer.begin(), buffer.begin() + got);
            if (got == 0 && i >= chunks.size()) break;
        }
        EXPECT_EQ(all.size(), waiting);
        return all;
    }
};


TEST_F(SimDrv, OneHandlePerDeviceAndLostHandles)
{
    i32 h = Connect("192.168.10.21");
    EXPECT_EQ(h, SimDrv_DeviceHandle(0));
    EXPECT_EQ(Connect("KW-ETH-1"), h);  // host name, any case
    EXPECT_EQ(t.RemoteDeviceDisconnect(h), 0);
    EXPECT_EQ(t.ConfigMeasure(h), DRV_ERR_LOST_CONNECTION);
    EXPECT_EQ(Connect("192.168.10.21"), h);  // the same handle again
    EXPECT_EQ(t.ConfigMeasure(h), 0);
}

TEST_F(SimDrv, BufferedCountsFollowTheClock)
{
    i32 h = StartAnalog({0, 5}, 100);
    SimDrv_SetTime(0.0099);
    EXPECT_EQ(Available(h, 0), 0);
    SimDrv_SetTime(4.35);  // 4.35 * 100 is 434.99999999999994 in doubles: no sample lost
    EXPECT_EQ(Available(h, 0), 435);
    double buffer[512];
    u32 count = 120;
    ASSERT_EQ(Read(h, 0, buffer, &count), 0);
    EXPECT_EQ(count, 120u);
    EXPECT_EQ(Available(h, 0), 315);
    EXPECT_EQ(Available(h, 1), 435);  // positions are independent
    SimDrv_AdvanceTime(1.0);
    EXPECT_EQ(Available(h, 0), 415);
}

TEST_F(SimDrv, ReadsContinueTheSignalSampleExactly)
{
    i32 h = StartAnalog({2, 3, 2}, 2500);
    SimDrv_SetTime(2.0);
    for (u32 pos = 0; pos < 3; ++pos) {
        u32 channel = pos == 1 ? 3 : 2;
        u64 k = 0;
        for (u32 chunk : {1u, 7u, 1000u, 3992u, 5u}) {
            std::vector<double> buffer(chunk);
            u32 count = chunk;
            ASSERT_EQ(Read(h, pos, buffer.data(), &count), 0);
            ASSERT_EQ(count, std::min<u64>(chunk, 5000 - k));
            for (u32 i = 0; i < count; ++i, ++k)
                ASSERT_EQ(buffer[i], SimDrv_SignalValue(h, channel, k)) << "position " << pos << " sample " << k;
        }
        EXPECT_EQ(k, 5000u);
    }
}

// A recording is served by copying, round and round from the channel's
// starting sample, and reads as its expectation does across the wrap.
TEST_F(SimDrv, RecordedSignalIsCopiedRoundAndRound)
{
    i32 h = Device("signal = recorded seed=0\nsignal.1 = recorded seed=2097000\nmaxrate = 10000000\n");
    EXPECT_EQ(t.AD_AddChannelToList(h, 1, 0, 0, 1), 0);
    EXPECT_EQ(t.AD_SetFrequency(h, 1e6), 0);
    Measure(h, 0.0025);  // 2500 samples: past the end of the recording
    std::vector<double> all = ReadAll<double>(h, DRV_MC_ANALOG, 0, {1000, 77});
    ASSERT_EQ(all.size(), 2500u);
    u32 wrong = 0;
    for (u64 k = 0; k < all.size(); ++k) wrong += all[k] != SimDrv_SignalValue(h, 1, k);
    EXPECT_EQ(wrong, 0u);
    EXPECT_EQ(SimDrv_SignalValue(h, 1, 152), SimDrv_SignalValue(h, 0, 0));  // 2097000 + 152 = 1 << 21
}

// A mixed-up channel must show as wrong values, so the default signals of
// neighbouring channels differ; and the same sample is always the same value.
TEST_F(SimDrv, SignalsDifferByChannelAndRepeat)
{
    for (u32 d = 0; d < SimDrv_DeviceCount(); ++d) {
        i32 h = SimDrv_DeviceHandle(d);
        for (u32 c = 1; c < 8; ++c)
            EXPECT_NE(SimDrv_SignalValue(h, c, 37), SimDrv_SignalValue(h, c - 1, 37)) << d << " " << c;
    }
    ASSERT_EQ(SimDrv_LoadConfig("[usb]\nhandle = 5\nsignal = noise seed=5\n"), 0);
    double first = SimDrv_SignalValue(5, 0, 123);
    EXPECT_NE(first, SimDrv_SignalValue(5, 0, 124));
    EXPECT_EQ(SimDrv_SignalValue(5, 0, 123), first);
}

TEST_F(SimDrv, ReadFaultsFromTheNthReadOrFromATime)
{
    i32 h = StartAnalog({0}, 1000);
    SimDrv_SetTime(1.0);
    SimDrv_FailReads(h, SIMDRV_READ_DATA, 3, -1, DRV_ERR_LOST_CONNECTION);
    double buffer[10];
    for (int i = 1; i <= 4; ++i) {
        u32 count = 10;
        EXPECT_EQ(Read(h, 0, buffer, &count), i < 3 ? 0 : DRV_ERR_LOST_CONNECTION) << "read " << i;
        EXPECT_EQ(count, i < 3 ? 10u : 0u);
    }
    EXPECT_EQ(Available(h, 0), 980);  // counts are not in the mask; failed reads consumed nothing

    i32 other = Connect("192.168.10.22");
    SimDrv_FailReads(h, SIMDRV_READ_ALL, 0, 2.5, -42);
    SimDrv_SetTime(2.4999);
    EXPECT_EQ(Available(h, 0), 2479);
    SimDrv_SetTime(2.5);
    i32 n = 5;
    EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_ANALOG, 0, &n), -42);
    double v;
    EXPECT_EQ(t.AD_ReadSingleVoltage(h, 0, 0, 0, 1, &v), -42);
    EXPECT_EQ(t.AD_ReadSingleVoltage(other, 0, 0, 0, 1, &v), 0);  // another device reads on
}

// Tests count calls by line prefix, so the lines' form is fixed.
TEST_F(SimDrv, CallLogRecordsEveryCallWithItsArgumentsAndResult)
{
    i32 h = Connect("192.168.10.21");
    t.AD_AddChannelToList(h, 0, 0, 0, 1);
    t.AD_SetFrequency(h, 10000);
    t.ConfigMeasure(h);
    t.GetCardName(h);
    // Entry points the product never calls are typeless slots.
    reinterpret_cast<i32 (*)(u32, u32, u32, u32)>(reinterpret_cast<void (*)(void)>(t.SetLEDs))(1, 2, 3, 4);
    const std::vector<std::string> expected = {
        "RemoteDeviceConnect(&,\"192.168.10.21\",-1,0,&)", "AD_AddChannelToList(1,0,0,0,1)",
        "AD_SetFrequency(1,10000)", "ConfigMeasure(1)", "GetCardName(1)", "_SetLEDs@16(1,2,3,4)"};
    const std::vector<std::string> results = {"0", "0", "0", "0", "\"Kestrelwing ETH-16 (simulated)\"", "-9999"};
    std::vector<std::string> lines, returned;
    char line[256];
    for (u32 i = 0; i < SimDrv_LogCount(); ++i) {
        lines.push_back((SimDrv_LogLine(i, line, sizeof line), line));
        returned.push_back((SimDrv_LogResult(i, line, sizeof line), line));
    }
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(returned, results);
    EXPECT_EQ(SimDrv_LogCountOf("ConfigMeasure("), 1u);
    EXPECT_EQ(SimDrv_LogCountOf("A"), 2u);
}

// ---------------------------------------------------------------- counters

// Each mode against its closed form: a 256 Hz train with duty 0.25 sampled at
// 1024 Hz, so that sample k sits at phase k / 4 exactly.
TEST_F(SimDrv, CounterModesMeasureThePulseTrain)
{
    struct Mode {
        const char* name;
        std::function<i32(DrvTable&, i32)> set;
        u32 (*expect)(u64 k);
    };
    const Mode modes[] = {
        {"impulse", [](DrvTable& t, i32 h) { return t.CT_ImpulseCounter(h, 0, 0, 0, 0); },
         [](u64 k) { return u32(k / 4); }},
        {"frequency", [](DrvTable& t, i32 h) { return t.CT_FrequencyCounter(h, 0, 1, 0, 0); },
         [](u64 k) { return k >= 8 ? 256u : 0u; }},  // from the second edge after the start
        {"period", [](DrvTable& t, i32 h) { return t.CT_PeriodCounter(h, 0, 0, 0, 0); },
         [](u64 k) { return k >= 8 ? 3906u : 0u; }},  // 3906.25 µs
        {"pulse width", [](DrvTable& t, i32 h) { return t.CT_PulswidthCounter(h, 0, 0, 0, 0); },
         [](u64 k) { return k >= 5 ? 977u : 0u; }},  // 976.5625 µs, once the first pulse has fallen
        {"rotary encoder", [](DrvTable& t, i32 h) { return t.CT_IncrementalCounter(h, 0, 0, 0, 0, 0, 0, 0); },
         [](u64 k) { return u32(k / 4 % 6 <= 3 ? k / 4 % 6 : 6 - k / 4 % 6); }},  // 0 → 3 → 0
    };
    for (const Mode& m : modes) {
        i32 h = Device("counter.0 = pulse freq=256 duty=0.25 swing=3\n");
        ASSERT_EQ(t.CT_AddChannelToList(h, 0, 1), 0);
        ASSERT_EQ(m.set(t, h), 0) << m.name;
        ASSERT_EQ(t.CT_SetFrequency(h, 1024), 0);
        Measure(h, 2.0);
        std::vector<u32> values = ReadAll<u32>(h, DRV_MC_COUNTER, 0, {1, 5, 1000, 3});
        ASSERT_EQ(values.size(), 2048u);
        for (u64 k = 0; k < values.size(); ++k) {
            ASSERT_EQ(values[k], m.expect(k)) << m.name << " sample " << k;
            ASSERT_EQ(values[k], SimDrv_CounterValue(h, 0, k)) << m.name << " sample " << k;
        }
        u32 now = 0;
        EXPECT_EQ(t.CT_ReadSingleValue(h, 0, &now), 0);
        EXPECT_EQ(now, m.expect(2048)) << m.name;
        EXPECT_EQ(m.set(t, h), SIMDRV_ERR_STATE) << m.name << ": no mode change while measuring";
    }
}

TEST_F(SimDrv, JitterMovesEachEdgeWithinItsShareOfAPeriod)
{
    i32 h = Device("counter.1 = pulse freq=250 duty=0.25 jitter=0.02 seed=3\n");
    ASSERT_EQ(t.CT_AddChannelToList(h, 1, 1), 0);
    ASSERT_EQ(t.CT_PeriodCounter(h, 1, 0, 0, 0), 0);
    ASSERT_EQ(t.CT_SetFrequency(h, 100000), 0);
    Measure(h, 1.0);
    std::set<u32> periods;
    for (u32 p : ReadAll<u32>(h, DRV_MC_COUNTER, 0))
        if (p) periods.insert(p);
    EXPECT_GT(periods.size(), 50u);
    EXPECT_GE(*periods.begin(), 4000u * 0.96);  // both edges of a period move by up to 2 %
    EXPECT_LE(*periods.rbegin(), 4000u * 1.04);

    double before = SimDrv_CounterAt(h, 1, 0.5);
    EXPECT_EQ(SimDrv_CounterAt(h, 1, 0.5), before);
    h = Device("counter.1 = pulse freq=250 duty=0.25 jitter=0.02 seed=4\n");
    ASSERT_EQ(t.CT_PeriodCounter(h, 1, 0, 0, 0), 0);
    EXPECT_NE(SimDrv_CounterAt(h, 1, 0.5), before);  // another seed, other edges
}

// ---------------------------------------------------------------- digital lines

// Lines sampled at 1024 Hz with periods of whole samples; ports of 3 lines
// number their lines across the ports.
TEST_F(SimDrv, LinePatternsPortWordsAndLineNumbers)
{
    i32 h = Device("ports = 2\nlinesperport = 3\nline.1 = level 1\nline.4 = square period=0.0078125 duty=0.25\n"
                   "line.5 = counterbit bit=2 period=0.0009765625\n");
    u32 info[4] = {};
    ASSERT_EQ(t.TTL_GetPortInfos(h, &info[0], &info[1], &info[2], &info[3]), 0);
    EXPECT_EQ(std::vector<u32>(info, info + 4), (std::vector<u32>{2, 3, 6, 6}));
    struct Line {
        u32 line;
        u32 (*level)(u64 k);
    };
    const Line lines[] = {{1, [](u64) { return 1u; }},
                          {4, [](u64 k) { return u32(k % 8 < 2); }},
                          {5, [](u64 k) { return u32(k >> 2 & 1); }}};
    for (const Line& l : lines) {
        EXPECT_EQ(t.TTL_SetChannelDirection(h, l.line, 0), 0);
        EXPECT_EQ(t.TTL_AddChannelToList(h, l.line, 1, 0), 0);
    }
    EXPECT_EQ(t.TTL_AddChannelToList(h, 6, 1, 0), SIMDRV_ERR_ARGUMENT);
    EXPECT_EQ(t.TTL_SetChannelDirection(h, 0, 2), SIMDRV_ERR_ARGUMENT);
    ASSERT_EQ(t.TTL_SetFrequency(h, 1024), 0);
    Measure(h, 1.0);
    for (u32 pos = 0; pos < 3; ++pos) {
        std::vector<u32> levels = ReadAll<u32>(h, DRV_MC_DIGITAL, pos, {3, 100, 1});
        ASSERT_EQ(levels.size(), 1024u);
        for (u64 k = 0; k < levels.size(); ++k) {
            ASSERT_EQ(levels[k], lines[pos].level(k)) << "line " << lines[pos].line << " sample " << k;
            ASSERT_EQ(levels[k], SimDrv_LineValue(h, lines[pos].line, k));
        }
    }
    // Port 1 holds lines 3 to 5, at bits 3 to 5 of the word.
    SimDrv_SetTime(1027 / 1024.0);
    u32 word = 0;
    ASSERT_EQ(t.TTL_ReadPort(h, 1, &word), 0);
    EXPECT_EQ(word, (u32)SimDrv_LineAt(h, 3, 1027 / 1024.0) << 3 | lines[1].level(1027) << 4 | lines[2].level(1027) << 5);
    EXPECT_EQ(t.TTL_ReadPort(h, 2, &word), SIMDRV_ERR_ARGUMENT);
}

// A mixed-up counter or line must show as wrong values too.
TEST_F(SimDrv, CountersAndLinesDifferByNumber)
{
    i32 h = Connect("192.168.10.21");
    SimDrv_SetTime(1.0);
    EXPECT_NE(SimDrv_CounterAt(h, 0, 1.0), SimDrv_CounterAt(h, 1, 1.0));  // impulses at 100 and 250 Hz
    std::set<std::vector<u32>> streams;
    for (u32 line = 0; line < 16; ++line) {
        std::vector<u32> levels;
        for (u64 k = 0; k < 200; ++k) levels.push_back((u32)SimDrv_LineValue(h, line, k));
        streams.insert(levels);
    }
    EXPECT_EQ(streams.size(), 16u);
}

// ---------------------------------------------------------------- outputs and loopback

// Writes at 0.25 s and 0.5 s, read at 1024 Hz: sample 256 is the first to see
// the first write.
TEST_F(SimDrv, AnalogOutputDrivesTheInputOfItsNumber)
{
    i32 h = Device("loopback = 1\nsignal = ramp freq=3\n");
    ASSERT_EQ(t.AD_AddChannelToList(h, 2, 0, 0, 1), 0);
    ASSERT_EQ(t.AD_AddChannelToList(h, 3, 0, 0, 1), 0);
    ASSERT_EQ(t.AD_SetFrequency(h, 1024), 0);
    Measure(h, 0.25);
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, 1.5), 0);
    SimDrv_SetTime(0.5);
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, -2), 0);
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 16, 1), SIMDRV_ERR_ARGUMENT);
    SimDrv_SetTime(1.0);
    std::vector<double> out = ReadAll<double>(h, DRV_MC_ANALOG, 0, {255, 2}), other = ReadAll<double>(h, DRV_MC_ANALOG, 1);
    ASSERT_EQ(out.size(), 1024u);
    for (u64 k = 0; k < out.size(); ++k) {
        double cycles = 3 * (k / 1024.0), ramp = 2 * (cycles - floor(cycles)) - 1;
        ASSERT_EQ(out[k], k < 256 ? ramp : k < 512 ? 1.5 : -2) << "sample " << k;
        ASSERT_EQ(out[k], SimDrv_SignalValue(h, 2, k));
        ASSERT_EQ(other[k], SimDrv_SignalValue(h, 3, k));
        ASSERT_NE(other[k], 1.5);
    }
    double now = 0;
    EXPECT_EQ(t.AD_ReadSingleVoltage(h, 2, 0, 0, 1, &now), 0);
    EXPECT_EQ(now, -2);
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, 5), 0);
    SimDrv_SetTime(0.6);  // a clock set back: the new write replaces the later one
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, 7), 0);
    EXPECT_EQ(SimDrv_SignalAt(h, 2, 1.5), 7);
    EXPECT_EQ(SimDrv_SignalAt(h, 2, 0.55), -2);

    h = Device("signal = ramp freq=3\n");  // loopback off: writes reach no input
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, 1.5), 0);
    EXPECT_NE(SimDrv_SignalAt(h, 2, 1.0), 1.5);
}

TEST_F(SimDrv, PortWordDrivesTheLinesOfItsPort)
{
    i32 h = Device("loopback = 1\nline = level 0\n");
    for (u32 line = 4; line < 8; ++line) ASSERT_EQ(t.TTL_AddChannelToList(h, line, 1, 0), 0);
    ASSERT_EQ(t.TTL_SetFrequency(h, 1024), 0);
    Measure(h, 0.25);
    EXPECT_EQ(t.TTL_WritePort(h, 1, 0xF5), 0);  // bits above the port's four lines are ignored
    SimDrv_SetTime(0.5);
    EXPECT_EQ(t.TTL_WritePort(h, 1, 0x2), 0);
    EXPECT_EQ(t.TTL_WritePort(h, 4, 0x2), SIMDRV_ERR_ARGUMENT);
    SimDrv_SetTime(1.0);
    for (u32 i = 0; i < 4; ++i) {
        std::vector<u32> levels = ReadAll<u32>(h, DRV_MC_DIGITAL, i, {256});
        ASSERT_EQ(levels.size(), 1024u);
        for (u64 k = 0; k < levels.size(); ++k)
            ASSERT_EQ(levels[k], k < 256 ? 0 : k < 512 ? 0x5 >> i & 1 : 0x2 >> i & 1) << "line " << 4 + i << " " << k;
    }
    u32 word = 1;
    EXPECT_EQ(t.TTL_ReadPort(h, 1, &word), 0);
    EXPECT_EQ(word, 0x2u << 4);
    EXPECT_EQ(t.TTL_ReadPort(h, 0, &word), 0);
    EXPECT_EQ(word, 0u);
}

// Pulse outputs 0 to 2 drive counters 0 to 2 (frequency, pulse width,
// impulses): prepared at 0.125 s (no pulses), started at 0.25 s with 64 Hz and
// 50 %, 25 % from 0.5 s, 128 Hz from 0.75 s.
TEST_F(SimDrv, PulseOutputDrivesTheCounterOfItsNumber)
{
    i32 h = Device("loopback = 1\ncounters = 3\n");
    ASSERT_EQ(t.CT_FrequencyCounter(h, 0, 1, 0, 0), 0);
    ASSERT_EQ(t.CT_PulswidthCounter(h, 1, 0, 0, 0), 0);
    for (u32 c = 0; c < 3; ++c) ASSERT_EQ(t.CT_AddChannelToList(h, c, 1), 0);
    ASSERT_EQ(t.CT_SetFrequency(h, 1024), 0);
    Measure(h, 0.125);
    EXPECT_EQ(t.PWM_WriteNewPWMRatio(h, 0, 30), SIMDRV_ERR_STATE);  // not prepared
    for (u32 c = 0; c < 3; ++c) ASSERT_EQ(t.PWM_PreparePWMOutput(h, c, 64, 50), 0);
    SimDrv_SetTime(0.25);
    EXPECT_EQ(t.PWM_StartOutput(h), 0);
    SimDrv_SetTime(0.5);
    for (u32 c = 0; c < 3; ++c) ASSERT_EQ(t.PWM_WriteNewPWMRatio(h, c, 25), 0);
    SimDrv_SetTime(0.75);
    for (u32 c = 0; c < 3; ++c) ASSERT_EQ(t.PWM_SetFrequency(h, c, 128), 0);
    SimDrv_SetTime(1.0);
    std::vector<u32> stream[3];
    for (u32 c = 0; c < 3; ++c) {
        stream[c] = ReadAll<u32>(h, DRV_MC_COUNTER, c, {300});
        ASSERT_EQ(stream[c].size(), 1024u);
        for (u64 k = 0; k < 1024; ++k) ASSERT_EQ(stream[c][k], SimDrv_CounterValue(h, c, k)) << c << " " << k;
    }
    struct Check {
        u32 counter, k, value;
    };
    const Check checks[] = {
        {0, 120, 100}, {0, 400, 64}, {0, 1000, 128},      // hertz: the configured train, then the output
        {1, 100, 1000}, {1, 400, 7813}, {1, 700, 3906},   // µs: 25 % of 250 Hz, 50 % and 25 % of 64 Hz
        {1, 1000, 1953},                                   // 25 % of 128 Hz
        {2, 128, 50}, {2, 200, 50}, {2, 512, 66}, {2, 1023, 113},  // 400 Hz to 0.125 s, stopped, 64 Hz ...
    };
    for (const Check& c : checks) EXPECT_EQ(stream[c.counter][c.k], c.value) << c.counter << " " << c.k;
    EXPECT_EQ(SimDrv_CounterAt(h, 2, 1.0), 114);  // ... and 128 Hz from 0.75 s

    EXPECT_EQ(t.RemoteDeviceDisconnect(h), 0);  // stops the outputs
    EXPECT_EQ(SimDrv_CounterAt(h, 2, 2.0), 114);
}

// Every output call with its arguments, status and device time.
TEST_F(SimDrv, WriteRecordKeepsEveryOutputCall)
{
    i32 h = Connect("192.168.10.21");
    SimDrv_SetTime(0.5);
    t.DA_WriteChannelVoltage(h, 3, 2.5);
    t.DA_WriteChannelVoltage(h, 99, 1);
    SimDrv_SetTime(0.75);
    t.TTL_WritePort(h, 2, 0x9);
    t.PWM_PrepareFMOutput(h, 4, 1000, 30);
    t.PWM_StartOutput(h);
    t.PWM_SetDutyCycle(h, 4, 12.5);
    t.PWM_SetFrequency(7, 4, 50);
    const SimDrvWrite expected[] = {
        {"DA_WriteChannelVoltage", SIMDRV_WRITE_DA, h, 3, 0, 2.5, 0, 0.5},
        {"DA_WriteChannelVoltage", SIMDRV_WRITE_DA, h, 99, SIMDRV_ERR_ARGUMENT, 1, 0, 0.5},
        {"TTL_WritePort", SIMDRV_WRITE_TTL, h, 2, 0, 9, 0, 0.75},
        {"PWM_PrepareFMOutput", SIMDRV_WRITE_PWM_SETUP, h, 4, 0, 1000, 30, 0.75},
        {"PWM_StartOutput", SIMDRV_WRITE_PWM_SETUP, h, -1, 0, 0, 0, 0.75},
        {"PWM_SetDutyCycle", SIMDRV_WRITE_PWM, h, 4, 0, 12.5, 0, 0.75},
        {"PWM_SetFrequency", SIMDRV_WRITE_PWM, 7, 4, DRV_ERR_LOST_CONNECTION, 50, 0, 0.75},
    };
    ASSERT_EQ(SimDrv_WriteCount(), std::size(expected));
    for (u32 i = 0; i < std::size(expected); ++i) {
        SimDrvWrite w, e = expected[i];
        ASSERT_EQ(SimDrv_WriteAt(i, &w), 1);
        EXPECT_EQ(std::string(w.name), e.name) << i;
        EXPECT_EQ(std::vector<i32>({(i32)w.kind, w.handle, w.channel, w.status}),
                  std::vector<i32>({(i32)e.kind, e.handle, e.channel, e.status})) << e.name;
        EXPECT_EQ(std::vector<double>({w.value, w.value2, w.time}), std::vector<double>({e.value, e.value2, e.time}))
            << e.name;
    }
    SimDrvWrite none;
    EXPECT_EQ(SimDrv_WriteAt(std::size(expected), &none), 0);
    SimDrv_WriteClear();
    EXPECT_EQ(SimDrv_WriteCount(), 0u);
}

// ---------------------------------------------------------------- faults

// Each new read and write fails from its second call, or from 1.5 s on,
// while the other kinds go on.
TEST_F(SimDrv, ReadAndWriteFaultsByCountAndTime)
{
    i32 h = Device("loopback = 1\n");
    ASSERT_EQ(t.AD_AddChannelToList(h, 0, 0, 0, 1), 0);
    ASSERT_EQ(t.CT_AddChannelToList(h, 0, 1), 0);
    ASSERT_EQ(t.TTL_AddChannelToList(h, 0, 1, 0), 0);
    ASSERT_EQ(t.PWM_PreparePWMOutput(h, 0, 10, 50), 0);
    Measure(h, 1.0);
    struct Call {
        bool write;
        u32 mask;
        std::function<i32()> call;
    };
    u32 words[4], count;
    const Call calls[] = {
        {false, SIMDRV_READ_CT_DATA, [&] { return ReadWords(h, DRV_MC_COUNTER, 0, words, &(count = 4)); }},
        {false, SIMDRV_READ_TTL_DATA, [&] { return ReadWords(h, DRV_MC_DIGITAL, 0, words, &(count = 4)); }},
        {false, SIMDRV_READ_CT_SINGLE, [&] { return t.CT_ReadSingleValue(h, 0, words); }},
        {false, SIMDRV_READ_PORT, [&] { return t.TTL_ReadPort(h, 0, words); }},
        {true, SIMDRV_WRITE_DA, [&] { return t.DA_WriteChannelVoltage(h, 0, 1); }},
        {true, SIMDRV_WRITE_TTL, [&] { return t.TTL_WritePort(h, 0, 1); }},
        {true, SIMDRV_WRITE_PWM, [&] { return t.PWM_SetDutyCycle(h, 0, 20); }},
        {true, SIMDRV_WRITE_PWM_SETUP, [&] { return t.PWM_StartOutput(h); }},
    };
    for (const Call& c : calls) {
        SimDrv_ClearFaults();
        SimDrv_SetTime(1.0);
        (c.write ? SimDrv_FailWrites : SimDrv_FailReads)(h, c.mask, 2, -1, -33);
        EXPECT_EQ(c.call(), 0) << c.mask;
        EXPECT_EQ(c.call(), -33) << c.mask;
        for (const Call& other : calls)
            if (&other != &c && other.write == c.write) {
                EXPECT_EQ(other.call(), 0) << c.mask << " " << other.mask;
            }

        SimDrv_ClearFaults();
        (c.write ? SimDrv_FailWrites : SimDrv_FailReads)(-1, c.mask, 0, 1.5, DRV_ERR_LOST_CONNECTION);
        SimDrv_SetTime(1.4999);
        EXPECT_EQ(c.call(), 0) << c.mask;
        SimDrv_SetTime(1.5);
        EXPECT_EQ(c.call(), DRV_ERR_LOST_CONNECTION) << c.mask;
    }
    SimDrvWrite last;
    ASSERT_EQ(SimDrv_WriteAt(SimDrv_WriteCount() - 1, &last), 1);
    EXPECT_EQ(last.status, DRV_ERR_LOST_CONNECTION);  // refused writes are recorded ...
    EXPECT_EQ(SimDrv_SignalAt(h, 0, 2.0), 1);          // ... and reach no input
}

// A call fault refuses an entry point by its exported name, once: one of
// each family, the undecorated and the eight-argument ones among them.
TEST_F(SimDrv, CallFaultsRefuseEveryNewEntryPoint)
{
    i32 h = Connect("192.168.10.21");
    u32 word = 0;
    const std::pair<const char*, std::function<i32()>> calls[] = {
        {"CT_IncrementalCounter", [&] { return t.CT_IncrementalCounter(h, 0, 0, 0, 0, 0, 0, 0); }},
        {"CT_ReadSingleValue", [&] { return t.CT_ReadSingleValue(h, 0, &word); }},
        {"TTL_GetPortInfos", [&] { return t.TTL_GetPortInfos(h, &word, &word, &word, &word); }},
        {"DA_WriteChannelVoltage", [&] { return t.DA_WriteChannelVoltage(h, 0, 1.0); }},
        {"PWM_PrepareFMOutput", [&] { return t.PWM_PrepareFMOutput(h, 0, 10, 50); }},
    };
    for (const auto& [name, call] : calls) {
        SimDrv_FailCall(name, h, -77, 1);
        EXPECT_EQ(call(), -77) << name;
        EXPECT_EQ(call(), 0) << name;
    }
    // The frequency fault refuses one rate on all three kinds.
    SimDrv_FailFrequency(h, 10240, -12);
    EXPECT_EQ(t.AD_SetFrequency(h, 10240), -12);
    EXPECT_EQ(t.CT_SetFrequency(h, 10240), -12);
    EXPECT_EQ(t.TTL_SetFrequency(h, 10240), -12);
    EXPECT_EQ(t.CT_SetFrequency(h, 1024), 0);
    EXPECT_EQ(t.TTL_SetFrequency(h, 200000), SIMDRV_ERR_RATE);  // above the device's maximum
}

// ---------------------------------------------------------------- configuration

TEST_F(SimDrv, BuiltInDevicesSaySoAndBadKeysAreRefused)
{
    i32 connected[] = {Connect("192.168.10.21"), Connect("192.168.10.22"), -1, -1};
    EXPECT_EQ(t.GetCardIDBySerial("SIM-2001", &connected[2]), 0);
    EXPECT_EQ(t.GetCardIDBySerial("SIM-3001", &connected[3]), 0);
    for (i32 h : connected) {
        EXPECT_NE(strstr(t.GetCardName(h), "(simulated)"), nullptr) << h;
        EXPECT_STREQ(t.GetCustomer_Name(h), "Simulated device");
    }
    const std::pair<const char*, int> bad[] = {
        {"[eth]\ncounters = 17\n", 2},
        {"[eth]\nports = 8\nlinesperport = 5\n", 3},  // 40 lines
        {"[eth]\ncounter.0 = pulse duty=1\n", 2},
        {"[eth]\ncounter = pulse jitter=0.5\n", 2},
        {"[eth]\ncounter.16 = pulse\n", 2},
        {"[eth]\nline.0 = level 2\n", 2},
        {"[eth]\nline = square period=0\n", 2},
        {"[eth]\nline.3 = counterbit bit=32\n", 2},
        {"[eth]\nloopback = yes\n", 2},
    };
    for (const auto& [text, line] : bad) EXPECT_EQ(SimDrv_LoadConfig(text), line) << text;
}

}  // namespace
