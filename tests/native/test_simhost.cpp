// The simulated host with a small module class of the test's own: binding
// answers, module records, blocks and time bases, the run loop, worksheets.
#include "simhost.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

namespace {

// Behaviour of the test class, set per test.
struct FakeState {
    u32 refuseMsg;           // this message is refused by refuser
    Module* refuser;
    int stopAtCycle;         // compute calls StopExperiment at this cycle (-1 never)
    u32 paused, running;     // plug-in variables announced to the host
    std::vector<u16> fifoKinds;
    std::vector<double> times;  // GetTimeBaseTime(2) seen by the first module
    std::vector<u32> runningSeen;
    int cycle;
};
FakeState fake;

const HostServices* Host() { return SH_Answers(); }

struct FakeChannel {
    u64 released;
};

i32 KW_CDECL FakeHandler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    if (msg == fake.refuseMsg && m == fake.refuser) return 0;
    switch (msg) {
    case DMM_CREATE_MODULE:
        Host()->ChangeModuleSize(m, 0, 2);
        for (u32 i = 0; i < 64; ++i) ((u8*)m->params)[i] = (u8)(i * 7 + 1);
        return 1;
    case DCM_SETUP_FIFO: {
        Fifo* f = m->outputFifo[wParam];
        fake.fifoKinds.push_back(f->kind);
        if (f->kind != 21) return 0;
        f->blockSize = Host()->GetTimeBaseBlockSize(2);
        f->sampleDistance = Host()->GetTimeBaseSampleDistance(2);
        return 1;
    }
    default:
        return Host()->PerformDefaultAction(m, msg, wParam, lParam);
    }
}

// Each cycle: one full block per output, values counting samples; holds
// its blocks while paused.
i32 KW_CDECL FakeCompute(Module* m)
{
    if (m == g_sim.modules[0]->record) {
        fake.times.push_back(Host()->GetTimeBaseTime(2));
        fake.runningSeen.push_back(fake.running);
        if (fake.cycle++ == fake.stopAtCycle) Host()->StopExperiment();
    }
    if (fake.paused) return 0;
    for (u32 i = 0; i < m->outputCount; ++i) {
        Fifo* f = m->outputFifo[i];
        FakeChannel* ch = (FakeChannel*)m->channel[i];
        Block* b = Host()->GetCurrentOutputBlock(f);
        if (!b) continue;
        EXPECT_EQ(b, Host()->GetCurrentOutputBlock(f));  // the same block until released
        b->startTime = (double)ch->released * f->sampleDistance;
        b->sampleDistance = f->sampleDistance;
        b->count = (u16)f->blockSize;
        for (u32 k = 0; k < f->blockSize; ++k) b->values[k] = (float)(ch->released + k);
        ch->released += f->blockSize;
        Host()->NewReleaseOutputBlock(f, "fake", __LINE__);
    }
    return 1;
}

class SimHostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SH_Reset();
        fake = FakeState{};
        fake.stopAtCycle = -1;
        ClassRecord r = {};
        r.className = "TST:Fake";
        r.paramSize = 64;
        r.runtimeSize = 8;
        r.channelSize = sizeof(FakeChannel);
        r.shortName = (char*)"Fake";
        r.longName = (char*)"Fake module";
        r.handler = FakeHandler;
        r.compute = FakeCompute;
        Host()->RegisterModuleClass(&r);
        Host()->DefineDllVariable("bExperimentIsRunning", &fake.running, 4);
        Host()->DefineDllVariable("bExperimentIsPaused", &fake.paused, 4);
    }
    void TearDown() override
    {
        EXPECT_TRUE(g_sim.faults.empty()) << g_sim.faults[0];
        SH_Reset();
    }

    std::vector<u32> Messages(SimModule* only = nullptr)
    {
        std::vector<u32> codes;
        for (const SimMessage& m : g_sim.messages)
            if (!only || m.module == only) codes.push_back(m.msg);
        return codes;
    }
};

