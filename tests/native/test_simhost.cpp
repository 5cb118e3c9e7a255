// The simulated host with a small module class of the test's own: the run's
// message order, block hand-out and release, stop and pause requests, and
// worksheets that keep every byte.
#include "simhost.h"

#include <gtest/gtest.h>

namespace {

// Behaviour of the test class, set per test.
struct FakeState {
    int stopAtCycle;            // compute calls StopExperiment at this cycle (-1 never)
    u32 paused, running;        // plug-in variables announced to the host
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
    switch (msg) {
    case DMM_CREATE_MODULE:
        Host()->ChangeModuleSize(m, 0, 2);
        return 1;
    case DCM_SETUP_FIFO: {
        Fifo* f = m->outputFifo[wParam];
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

    std::vector<u32> Messages()
    {
        std::vector<u32> codes;
        for (const SimMessage& m : g_sim.messages) codes.push_back(m.msg);
        return codes;
    }
};

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

    // A second run starts the streams afresh; a skip in a module's samples is a gap.
    o.onCycle = [](void*, u64 cycle) {
        if (cycle == 1) ((FakeChannel*)g_sim.modules[0]->record->channel[0])->released += 100;
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(b->out[1].stream.blockCount, 5u);
    EXPECT_EQ(b->out[1].stream.gaps, 0u);
    EXPECT_EQ(a->out[0].stream.gaps, 1u);
}

TEST_F(SimHostTest, StopAndPauseRequests)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    fake.stopAtCycle = 2;
    SimRunOptions o = SH_DefaultRunOptions(1.0);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.stopExperimentCalls, 1u);
    EXPECT_EQ(a->computeCalls, 3u);
    EXPECT_EQ(b->computeCalls, 3u);  // the cycle that asked still ran to its end
    EXPECT_EQ(g_sim.messages.back().msg, (u32)DMM_STOP_MODULE);

    // The next run starts without the old request. While paused (cycles 2
    // to 4) nothing is released; the module's count goes on, so no gap.
    fake.stopAtCycle = -1;
    o = SH_DefaultRunOptions(0.08);
    o.onCycle = [](void*, u64 cycle) {
        if (cycle == 2) SH_Pause(true);
        if (cycle == 5) SH_Pause(false);
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(a->computeCalls, 8u);  // every cycle ran
    EXPECT_EQ(a->computeTrue, 5u);
    EXPECT_EQ(a->out[0].stream.blockCount, 5u);
    EXPECT_EQ(a->out[0].stream.gaps, 0u);
    EXPECT_EQ(fake.paused, 0u);
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

}  // namespace
