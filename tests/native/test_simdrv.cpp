// Simulated driver through a natively installed driver table: what the
// acquisition tests take on trust and would not notice were it wrong (inputs
// apart by number, sample-exact reads, loopback, faults, the call log's form).
#include <gtest/gtest.h>
#include <math.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "simdrv_core.h"
#include "simdrv_native.h"

namespace {

// Sample k of an input of a kind (DRV_MC_*) as the reads deliver it.
double (*const Sample[])(i32, u32, u64) = {SimDrv_SignalValue, SimDrv_CounterValue, SimDrv_LineValue};

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
        EXPECT_EQ(t.RemoteDeviceConnect(&h, address, -1, 0, &word), 0) << address;
        return h;
    }
    // The first device: a network device at 10.0.0.9 with these keys, connected.
    i32 Device(const std::string& keys)
    {
        EXPECT_EQ(SimDrv_LoadConfig(("[eth]\naddress = 10.0.0.9\n" + keys).c_str()), 0);
        return Connect("10.0.0.9");
    }
    void Add(i32 h, u32 kind, const std::vector<u32>& inputs, double rate)
    {
        for (u32 i : inputs)
            EXPECT_EQ(kind == DRV_MC_ANALOG    ? t.AD_AddChannelToList(h, i, 0, 0, 1)
                      : kind == DRV_MC_COUNTER ? t.CT_AddChannelToList(h, i, 1)
                                               : t.TTL_AddChannelToList(h, i, 1, 0),
                      0);
        const PFN_SetFrequency setRate[] = {t.AD_SetFrequency, t.CT_SetFrequency, t.TTL_SetFrequency};
        EXPECT_EQ(setRate[kind](h, rate), 0);
    }
    // Measures from time 0 until 'until'.
    void Measure(i32 h, double until)
    {
        SimDrv_SetTime(0);
        EXPECT_EQ(t.ConfigMeasure(h), 0);
        EXPECT_EQ(t.StartMeasure(h), 0);
        SimDrv_SetTime(until);
    }
    // Every waiting sample of a list position, read in chunks of 1, 7, 1000,
    // 3992 and 5, then 4096 while there are more.
    std::vector<double> ReadAll(i32 h, u32 kind, u32 position)
    {
        i32 waiting = -1;
        EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, kind, position, &waiting), 0);
        std::vector<double> all;
        for (u32 i = 0, got = 1; i < 5 || got; ++i) {
            const u32 chunks[] = {1, 7, 1000, 3992, 5};
            double values[4096];
            u32 words[4096];
            got = i < 5 ? chunks[i] : 4096;
            EXPECT_EQ(kind ? t.MeasurementChannel_ReadDataAsUInt32(h, kind, position, words, &got, 0, 0, 0, 0)
                           : t.MeasurementChannel_ReadDataAsDouble(h, kind, position, values, &got, 0, 0, 0, 0),
                      0);
            for (u32 k = 0; k < got; ++k) all.push_back(kind ? words[k] : values[k]);
        }
        EXPECT_EQ(all.size(), (size_t)waiting);
        return all;
    }
};

// The shipped devices: two network devices by address or host name, a PCI and
// a USB device by serial, each under its own handle and saying it is
// simulated. Configuration lines that are refused, by number.
TEST_F(SimDrv, BuiltInDevicesAndBadConfigurations)
{
    i32 h[4] = {Connect("192.168.10.21"), Connect("KW-ETH-2"), -1, -1};
    EXPECT_EQ(t.GetCardIDBySerial("SIM-2001", &h[2]), 0);
    EXPECT_EQ(t.GetCardIDBySerial("SIM-3001", &h[3]), 0);
    for (i32 i = 0; i < 4; ++i) EXPECT_TRUE(h[i] == i + 1 && strstr(t.GetCardName(h[i]), "(simulated)")) << i;
    const std::pair<const char*, int> bad[] = {
        {"address = 1.2.3.4\n", 1},  // before the first device
        {"[eth]\ncounter.2 = pulse\n", 2},
        {"[eth]\ncounter = pulse jitter=0.5\n", 2},
        {"[eth]\nsignal = sine freq=nan\n", 2},
        {"[eth]\n[usb]\nhandle = 1\n", 3},  // two devices under one handle
    };
    for (const auto& [text, line] : bad) EXPECT_EQ(SimDrv_LoadConfig(text), line) << text;
}