uintptr_t Var(const char* name) { return SH_Request(nullptr, TARN_MSG_GET_VARIABLE, name); }
uintptr_t Fn(const char* name) { return SH_Request(nullptr, TARN_MSG_GET_FUNCTION, name); }

TEST_F(SimHostTest, AnswersEveryNameAndRecordsRequests)
{
#define CHECK_VAR(field, name, checked)       \
    {                                         \
        uintptr_t value = Var(name);          \
        if (checked) {                        \
            EXPECT_NE(value, 0u) << name;     \
        }                                     \
    }
    TARN_HOST_VARIABLES(CHECK_VAR)
#undef CHECK_VAR
#define CHECK_FN(name, type) EXPECT_NE(Fn(#name), 0u) << #name;
    TARN_HOST_FUNCTIONS(CHECK_FN)
#undef CHECK_FN
    ASSERT_EQ(g_sim.requests.size(), 164u);
    EXPECT_EQ(g_sim.requests[9].name, "&CurrentModulePtr");
    EXPECT_EQ(g_sim.requests[59].message, (u32)TARN_MSG_GET_FUNCTION);
    EXPECT_EQ(g_sim.requests[163].name, "TarnovaInsertMenu");

    // Names are looked up only under their own message.
    EXPECT_EQ(Var("NewMemAlloc"), 0u);
    EXPECT_EQ(Fn("hInstTarn"), 0u);
    EXPECT_EQ(Fn("newmemalloc"), 0u);

    // Values, arrays and addresses.
    EXPECT_STREQ((const char*)Var("DezTrenn"), ".");
    EXPECT_EQ(Var("bTime24h"), 1u);
    EXPECT_EQ(Var("bTimeLeadingZero"), 0u);
    Module record = {};
    g_sim.currentModule = &record;
    EXPECT_EQ(*(Module**)Var("&CurrentModulePtr"), &record);
    HBITMAP* channel = (HBITMAP*)Var("hBitChannel");
    HBITMAP* lessMore = (HBITMAP*)Var("hBitLessMore");
    for (int i = 0; i < 4; ++i) EXPECT_NE(channel[i], nullptr);
    for (int i = 0; i < 6; ++i) EXPECT_NE(lessMore[i], nullptr);
}

TEST_F(SimHostTest, UnusedServicesTrapAndServicesAreDistinct)
{
    ((void(KW_CDECL*)(void))Fn("do_fft"))();
    ((void(KW_CDECL*)(int, int))Fn("PauseExperiment"))(1, 2);
    EXPECT_EQ(g_sim.traps, (std::vector<std::string>{"do_fft", "PauseExperiment"}));
    EXPECT_NE(Fn("GetTimeBaseTime"), Fn("GetTimeBaseSampleDistance"));
    EXPECT_EQ(Fn("NewMemAlloc"), (uintptr_t)Host()->NewMemAlloc);
}

TEST_F(SimHostTest, KnobsTakeNamesAwayAndRefuse)
{
    g_sim.knobs.missing = {"TimeTrenn", "TarnovaInsertMenu"};
    g_sim.knobs.bTime24h = 0;
    g_sim.knobs.bDecLeadingZero = 0;
    kw_strlcpy(g_sim.knobs.dezTrenn, ",", sizeof g_sim.knobs.dezTrenn);
    EXPECT_EQ(Var("TimeTrenn"), 0u);
    EXPECT_EQ(Fn("TarnovaInsertMenu"), 0u);
    EXPECT_EQ(Var("bTime24h"), 0u);
    EXPECT_EQ(Var("bDecLeadingZero"), 0u);
    EXPECT_STREQ((const char*)Var("DezTrenn"), ",");
    EXPECT_NE(Var("DateTrenn"), 0u);

    // Two variables were announced in SetUp: the fifth call is refused.
    g_sim.knobs.refuseDefineVariable = 5;
    u32 v = 0;
    EXPECT_EQ(Host()->DefineDllVariable("bAnimation", &v, 4), 1);
    EXPECT_EQ(Host()->DefineDllVariable("x", &v, 4), 1);
    EXPECT_EQ(Host()->DefineDllVariable("y", &v, 4), 0);
    EXPECT_EQ(Host()->DefineDllVariable("z", &v, 4), 1);

    EXPECT_EQ(Host()->TarnovaInsertMenu("a"), 1);
    g_sim.knobs.refuseInsertMenu = true;
    EXPECT_EQ(Host()->TarnovaInsertMenu("b"), 0);
    EXPECT_EQ(g_sim.menuTexts, (std::vector<std::string>{"a", "b"}));
}

