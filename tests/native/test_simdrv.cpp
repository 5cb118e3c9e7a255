// Simulated driver, called through a natively installed driver function table.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
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

    i32 ConnectAddress(const char* address, i32* status = nullptr)
    {
        i32 h = 12345;
        u32 word = 7;
        i32 st = t.RemoteDeviceConnect(&h, address, -1, 0, &word);
        if (status) *status = st;
        return h;
    }
    i32 ConnectSerial(const char* serial, i32* status = nullptr)
    {
        i32 h = -1;
        i32 st = t.GetCardIDBySerial(serial, &h);
        if (status) *status = st;
        return h;
    }
    std::string Property(i32 h, const char* name, i32* status, u32* length)
    {
        char buffer[256] = "untouched";
        *length = 256;
        *status = t.GetDevicePropertyStringA(h, name, buffer, length);
        return buffer;
    }
    // Connected device measuring the given channels at the given rate from time 'start'.
    i32 StartAnalog(std::initializer_list<u32> channels, double rate, double start = 0)
    {
        i32 h = ConnectAddress("192.168.10.21");
        EXPECT_EQ(t.AD_ClearChannelList(h), 0);
        for (u32 c : channels) EXPECT_EQ(t.AD_AddChannelToList(h, c, 0, 0, 1), 0);
        EXPECT_EQ(t.AD_SetFrequency(h, rate), 0);
        SimDrv_SetTime(start);
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
    std::vector<std::string> Log()
    {
        std::vector<std::string> lines;
        char line[1024];
        for (u32 i = 0; i < SimDrv_LogCount(); ++i) {
            SimDrv_LogLine(i, line, sizeof line);
            lines.push_back(line);
        }
        return lines;
    }
};

TEST_F(SimDrv, InstallFillsEverySlot)
{
    const void* const* slots = reinterpret_cast<const void* const*>(&t);
    for (u32 i = 0; i < DRV_ENTRY_COUNT; ++i) EXPECT_NE(slots[i], nullptr) << "slot " << i;
    EXPECT_EQ(t.CT_ClearChannelList(1), SIMDRV_ERR_NOT_SIMULATED);
    auto setLeds = reinterpret_cast<i32 (*)(u32, u32, u32, u32)>(reinterpret_cast<void (*)(void)>(t.SetLEDs));
    EXPECT_EQ(setLeds(1, 2, 3, 4), SIMDRV_ERR_NOT_SIMULATED);
    EXPECT_EQ(Log().back(), "_SetLEDs@16(1,2,3,4)");
}

// ---------------------------------------------------------------- connection

TEST_F(SimDrv, SameDeviceAlwaysGetsSameHandle)
{
    i32 byAddress = ConnectAddress("192.168.10.21");
    EXPECT_EQ(SimDrv_DeviceHandle(0), byAddress);
    EXPECT_EQ(ConnectAddress("KW-ETH-1"), byAddress);  // host name, any case
    EXPECT_EQ(t.RemoteDeviceDisconnect(byAddress), 0);
    EXPECT_EQ(ConnectAddress("192.168.10.21"), byAddress);
    EXPECT_NE(ConnectAddress("192.168.10.22"), byAddress);

    i32 pci = ConnectSerial("KW24-2001");
    i32 usb = ConnectSerial("KW24-3001");
    EXPECT_EQ(pci, SimDrv_DeviceHandle(2));
    EXPECT_EQ(usb, SimDrv_DeviceHandle(3));
    EXPECT_EQ(ConnectSerial("KW24-2001"), pci);
    std::vector<i32> handles = {byAddress, SimDrv_DeviceHandle(1), pci, usb};
    for (size_t i = 0; i < handles.size(); ++i)
        for (size_t j = 0; j < i; ++j) EXPECT_NE(handles[i], handles[j]);
}

