// Module frame: what each kind does differently (its own defaults, the
// description table, fifo set-up, the counter output's global variables).
#include <gtest/gtest.h>

#include <string.h>

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

    const AnalogChannel& a = MOD_Params<AnalogInParams>(ai.m)->channel[15];
    EXPECT_EQ(a.range, 0u);
    EXPECT_EQ(a.inputSwitch, 1u);
    EXPECT_EQ(a.inputMode, 0u);
    EXPECT_EQ(a.reserved96, 0u);
    EXPECT_EQ(a.realTime, 1u);
    EXPECT_EQ(a.reserved104, 0xAAAAAAAAu);
    EXPECT_EQ(ai.word(2084), 0u);  // software clock off
    EXPECT_EQ(ai.word(2088), 1u);  // software clock block size

    const CounterInChannel& c = MOD_Params<CounterInParams>(ci.m)->channel[15];
    EXPECT_EQ(c.realTime, 1u);
    EXPECT_EQ(c.mode, 0u);
    EXPECT_EQ(c.reserved88, 0xAAAAAAAAu);

    const CounterOutChannel& o = MOD_Params<CounterOutParams>(co.m)->channel[15];
    EXPECT_EQ(o.realTime, 1u);
    EXPECT_EQ(o.pwmMode, 1u);
    EXPECT_EQ(o.frequency, 10.0);
    EXPECT_EQ(o.dutyCycle, 50.0);
    EXPECT_EQ(o.frequencyVar, 0);
    EXPECT_EQ(o.dutyCycleVar, 0);
    EXPECT_EQ(co.word(2404), 0xAAAAAAAAu);

    const u32 digitalTail[] = {2, 0, 4, 4, 16, 16};
    for (u32 i = 0; i < 6; ++i) EXPECT_EQ(di.word(1824 + 4 * i), digitalTail[i]) << i;
    EXPECT_EQ(MOD_Params<DigitalParams>(di.m)->channel[7].realTime, 1u);
}

TEST_F(KindTest, CurrentDeviceIsCopiedOnlyWhenItFits)
{
    std::string longDevice = "\\?\\usb#0#" + std::string(260, 'S');
    rig.handleOf[std::string(260, 'S')] = 3;
    i32 h;
    ASSERT_EQ(TVXDeviceUriConnect(longDevice.c_str(), &h), 1);
    TestModule t(&g_frameAnalogOut);
    t.send(DMM_CREATE_MODULE);
    EXPECT_STREQ(MOD_Header(t.m)->device, "");
}

TEST_F(KindTest, DescriptionTables)
{
    TestModule ai(&g_frameAnalogIn), dout(&g_frameDigitalOut);
    const ParamDesc* d = g_frameAnalogIn.description;
    EXPECT_EQ((u32)ai.send(DMM_GET_PARAM_DESCRIPTION), Low32(d));
    EXPECT_STREQ(d[0].name, "Description_Signature[0..31]");
    EXPECT_STREQ(d[0].type, "string[32]");
    EXPECT_EQ(d[0].offset, 48u);
    EXPECT_STREQ(d[1].name, "Time_Base_ID");
    EXPECT_STREQ(d[1].type, "UINT");
    EXPECT_EQ(d[1].offset, 2080u);
    EXPECT_EQ(d[2].name, nullptr);
    EXPECT_EQ(d[2].type, nullptr);
    EXPECT_EQ(d[2].offset | d[0].zero | d[1].zero | d[2].zero, 0u);

    for (const ModFrame* f : {&g_frameAnalogOut, &g_frameCounterIn, &g_frameCounterOut, &g_frameDigitalIn,
                              &g_frameDigitalOut}) {
        const ParamDesc* e = f->description;
        EXPECT_STREQ(e[0].name, "Signature[0..31]");
        EXPECT_STREQ(e[0].type, "string[32]");
        EXPECT_EQ(e[0].offset, 48u);
        EXPECT_EQ(e[1].name, nullptr);
    }
    EXPECT_EQ((u32)dout.send(DMM_GET_PARAM_DESCRIPTION), Low32(g_frameDigitalOut.description));
}