TEST_F(SimHostTest, CreatesModulesWithTheClassSizes)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(SH_CreateModule("TST:None"), nullptr);
    g_sim.faults.clear();
    EXPECT_STREQ(a->record->name, "Fake1");
    EXPECT_STREQ(b->record->name, "Fake2");
    EXPECT_EQ((u32)a->record->active, 1u);
    EXPECT_EQ((u32)a->record->outputCount, 2u);  // set by the module on create
    for (int i = 0; i < KW_MAX_CHANNELS; ++i) {
        EXPECT_EQ((Fifo*)a->record->outputFifo[i], &a->out[i].fifo);
        ASSERT_NE((void*)a->record->channel[i], nullptr);
        EXPECT_EQ(((FakeChannel*)a->record->channel[i])->released, 0u);
    }
    EXPECT_EQ(((u8*)a->record->params)[63], (u8)(63 * 7 + 1));
    EXPECT_EQ(Messages(a), (std::vector<u32>{DMM_CREATE_MODULE}));
    SH_DeleteModule(a);
    EXPECT_EQ(g_sim.modules.size(), 1u);
    EXPECT_EQ(g_sim.messages[2].msg, (u32)DMM_DELETE_MODULE);
}

TEST_F(SimHostTest, RunSendsThePhasesThenComputesAndStops)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    g_sim.messages.clear();
    SH_SetTimeBase(2, 0.001, 10);
    SimRunOptions o = SH_DefaultRunOptions(0.05);  // 5 cycles of 10 ms
    ASSERT_EQ(SH_Run(&o), 1);

    const u32 P = DMM_PUBLISH_CHANNEL_NAMES, F = DCM_SETUP_FIFO;
    EXPECT_EQ(Messages(), (std::vector<u32>{P, P, DMM_PREPARE_START_MODULE, DMM_PREPARE_START_MODULE, F, F, F, F,
                                            DMM_START_MODULE, DMM_START_MODULE, DMM_GO_MODULE, DMM_GO_MODULE,
                                            DMM_STOP_MODULE, DMM_STOP_MODULE}));
    EXPECT_EQ(g_sim.messages[5].wParam, 1u);  // second output of the first module
    EXPECT_EQ(fake.fifoKinds, (std::vector<u16>{21, 21, 21, 21}));
    EXPECT_EQ(a->computeCalls, 5u);
    EXPECT_EQ(b->computeTrue, 5u);
    ASSERT_EQ(fake.times.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_NEAR(fake.times[i], 0.01 * (double)(i + 1), 1e-12);
    EXPECT_EQ(fake.runningSeen, (std::vector<u32>{1, 1, 1, 1, 1}));
    EXPECT_EQ(fake.running, 0u);

    // Every block arrived whole and in order.
    const SimStream& s = b->out[1].stream;
    ASSERT_EQ(s.blocks.size(), 5u);
    EXPECT_EQ(s.sampleCount, 50u);
    EXPECT_EQ(s.gaps, 0u);
    EXPECT_DOUBLE_EQ(s.blocks[3].startTime, 0.03);
    EXPECT_EQ(s.blocks[3].count, 10u);
    for (size_t i = 0; i < s.values.size(); ++i) ASSERT_EQ(s.values[i], (float)i);

    // A second run starts the streams afresh.
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(b->out[1].stream.blockCount, 5u);
    EXPECT_EQ(b->out[1].stream.gaps, 0u);
}