TEST_F(SimDrv, ConnectionFailures)
{
    i32 st;
    EXPECT_EQ(ConnectAddress("10.0.0.1", &st), -1);
    EXPECT_NE(st, 0);
    EXPECT_EQ(ConnectAddress("00:1A:2B:3C:4D:01", &st), -1);  // a hardware address is no address
    EXPECT_NE(st, 0);
    EXPECT_EQ(ConnectAddress("", &st), -1);
    EXPECT_NE(st, 0);
    EXPECT_EQ(ConnectSerial("KW24-1001", &st), -1);  // network devices are not found by serial
    EXPECT_NE(st, 0);
    EXPECT_EQ(ConnectSerial("", &st), -1);
    EXPECT_NE(st, 0);

    ASSERT_EQ(SimDrv_LoadConfig("[eth]\naddress = 10.1.1.1\nreachable = 0\n[usb]\nserial = U1\nreachable = 0\n"), 0);
    EXPECT_EQ(ConnectAddress("10.1.1.1", &st), -1);
    EXPECT_NE(st, 0);
    EXPECT_EQ(ConnectSerial("U1", &st), -1);
    EXPECT_NE(st, 0);
}

TEST_F(SimDrv, DisconnectedHandleIsLost)
{
    i32 h = ConnectSerial("KW24-2001");
    EXPECT_EQ(t.RemoteDeviceDisconnect(h), 0);
    u32 n;
    EXPECT_EQ(t.AD_GetChannelListSize(h, &n), DRV_ERR_LOST_CONNECTION);
    EXPECT_EQ(t.ConfigMeasure(h), DRV_ERR_LOST_CONNECTION);
    EXPECT_EQ(t.GetCardName(h), nullptr);
    EXPECT_EQ(t.RemoteDeviceDisconnect(999), DRV_ERR_LOST_CONNECTION);
}

// ---------------------------------------------------------------- search and lists

TEST_F(SimDrv, SearchListsSearchableNetworkDevicesInOrder)
{
    char address[64];
    EXPECT_NE(t.RemoteDevicesGetIPFromSearchResult(0, address, sizeof address), 0);  // no search yet
    t.RemoteDevicesSearch();
    ASSERT_EQ(t.RemoteDevicesGetIPFromSearchResult(0, address, sizeof address), 0);
    EXPECT_STREQ(address, "192.168.10.21");
    ASSERT_EQ(t.RemoteDevicesGetIPFromSearchResult(1, address, sizeof address), 0);
    EXPECT_STREQ(address, "192.168.10.22");
    EXPECT_NE(t.RemoteDevicesGetIPFromSearchResult(2, address, sizeof address), 0);
    EXPECT_NE(t.RemoteDevicesGetIPFromSearchResult(0, address, 5), 0);  // does not fit

    ASSERT_EQ(SimDrv_LoadConfig("[eth]\naddress = a1\nsearch = 0\n[eth]\naddress = a2\n"), 0);
    EXPECT_NE(t.RemoteDevicesGetIPFromSearchResult(0, address, sizeof address), 0);  // new devices: search again
    t.RemoteDevicesSearch();
    ASSERT_EQ(t.RemoteDevicesGetIPFromSearchResult(0, address, sizeof address), 0);
    EXPECT_STREQ(address, "a2");
    EXPECT_NE(t.RemoteDevicesGetIPFromSearchResult(1, address, sizeof address), 0);
    EXPECT_EQ(ConnectAddress("a1"), SimDrv_DeviceHandle(0));  // hidden from the search, still connectable
}

