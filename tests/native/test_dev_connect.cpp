// Device strings, connection, registry and the run protocol shared by the modules.
#include <gtest/gtest.h>

#include "mod_run.h"
#include "test_fakes.h"

#include <algorithm>
#include <memory>

namespace {

using Log = std::vector<std::string>;

// Fields are counted like strtok: a run of '#' separates once, so an empty
// serial number moves the later fields down by one. Invalid strings (too
// short, not "\?\", a whole field without terminator) have no fields. The
// naming length reaches the end of field 3, or of the last field there is.
TEST(DeviceString, FieldsHandleAndNamingLength)
{
    struct { const char* s; std::vector<const char*> fields; i32 handle; size_t naming; } cases[] = {
        {"\\?\\eth#3#SER9#192.168.1.7#00:0A:11#bench", {"\\?\\eth", "3", "SER9", "192.168.1.7", "00:0A:11", "bench"}, 3, 25},
        {"\\?\\eth#3##192.168.1.7#00:0A:11#bench", {"\\?\\eth", "3", "192.168.1.7", "00:0A:11", "bench"}, 3, 30},
        {"\\?\\usb#0#K12345###", {"\\?\\usb", "0", "K12345"}, 0, 15},
        {"\\?\\eth#12abc#S#A", {"\\?\\eth", "12abc", "S", "A"}, 12, 16},  // atoi rules
        {"\\?\\ethernet", {"\\?\\ethernet"}, -1, 11},
        {"\\?\\eth#", {}, -1, 6},
        {"/?/eth#1#2", {}, -1, 10},
        {nullptr, {}, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.s ? c.s : "null");
        for (int n = 0; n < 7; ++n) {
            char* f = DEV_GetField(c.s, n);
            EXPECT_STREQ(f, n < (int)c.fields.size() ? c.fields[n] : nullptr) << n;
            DEV_FreeString(f);
        }
        EXPECT_EQ(DEV_GetHandleField(c.s), c.handle);
        if (c.s) {
            EXPECT_EQ(DEV_NamingLength(c.s), c.naming);
        }
    }
}

// The string that would connect if it were cut at the field's last
// character; filling the whole field, it has no terminator.
std::string DamagedField()
{
    std::string text = "\\?\\usb#0#K12345###";
    text.resize(DEV_STRING_SIZE, '#');
    return text;
}

struct DeviceTest : ::testing::Test {
    Rig rig;
    i32 h = 1234;
    void SetUp() override { rig.handleOf = {{"192.168.1.7", 7}, {"00:0A:11", 8}, {"K12345", 9}}; }
};

TEST_F(DeviceTest, ConnectsByKind)
{
    const char* s = "\\?\\eth#3#SER9#192.168.1.7#00:0A:11#bench";
    ASSERT_EQ(TVXDeviceUriConnect(s, &h), 1);
    EXPECT_EQ(h, 7);
    EXPECT_EQ(rig.wordAtConnectEntry, 0u);
    EXPECT_STREQ(DEV_CurrentDeviceString(), s);
    ASSERT_EQ(TVXDeviceUriConnect("\\?\\eth#3##192.168.1.7#00:0A:11#bench", &h), 1);
    EXPECT_EQ(h, 8);
    // USB and PCI by serial number, with the handle preset to -1.
    ASSERT_EQ(TVXDeviceUriConnect("\\?\\usb#55#K12345###", &h), 1);
    EXPECT_EQ(rig.handleAtSerialEntry, -1);
    ASSERT_EQ(TVXDeviceUriConnect("\\?\\pci#0#K12345###", &h), 1);
    EXPECT_EQ(h, 9);
    EXPECT_EQ(rig.take(), (Log{"RemoteDeviceConnect(192.168.1.7,-1,0)", "RemoteDeviceConnect(00:0A:11,-1,0)",
                               "GetCardIDBySerial(K12345)", "GetCardIDBySerial(K12345)"}));
    EXPECT_EQ(+DEV_FindDevice(9)->slot, 2u);  // one entry for both
}

// Strings that name no device reach no driver call; a refusal (even one that
// writes a handle), a missing entry point or a field without terminator
// connects nothing and leaves no current device string.
TEST_F(DeviceTest, RefusedConnections)
{
    const char* refused[] = {
        "\\?\\eth#12",                      // exactly 8 characters
        "\\?\\ETH#3#SER9#192.168.1.7#x#y",  // kinds are compared case-sensitively
        "\\?#3#SER9#192.168.1.7#x",         // kind of 2 characters
        "\\?\\eth#3#SER9",                  // no address
        "\\?\\usb#3",                       // no serial number
    };
    for (const char* s : refused) {
        EXPECT_EQ(TVXDeviceUriConnect(s, &h), 0) << s;
        EXPECT_EQ(h, -1);
    }
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#UNKNOWN###", &h), 0);
    for (const char* call : {"GetCardIDBySerial", "RemoteDeviceConnect"}) {
        rig.fail(call, -5, 0, 1);
        EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#K12345###", &h) + TVXDeviceUriConnect("\\?\\eth#3#S#192.168.1.7", &h), 1)
            << call;
    }
    std::unique_ptr<char[]> field(new char[DEV_STRING_SIZE]);  // exactly the field, for the sanitizers
    memcpy(field.get(), DamagedField().data(), DEV_STRING_SIZE);
    EXPECT_EQ(TVXDeviceUriConnect(field.get(), &h), 0);
    DEV_ResetAll();
    g_drv.RemoteDeviceConnect = nullptr;
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\eth#3#S#192.168.1.7", &h), 0);
    EXPECT_EQ(DEV_FindDevice(7), nullptr);
    EXPECT_EQ(DEV_CurrentDeviceString(), nullptr);
    field[DEV_STRING_SIZE - 1] = 0;  // now it ends within its field
    EXPECT_EQ(TVXDeviceUriConnect(field.get(), &h), 1);
    EXPECT_EQ(strlen(DEV_CurrentDeviceString()), (size_t)DEV_STRING_SIZE - 1);
}

TEST_F(DeviceTest, RegistryHoldsSixteenDevices)
{
    for (i32 i = 0; i < DEV_REGISTRY_SLOTS; ++i) ASSERT_EQ(+DEV_AddDevice(100 + i)->slot, (u32)i);
    EXPECT_EQ(DEV_AddDevice(200), nullptr);
    EXPECT_EQ(DEV_AddDevice(105), DEV_FindDevice(105));
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#K12345###", &h), 0);  // connected, but no room
    DEV_RemoveDevice(DEV_FindDevice(103));
    EXPECT_EQ(DEV_FindDevice(103), nullptr);
    EXPECT_EQ(+DEV_AddDevice(200)->slot, 3u);  // the lowest empty slot
}

struct RunTest : DeviceTest {
    TestModule a{&g_frameDigitalOut}, b{&g_frameDigitalOut};
    i32 ha = 1234, hb = 1234;
    void SetUp() override
    {
        DeviceTest::SetUp();
        for (TestModule* t : {&a, &b}) strcpy(MOD_Header(t->m)->device, "\\?\\usb#0#K12345###");
        ASSERT_EQ(DEV_RunPrepare(MOD_Header(a.m)->device, "A", &ha), 1);
        ASSERT_EQ(DEV_RunPrepare(MOD_Header(b.m)->device, "B", &hb), 1);
        rig.take();
    }
};

// The first module's start marks the shared entry for the run; go configures
// and starts the device once; the first stop stops and disconnects it for all.
TEST_F(RunTest, TwoModulesShareOneDevice)
{
    DevEntry* e = DEV_FindDevice(9);
    DEV_RunMarkStart(ha);
    e->configured = e->measuring = 1;  // the marker of this run is set: left alone
    DEV_RunMarkStart(hb);
    EXPECT_EQ(e->configured & e->measuring, 1);
    e->startMarker = 0;
    DEV_RunMarkStart(hb);
    EXPECT_EQ(e->configured | e->measuring, 0);

    i32 status;
    EXPECT_EQ(DEV_RunGo(ha, &status) + DEV_RunGo(hb, &status), 2);
    DEV_RunStop(&ha);
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    DEV_RunStop(&hb);
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "StartMeasure(9)", "StopMeasure(9)", "RemoteDeviceDisconnect(9)"}));
    EXPECT_EQ(ha + hb, -2);
}