TEST_F(SimHostTest, RefusedStartStopsEveryPreparedModule)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    SimModule* c = SH_CreateModule("TST:Fake");
    fake.refuseMsg = DMM_PREPARE_START_MODULE;
    fake.refuser = b->record;
    g_sim.messages.clear();
    SimRunOptions o = SH_DefaultRunOptions(0.1);
    EXPECT_EQ(SH_Run(&o), 0);
    EXPECT_EQ(Messages(a), (std::vector<u32>{DMM_PUBLISH_CHANNEL_NAMES, DMM_PREPARE_START_MODULE, DMM_STOP_MODULE}));
    EXPECT_EQ(Messages(b), (std::vector<u32>{DMM_PUBLISH_CHANNEL_NAMES, DMM_PREPARE_START_MODULE, DMM_STOP_MODULE}));
    EXPECT_EQ(Messages(c), (std::vector<u32>{DMM_PUBLISH_CHANNEL_NAMES}));
    EXPECT_EQ(a->computeCalls, 0u);
    EXPECT_FALSE(g_sim.running);

    // A fifo kind the module does not take refuses at set-up: all get stop.
    fake.refuser = nullptr;
    g_sim.messages.clear();
    o.fifoKind = 12;
    EXPECT_EQ(SH_Run(&o), 0);
    EXPECT_EQ(Messages(c).back(), (u32)DMM_STOP_MODULE);
    EXPECT_EQ(Messages(a), (std::vector<u32>{DMM_PUBLISH_CHANNEL_NAMES, DMM_PREPARE_START_MODULE, DCM_SETUP_FIFO,
                                             DMM_STOP_MODULE}));
}

TEST_F(SimHostTest, StopExperimentEndsTheRunAfterTheCurrentCycle)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    fake.stopAtCycle = 2;
    SimRunOptions o = SH_DefaultRunOptions(1.0);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.stopExperimentCalls, 1u);
    EXPECT_EQ(a->computeCalls, 3u);
    EXPECT_EQ(b->computeCalls, 3u);  // the cycle that asked still ran to its end
    EXPECT_EQ(Messages(b).back(), (u32)DMM_STOP_MODULE);

    // The next run starts without the old request.
    fake.stopAtCycle = -1;
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(a->computeCalls, 100u);
}

TEST_F(SimHostTest, PauseIsSeenThroughThePluginVariable)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimRunOptions o = SH_DefaultRunOptions(0.08);
    o.onCycle = [](void*, u64 cycle) {
        if (cycle == 2) SH_Pause(true);
        if (cycle == 5) SH_Pause(false);
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    // Cycles 2, 3 and 4 release nothing; the module's own count goes on
    // from where it was, so no gap.
    EXPECT_EQ(a->out[0].stream.blockCount, 5u);
    EXPECT_EQ(a->out[0].stream.gaps, 0u);
    EXPECT_EQ(a->computeTrue, 5u);
    EXPECT_EQ(fake.paused, 0u);
}

TEST_F(SimHostTest, RealTimeClockFollowsTheSystemClock)
{
    SH_CreateModule("TST:Fake");
    SimRunOptions o = SH_DefaultRunOptions(0.05);
    o.realTime = true;
    ASSERT_EQ(SH_Run(&o), 1);
    ASSERT_EQ(fake.times.size(), 5u);
    for (size_t i = 0; i < fake.times.size(); ++i) EXPECT_GE(fake.times[i], 0.01 * (double)(i + 1) - 1e-9);
    EXPECT_GE(g_sim.clock, 0.05);
}

TEST_F(SimHostTest, SinkTakesBlocksAndGapsAreCounted)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    static std::vector<long long> starts;  // first sample index of each block
    starts.clear();
    g_sim.sink = [](void*, SimModule*, u32 output, const Block* b) {
        if (output == 0) starts.push_back(llround(b->startTime / b->sampleDistance));
    };
    SimRunOptions o = SH_DefaultRunOptions(0.03);
    o.onCycle = [](void*, u64 cycle) {
        // The module skips 100 samples on its first output.
        if (cycle == 1) ((FakeChannel*)g_sim.modules[0]->record->channel[0])->released += 100;
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(starts, (std::vector<long long>{0, 200, 300}));
    EXPECT_EQ(a->out[0].stream.blocks.size(), 0u);
    EXPECT_EQ(a->out[0].stream.blockCount, 3u);
    EXPECT_EQ(a->out[0].stream.gaps, 1u);
    EXPECT_EQ(a->out[1].stream.gaps, 0u);
}