TEST_F(SimDrv, DeviceInfoListsChainNodesInOrder)
{
    ASSERT_EQ(SimDrv_LoadConfig("[usb]\nserial = U1\nhandle = 40\n[pci]\nserial = P1\n"
                                "[usb]\nserial = U2\nhandle = 7\n[usb]\nserial = U3\nreachable = 0\n"),
              0);
    u32* head = nullptr;
    ASSERT_EQ(t.DeviceInfoGet(DRV_INFO_USB, &head), 0);
    std::vector<i32> handles;
    for (const u32* node = head; node; node = SimDrv_NodeNext(node)) handles.push_back((i32)node[DRV_NODE_HANDLE]);
    EXPECT_EQ(handles, (std::vector<i32>{40, 7}));

    // Listed devices are usable at once.
    i32 st;
    u32 length;
    EXPECT_EQ(Property(7, "serialnumber", &st, &length), "U2");
    EXPECT_EQ(st, 0);
    EXPECT_EQ(t.DeviceInfoFree(head), 0);

    u32* pci = nullptr;
    ASSERT_EQ(t.DeviceInfoGet(DRV_INFO_PCI, &pci), 0);
    ASSERT_NE(pci, nullptr);
    EXPECT_EQ(pci[DRV_NODE_HANDLE], 2u);
    EXPECT_EQ(SimDrv_NodeNext(pci), nullptr);
    EXPECT_EQ(pci[DRV_NODE_NEXT], 0u);
    EXPECT_EQ(t.DeviceInfoFree(pci), 0);
    EXPECT_NE(t.DeviceInfoFree(pci), 0);  // already freed

    ASSERT_EQ(SimDrv_LoadConfig("[eth]\naddress = a1\n"), 0);
    u32* none = reinterpret_cast<u32*>(&st);
    EXPECT_EQ(t.DeviceInfoGet(DRV_INFO_PCI, &none), 0);  // no devices: success, empty chain
    EXPECT_EQ(none, nullptr);
    EXPECT_NE(t.DeviceInfoGet(3, &none), 0);
}

TEST_F(SimDrv, DeviceInfoPoolRunsOutWithoutFree)
{
    std::vector<u32*> lists;
    u32* head = nullptr;
    while (t.DeviceInfoGet(DRV_INFO_USB, &head) == 0 && lists.size() < 100) lists.push_back(head);
    EXPECT_EQ(lists.size(), 8u);
    EXPECT_EQ(t.DeviceInfoGet(DRV_INFO_USB, &head), SIMDRV_ERR_NO_ROOM);
    EXPECT_EQ(t.DeviceInfoFree(lists[3]), 0);
    EXPECT_EQ(t.DeviceInfoGet(DRV_INFO_USB, &head), 0);
    EXPECT_EQ(head, lists[3]);
}

// ---------------------------------------------------------------- properties and identity

TEST_F(SimDrv, PropertiesOfNetworkAndLocalDevices)
{
    i32 eth = ConnectAddress("192.168.10.22");
    i32 st;
    u32 length;
    EXPECT_EQ(Property(eth, "serialnumber", &st, &length), "KW24-1002");
    EXPECT_EQ(st, 0);
    EXPECT_EQ(length, 9u);
    EXPECT_EQ(Property(eth, "network.hwaddress", &st, &length), "00:1A:2B:3C:4D:02");
    EXPECT_EQ(Property(eth, "network.hostname", &st, &length), "kw-eth-2");
    EXPECT_EQ(st, 0);
    Property(eth, "network.netmask", &st, &length);
    EXPECT_NE(st, 0);
    EXPECT_EQ(length, 0u);

    i32 usb = ConnectSerial("KW24-3001");
    EXPECT_EQ(Property(usb, "serialnumber", &st, &length), "KW24-3001");
    Property(usb, "network.hostname", &st, &length);
    EXPECT_NE(st, 0);
    EXPECT_EQ(length, 0u);

    char small[4];
    length = sizeof small;
    EXPECT_EQ(t.GetDevicePropertyStringA(eth, "serialnumber", small, &length), SIMDRV_ERR_BUFFER);
    EXPECT_EQ(length, 10u);  // room needed

    // An empty property is a success of length 0, which callers treat as no text.
    ASSERT_EQ(SimDrv_LoadConfig("[eth]\naddress = a1\nhostname =\n"), 0);
    Property(ConnectAddress("a1"), "network.hostname", &st, &length);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(length, 0u);

    Property(777, "serialnumber", &st, &length);
    EXPECT_EQ(st, DRV_ERR_LOST_CONNECTION);
}

