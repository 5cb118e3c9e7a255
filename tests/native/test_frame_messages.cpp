// Module frame: the messages every kind answers, with each kind's values.
#include <gtest/gtest.h>

#include "test_fakes.h"

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
void PrintTo(const Kind& k, std::ostream* os) { *os << k.signature; }

const Kind kKinds[] = {
    {&g_frameAnalogIn, "KWE\\ANALOGIN", 108, 2080, "V", false, true},
    {&g_frameAnalogOut, "KWE\\ANALOGOUT", 108, 2080, "V", true, true},
    {&g_frameCounterIn, "KWE\\COUNTERIN", 96, 1888, " ", false, true},
    {&g_frameCounterOut, "KWE\\COUNTEROUT", 128, 2400, "V", true, true},
    {&g_frameDigitalIn, "KWE\\DIGITALIN", 92, 1824, "V", false, false},
    {&g_frameDigitalOut, "KWE\\DIGITALOUT", 92, 1824, "V", true, true},
};

struct FrameTest : ::testing::TestWithParam<Kind> {
    Rig rig;
    TestModule t{GetParam().f};
    std::string n = g_modShortName[MOD_KindOf(GetParam().f) - g_modKinds];
    char* text(u32 channel, u32 field) { return (char*)t.bytes() + 352 + GetParam().stride * channel + field; }
    void setChannels(u32 count)  // on the side the kind uses
    {
        t.m->inputCount = GetParam().output ? count : 0;
        t.m->outputCount = GetParam().output ? 0 : count;
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
    EXPECT_STREQ((const char*)t.bytes() + 48, k.signature);
    EXPECT_STREQ((const char*)t.bytes() + 80, k.takesDevice ? kDevice : "");
    EXPECT_EQ(t.word(340), 0xAAAAAAAAu);  // not written: the host's bytes stay
    EXPECT_EQ(t.word(344), 42000u);
    EXPECT_EQ(t.word(348), 0xAAAAAAAAu);
    EXPECT_EQ(text(0, 0), n + " 0");
    EXPECT_EQ(text(15, 0), n + " 15");
    EXPECT_STREQ(text(15, 20), k.unit);
    EXPECT_EQ(t.word(k.timeBaseOffset), 2u);
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 1);
    EXPECT_EQ(+t.m->inputCount + t.m->outputCount, 1u);
    EXPECT_TRUE(rig.take().empty());  // creation registers no names

    // The other layout is refused, and so is a module without channels.
    setChannels(0);
    (GetParam().output ? t.m->outputCount : t.m->inputCount) = 1;
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 0);
    setChannels(0);
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 0);
}

TEST_P(FrameTest, Actions)
{
    u32* code = (u32*)LowAlloc(sizeof(u32));
    for (u32 c : {0, 13, 14, 12}) EXPECT_EQ(t.send(DMM_QUERY_MODULE_ACTION, 0, Low32(&(*code = c))), c != 12) << c;

    // Mask 0 means all channels; only the counter output answers by the action code.
    setChannels(3);
    bool byCode = GetParam().f == &g_frameCounterOut;
    *code = 13;
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 0, Low32(code)), byCode ? 1 : 0);
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 8, Low32(code)), 1);  // only channel 3
    *code = 12;
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 4, Low32(code)), 0);

    ActionDesc* d = (ActionDesc*)LowAlloc(sizeof(ActionDesc));
    memset(d, 0x55, sizeof *d);
    d->action = 12;
    EXPECT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 0);
    EXPECT_EQ(+d->flag1, 0x55555555u);  // untouched
    g_instance = (HINSTANCE)0x1234;
    for (u32 action : {13, 14}) {
        d->action = action;
        ASSERT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 1);
        EXPECT_EQ(d->instance, g_instance);
        const char* keys[2][2] = {{"GEN_SET_FREQ", "GEN_SET_AMPL"}, {"SET_FREQUENCY", "SET_DUTYCYCLE"}};
        EXPECT_STREQ(d->key, keys[byCode][action - 13]);
        EXPECT_EQ(std::vector<u32>({d->flag1, d->commandNameId, d->valueNameId, d->flag2}),
                  std::vector<u32>({1, 12001 + 2 * (action - 13), 12002 + 2 * (action - 13), 1}));
    }
}

