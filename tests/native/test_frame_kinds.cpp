// Module frame: what single kinds do differently (their own fields, the
// description tables, fifo set-up, the counter output's variables).
#include "test_fakes.h"

namespace {

using Log = std::vector<std::string>;

TEST(KindTest, KindFieldsAtCreationAndDescriptions)
{
    Rig rig;
    TestModule ai(&g_frameAnalogIn), ci(&g_frameCounterIn), co(&g_frameCounterOut), di(&g_frameDigitalIn);
    for (TestModule* t : {&ai, &ci, &co, &di}) ASSERT_EQ(t->send(DMM_CREATE_MODULE), 1);
    // Words from the channel's offset 84 on, channel 15; 0xAAAAAAAA is not written.
    struct { TestModule* t; size_t at; std::vector<u32> words; } fields[] = {
        {&ai, 352 + 15 * 108 + 84, {0, 1, 0, 0, 1, 0xAAAAAAAA}},  // range, switch, mode, -, real-time
        {&ai, 2084, {0, 1}},                                       // software clock off, block size 1
        {&ci, 352 + 15 * 96 + 84, {1, 0xAAAAAAAA, 0}},              // real-time, -, mode
        {&co, 352 + 15 * 128 + 84, {1, 0xAAAAAAAA, 0xAAAAAAAA, 1}},  // real-time, -, -, PWM mode
        {&co, 2404, {0xAAAAAAAA}},
        {&di, 1824, {2, 0, 4, 4, 16, 16}},  // time base, port "PA", port information until a start
        {&di, 352 + 7 * 92 + 84, {1}},
    };
    for (const auto& f : fields)
        for (size_t i = 0; i < f.words.size(); ++i) EXPECT_EQ(f.t->word(f.at + 4 * i), f.words[i]) << f.at << " " << i;
    const CounterOutChannel& o = MOD_Params<CounterOutParams>(co.m)->channel[15];
    EXPECT_EQ(o.frequency + 0, 10.0);
    EXPECT_EQ(o.dutyCycle + 0, 50.0);
    EXPECT_EQ(o.frequencyVar | o.dutyCycleVar, 0);

    const ParamDesc* d = g_frameAnalogIn.description;
    EXPECT_STREQ(d[0].name, "Description_Signature[0..31]");
    EXPECT_STREQ(d[0].type, "string[32]");
    EXPECT_STREQ(d[1].name, "Time_Base_ID");
    EXPECT_STREQ(d[1].type, "UINT");
    EXPECT_EQ(std::vector<uintptr_t>({d[0].offset, d[0].zero, d[1].offset, d[1].zero, d[2].offset, d[2].zero}),
              std::vector<uintptr_t>({48, 0, 2080, 0, 0, 0}));
    EXPECT_EQ(d[2].name, nullptr);
    EXPECT_STREQ(g_frameCounterIn.description[0].name, "Signature[0..31]");
    EXPECT_EQ(g_frameCounterIn.description[1].name, nullptr);
}

TEST(KindTest, FifoSetup)
{
    Rig rig;
    rig.timeBase = 5;
    struct { const ModFrame* f; size_t recordOffset; } cases[] = {
        {&g_frameAnalogIn, 8}, {&g_frameCounterIn, 8}, {&g_frameDigitalIn, 16}};
    for (const auto& c : cases) {
        TestModule t(c.f);
        memcpy(t.bytes() + c.f->timeBaseOffset, "\x05\0\0\0", 4);
        Fifo& fifo = *t.m->outputFifo[3];
        MOD_Runtime(t.m)->handle = 4;
        for (u16 kind : {12, 21}) {
            fifo.kind = kind;
            EXPECT_EQ(MOD_SetupFifo(t.m, c.f, kind == 12 ? 3 : 16), 0) << kind;  // 12 refused; no channel 16
        }
        ASSERT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1);
        EXPECT_EQ(+fifo.blockSize, 8u);
        EXPECT_EQ(+fifo.sampleDistance, 0.001);
        EXPECT_EQ(+MOD_Runtime(t.m)->sampleDistance, 0.001);
        struct { u32 blockSize; float distance; } record;
        memcpy(&record, (u8*)t.m->channel[3] + c.recordOffset, sizeof record);
        EXPECT_EQ(record.blockSize, 8u);
        EXPECT_EQ(record.distance, 0.001f);

        fifo.kind = 0;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1);
        MOD_Runtime(t.m)->handle = -1;  // no device at prepare
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 0);
    }
    // Kinds without outputs leave it to the host.
    for (const ModFrame* f : {&g_frameAnalogOut, &g_frameDigitalOut}) {
        TestModule t(f);
        EXPECT_EQ(t.send(DCM_SETUP_FIFO, 2, 3), 77);
        EXPECT_EQ(rig.take(), (Log{"Default(201,2,3)"}));
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
    ASSERT_EQ(t.send(DMM_DELETE_MODULE), 1);
    EXPECT_EQ(rig.take(), (Log{"GetCardIDBySerial(K1)", "GlStr_Register(CounterOut 0)", "GlVar_Register(3)",
                               "GlStr_Register(CounterOut 1)", "GlVar_Register(4)", "Default(148,1,2)",
                               "GlStr_Unregister(CounterOut 0)", "GlVar_Unregister(3)",
                               "GlStr_Unregister(CounterOut 1)", "GlVar_Unregister(4)"}));

    // Its fifo set-up checks neither device nor fifo kind.
    MOD_Runtime(t.m)->handle = -1;
    t.m->outputFifo[0]->kind = 99;
    EXPECT_EQ(t.send(DCM_SETUP_FIFO, 0), 1);
    EXPECT_EQ(+t.m->outputFifo[0]->blockSize, 8u);
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