TEST_F(RunTest, FailuresAndMissingEntryPoints)
{
    i32 status = 0;
    EXPECT_EQ(DEV_RunGo(-1, &status), 0);
    rig.fail("ConfigMeasure", -1000, 0, 1);
    EXPECT_EQ(DEV_RunGo(ha, &status), 0);
    EXPECT_EQ(status, -1000);  // the refusing call's status goes to the module
    rig.fail("StartMeasure", -2, 0, 1);
    EXPECT_EQ(DEV_RunGo(ha, &status), 0);  // configures again, then fails to start
    g_drv.StartMeasure = nullptr;
    EXPECT_EQ(DEV_RunGo(ha, &status), 0);  // configured already; the missing StartMeasure fails
    g_drv.RemoteDeviceDisconnect = nullptr;
    DEV_RunStop(&ha);  // not measuring, nothing to disconnect with: only forgets the device
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "ConfigMeasure(9)", "StartMeasure(9)"}));
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    EXPECT_EQ(DEV_RunGo(hb, &status), 1);  // no entry left: nothing to start

    // A damaged device field names no device: prepare and load warn, titled
    // with the module name.
    memcpy(MOD_Header(a.m)->device, DamagedField().data(), DEV_STRING_SIZE);
    ModDriverNeeds nothing = {nullptr, 0};
    EXPECT_FALSE(MOD_PrepareDevice(a.m, &g_frameDigitalOut, &nothing));
    EXPECT_EQ(MOD_Runtime(a.m)->handle, -1);
    a.send(DMM_LOAD_MODULE);
    Log log = rig.take();
    EXPECT_EQ(std::count(log.begin(), log.end(), std::string("ShowWarning(DigitalOut|") + DEV_INVALID_DEVICE_TEXT + ")"), 2);
}

}  // namespace
