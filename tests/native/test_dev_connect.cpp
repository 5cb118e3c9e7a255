// Connection, device registry and the run protocol shared by the modules.
#include <gtest/gtest.h>

#include "test_frame_fakes.h"

namespace {

using Log = std::vector<std::string>;
const std::string kWarning = std::string("ShowWarning(DigitalOut|") + DEV_INVALID_DEVICE_TEXT + ")";

struct DeviceTest : ::testing::Test {
    Rig rig;
    i32 h = 1234;
    void SetUp() override
    {
        rig.handleOf = {{"192.168.1.7", 7}, {"00:0A:11", 8}, {"K12345", 9}};
    }
};

TEST_F(DeviceTest, NetworkDeviceConnectsByAddress)
{
    const char* s = "\\?\\eth#3#SER9#192.168.1.7#00:0A:11#bench";
    ASSERT_EQ(TVXDeviceUriConnect(s, &h), 1);
    EXPECT_EQ(h, 7);
    EXPECT_EQ(rig.take(), Log{"RemoteDeviceConnect(192.168.1.7,-1,0)"});
    EXPECT_EQ(rig.wordAtConnectEntry, 0u);
    EXPECT_STREQ(DEV_CurrentDeviceString(), s);
    ASSERT_NE(DEV_FindDevice(7), nullptr);

    // Without a serial number the hardware address stands in field 3.
    ASSERT_EQ(TVXDeviceUriConnect("\\?\\eth#3##192.168.1.7#00:0A:11#bench", &h), 1);
    EXPECT_EQ(h, 8);
    EXPECT_EQ(rig.take(), Log{"RemoteDeviceConnect(00:0A:11,-1,0)"});
}

TEST_F(DeviceTest, UsbAndPciConnectBySerial)
{
    for (const char* s : {"\\?\\usb#55#K12345###", "\\?\\pci#0#K12345###"}) {
        rig.handleAtSerialEntry = 0;
        ASSERT_EQ(TVXDeviceUriConnect(s, &h), 1) << s;
        EXPECT_EQ(h, 9);
        EXPECT_EQ(rig.handleAtSerialEntry, -1);
        EXPECT_EQ(rig.take(), Log{"GetCardIDBySerial(K12345)"});
    }
    EXPECT_EQ(DEV_FindDevice(9)->slot, 0u);  // one entry for both
}

TEST_F(DeviceTest, RefusedStringsReachNoDriver)
{
    const char* refused[] = {
        nullptr,
        "\\?\\eth#12",                      // exactly 8 characters
        "\\?\\ETH#3#SER9#192.168.1.7#x#y",  // kinds are compared case-sensitively
        "\\?\\com#3#SER9#192.168.1.7",
        "\\?#3#SER9#192.168.1.7#x",         // kind of 2 characters
        "\\?\\eth#3#SER9",                  // no address
        "\\?\\usb#3",                       // no serial number
    };
    for (const char* s : refused) {
        h = 1234;
        EXPECT_EQ(TVXDeviceUriConnect(s, &h), 0) << (s ? s : "null");
        EXPECT_EQ(h, -1);
    }
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(DEV_CurrentDeviceString(), nullptr);
}

TEST_F(DeviceTest, FailuresLeaveNoEntryAndKeepTheCurrentString)
{
    ASSERT_EQ(TVXDeviceUriConnect("\\?\\usb#0#K12345###", &h), 1);
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#UNKNOWN###", &h), 0);  // driver refuses
    EXPECT_EQ(h, -1);
    g_drv.RemoteDeviceConnect = nullptr;  // missing entry point
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\eth#3#S#192.168.1.7", &h), 0);
    EXPECT_EQ(DEV_FindDevice(7), nullptr);
    EXPECT_STREQ(DEV_CurrentDeviceString(), "\\?\\usb#0#K12345###");
}

TEST_F(DeviceTest, RegistryHoldsSixteenDevices)
{
    for (i32 i = 0; i < DEV_REGISTRY_SLOTS; ++i) {
        DevEntry* e = DEV_AddDevice(100 + i);
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->slot, (u32)i);
        EXPECT_EQ(e->startMarker | e->configured | e->measuring, 0u);
    }
    EXPECT_EQ(DEV_AddDevice(200), nullptr);
    EXPECT_EQ(DEV_AddDevice(105), DEV_FindDevice(105));  // known handles still resolve

