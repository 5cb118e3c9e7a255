// Simulated driver, called through a natively installed driver function
// table: what the acquisition tests take on trust (handles, sample counts,
// sample values, injected faults, the call log).
#include <gtest/gtest.h>

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
    i32 Available(i32 h, u32 position)
    {
        i32 n = -1;
        EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_ANALOG, position, &n), 0);
        return n;
    }
    i32 Read(i32 h, u32 position, double* buffer, u32* count)
    {
        return t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, position, buffer, count, 0, 0, 0, 0);
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
TEST_F(SimDrv, CallLogRecordsEveryCallWithItsArguments)
{
    i32 h = Connect("192.168.10.21");
    t.AD_AddChannelToList(h, 0, 0, 0, 1);
    t.AD_SetFrequency(h, 10000);
    t.ConfigMeasure(h);
    // Entry points the product never calls are typeless slots.
    reinterpret_cast<i32 (*)(u32, u32, u32, u32)>(reinterpret_cast<void (*)(void)>(t.SetLEDs))(1, 2, 3, 4);
    const std::vector<std::string> expected = {
        "RemoteDeviceConnect(&,\"192.168.10.21\",-1,0,&)", "AD_AddChannelToList(1,0,0,0,1)",
        "AD_SetFrequency(1,10000)", "ConfigMeasure(1)", "_SetLEDs@16(1,2,3,4)"};
    std::vector<std::string> lines;
    char line[256];
    for (u32 i = 0; i < SimDrv_LogCount(); ++i) lines.push_back((SimDrv_LogLine(i, line, sizeof line), line));
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(SimDrv_LogCountOf("ConfigMeasure("), 1u);
    EXPECT_EQ(SimDrv_LogCountOf("A"), 2u);
}

}  // namespace