// Each list position delivers its input's samples in order however the reads
// are cut, across the end of a recording too, each position on its own; a
// sample counts once its period has ended, none lost to rounding (4.35 s at
// 100 Hz is 434.99999999999994 in doubles).
TEST_F(SimDrv, ReadsJoinSampleExactlyInEveryKind)
{
    const struct {
        u32 kind;
        const char* keys;
        double rate, until;
        std::vector<u32> inputs;
        size_t samples;
    } cases[] = {
        {DRV_MC_ANALOG, "", 2500, 2, {2, 3, 2}, 5000},
        {DRV_MC_ANALOG, "", 100, 4.35, {0}, 435},
        {DRV_MC_ANALOG, "maxrate = 1e7\nsignal.1 = recorded seed=2097000\n", 1e6, 0.005, {1}, 5000},  // wraps at 152
        {DRV_MC_COUNTER, "counter.1 = pulse freq=250 jitter=0.2\n", 2500, 2, {1, 0}, 5000},
        {DRV_MC_DIGITAL, "", 2500, 2, {5, 9, 5}, 5000},
    };
    for (const auto& c : cases) {
        i32 h = Device(c.keys);
        Add(h, c.kind, c.inputs, c.rate);
        Measure(h, c.until);
        for (u32 pos = 0; pos < c.inputs.size(); ++pos) {
            std::vector<double> all = ReadAll(h, c.kind, pos);
            ASSERT_EQ(all.size(), c.samples) << c.keys;
            u32 wrong = 0;
            for (u64 k = 0; k < all.size(); ++k) wrong += all[k] != Sample[c.kind](h, c.inputs[pos], k);
            EXPECT_EQ(wrong, 0u) << "kind " << c.kind << " position " << pos << " " << c.keys;
        }
    }
}

// A mixed-up channel, counter, line or device must show as wrong values: no
// two inputs of a kind on the shipped devices give the same first second of
// samples, and a sample is the same value whenever it is asked for.
TEST_F(SimDrv, InputsDifferByNumberAndDevice)
{
    for (u32 kind : {DRV_MC_ANALOG, DRV_MC_COUNTER, DRV_MC_DIGITAL}) {
        std::set<std::vector<double>> streams;
        size_t inputs = 0;
        for (i32 h = 1; h <= 4; ++h)
            for (u32 input = 0; !isnan(Sample[kind](h, input, 0)); ++input, ++inputs) {
                std::vector<double> s;
                for (u64 k = 0; k < 1000; ++k) s.push_back(Sample[kind](h, input, k));
                EXPECT_EQ(Sample[kind](h, input, 150), s[150]);
                streams.insert(s);
            }
        EXPECT_EQ(inputs, kind == DRV_MC_ANALOG ? 56u : kind == DRV_MC_COUNTER ? 8u : 64u);
        EXPECT_EQ(streams.size(), inputs) << "kind " << kind;
    }
}

