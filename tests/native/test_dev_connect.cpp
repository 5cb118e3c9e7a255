// Device strings, connection, registry and the run protocol shared by the modules.
#include "mod_run.h"
#include "test_fakes.h"

#include <algorithm>
#include <memory>

namespace {

using Log = std::vector<std::string>;

std::string Field(const char* s, int n)
{
    char* f = DEV_GetField(s, n);
    std::string out = f ? f : "<null>";
    DEV_FreeString(f);
    return out;
}

// Fields are counted like strtok: a run of '#' separates once, so an empty
// serial number moves the later fields down by one.
TEST(DeviceString, Fields)
{
    const char* full = "\\?\\eth#3#SER9#192.168.1.7#00:0A:11#bench";
    EXPECT_EQ(Field(full, 0), "\\?\\eth");
    EXPECT_EQ(Field(full, 3), "192.168.1.7");
    EXPECT_EQ(Field(full, 5), "bench");
    EXPECT_EQ(Field(full, 6), "<null>");
    EXPECT_EQ(Field("\\?\\eth#3##192.168.1.7#00:0A:11#bench", 3), "00:0A:11");
    EXPECT_EQ(Field("\\?\\usb#0#K12345###", 3), "<null>");
    // Invalid strings have no fields: too short, or not "\?\".
    for (const char* invalid : {"\\?\\eth#", "/?/eth#1#2", (const char*)nullptr}) EXPECT_EQ(Field(invalid, 0), "<null>");
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#-3#S#A"), -3);
    EXPECT_EQ(DEV_GetHandleField("\\?\\eth#12abc#S#A"), 12);  // atoi rules
    EXPECT_EQ(DEV_GetHandleField("\\?\\ethernet"), -1);       // no field 1
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
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\usb#0#UNKNOWN###", &h), 0);  // the driver refuses
    g_drv.RemoteDeviceConnect = nullptr;                             // missing entry point
    EXPECT_EQ(TVXDeviceUriConnect("\\?\\eth#3#S#192.168.1.7", &h), 0);
    EXPECT_EQ(DEV_FindDevice(7), nullptr);
    EXPECT_EQ(DEV_CurrentDeviceString(), nullptr);
}

// The string that would connect if it were cut at the field's last
// character; filling the whole field, it has no terminator.
std::string DamagedField()
{
    std::string text = "\\?\\usb#0#K12345###";
    text.resize(DEV_STRING_SIZE, '#');
    return text;
}

// A field without terminator is no device string: nothing reads past it
// (the copy below is exactly the field, for the sanitizers), and it neither
// connects nor becomes the current device string.
TEST_F(DeviceTest, FieldWithoutTerminatorNamesNoDevice)
{
    std::unique_ptr<char[]> field(new char[DEV_STRING_SIZE]);
    memcpy(field.get(), DamagedField().data(), DEV_STRING_SIZE);
    EXPECT_FALSE(DEV_IsValidString(field.get()));
    EXPECT_EQ(Field(field.get(), 0), "<null>");
    EXPECT_EQ(DEV_GetHandleField(field.get()), -1);
    EXPECT_EQ(TVXDeviceUriConnect(field.get(), &h), 0);
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

    EXPECT_EQ(DEV_RunGo(ha) + DEV_RunGo(hb), 2);
    DEV_RunStop(&ha);
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    DEV_RunStop(&hb);
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "StartMeasure(9)", "StopMeasure(9)", "RemoteDeviceDisconnect(9)"}));
    EXPECT_EQ(ha + hb, -2);
}

TEST_F(RunTest, FailuresAndMissingEntryPoints)
{
    EXPECT_EQ(DEV_RunGo(-1), 0);
    rig.status["ConfigMeasure"] = -1000;
    i32 status = 0;
    EXPECT_EQ(DEV_RunGo(ha, &status), 0);
    EXPECT_EQ(status, -1000);  // the refusing call's status goes to the module
    rig.status["ConfigMeasure"] = 0;
    rig.status["StartMeasure"] = -2;
    EXPECT_EQ(DEV_RunGo(ha), 0);  // configures again, then fails to start
    rig.status["StartMeasure"] = 0;
    g_drv.StartMeasure = nullptr;
    EXPECT_EQ(DEV_RunGo(ha), 0);  // configured already; the missing StartMeasure fails
    g_drv.RemoteDeviceDisconnect = nullptr;
    DEV_RunStop(&ha);  // not measuring, nothing to disconnect with: only forgets the device
    EXPECT_EQ(rig.take(), (Log{"ConfigMeasure(9)", "ConfigMeasure(9)", "StartMeasure(9)"}));
    EXPECT_EQ(DEV_FindDevice(9), nullptr);
    EXPECT_EQ(DEV_RunGo(hb), 1);  // no entry left: nothing to start

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