TEST_F(SimHostTest, TimeBasesAndTheirCombo)
{
    SH_SetTimeBase(7, 0.5, 4);
    EXPECT_EQ(Host()->GetTimeBaseBlockSize(7), 4u);
    EXPECT_EQ(Host()->GetTimeBaseSampleDistance(7), 0.5);
    EXPECT_EQ(Host()->GetTimeBaseBlockSize(1), 1u);
    EXPECT_EQ(Host()->GetTimeBaseComboID(2), 7u);
    EXPECT_EQ(Host()->GetTimeBaseComboID(3), 0u);
    EXPECT_EQ(Host()->GetTimeBaseBlockSize(9), 0u);
    EXPECT_EQ(g_sim.faults.size(), 1u);
    g_sim.faults.clear();
}

TEST_F(SimHostTest, WorksheetKeepsEveryByte)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    for (u32 i = 0; i < 64; ++i) ((u8*)b->record->params)[i] = (u8)(255 - i * 3);
    Host()->ChangeModuleName(b->record, "A name that is too long");
    Host()->ChangeModuleSize(a->record, 3, 0);
    SH_SetTimeBase(2, 0.00025, 400);
    std::string saved = SH_WorksheetText();
    std::vector<u8> bytesB((u8*)b->record->params, (u8*)b->record->params + 64);

    SH_Reset();
    SetUp();
    ASSERT_EQ(SH_LoadWorksheetText(saved.c_str()), 1);
    ASSERT_EQ(g_sim.modules.size(), 2u);
    SimModule* lb = g_sim.modules[1];
    EXPECT_STREQ(lb->record->name, "A name that ");
    EXPECT_EQ(std::vector<u8>((u8*)lb->record->params, (u8*)lb->record->params + 64), bytesB);
    EXPECT_EQ((u32)g_sim.modules[0]->record->inputCount, 3u);
    EXPECT_EQ(SH_FindTimeBase(2)->blockSize, 400u);
    EXPECT_EQ(SH_FindTimeBase(2)->sampleDistance, 0.00025);
    EXPECT_EQ(Messages(), (std::vector<u32>{DMM_LOAD_MODULE, DMM_LOAD_MODULE}));
    g_sim.messages.clear();
    EXPECT_EQ(SH_WorksheetText(), saved);
    EXPECT_EQ(Messages(), (std::vector<u32>{DMM_SAVE_MODULE, DMM_SAVE_MODULE}));
}

TEST_F(SimHostTest, HandWrittenWorksheetCreatesAndPatches)
{
    const char* sheet =
        "# demo\n"
        "tarnova-sim-worksheet 1\n"
        "module TST:Fake\n"
        "create\n"
        "name Probe\n"
        "io 0 4\n"
        "poke 8 str \\?\\eth#1#S#1.2.3.4\n"
        "poke 40 u32 0x01020304\n"
        "poke 48 f64 2.5\n"
        "end\n";
    ASSERT_EQ(SH_LoadWorksheetText(sheet), 1);
    Module* m = g_sim.modules[0]->record;
    EXPECT_EQ(Messages(), (std::vector<u32>{DMM_CREATE_MODULE, DMM_LOAD_MODULE}));
    EXPECT_EQ((u32)m->outputCount, 4u);
    EXPECT_STREQ((char*)m->params + 8, "\\?\\eth#1#S#1.2.3.4");
    u32 u;
    double d;
    memcpy(&u, (u8*)m->params + 40, 4);
    memcpy(&d, (u8*)m->params + 48, 8);
    EXPECT_EQ(u, 0x01020304u);
    EXPECT_EQ(d, 2.5);
    EXPECT_EQ(((u8*)m->params)[0], 1);  // untouched defaults from create
}