TEST_F(SimDrv, IdentityTexts)
{
    i32 h = ConnectSerial("KW24-2001");
    EXPECT_STREQ(t.GetCardName(h), "Kestrelwing PCI-16");
    EXPECT_STREQ(t.GetSerialNumber(h), "KW24-2001");
    EXPECT_STREQ(t.GetCustomer_Name(h), "Labor Nord");
    EXPECT_STREQ(t.GetCustomer_DateOfPurchase(h), "21.11.2023");

    ASSERT_EQ(SimDrv_LoadConfig("[pci]\nserial = P1\n"), 0);
    h = ConnectSerial("P1");
    EXPECT_STREQ(t.GetSerialNumber(h), "P1");
    EXPECT_EQ(t.GetCardName(h), nullptr);
    EXPECT_EQ(t.GetCustomer_DateOfPurchase(h), nullptr);
}

// ---------------------------------------------------------------- analog input

TEST_F(SimDrv, FrequencyAboveMaximumIsRefused)
{
    i32 usb = ConnectSerial("KW24-3001");  // maxrate 50000
    EXPECT_EQ(t.AD_SetFrequency(usb, 50000), 0);
    EXPECT_EQ(t.AD_SetFrequency(usb, 50000.5), SIMDRV_ERR_RATE);
    EXPECT_EQ(t.AD_SetFrequency(usb, 0), SIMDRV_ERR_RATE);
    EXPECT_EQ(t.AD_SetFrequency(usb, -10), SIMDRV_ERR_RATE);

    SimDrv_FailFrequency(usb, 2000, -77);
    EXPECT_EQ(t.AD_SetFrequency(usb, 2000), -77);
    EXPECT_EQ(t.AD_SetFrequency(usb, 200), 0);
}

TEST_F(SimDrv, ChannelListPositionsInOrder)
{
    i32 usb = ConnectSerial("KW24-3001");  // 8 channels
    u32 n = 99;
    EXPECT_EQ(t.AD_GetChannelListSize(usb, &n), 0);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(t.AD_AddChannelToList(usb, 3, 0, 1, 1), 0);
    EXPECT_EQ(t.AD_AddChannelToList(usb, 3, 0, 2, 1), 0);
    EXPECT_EQ(t.AD_AddChannelToList(usb, 8, 0, 0, 1), SIMDRV_ERR_ARGUMENT);  // no such channel
    EXPECT_EQ(t.AD_AddChannelToList(usb, 0, 0, 4, 1), SIMDRV_ERR_ARGUMENT);  // no such range
    EXPECT_EQ(t.AD_GetChannelListSize(usb, &n), 0);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(t.AD_ClearChannelList(usb), 0);
    EXPECT_EQ(t.AD_GetChannelListSize(usb, &n), 0);
    EXPECT_EQ(n, 0u);
}

TEST_F(SimDrv, MeasurementStateRules)
{
    i32 h = ConnectAddress("192.168.10.21");
    EXPECT_EQ(t.AD_AddChannelToList(h, 0, 0, 0, 1), 0);
    EXPECT_EQ(t.StartMeasure(h), SIMDRV_ERR_STATE);  // not configured
    i32 n;
    EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_ANALOG, 0, &n), SIMDRV_ERR_STATE);
    EXPECT_EQ(t.ConfigMeasure(h), 0);
    EXPECT_EQ(t.StartMeasure(h), 0);
    EXPECT_EQ(t.StartMeasure(h), SIMDRV_ERR_STATE);
    EXPECT_EQ(t.AD_AddChannelToList(h, 1, 0, 0, 1), SIMDRV_ERR_STATE);
    EXPECT_EQ(t.AD_SetFrequency(h, 100), SIMDRV_ERR_STATE);
    EXPECT_EQ(t.AD_ClearChannelList(h), SIMDRV_ERR_STATE);
    EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_ANALOG, 1, &n), SIMDRV_ERR_ARGUMENT);
    EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_COUNTER, 0, &n), SIMDRV_ERR_NOT_SIMULATED);
    EXPECT_EQ(t.StopMeasure(h), 0);
    EXPECT_EQ(t.StartMeasure(h), SIMDRV_ERR_STATE);  // a new run configures again
}