TEST_P(FrameTest, ChannelTextsTravelThroughTheTransferBlock)
{
    t.send(DMM_CREATE_MODULE);
    strcpy(text(4, 0), "Pressure");
    strcpy(text(4, 20), "bar");
    Module* other = (Module*)LowAlloc(sizeof(Module));
    ChannelTexts texts = {};
    other->params = &texts;
    ASSERT_EQ(t.send(DMM_EXPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(texts.namesPresent & texts.unitsPresent, 1u);
    EXPECT_STREQ(texts.names[4].name, "Pressure");
    EXPECT_STREQ(texts.units[4], "bar");

    // Import resets everything to the defaults, then takes the names only;
    // a name without terminator is cut inside its field.
    memset(texts.names[1].name, 'n', 20);
    texts.unitsPresent = 0;
    t.m->host830 = 0x4444;
    setChannels(5);
    memset(t.bytes() + 344, 0, 4);
    ASSERT_EQ(t.send(DMM_IMPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(+t.m->host830, 0);
    EXPECT_EQ(t.word(344), 42000u);
    EXPECT_EQ(text(1, 0), std::string(19, 'n'));
    EXPECT_STREQ(text(4, 0), "Pressure");
    EXPECT_STREQ(text(4, 20), GetParam().unit);
    EXPECT_EQ(+t.m->inputCount + t.m->outputCount, 1u);  // the default layout again
}

TEST_P(FrameTest, ChannelNamesAreRegisteredOverTheKindsChannels)
{
    t.send(DMM_CREATE_MODULE);
    setChannels(2);
    ASSERT_EQ(t.send(DMM_LOAD_MODULE), 1);  // no device: warns, and still loads
    ASSERT_EQ(t.send(DMM_DELETE_MODULE), 1);
    EXPECT_EQ(rig.take(), (Log{"ShowWarning(" + n + "|" + DEV_INVALID_DEVICE_TEXT + ")",
                               "GlStr_Register(" + n + " 0)", "GlStr_Register(" + n + " 1)",
                               "GlStr_Unregister(" + n + " 0)", "GlStr_Unregister(" + n + " 1)"}));

    // A damaged block: the host never gets a text that runs out of its
    // field, and an absurd channel count stays within the 16 channels.
    memset(text(0, 0), 'z', 20);
    memset(text(15, 20), 'u', 64);
    setChannels(40000);
    MOD_RegisterChannelNames(t.m, GetParam().f);
    Log log = rig.take();
    ASSERT_EQ(log.size(), 16u);
    EXPECT_EQ(log[0], "GlStr_Register(" + std::string(19, 'z') + ")");
    EXPECT_EQ((u32)t.send(DCM_GET_UNIT, 15), Low32(text(15, 20)));
    EXPECT_EQ(strlen(text(15, 20)), 63u);
    EXPECT_EQ(t.send(DCM_GET_UNIT, 16), 0);
}

TEST_P(FrameTest, OtherMessages)
{
    t.send(DMM_CREATE_MODULE);
    t.m->outputCount = 2;  // publishing runs over the outputs of every kind
    EXPECT_EQ(t.send(DMM_PUBLISH_CHANNEL_NAMES, 3, 4), 77);
    const u32 ones[] = {DQM_UNREGISTER_CLASS, DMM_SAVE_MODULE, DMM_NOP_170, DMM_NOP_172, DMM_PARAM_MODULE};
    for (u32 msg : ones) EXPECT_EQ(t.send(msg), 1) << msg;
    const u32 hosts[] = {113, 114, 115, 123, 156, 159, 160, 161, 162, 999};
    for (u32 msg : hosts) EXPECT_EQ(t.send(msg, msg + 1, msg + 2), 77);
    Log log = rig.take();
    EXPECT_EQ(Log(log.begin(), log.begin() + 4), (Log{"CopyChannelName(" + n + " 0)", "CopyChannelName(" + n + " 1)",
                                                      "Default(151,3,4)", "Default(113,114,115)"}));
    EXPECT_EQ(log.size(), 13u);
    EXPECT_EQ((u32)t.send(DMM_GET_PARAM_DESCRIPTION), Low32(GetParam().f->description));
}

INSTANTIATE_TEST_SUITE_P(Kinds, FrameTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(MOD_KindOf(info.param.f)->cls->className + 4); });

}  // namespace
