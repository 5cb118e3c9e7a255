// Module frame: the messages every kind answers, with each kind's values.
#include <gtest/gtest.h>

#include <string.h>

#include "test_frame_fakes.h"

namespace {

using Log = std::vector<std::string>;
const char* const kDevice = "\\?\\usb#0#K12345###";

struct Kind {
    const ModFrame* f;
    const char* signature;
    u32 stride, timeBaseOffset;
    const char* unit;
    bool output, takesDevice;
};
const Kind kKinds[] = {
    {&g_frameAnalogIn, "KWE\\ANALOGIN", 108, 2080, "V", false, true},
    {&g_frameAnalogOut, "KWE\\ANALOGOUT", 108, 2080, "V", true, true},
    {&g_frameCounterIn, "KWE\\COUNTERIN", 96, 1888, " ", false, true},
    {&g_frameCounterOut, "KWE\\COUNTEROUT", 128, 2400, "V", true, true},
    {&g_frameDigitalIn, "KWE\\DIGITALIN", 92, 1824, "V", false, false},
    {&g_frameDigitalOut, "KWE\\DIGITALOUT", 92, 1824, "V", true, true},
};

void PrintTo(const Kind& k, std::ostream* os) { *os << k.signature; }

struct FrameTest : ::testing::TestWithParam<Kind> {
    Rig rig;
    TestModule t{GetParam().f};
    const char* channelText(u32 i, u32 field) { return (const char*)t.bytes() + 352 + GetParam().stride * i + field; }
    // Puts the module's channels at n, on the side its kind uses.
    void setChannels(u32 n)
    {
        (GetParam().output ? t.m->inputCount : t.m->outputCount) = n;
        (GetParam().output ? t.m->outputCount : t.m->inputCount) = 0;
    }
};

TEST_P(FrameTest, CreateWritesTheDefaults)
{
    const Kind& k = GetParam();
    rig.handleOf["K12345"] = 9;
    i32 h;
    ASSERT_EQ(TVXDeviceUriConnect(kDevice, &h), 1);
    rig.take();
    ASSERT_EQ(t.send(DMM_CREATE_MODULE), 1);

    const u32 header[] = {0x32545658, 4, 3, 1, 1, 32, 2, 1, 272, 2, 16, k.stride};
    for (u32 i = 0; i < 12; ++i) EXPECT_EQ(t.word(4 * i), header[i]) << "header word " << i;
    EXPECT_EQ(memcmp(t.bytes(), "XVT2", 4), 0);
    EXPECT_STREQ((const char*)t.bytes() + 48, k.signature);
    EXPECT_STREQ((const char*)t.bytes() + 80, k.takesDevice ? kDevice : "");
    EXPECT_EQ(t.word(340), 0xAAAAAAAAu);  // not written: the host's bytes stay
    EXPECT_EQ(t.word(344), 42000u);
    EXPECT_EQ(t.word(348), 0xAAAAAAAAu);
    std::string shortName = g_modShortName[k.f->kind];
    EXPECT_EQ(channelText(0, 0), shortName + " 0");
    EXPECT_EQ(channelText(15, 0), shortName + " 15");
    EXPECT_STREQ(channelText(15, 20), k.unit);
    EXPECT_EQ(t.word(k.timeBaseOffset), 2u);
    EXPECT_EQ(t.m->inputCount, k.output ? 1u : 0u);
    EXPECT_EQ(t.m->outputCount, k.output ? 0u : 1u);
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 1);
    EXPECT_TRUE(rig.take().empty());  // creation registers no names

    // The other layout is refused, and so is a module without channels.
    std::swap(t.m->inputCount, t.m->outputCount);
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 0);
    t.m->inputCount = t.m->outputCount = 0;
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 0);
}

TEST_P(FrameTest, ActionsAreAcceptedButChangeNothing)
{
    u32* code = (u32*)LowAlloc(sizeof(u32));
    for (u32 c : {0u, 13u, 14u}) {
        *code = c;
        EXPECT_EQ(t.send(DMM_QUERY_MODULE_ACTION, 0, Low32(code)), 1) << c;
    }
    *code = 12;
    EXPECT_EQ(t.send(DMM_QUERY_MODULE_ACTION, 0, Low32(code)), 0);

    setChannels(3);
    bool checksCode = GetParam().f == &g_frameCounterOut;
    *code = 13;
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 0, Low32(code)), checksCode ? 1 : 0);
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 4, Low32(code)), checksCode ? 1 : 0);
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 8, Low32(code)), 1);  // only channel 3
    *code = 12;
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 0, Low32(code)), 0);

    ActionDesc* d = (ActionDesc*)LowAlloc(sizeof(ActionDesc));
    memset(d, 0x55, sizeof *d);
    d->action = 12;
    EXPECT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 0);
    EXPECT_EQ(d->flag1, 0x55555555u);  // untouched
    g_instance = (HINSTANCE)0x1234;
    d->action = 14;
    EXPECT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 1);
    EXPECT_EQ(d->instance, g_instance);
    EXPECT_STREQ(d->key, checksCode ? "SET_DUTYCYCLE" : "GEN_SET_AMPL");
    EXPECT_EQ(d->flag1, 1u);
    EXPECT_EQ(d->commandNameId, 12003u);
    EXPECT_EQ(d->valueNameId, 12004u);
    EXPECT_EQ(d->flag2, 1u);
    d->action = 13;
    EXPECT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 1);
    EXPECT_STREQ(d->key, checksCode ? "SET_FREQUENCY" : "GEN_SET_FREQ");
    EXPECT_EQ(d->commandNameId, 12001u);
    EXPECT_EQ(d->valueNameId, 12002u);
}