TEST_F(SimDrv, BufferedCountsFollowTheClock)
{
    i32 h = StartAnalog({0, 5}, 1000, 10.0);
    EXPECT_EQ(Available(h, 0), 0);
    SimDrv_AdvanceTime(0.0005);
    EXPECT_EQ(Available(h, 0), 0);
    SimDrv_SetTime(10.3);
    EXPECT_EQ(Available(h, 0), 300);
    EXPECT_EQ(Available(h, 1), 300);

    double buffer[512];
    u32 count = 120;
    ASSERT_EQ(t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, 0, buffer, &count, 0, 0, 0, 0), 0);
    EXPECT_EQ(count, 120u);
    EXPECT_EQ(Available(h, 0), 180);
    EXPECT_EQ(Available(h, 1), 300);  // positions are independent
    count = 512;
    ASSERT_EQ(t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, 0, buffer, &count, 0, 0, 0, 0), 0);
    EXPECT_EQ(count, 180u);
    EXPECT_EQ(Available(h, 0), 0);
    SimDrv_AdvanceTime(1.0);
    EXPECT_EQ(Available(h, 0), 1000);
    EXPECT_EQ(Available(h, 1), 1300);

    // A stop ends production; a new start counts from its own time.
    EXPECT_EQ(t.StopMeasure(h), 0);
    EXPECT_EQ(t.AD_SetFrequency(h, 100), 0);
    SimDrv_SetTime(0);
    EXPECT_EQ(t.ConfigMeasure(h), 0);
    EXPECT_EQ(t.StartMeasure(h), 0);
    EXPECT_EQ(Available(h, 0), 0);
    SimDrv_SetTime(4.35);  // 4.35 * 100 is 434.99999999999994 in doubles
    EXPECT_EQ(Available(h, 0), 435);
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
            ASSERT_EQ(t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, pos, buffer.data(), &count, 0, 0, 0, 0), 0);
            ASSERT_EQ(count, std::min<u64>(chunk, 5000 - k));
            for (u32 i = 0; i < count; ++i, ++k)
                ASSERT_EQ(buffer[i], SimDrv_SignalValue(h, channel, k)) << "position " << pos << " sample " << k;
        }
        EXPECT_EQ(k, 5000u);
    }
}

