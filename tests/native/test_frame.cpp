// Module frame: the messages every kind answers, with each kind's values, and
// what single kinds do differently (fifo set-up, the counter output's
// variables).
#include <gtest/gtest.h>

#include "test_fakes.h"

namespace {

using Log = std::vector<std::string>;
const char* const kDevice = "\\?\\usb#0#K12345###";

// A kind's parameter block at creation, from the block layouts: words and
// doubles in every channel's settings and after them; texts compared as
// texts; every other byte keeps what the host put there (0xAA here).
struct Kind {
    const ModFrame* f;
    const char *shortName, *signature, *unit;
    u32 size, stride;
    bool output, takesDevice;
    std::vector<std::pair<u32, u32>> channelWords, tailWords;
    std::vector<std::pair<u32, double>> channelDoubles;
};
void PrintTo(const Kind& k, std::ostream* os) { *os << k.signature; }

const std::vector<std::pair<u32, u32>> kAnalogChannel = {{84, 0}, {88, 1}, {92, 0}, {96, 0}, {100, 1}};
const std::vector<std::pair<u32, u32>> kDigitalTail = {{1824, 2}, {1828, 0}, {1832, 4}, {1836, 4}, {1840, 16}, {1844, 16}};
const Kind kKinds[] = {
    {&g_frameAnalogIn, "AnalogIn", "KWE\\ANALOGIN", "V", 2092, 108, false, true, kAnalogChannel,
     {{2080, 2}, {2084, 0}, {2088, 1}}, {}},
    {&g_frameAnalogOut, "AnalogOut", "KWE\\ANALOGOUT", "V", 2084, 108, true, true, kAnalogChannel, {{2080, 2}}, {}},
    {&g_frameCounterIn, "CounterIn", "KWE\\COUNTERIN", " ", 1892, 96, false, true, {{84, 1}, {92, 0}}, {{1888, 2}}, {}},
    {&g_frameCounterOut, "CounterOut", "KWE\\COUNTEROUT", "V", 2408, 128, true, true, {{84, 1}, {96, 1}, {120, 0}},
     {{2400, 2}}, {{104, 10.0}, {112, 50.0}}},
    {&g_frameDigitalIn, "DigitalIn", "KWE\\DIGITALIN", "V", 1848, 92, false, false, {{84, 1}}, kDigitalTail, {}},
    {&g_frameDigitalOut, "DigitalOut", "KWE\\DIGITALOUT", "V", 1848, 92, true, true, {{84, 1}}, kDigitalTail, {}},
};

struct FrameTest : ::testing::TestWithParam<Kind> {
    Rig rig;
    TestModule t{GetParam().f};
    std::string n = GetParam().shortName;
    char* text(u32 channel, u32 field) { return (char*)t.bytes() + 352 + GetParam().stride * channel + field; }
    void setChannels(u32 count)  // on the side the kind uses
    {
        t.m->inputCount = GetParam().output ? count : 0;
        t.m->outputCount = GetParam().output ? 0 : count;
    }
};

TEST_P(FrameTest, CreationWritesTheDefaultsAndNothingElse)
{
    const Kind& k = GetParam();
    rig.handleOf["K12345"] = 9;
    i32 h;
    ASSERT_EQ(TVXDeviceUriConnect(kDevice, &h), 1);  // the current device string
    rig.take();
    ASSERT_EQ(MOD_KindOf(k.f)->cls->paramSize, k.size);
    ASSERT_EQ(t.send(DMM_CREATE_MODULE), 1);

    std::vector<u8> expected(k.size, 0xAA);
    std::vector<bool> isText(k.size);
    auto word = [&](size_t at, u32 v) { memcpy(&expected[at], &v, 4); };
    auto text = [&](size_t at, size_t size, const std::string& s) {
        EXPECT_EQ(std::string((const char*)t.bytes() + at, strnlen((const char*)t.bytes() + at, size)), s) << at;
        std::fill(isText.begin() + at, isText.begin() + at + size, true);
    };
    const u32 header[] = {0x32545658, 4, 3, 1, 1, 32, 2, 1, 272, 2, 16, k.stride};
    for (u32 i = 0; i < 12; ++i) word(4 * i, header[i]);
    word(344, 42000);
    text(48, 32, k.signature);
    text(80, 260, k.takesDevice ? kDevice : "");
    for (u32 c = 0; c < 16; ++c) {
        u32 at = 352 + k.stride * c;
        text(at, 20, n + " " + std::to_string(c));
        text(at + 20, 64, k.unit);
        for (auto [offset, value] : k.channelWords) word(at + offset, value);
        for (auto [offset, value] : k.channelDoubles) memcpy(&expected[at + offset], &value, 8);
    }
    for (auto [offset, value] : k.tailWords) word(offset, value);
    for (u32 i = 0; i < k.size; ++i)
        if (!isText[i]) {
            ASSERT_EQ(t.bytes()[i], expected[i]) << "byte " << i;
        }

    EXPECT_EQ(k.f->description[0].offset, 48u);  // the description names the signature
    EXPECT_EQ(t.send(DQM_CHECK_CONNECTIONS), 1);
    EXPECT_EQ(+t.m->inputCount + t.m->outputCount, 1u);
    EXPECT_TRUE(rig.take().empty());  // creation registers no names
    // The other layout is refused, and so is a module without channels.
    setChannels(0);
    (k.output ? t.m->outputCount : t.m->inputCount) = 1;
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
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 8, Low32(code)), 1);  // only channel 3, one past the last
    *code = 12;
    EXPECT_EQ(t.send(DMM_MODULE_ACTION, 4, Low32(code)), 0);  // the last channel

    ActionDesc* d = (ActionDesc*)LowAlloc(sizeof(ActionDesc));
    memset(d, 0x55, sizeof *d);
    d->action = 12;
    EXPECT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 0);
    EXPECT_EQ(+d->flag1, 0x55555555u);  // untouched
    d->action = 14;
    ASSERT_EQ(t.send(DMM_DESCRIBE_MODULE_ACTION, 0, Low32(d)), 1);
    EXPECT_STREQ(d->key, byCode ? "SET_DUTYCYCLE" : "GEN_SET_AMPL");
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
    // a name without terminator is cut inside its field. The names of the old
    // channels are unregistered first, those of the new ones registered.
    memset(texts.names[1].name, 'n', 20);
    texts.unitsPresent = 0;
    t.m->host830 = 0x4444;
    setChannels(5);
    memset(t.bytes() + 344, 0, 4);
    rig.take();
    ASSERT_EQ(t.send(DMM_IMPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    EXPECT_EQ(rig.take(), (Log{"GlStr_Unregister(" + n + " 0)", "GlStr_Unregister(" + n + " 1)",
                               "GlStr_Unregister(" + n + " 2)", "GlStr_Unregister(" + n + " 3)",
                               "GlStr_Unregister(Pressure)", "GlStr_Register(" + n + " 0)"}));
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

INSTANTIATE_TEST_SUITE_P(Kinds, FrameTest, ::testing::ValuesIn(kKinds),
                         [](const auto& info) { return std::string(info.param.shortName); });

// The input kinds' fifo set-up: a fifo of kind 12, a channel past the last
// and a module without a device are refused.
TEST(KindTest, FifoSetup)
{
    Rig rig;
    rig.timeBase = 5;
    struct { const ModFrame* f; size_t recordOffset; } cases[] = {
        {&g_frameAnalogIn, 8}, {&g_frameCounterIn, 8}, {&g_frameDigitalIn, 16}};
    for (const auto& c : cases) {
        TestModule t(c.f);
        memcpy(t.bytes() + c.f->timeBaseOffset, "\x05\0\0\0", 4);
        Fifo& fifo = *t.m->outputFifo[15];
        MOD_Runtime(t.m)->handle = 4;
        fifo.kind = 12;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 15), 0);
        fifo.kind = 21;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 16), 0);
        ASSERT_EQ(MOD_SetupFifo(t.m, c.f, 15), 1);
        struct { u32 blockSize; float distance; } record;
        memcpy(&record, (u8*)t.m->channel[15] + c.recordOffset, sizeof record);
        EXPECT_EQ(std::vector<double>({(double)fifo.blockSize, fifo.sampleDistance, (double)record.blockSize,
                                       record.distance}),
                  std::vector<double>({8, 0.001, 8, (double)0.001f}));
        MOD_Runtime(t.m)->handle = -1;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 15), 0);
    }
}