// Fifo set-up of the kinds with outputs: the record offsets differ per kind.
TEST_F(KindTest, FifoSetupFillsDescriptorRuntimeAndRecord)
{
    struct { const ModFrame* f; size_t recordOffset; } cases[] = {
        {&g_frameAnalogIn, 8}, {&g_frameCounterIn, 8}, {&g_frameDigitalIn, 16}};
    for (const auto& c : cases) {
        TestModule t(c.f);
        t.send(DMM_CREATE_MODULE);
        memcpy(t.bytes() + c.f->timeBaseOffset, "\x05\0\0\0", 4);
        Fifo fifo{};
        t.m->outputFifo[3] = &fifo;
        MOD_Runtime(t.m)->handle = 4;

        fifo.kind = 12;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 0);
        EXPECT_TRUE(rig.take().empty());
        fifo.kind = 21;
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 16), 0);
        ASSERT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1);
        EXPECT_EQ(rig.take(), (Log{"GetTimeBaseBlockSize(5)", "GetTimeBaseSampleDistance(5)"}));
        EXPECT_EQ(fifo.blockSize, 256u);
        EXPECT_EQ(fifo.sampleDistance, 0.5);
        EXPECT_EQ(MOD_Runtime(t.m)->blockSize, 256u);
        EXPECT_EQ(MOD_Runtime(t.m)->sampleDistance, 0.5);
        u32 blockSize;
        float distance;
        memcpy(&blockSize, (u8*)t.m->channel[3] + c.recordOffset, 4);
        memcpy(&distance, (u8*)t.m->channel[3] + c.recordOffset + 4, 4);
        EXPECT_EQ(blockSize, 256u);
        EXPECT_EQ(distance, 0.5f);

        for (u16 kind : {0, 10, 11, 20}) {
            fifo.kind = kind;
            EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 1) << kind;
        }
        MOD_Runtime(t.m)->handle = -1;  // no device at prepare
        EXPECT_EQ(MOD_SetupFifo(t.m, c.f, 3), 0);
        if (c.f->prepare) {  // a kind with its run answers the message itself
            MOD_Runtime(t.m)->handle = 4;
            EXPECT_EQ(t.send(DCM_SETUP_FIFO, 3), 1);
        }
        rig.take();
    }
}

TEST_F(KindTest, RunMessagesOfKindsWithoutARunGoToTheHost)
{
    for (const ModFrame* f : {&g_frameAnalogOut, &g_frameCounterIn, &g_frameDigitalIn, &g_frameDigitalOut}) {
        TestModule t(f);
        t.send(DMM_CREATE_MODULE);
        MOD_Runtime(t.m)->handle = 1;
        for (u32 msg : {155u, 106u, 128u, 107u, 201u}) EXPECT_EQ(t.send(msg, 0, 0), 77);
        EXPECT_EQ(rig.take().size(), 5u);
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
    EXPECT_EQ(rig.take(), (Log{"GetCardIDBySerial(K1)", "GlStr_Register(CounterOut 0)", "GlVar_Register(3)",
                               "GlStr_Register(CounterOut 1)", "GlVar_Register(4)"}));
    EXPECT_EQ(c[0].frequency, 0.0);  // negative values become 0
    EXPECT_EQ(c[1].dutyCycle, 130.0);  // no upper limit here
    EXPECT_EQ(c[1].frequency, 10.0);

    rig.vars[3] = 25.0;
    EXPECT_EQ(t.send(148, 1, 2), 77);
    EXPECT_EQ(c[0].frequency, 25.0);
    rig.vars[4] = 60.0;
    EXPECT_EQ(t.send(149, 1, 2), 77);
    EXPECT_EQ(c[1].dutyCycle, 60.0);
    EXPECT_EQ(rig.take(), (Log{"Default(148,1,2)", "Default(149,1,2)"}));

    ASSERT_EQ(t.send(DMM_DELETE_MODULE), 1);
    EXPECT_EQ(rig.take(), (Log{"GlStr_Unregister(CounterOut 0)", "GlVar_Unregister(3)",
                               "GlStr_Unregister(CounterOut 1)", "GlVar_Unregister(4)"}));

    // Its fifo set-up checks neither device nor fifo kind.
    MOD_Runtime(t.m)->handle = -1;
    Fifo fifo{};
    fifo.kind = 99;
    t.m->outputFifo[0] = &fifo;
    EXPECT_EQ(t.send(DCM_SETUP_FIFO, 0), 1);
    EXPECT_EQ(fifo.blockSize, 256u);
    EXPECT_EQ(MOD_Runtime(t.m)->sampleDistance, 0.5);
}

TEST_F(KindTest, FifoSetupOfOutputKindsIsTheHosts)
{
    for (const ModFrame* f : {&g_frameAnalogOut, &g_frameDigitalOut}) {
        TestModule t(f);
        EXPECT_EQ(t.send(DCM_SETUP_FIFO, 2, 3), 77);
        EXPECT_EQ(rig.take(), Log{"Default(201,2,3)"});
    }
}

}  // namespace