TEST_F(SimDrv, SignalsAreDeterministicAndConfigurable)
{
    ASSERT_EQ(SimDrv_LoadConfig("[eth]\naddress = a\nsignal = noise amp=2 seed=5\nsignal.1 = noise amp=2 seed=6\n"
                                "signal.2 = square amp=3 freq=10 offset=1\nsignal.3 = ramp amp=1 freq=1\n"
                                "signal.4 = sine amp=2 freq=250 phase=0.25\n"),
              0);
    i32 h = ConnectAddress("a");
    ASSERT_EQ(t.AD_SetFrequency(h, 1000), 0);
    std::vector<double> a, b, other;
    for (u64 k = 0; k < 200; ++k) {
        a.push_back(SimDrv_SignalValue(h, 0, k));
        other.push_back(SimDrv_SignalValue(h, 1, k));
    }
    for (u64 k = 0; k < 200; ++k) b.push_back(SimDrv_SignalValue(h, 0, k));
    EXPECT_EQ(a, b);
    EXPECT_NE(a, other);  // another seed
    EXPECT_EQ(SimDrv_SignalValue(h, 5, 123), SimDrv_SignalValue(h, 0, 123));  // "signal" sets every channel
    for (double v : a) EXPECT_TRUE(v >= -2 && v <= 2);

    EXPECT_EQ(SimDrv_SignalValue(h, 2, 0), 4.0);    // square: offset + amp in the first half period
    EXPECT_EQ(SimDrv_SignalValue(h, 2, 50), -2.0);  // offset - amp in the second
    EXPECT_DOUBLE_EQ(SimDrv_SignalValue(h, 3, 0), -1.0);  // ramp from -amp
    EXPECT_DOUBLE_EQ(SimDrv_SignalValue(h, 3, 500), 0.0);
    EXPECT_NEAR(SimDrv_SignalValue(h, 4, 0), 2.0, 1e-12);  // quarter-cycle phase: the sine's peak
    EXPECT_NEAR(SimDrv_SignalValue(h, 4, 2), -2.0, 1e-12);

    EXPECT_TRUE(isnan(SimDrv_SignalValue(h, 16, 0)));
    EXPECT_TRUE(isnan(SimDrv_SignalValue(999, 0, 0)));

    // Default signals differ from channel to channel.
    ASSERT_EQ(SimDrv_LoadConfig("[pci]\nserial = P\n"), 0);
    h = ConnectSerial("P");
    for (u32 c = 1; c < 16; ++c) EXPECT_NE(SimDrv_SignalValue(h, c, 37), SimDrv_SignalValue(h, c - 1, 37));
}

TEST_F(SimDrv, SingleVoltageReadsTheSignalAtTheClock)
{
    i32 h = ConnectAddress("192.168.10.21");
    double v = 0;
    SimDrv_SetTime(1.25);
    ASSERT_EQ(t.AD_ReadSingleVoltage(h, 1, 0, 0, 1, &v), 0);
    EXPECT_EQ(v, SimDrv_SignalAt(h, 1, 1.25));
    EXPECT_EQ(v, SimDrv_SignalValue(h, 1, 1250));  // square wave, the default rate is 1 kHz
    EXPECT_EQ(t.AD_ReadSingleVoltage(h, 16, 0, 0, 1, &v), SIMDRV_ERR_ARGUMENT);
}

// ---------------------------------------------------------------- faults

TEST_F(SimDrv, ReadFaultFromTheNthRead)
{
    i32 h = StartAnalog({0}, 1000);
    SimDrv_SetTime(1.0);
    SimDrv_FailReads(h, SIMDRV_READ_DATA, 3, -1, DRV_ERR_LOST_CONNECTION);
    double buffer[10];
    for (int i = 1; i <= 4; ++i) {
        u32 count = 10;
        i32 st = t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, 0, buffer, &count, 0, 0, 0, 0);
        EXPECT_EQ(st, i < 3 ? 0 : DRV_ERR_LOST_CONNECTION) << "read " << i;
        EXPECT_EQ(count, i < 3 ? 10u : 0u);
    }
    EXPECT_EQ(Available(h, 0), 980);  // counts are not in the mask; failed reads consumed nothing

    SimDrv_ClearFaults();
    u32 count = 10;
    EXPECT_EQ(t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, 0, buffer, &count, 0, 0, 0, 0), 0);
    EXPECT_EQ(buffer[0], SimDrv_SignalValue(h, 0, 20));
}

TEST_F(SimDrv, ReadFaultFromTimeT)
{
    i32 h = StartAnalog({0}, 1000);
    i32 other = ConnectSerial("KW24-2001");
    SimDrv_FailReads(h, SIMDRV_READ_ALL, 0, 2.5, -42);
    SimDrv_SetTime(2.4999);
    double v;
    EXPECT_EQ(t.AD_ReadSingleVoltage(h, 0, 0, 0, 1, &v), 0);
    Available(h, 0);
    SimDrv_SetTime(2.5);
    i32 n = 5;
    EXPECT_EQ(t.MeasurementChannel_GetNumberOfValues(h, DRV_MC_ANALOG, 0, &n), -42);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(t.AD_ReadSingleVoltage(h, 0, 0, 0, 1, &v), -42);
    EXPECT_EQ(t.AD_ReadSingleVoltage(other, 0, 0, 0, 1, &v), 0);  // another device reads on
}

