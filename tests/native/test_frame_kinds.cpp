// Module frame: what single kinds do differently (their own fields, the
// analog input's description, fifo set-up, the counter output's variables).
#include <gtest/gtest.h>

#include "test_frame_fakes.h"

namespace {

using Log = std::vector<std::string>;

struct KindTest : ::testing::Test {
    Rig rig;
};

TEST_F(KindTest, KindFieldsAtCreation)
{
    TestModule ai(&g_frameAnalogIn), ci(&g_frameCounterIn), co(&g_frameCounterOut), di(&g_frameDigitalIn);
    for (TestModule* t : {&ai, &ci, &co, &di}) ASSERT_EQ(t->send(DMM_CREATE_MODULE), 1);

    // Analog channel 15: range, input switch, input mode, word 96, real-time, word 104.
    const u32 analog[] = {0, 1, 0, 0, 1, 0xAAAAAAAA};
    for (u32 i = 0; i < 6; ++i) EXPECT_EQ(ai.word(352 + 15 * 108 + 84 + 4 * i), analog[i]) << i;
    EXPECT_EQ(ai.word(2084), 0u);  // software clock off
    EXPECT_EQ(ai.word(2088), 1u);  // software clock block size

    // Counter input channel 15: real-time, word 88, mode.
    const u32 counter[] = {1, 0xAAAAAAAA, 0};
    for (u32 i = 0; i < 3; ++i) EXPECT_EQ(ci.word(352 + 15 * 96 + 84 + 4 * i), counter[i]) << i;

    const CounterOutChannel& o = MOD_Params<CounterOutParams>(co.m)->channel[15];
    EXPECT_EQ(o.realTime + o.pwmMode, 2u);
    EXPECT_EQ(o.frequency + 0, 10.0);
    EXPECT_EQ(o.dutyCycle + 0, 50.0);
    EXPECT_EQ(o.frequencyVar | o.dutyCycleVar, 0);
    EXPECT_EQ(co.word(2404), 0xAAAAAAAAu);

    // Digital: time base, port "PA", port information until a start reads it.
    const u32 digital[] = {2, 0, 4, 4, 16, 16};
    for (u32 i = 0; i < 6; ++i) EXPECT_EQ(di.word(1824 + 4 * i), digital[i]) << i;
    EXPECT_EQ(di.word(352 + 7 * 92 + 84), 1u);

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

TEST_F(KindTest, FifoSetup)
{
    struct { const ModFrame* f; size_t recordOffset; } cases[] = {
        {&g_frameAnalogIn, 8}, {&g_frameCounterIn, 8}, {&g_frameDigitalIn, 16}};
    for (const auto& c : cases) {
        TestModule t(c.f);
        memcpy(t.bytes() + c.f->timeBaseOffset, "\x05\0\0\0", 4);
        Fifo fifo{};
        t.m->outputFifo[3] = &fifo;
        MOD_Runtime(t.m)->handle = 4;
        fifo.kind = 12;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 0);
        fifo.kind = 21;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 16), 0);
        ASSERT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1);
        EXPECT_EQ(rig.take(), (Log{"GetTimeBaseBlockSize(5)", "GetTimeBaseSampleDistance(5)"}));
        EXPECT_EQ(+fifo.blockSize, 256u);
        EXPECT_EQ(+fifo.sampleDistance, 0.5);
        EXPECT_EQ(+MOD_Runtime(t.m)->sampleDistance, 0.5);
        struct { u32 blockSize; float distance; } record;
        memcpy(&record, (u8*)t.m->channel[3] + c.recordOffset, sizeof record);
        EXPECT_EQ(record.blockSize, 256u);
        EXPECT_EQ(record.distance, 0.5f);

        fifo.kind = 0;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1);
        MOD_Runtime(t.m)->handle = -1;  // no device at prepare
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 0);
        rig.take();
    }
    // Kinds without outputs leave it to the host; so, for now, do the kinds
    // whose run is still to come, since their devices are never prepared.
    for (const ModFrame* f : {&g_frameAnalogOut, &g_frameDigitalOut, &g_frameCounterIn, &g_frameDigitalIn}) {
        TestModule t(f);
        EXPECT_EQ(t.send(DCM_SETUP_FIFO, 2, 3), 77);
        EXPECT_EQ(t.send(DMM_PREPARE_START_MODULE, 4, 5), 77);
        EXPECT_EQ(rig.take(), (Log{"Default(201,2,3)", "Default(155,4,5)"}));
    }
}

TEST_F(KindTest, CounterOutputVariables)
{
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
    Fifo fifo{};
    fifo.kind = 99;
    t.m->outputFifo[0] = &fifo;
    EXPECT_EQ(t.send(DCM_SETUP_FIFO, 0), 1);
    EXPECT_EQ(+fifo.blockSize, 256u);
}

}  // namespace