    // A full registry refuses a further device although the driver connected it.
    rig.handleOf["K1"] = 300;
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#K1###", &h), 0);
    EXPECT_EQ(h, -1);

    DEV_RemoveDevice(DEV_FindDevice(103));
    EXPECT_EQ(DEV_FindDevice(103), nullptr);
    EXPECT_EQ(DEV_AddDevice(200)->slot, 3u);  // the lowest empty slot
}

struct RunTest : DeviceTest {
    TestModule a{&g_frameDigitalOut}, b{&g_frameDigitalOut};
    i32 ha = 1234, hb = 1234;
    void SetUp() override
    {
        DeviceTest::SetUp();
        for (TestModule* t : {&a, &b}) strcpy(MOD_Header(t->m)->device, "\\?\\usb#0#K12345###");
    }
};

TEST_F(RunTest, TwoModulesOnOneDevice)
{
    ASSERT_EQ(DEV_RunPrepare(a.m, &ha), 1);
    ASSERT_EQ(DEV_RunPrepare(b.m, &hb), 1);
    EXPECT_EQ(ha, 9);
    EXPECT_EQ(hb, 9);
    rig.take();

    DEV_RunMarkStart(ha);
    DevEntry* e = DEV_FindDevice(9);
    e->configured = e->measuring = 1;  // left over from before: the marker clears them
    DEV_RunMarkStart(ha);
    EXPECT_EQ(e->configured, 1);  // only the first start step of a run marks
    e->startMarker = 0;
    DEV_RunMarkStart(ha);
    DEV_RunMarkStart(hb);
    EXPECT_EQ(e->startMarker, 1u);
    EXPECT_EQ(e->configured | e->measuring, 0);

    EXPECT_EQ(DEV_RunGo(ha), 1);
    EXPECT_EQ(DEV_RunGo(hb), 1);
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "StartMeasure(9)"}));

    DEV_RunStop(&ha);
    EXPECT_EQ(rig.take(), (Log{"StopMeasure(9)", "RemoteDeviceDisconnect(9)"}));
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    DEV_RunStop(&hb);
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(ha, -1);
    EXPECT_EQ(hb, -1);
}

TEST_F(RunTest, GoFailuresAndMissingEntryPoints)
{
    EXPECT_EQ(DEV_RunGo(-1), 0);
    ASSERT_EQ(DEV_RunPrepare(a.m, &ha), 1);
    DEV_RunMarkStart(ha);
    rig.take();

    rig.configStatus = -1000;
    EXPECT_EQ(DEV_RunGo(ha), 0);
    rig.configStatus = 0;
    rig.startStatus = -2;
    EXPECT_EQ(DEV_RunGo(ha), 0);  // configures again, then fails to start
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "ConfigMeasure(9)", "StartMeasure(9)"}));
    rig.startStatus = 0;
    g_drv.StartMeasure = nullptr;
    EXPECT_EQ(DEV_RunGo(ha), 0);  // configured already; the missing StartMeasure fails
    EXPECT_TRUE(rig.take().empty());

    // Not measuring: stop only disconnects; a missing disconnect is skipped.
    g_drv.RemoteDeviceDisconnect = nullptr;
    DEV_RunStop(&ha);
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    EXPECT_EQ(ha, -1);

    // A go without a registry entry has nothing to start.
    EXPECT_EQ(DEV_RunGo(42), 1);
    EXPECT_TRUE(rig.take().empty());
}

TEST_F(RunTest, PrepareAndLoadWarnWhenTheDeviceIsMissing)
{
    strcpy(MOD_Header(a.m)->device, "\\?\\usb#0#GONE###");
    EXPECT_EQ(DEV_RunPrepare(a.m, &ha), 0);
    EXPECT_EQ(ha, -1);
    MOD_RegisterDevice(a.m, MOD_Header(b.m)->device);  // found: no warning
    MOD_RegisterDevice(a.m, "");
    EXPECT_EQ(rig.take(), (Log{"GetCardIDBySerial(GONE)", kWarning, "GetCardIDBySerial(K12345)", kWarning}));

    // An unterminated device field is read only within its 260 bytes.
    memset(MOD_Header(a.m)->device, 'x', DEV_STRING_SIZE);
    EXPECT_EQ(DEV_RunPrepare(a.m, &ha), 0);
}

}  // namespace