TEST_F(SimDrv, CallFaultsByNameHandleAndCount)
{
    i32 a = ConnectAddress("192.168.10.21");
    i32 b = ConnectAddress("192.168.10.22");
    SimDrv_FailCall("ConfigMeasure", a, -5, 0);
    SimDrv_FailCall("StartMeasure", -1, -6, 1);
    EXPECT_EQ(t.ConfigMeasure(a), -5);
    EXPECT_EQ(t.ConfigMeasure(a), -5);
    EXPECT_EQ(t.ConfigMeasure(b), 0);
    EXPECT_EQ(t.StartMeasure(b), -6);
    EXPECT_EQ(t.StartMeasure(b), 0);  // only once

    SimDrv_FailCall("GetCardName", -1, -1, 0);
    SimDrv_FailCall("RemoteDeviceConnect", -1, DRV_ERR_LOST_CONNECTION, 1);
    EXPECT_EQ(t.GetCardName(a), nullptr);
    i32 st;
    EXPECT_EQ(ConnectAddress("192.168.10.21", &st), 12345);  // failed before touching anything
    EXPECT_EQ(st, DRV_ERR_LOST_CONNECTION);
    SimDrv_ClearFaults();
    EXPECT_EQ(t.ConfigMeasure(a), 0);
}

// ---------------------------------------------------------------- call log

TEST_F(SimDrv, CallLogRecordsEveryCallWithItsArguments)
{
    i32 h = ConnectAddress("192.168.10.21");
    t.AD_AddChannelToList(h, 0, 0, 0, 1);
    t.AD_SetFrequency(h, 10000);
    t.EnableSoftwareClock(h, 1, 8);
    t.ConfigMeasure(h);
    double buffer[4];
    u32 count = 4;
    t.MeasurementChannel_ReadDataAsDouble(h, DRV_MC_ANALOG, 0, buffer, &count, 0, 0, 0, 0);
    char text[64];
    u32 length = 256;
    t.GetDevicePropertyStringA(h, "serialnumber", text, &length);
    t.GetCardIDBySerial(nullptr, &h);
    std::vector<std::string> expected = {
        "RemoteDeviceConnect(&,\"192.168.10.21\",-1,0,&)",
        "AD_AddChannelToList(1,0,0,0,1)",
        "AD_SetFrequency(1,10000)",
        "EnableSoftwareClock(1,1,8)",
        "ConfigMeasure(1)",
        "MeasurementChannel_ReadDataAsDouble(1,0,0,&,4,0,0,0,0)",
        "GetDevicePropertyStringA(1,\"serialnumber\",&,256)",
        "GetCardIDBySerial(NULL,&)",
    };
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(SimDrv_LogCountOf("ConfigMeasure("), 1u);
    EXPECT_EQ(SimDrv_LogCountOf("A"), 2u);

    std::string all;
    for (const std::string& line : expected) all += line + "\n";
    u32 needed = SimDrv_LogText(nullptr, 0);
    EXPECT_EQ(needed, all.size() + 1);
    std::vector<char> joined(needed);
    SimDrv_LogText(joined.data(), needed);
    EXPECT_EQ(std::string(joined.data()), all);
    char line[8];
    EXPECT_EQ(SimDrv_LogLine(0, line, sizeof line), expected[0].size());  // full length, cut copy
    EXPECT_STREQ(line, "RemoteD");
    EXPECT_EQ(SimDrv_LogLine(99, line, sizeof line), 0u);

    SimDrv_LogEnable(0);
    t.ConfigMeasure(h);
    SimDrv_LogEnable(1);
    EXPECT_EQ(SimDrv_LogCount(), expected.size());
    SimDrv_LogClear();
    EXPECT_EQ(SimDrv_LogCount(), 0u);
}