TEST(KindTest, CounterOutputVariables)
{
    Rig rig;
    TestModule t(&g_frameCounterOut);
    t.send(DMM_CREATE_MODULE);
    t.m->inputCount = 2;
    CounterOutChannel* c = MOD_Params<CounterOutParams>(t.m)->channel;
    c[0].frequencyVar = 3;
    c[1].dutyCycleVar = 4;
    c[1].frequencyVar = -2;  // none
    rig.vars = {{3, -7.5}, {4, 130.0}};
    strcpy(MOD_Header(t.m)->device, "\\?\\usb#0#K1###");
    rig.handleOf["K1"] = 5;

    ASSERT_EQ(t.send(DMM_LOAD_MODULE), 1);
    EXPECT_EQ(c[0].frequency + 0, 0.0);    // negative values become 0
    EXPECT_EQ(c[1].dutyCycle + 0, 130.0);  // no upper limit here
    EXPECT_EQ(c[1].frequency + 0, 10.0);
    rig.vars[3] = 25.0;
    EXPECT_EQ(t.send(148, 1, 2), 77);
    EXPECT_EQ(c[0].frequency + 0, 25.0);
    // Texts imported over the registered variables: the defaults that replace
    // them name no variable, so nothing of theirs is left for delete to undo.
    Module* other = (Module*)LowAlloc(sizeof(Module));
    ChannelTexts texts = {};
    other->params = &texts;
    ASSERT_EQ(t.send(DMM_IMPORT_CHANNEL_TEXTS, 0, Low32(other)), 1);
    ASSERT_EQ(t.send(DMM_DELETE_MODULE), 1);
    EXPECT_EQ(rig.take(), (Log{"GetCardIDBySerial(K1)", "GlStr_Register(CounterOut 0)", "GlVar_Register(3)",
                               "GlStr_Register(CounterOut 1)", "GlVar_Register(4)", "Default(148,1,2)",
                               "GlStr_Unregister(CounterOut 0)", "GlVar_Unregister(3)",
                               "GlStr_Unregister(CounterOut 1)", "GlVar_Unregister(4)",
                               "GlStr_Register(CounterOut 0)", "GlStr_Unregister(CounterOut 0)"}));

    // Its fifo set-up checks neither device nor fifo kind, only the channel.
    MOD_Runtime(t.m)->handle = -1;
    t.m->outputFifo[0]->kind = 99;
    EXPECT_EQ(t.send(DCM_SETUP_FIFO, 0), 1);
    EXPECT_EQ(+t.m->outputFifo[0]->blockSize, 8u);
    EXPECT_EQ(t.send(DCM_SETUP_FIFO, 16), 0);
}

// A module has a device only between a successful prepare and its stop: a
// compute or go call before any prepare touches no device, whatever the host
// left in the runtime area.
TEST(KindTest, ComputeAndGoBeforeAnyPrepareTouchNoDevice)
{
    for (const ModKind& kind : g_modKinds) {
        Rig rig;
        const ModFrame* f = kind.frame;
        TestModule t(f);
        memset(t.m->runtime, 0, kind.cls->runtimeSize);  // handle 0: a valid number
        ASSERT_EQ(t.send(DMM_CREATE_MODULE), 1);
        t.m->active = 1;
        (f->outputKind ? t.m->inputCount : t.m->outputCount) = 2;
        rig.feed(0, {1, 2});
        rig.time = 1;
        EXPECT_EQ(kind.cls->compute(t.m), 0) << f->tag;
        EXPECT_EQ(t.send(DMM_GO_MODULE), 0) << f->tag;
        EXPECT_EQ(rig.log, std::vector<std::string>{}) << f->tag;
    }
}

}  // namespace