TEST_F(SimHostTest, BrokenWorksheetsLoadNothing)
{
    const char* bad[] = {
        "tarnova-sim-worksheet 1\nmodule TST:Fake\nparams 63\nend\n",
        "tarnova-sim-worksheet 1\nmodule TST:Other\nend\n",
        "tarnova-sim-worksheet 1\nmodule TST:Fake\nparams 64\nhex 0102\nend\n",
        "tarnova-sim-worksheet 1\nmodule TST:Fake\npoke 62 u32 1\nend\n",
        "tarnova-sim-worksheet 1\nmodule TST:Fake\ncreate\n",
        "some other file\n",
    };
    for (const char* sheet : bad) {
        g_sim.faults.clear();
        EXPECT_EQ(SH_LoadWorksheetText(sheet), 0) << sheet;
        EXPECT_TRUE(g_sim.modules.empty()) << sheet;
        EXPECT_EQ(g_sim.faults.size(), 1u) << sheet;
    }
    g_sim.faults.clear();
}

TEST_F(SimHostTest, InputBlocksQueueUntilReleased)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    const float v1[] = {1, 2, 3}, v2[] = {4};
    SH_FeedInput(a, 2, 0.0, 0.1, v1, 3);
    SH_FeedInput(a, 2, 0.3, 0.1, v2, 1);
    Block* b = Host()->GetInputBlock(a->record, 2);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ((u32)b->count, 3u);
    EXPECT_EQ(b->values[2], 3.0f);
    EXPECT_EQ(Host()->GetInputBlock(a->record, 2), b);
    EXPECT_EQ(Host()->GetInputBlock(a->record, 1), nullptr);
    Host()->NewReleaseInputBlock(a->record, 2, "t", 1);
    b = Host()->GetInputBlock(a->record, 2);
    ASSERT_NE(b, nullptr);
    EXPECT_DOUBLE_EQ((double)b->startTime, 0.3);
    Host()->NewReleaseInputBlock(a->record, 2, "t", 2);
    EXPECT_EQ(Host()->GetInputBlock(a->record, 2), nullptr);
    EXPECT_EQ(a->in[2].released, 2u);
    Host()->NewReleaseInputBlock(a->record, 2, "t", 3);
    EXPECT_EQ(g_sim.faults.size(), 1u);
    g_sim.faults.clear();
}

TEST_F(SimHostTest, SmallServices)
{
    char text[32] = "";
    i16 number = 0;
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 12), 1);
    EXPECT_EQ(Host()->ExpandVarNumber(text, 400, &number), 1);
    EXPECT_EQ(number, 12);
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 0), 0);
    EXPECT_EQ(Host()->ExpandVarNumber("12.5", 400, &number), 0);
    EXPECT_EQ(Host()->ExpandVarNumber("{V3} x", 400, &number), 0);
    double value = 0;
    EXPECT_EQ(Host()->GlVar_Get(4, &value), 0);
    SH_SetGlobalVar(4, 2.5);
    EXPECT_EQ(Host()->GlVar_Get(4, &value), 1);
    EXPECT_EQ(value, 2.5);

    void* p = Host()->NewMemAlloc(100, "t", 1);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(((u8*)p)[99], 0);
    EXPECT_EQ(g_sim.liveAllocations, 1);
    Host()->NewDoMemFree(p, "t", 2);
    EXPECT_EQ(g_sim.liveAllocations, 0);

    SimModule* a = SH_CreateModule("TST:Fake");
    EXPECT_EQ(Host()->PerformDefaultAction(a->record, DCM_GET_UNIT, 0, 0), 0);
    EXPECT_EQ(Host()->PerformDefaultAction(a->record, DMM_PARAM_MODULE, 0, 0), 1);
    Host()->CopyChannelName(a->record->outputFifo[1], "Volts");
    EXPECT_EQ(a->out[1].channelName, "Volts");
}

}  // namespace