// With loopback, analog output 2, port 1 and pulse output 1 drive analog
// input 2, lines 4 to 7 and counter 1 from the write on (the first sample at
// or after 0.25 s is sample 256); their neighbours keep their own inputs, and
// without loopback nothing changes.
TEST_F(SimDrv, OutputsDriveTheInputOfTheirNumber)
{
    std::vector<double> read[2][3][6];  // loopback, kind, list position
    for (int loop = 0; loop < 2; ++loop) {
        i32 h = Device(loop ? "loopback = 1\n" : "");
        ASSERT_EQ(t.CT_FrequencyCounter(h, 0, 1, 0, 0) | t.CT_FrequencyCounter(h, 1, 1, 0, 0), 0);
        const std::vector<u32> inputs[3] = {{2, 3}, {0, 1}, {3, 4, 5, 6, 7, 8}};
        for (u32 kind = 0; kind < 3; ++kind) Add(h, kind, inputs[kind], 1024);
        Measure(h, 0.25);
        EXPECT_EQ(t.DA_WriteChannelVoltage(h, 2, 1.5), 0);
        EXPECT_EQ(t.TTL_WritePort(h, 1, 0xF5), 0);  // bits above the port's four lines do not count
        EXPECT_EQ(t.PWM_PreparePWMOutput(h, 1, 64, 50), 0);
        EXPECT_EQ(t.PWM_StartOutput(h), 0);
        SimDrv_SetTime(1.0);
        for (u32 kind = 0; kind < 3; ++kind)
            for (u32 pos = 0; pos < inputs[kind].size(); ++pos) read[loop][kind][pos] = ReadAll(h, kind, pos);
    }
    for (u64 k = 0; k < 1024; ++k) {
        bool after = k >= 256;
        ASSERT_EQ(read[1][DRV_MC_ANALOG][0][k], after ? 1.5 : read[0][DRV_MC_ANALOG][0][k]) << k;
        ASSERT_EQ(read[1][DRV_MC_ANALOG][1][k], read[0][DRV_MC_ANALOG][1][k]) << k;
        for (u32 pos = 0; pos < 6; ++pos) {
            bool driven = after && pos >= 1 && pos <= 4;
            ASSERT_EQ(read[1][DRV_MC_DIGITAL][pos][k], driven ? 0x5 >> (pos - 1) & 1 : read[0][DRV_MC_DIGITAL][pos][k])
                << "line " << pos + 3 << " sample " << k;
        }
    }
    EXPECT_EQ(read[1][DRV_MC_COUNTER][1][1023], 64);  // hertz of the pulse output
    EXPECT_EQ(read[0][DRV_MC_COUNTER][1][1023], 250);
    EXPECT_EQ(read[1][DRV_MC_COUNTER][0], read[0][DRV_MC_COUNTER][0]);
}