// ---------------------------------------------------------------- configuration

TEST_F(SimDrv, ManyDevicesEachWithItsOwnHandle)
{
    std::string config;
    for (int i = 0; i < 20; ++i) config += "[eth]\naddress = 10.0.0." + std::to_string(i) + "\n";
    ASSERT_EQ(SimDrv_LoadConfig(config.c_str()), 0);
    EXPECT_EQ(SimDrv_DeviceCount(), 20u);
    std::vector<i32> handles;
    for (int i = 0; i < 20; ++i) {
        i32 h = ConnectAddress(("10.0.0." + std::to_string(i)).c_str());
        EXPECT_EQ(h, SimDrv_DeviceHandle(i));
        for (i32 other : handles) EXPECT_NE(h, other);
        handles.push_back(h);
    }
}

TEST_F(SimDrv, BadConfigurationNamesTheLineAndKeepsTheDevices)
{
    EXPECT_EQ(SimDrv_LoadConfig("serial = x\n"), 1);  // device key before a device
    EXPECT_EQ(SimDrv_LoadConfig("# c\n[eth]\naddress = a\ncolour = red\n"), 4);
    EXPECT_EQ(SimDrv_LoadConfig("[usb]\nchannels = 33\n"), 2);
    EXPECT_EQ(SimDrv_LoadConfig("[usb]\nsignal.2 = triangle\n"), 2);
    EXPECT_EQ(SimDrv_LoadConfig("[usb]\nsignal = sine amp=x\n"), 2);
    EXPECT_EQ(SimDrv_LoadConfig("[usb]\nmaxrate = 0\n"), 2);
    EXPECT_EQ(SimDrv_LoadConfig("[can]\n"), 1);
    EXPECT_NE(SimDrv_LoadConfig("[usb]\nhandle = 3\n[usb]\nhandle = 3\n"), 0);
    EXPECT_EQ(SimDrv_DeviceCount(), 4u);
    EXPECT_EQ(ConnectSerial("KW24-3001"), SimDrv_DeviceHandle(3));
    EXPECT_EQ(SimDrv_LoadConfig(""), 0);
    EXPECT_EQ(SimDrv_DeviceCount(), 0u);
}

TEST_F(SimDrv, ResetReadsTheFileNamedByTheEnvironment)
{
    char path[] = "/tmp/simdrv_config_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    FILE* f = fdopen(fd, "w");
    fputs("clock = sim\n[usb]\nserial = FROM-FILE\nhandle = 90\n", f);
    fclose(f);
    setenv("KW_SIM_CONFIG", path, 1);
    SimDrv_Reset();
    EXPECT_EQ(SimDrv_DeviceCount(), 1u);
    EXPECT_EQ(ConnectSerial("FROM-FILE"), 90);
    unsetenv("KW_SIM_CONFIG");
    SimDrv_Reset();
    EXPECT_EQ(SimDrv_DeviceCount(), 4u);
    EXPECT_EQ(SimDrv_LoadConfigFile(path), 0);
    EXPECT_EQ(SimDrv_DeviceHandle(0), 90);
    remove(path);
    EXPECT_EQ(SimDrv_LoadConfigFile(path), -1);
}

TEST_F(SimDrv, RealTimeClockRunsOn)
{
    SimDrv_SetTime(100);
    SimDrv_UseRealTime(1);
    double start = SimDrv_Now();
    EXPECT_GE(start, 100.0);
    while (SimDrv_Now() == start) {}
    EXPECT_GT(SimDrv_Now(), start);
    SimDrv_SetTime(5);  // back to the simulated clock
    EXPECT_EQ(SimDrv_Now(), 5.0);
    ASSERT_EQ(SimDrv_LoadConfig("clock = real\n[usb]\n"), 0);
    double t0 = SimDrv_Now();
    while (SimDrv_Now() == t0) {}
    SUCCEED();
}

}  // namespace