TEST_P(FrameTest, ChannelTextsTravelThroughTheTransferBlock)
{
    t.send(DMM_CREATE_MODULE);
    strcpy((char*)channelText(4, 0), "Pressure");
    strcpy((char*)channelText(4, 20), "bar");
    Module* other = (Module*)LowAlloc(sizeof(Module));
    ChannelTexts texts;
    memset(&texts, 0, sizeof texts);
    other->params = &texts;
    ASSERT_EQ(t.send(DMM_EXPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(texts.namesPresent, 1u);
    EXPECT_EQ(texts.unitsPresent, 1u);
    EXPECT_STREQ(texts.names[4].name, "Pressure");
    EXPECT_STREQ(texts.units[4], "bar");
    EXPECT_EQ(texts.names[15].name, std::string(g_modShortName[GetParam().f->kind]) + " 15");

    // Import resets everything to the defaults, then takes the names only.
    strcpy(texts.names[2].name, "Flow");
    texts.unitsPresent = 0;
    t.m->host830 = 0x4444;
    setChannels(5);
    memset(t.bytes() + 344, 0, 4);
    ASSERT_EQ(t.send(DMM_IMPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(t.m->host830, 0);
    EXPECT_EQ(t.word(344), 42000u);
    EXPECT_STREQ(channelText(2, 0), "Flow");
    EXPECT_STREQ(channelText(4, 0), "Pressure");
    EXPECT_STREQ(channelText(4, 20), GetParam().unit);
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 1);  // the default connection layout again

    // Names of 20 characters without a terminator are cut inside the field.
    memset(texts.names[1].name, 'n', 20);
    ASSERT_EQ(t.send(DMM_IMPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(strlen(channelText(1, 0)), 19u);
}

TEST_P(FrameTest, NamesAreRegisteredOverTheKindsChannels)
{
    t.send(DMM_CREATE_MODULE);
    setChannels(2);
    std::string n = g_modShortName[GetParam().f->kind];
    Log registered = {"GlStr_Register(" + n + " 0)", "GlStr_Register(" + n + " 1)"};
    ASSERT_EQ(t.send(DMM_LOAD_MODULE), 1);
    Log log = rig.take();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], std::string("ShowWarning(") + n + "|" + DEV_INVALID_DEVICE_TEXT + ")");
    EXPECT_EQ(Log(log.begin() + 1, log.end()), registered);

    ASSERT_EQ(t.send(DMM_DELETE_MODULE), 1);
    EXPECT_EQ(rig.take(), (Log{"GlStr_Unregister(" + n + " 0)", "GlStr_Unregister(" + n + " 1)"}));

    // A damaged block: a name without terminator reaches the host cut to 19
    // characters; an absurd channel count stays within the 16 channels.
    memset((char*)channelText(0, 0), 'z', 20);
    setChannels(40000);
    MOD_RegisterChannelNames(t.m, GetParam().f);
    log = rig.take();
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[0], "GlStr_Register(" + std::string(19, 'z') + ")");
}

TEST_P(FrameTest, PublishRunsOverTheOutputs)
{
    t.send(DMM_CREATE_MODULE);
    t.m->outputCount = 2;
    EXPECT_EQ(t.send(DMM_PUBLISH_CHANNEL_NAMES, 3, 4), 77);
    std::string n = g_modShortName[GetParam().f->kind];
    EXPECT_EQ(rig.take(), (Log{"CopyChannelName(" + n + " 0)", "CopyChannelName(" + n + " 1)",
                               "Default(151,3,4)"}));
}

TEST_P(FrameTest, QueriesAndMessagesLeftToTheHost)
{
    EXPECT_EQ(t.send(DQM_UNREGISTER_CLASS), 1);
    EXPECT_EQ(t.send(DMM_SAVE_MODULE), 1);
    EXPECT_EQ(t.send(DMM_NOP_170), 1);
    EXPECT_EQ(t.send(DMM_NOP_172), 1);
    EXPECT_EQ(t.send(DMM_PARAM_MODULE), 1);  // natively there is no dialog to show
    EXPECT_TRUE(rig.take().empty());
    for (u32 msg : {113u, 114u, 115u, 123u, 156u, 159u, 160u, 161u, 162u, 999u})
        EXPECT_EQ(t.send(msg, msg + 1, msg + 2), 77);
    Log log = rig.take();
    ASSERT_EQ(log.size(), 10u);
    EXPECT_EQ(log[0], "Default(113,114,115)");

    t.send(DMM_CREATE_MODULE);
    EXPECT_EQ((u32)t.send(DCM_GET_UNIT, 15), Low32(channelText(15, 20)));
    EXPECT_EQ(t.send(DCM_GET_UNIT, 16), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, FrameTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(g_modKinds[info.param.f->kind].className + 4); });

}  // namespace