// A read or write fault hits the calls of its mask from its n-th call or from
// its time on, of its device only; a refused write is recorded and reaches no
// input. A call fault refuses its entry point by name, as often as asked.
TEST_F(SimDrv, FaultsFireAtTheCallTheyName)
{
    i32 h = Device("name = A\nloopback = 1\n[eth]\naddress = 10.0.0.8\n"), other = Connect("10.0.0.8");
    for (i32 d : {h, other}) {
        for (u32 kind = 0; kind < 3; ++kind) Add(d, kind, {0}, 1000);
        ASSERT_EQ(t.PWM_PreparePWMOutput(d, 0, 10, 50), 0);
        Measure(d, 1.0);
    }
    double v[4];
    u32 w[4], n;
    i32 count;
    const struct {
        bool write;
        u32 mask;
        std::function<i32(i32)> call;
    } calls[] = {
        {false, SIMDRV_READ_COUNT, [&](i32 d) { return t.MeasurementChannel_GetNumberOfValues(d, 0, 0, &count); }},
        {false, SIMDRV_READ_DATA,
         [&](i32 d) { return t.MeasurementChannel_ReadDataAsDouble(d, 0, 0, v, &(n = 4), 0, 0, 0, 0); }},
        {false, SIMDRV_READ_SINGLE, [&](i32 d) { return t.AD_ReadSingleVoltage(d, 0, 0, 0, 1, v); }},
        {false, SIMDRV_READ_CT_DATA,
         [&](i32 d) { return t.MeasurementChannel_ReadDataAsUInt32(d, 1, 0, w, &(n = 4), 0, 0, 0, 0); }},
        {false, SIMDRV_READ_TTL_DATA,
         [&](i32 d) { return t.MeasurementChannel_ReadDataAsUInt32(d, 2, 0, w, &(n = 4), 0, 0, 0, 0); }},
        {false, SIMDRV_READ_CT_SINGLE, [&](i32 d) { return t.CT_ReadSingleValue(d, 0, w); }},
        {false, SIMDRV_READ_PORT, [&](i32 d) { return t.TTL_ReadPort(d, 0, w); }},
        {true, SIMDRV_WRITE_DA, [&](i32 d) { return t.DA_WriteChannelVoltage(d, 0, 1); }},
        {true, SIMDRV_WRITE_TTL, [&](i32 d) { return t.TTL_WritePort(d, 0, 1); }},
        {true, SIMDRV_WRITE_PWM, [&](i32 d) { return t.PWM_SetDutyCycle(d, 0, 20); }},
        {true, SIMDRV_WRITE_PWM_SETUP, [&](i32 d) { return t.PWM_StartOutput(d); }},
    };
    for (const auto& c : calls) {
        auto fail = c.write ? SimDrv_FailWrites : SimDrv_FailReads;
        SimDrv_ClearFaults();
        SimDrv_SetTime(1.0);
        fail(h, c.mask, 2, -1, -33);
        EXPECT_EQ(c.call(h), 0) << c.mask;
        EXPECT_EQ(c.call(h), -33) << c.mask;
        EXPECT_EQ(c.call(other), 0) << c.mask;
        for (const auto& o : calls)
            EXPECT_TRUE(&o == &c || o.call(h) == 0) << c.mask << " " << o.mask;
        SimDrv_ClearFaults();
        fail(-1, c.mask, 0, 1.5, DRV_ERR_LOST_CONNECTION);
        SimDrv_SetTime(1.4999);
        EXPECT_EQ(c.call(other), 0) << c.mask;
        SimDrv_SetTime(1.5);
        EXPECT_EQ(c.call(other), DRV_ERR_LOST_CONNECTION) << c.mask;
    }
    SimDrv_FailWrites(h, SIMDRV_WRITE_DA, 1, -1, -5);
    EXPECT_EQ(t.DA_WriteChannelVoltage(h, 0, 7), -5);
    SimDrvWrite last;
    EXPECT_TRUE(SimDrv_WriteAt(SimDrv_WriteCount() - 1, &last) && last.status == -5 && last.value == 7);
    EXPECT_EQ(SimDrv_SignalValue(h, 0, 1999), 1);  // as the writes accepted at 1 s left it

    const std::pair<const char*, std::function<bool()>> named[] = {
        {"CT_IncrementalCounter", [&] { return t.CT_IncrementalCounter(h, 0, 0, 0, 0, 0, 0, 0) == -77; }},
        {"CT_ReadSingleValue", [&] { return t.CT_ReadSingleValue(h, 0, w) == -77; }},
        {"GetCardName", [&] { return t.GetCardName(h) == nullptr; }},  // text entry points fail with null
    };
    for (const auto& [name, failed] : named) {
        SimDrv_FailCall(name, h, -77, 2);
        for (const auto& [other, fails] : named) EXPECT_TRUE(other == name || !fails()) << name << " " << other;
        EXPECT_TRUE(failed() && failed() && !failed()) << name;
    }
}

// Tests count calls by line prefix and the trace tests compare lines and
// results, so the lines' form is fixed.
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
        "RemoteDeviceConnect(&,\"192.168.10.21\",-1,0,&) 0", "AD_AddChannelToList(1,0,0,0,1) 0",
        "AD_SetFrequency(1,10000) 0", "ConfigMeasure(1) 0",
        "GetCardName(1) \"Kestrelwing ETH-16 (simulated)\"", "_SetLEDs@16(1,2,3,4) -9999"};
    std::vector<std::string> lines;
    char line[256], result[256];
    for (u32 i = 0; i < SimDrv_LogCount(); ++i)
        lines.push_back((SimDrv_LogLine(i, line, sizeof line), SimDrv_LogResult(i, result, sizeof result),
                         std::string(line) + " " + result));
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(SimDrv_LogCountOf("ConfigMeasure("), 1u);
    EXPECT_EQ(SimDrv_LogCountOf("A"), 2u);
}

}  // namespace
