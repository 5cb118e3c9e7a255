// The simulated host with a module class of the test's own: what the plug-in's
// tests take on trust and would not notice were it wrong (run phases, gaps,
// stop, pause, sources, references, real-time pacing, worksheets).
#include "simhost.h"

#include <gtest/gtest.h>

#include <string.h>

namespace {

struct FakeState {
    int stopAtCycle;                          // compute calls StopExperiment at this cycle (-1 never)
    u32 paused, running;                      // plug-in variables announced to the host
    int cycle;                                // counted by the first module
    u32 refuse;                               // a message the handler answers with 0
    std::vector<u32> messages;                // codes the handler got
    std::vector<std::pair<int, double>> taken;  // cycle and start of each block of input 1
};
FakeState fake;

const HostServices* Host() { return SH_Answers(); }

i32 KW_CDECL FakeHandler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    fake.messages.push_back(msg);
    if (msg == fake.refuse) return 0;
    if (msg == DMM_CREATE_MODULE) Host()->ChangeModuleSize(m, 0, 2);
    if (msg == DCM_SETUP_FIFO)
        *m->outputFifo[wParam] = Fifo{Host()->GetTimeBaseBlockSize(2), Host()->GetTimeBaseSampleDistance(2), 21};
    return msg == DMM_CREATE_MODULE || msg == DCM_SETUP_FIFO ? 1 : Host()->PerformDefaultAction(m, msg, wParam, lParam);
}

// Each cycle: every block of input 1 taken, one full block per output, its
// values counting the samples the channel released; nothing while paused.
i32 KW_CDECL FakeCompute(Module* m)
{
    if (m == g_sim.modules[0]->record && fake.cycle++ == fake.stopAtCycle) Host()->StopExperiment();
    if (fake.paused) return 0;
    while (Block* b = Host()->GetInputBlock(m, 1)) {
        fake.taken.push_back({fake.cycle - 1, (double)b->startTime});
        Host()->NewReleaseInputBlock(m, 1, "fake", __LINE__);
    }
    for (u32 i = 0; i < m->outputCount; ++i) {
        Fifo* f = m->outputFifo[i];
        u64& released = *(u64*)m->channel[i];
        Block* b = Host()->GetCurrentOutputBlock(f);
        b->startTime = (double)released * f->sampleDistance;
        b->sampleDistance = f->sampleDistance;
        b->count = (u16)f->blockSize;
        for (u32 k = 0; k < f->blockSize; ++k) b->values[k] = (float)(released + k);
        released += f->blockSize;
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
        r.channelSize = sizeof(u64);
        r.shortName = (char*)"Fake";
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
};

// The start phases across all modules with a fifo set-up per output, compute
// once a cycle, stop; blocks arrive whole and in order, and a skip in a
// module's samples counts as a gap. A stop request ends the run after its
// cycle; while paused nothing is released and no gap follows.
TEST_F(SimHostTest, RunPhasesBlocksStopAndPause)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    fake.messages.clear();
    SH_SetTimeBase(2, 0.001, 10);
    SimRunOptions o = SH_DefaultRunOptions(0.05);  // 5 cycles of 10 ms
    o.onCycle = [](void*, u64 cycle) {
        if (cycle == 1) *(u64*)g_sim.modules[0]->record->channel[0] += 100;
        return fake.running == 1 ? 1 : 0;  // a cycle outside the running flag ends the run early
    };
    ASSERT_EQ(SH_Run(&o), 1);
    const u32 P = DMM_PUBLISH_CHANNEL_NAMES, R = DMM_PREPARE_START_MODULE, F = DCM_SETUP_FIFO, S = DMM_START_MODULE,
              G = DMM_GO_MODULE, E = DMM_STOP_MODULE;
    EXPECT_EQ(fake.messages, (std::vector<u32>{P, P, R, R, F, F, F, F, S, S, G, G, E, E}));
    EXPECT_EQ(a->computeCalls, 5u);
    EXPECT_EQ(fake.running, 0u);
    const SimStream& s = b->out[1].stream;
    ASSERT_EQ(s.blocks.size(), 5u);
    for (size_t i = 0; i < s.values.size(); ++i) ASSERT_EQ(s.values[i], (float)i);
    EXPECT_EQ(s.gaps, 0u);
    EXPECT_EQ(a->out[0].stream.gaps, 1u);

    fake.cycle = 0;
    fake.stopAtCycle = 4;
    o = SH_DefaultRunOptions(1.0);
    o.onCycle = [](void*, u64 cycle) { return SH_Pause(cycle == 1 || cycle == 2), 1; };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.stopExperimentCalls, 1u);
    EXPECT_EQ(b->computeCalls, 5u);  // the cycle that asked ran to its end
    EXPECT_EQ(a->computeTrue, 3u);
    EXPECT_EQ(a->out[0].stream.blockCount, 3u);
    EXPECT_EQ(a->out[0].stream.gaps, 0u);

    fake.refuse = DMM_START_MODULE;  // the first start refused: both prepared modules stop
    fake.messages.clear();
    EXPECT_EQ(SH_Run(&o), 0);
    EXPECT_EQ(fake.messages, (std::vector<u32>{P, P, R, R, F, F, F, F, S, E, E}));
}

// A source's block n reaches the inputs it feeds in the first cycle whose
// clock has passed its last sample, in order, as many in a cycle as are
// complete.
TEST_F(SimHostTest, SourceBlocksArriveWhenComplete)
{
    const struct {
        double distance;
        u32 size;
        std::vector<int> cycles;  // of the first three blocks (10 ms cycles)
    } cases[] = {
        {0.001, 100, {9, 19, 29}},  // a block ends on a cycle
        {0.003, 7, {2, 4, 6}},      // 21 ms blocks
        {0.001, 4, {0, 0, 1}},      // two and a half blocks per cycle
    };
    for (const auto& c : cases) {
        SetUp();
        SimModule* m = SH_CreateModule("TST:Fake");
        Host()->ChangeModuleSize(m->record, 2, 0);
        SH_SetTimeBase(5, c.distance, c.size);
        ASSERT_TRUE(SH_AddSource("r ramp amp=1 freq=3 timebase=5") && SH_Connect("r", m, 1));
        SimRunOptions o = SH_DefaultRunOptions(0.3);
        ASSERT_EQ(SH_Run(&o), 1);
        ASSERT_TRUE(fake.taken.size() >= 3 && m->in[1].released == g_sim.sources[0].fed.blockCount);
        for (size_t n = 0; n < fake.taken.size(); ++n) {
            EXPECT_TRUE(n >= 3 || fake.taken[n].first == c.cycles[n]) << c.size << " block " << n;
            EXPECT_DOUBLE_EQ(fake.taken[n].second, (double)(n * c.size) * c.distance);
        }
        TearDown();
    }
}

// "{V<n>}" for 1 to 32767, blanks around it allowed, within the size given.
TEST_F(SimHostTest, VariableReferences)
{
    char text[16] = "";
    EXPECT_TRUE(Host()->GlVar_SetSyntax(text, 32767) && !strcmp(text, "{V32767}"));
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 32768), 0);
    const std::pair<const char*, int> cases[] = {
        {"  {V12}  ", 12}, {"{V32768}", 0}, {"{V0}", 0}, {"{V3}x", 0}, {"{V 3}", 0}};
    for (auto [reference, number] : cases) {
        i16 n = 0;
        EXPECT_EQ(Host()->ExpandVarNumber(reference, 400, &n) ? n : 0, number) << reference;
    }
    EXPECT_EQ(Host()->ExpandVarNumber("{V3}", 3, nullptr), 0);
}

double wallNow, wallSlow;  // the test's wall clock; seconds cycle 2 of the next run adds to it
bool wallLoop;             // in 5 ms steps, running the cycles due (a dialog's loop)

// A cycle that runs long makes its successor late; the moments it ran over
// are skipped and the run still ends at its length. A modal loop within a
// cycle runs the cycles that come due meanwhile, on time.
TEST_F(SimHostTest, RealTimeKeepsToTheWallClock)
{
    wallNow = 100;
    SimWallClock clock = {[](void*) { return wallNow; }, [](void*, double t) { wallNow = std::max(wallNow, t); }};
    SimRunOptions o = SH_DefaultRunOptions(0.1);
    o.realTime = true;
    o.wallClock = &clock;
    o.onCycle = [](void*, u64 cycle) {
        if (cycle != 2) return 1;
        double end = wallNow + wallSlow;
        for (wallSlow = 0; wallNow < end - 1e-9;) {  // once: the cycles run within are quick
            wallNow = wallLoop ? wallNow + 0.005 : end;
            if (wallLoop) SH_RunDueCycles();
        }
        return 1;
    };
    const struct {
        double slow;
        bool loop;
        u64 cycles, skipped, late;
    } cases[] = {
        {0.038, false, 8, 2, 1},  // cycle 2 (at 30 ms) ends at 68 ms: 40 and 50 ms skipped, 60 ms late
        {0.038, true, 10, 0, 0},  // 40, 50 and 60 ms from within the cycle at 30 ms
    };
    for (const auto& c : cases) {
        wallSlow = c.slow;
        wallLoop = c.loop;
        ASSERT_EQ(SH_Run(&o), 1);
        const SimRunReport& r = g_sim.report;
        EXPECT_EQ(std::vector<u64>({r.cycles, r.skippedMoments, r.lateCycles}),
                  std::vector<u64>({c.cycles, c.skipped, c.late})) << c.loop;
        EXPECT_NEAR(g_sim.clock, 0.1, 1e-9);
    }
}

// A saved worksheet loads back to the same text: modules with every byte of
// their blocks, names, connection counts, time bases, sources and what they
// feed. A line that does not load leaves no module or source behind.
TEST_F(SimHostTest, WorksheetRoundTripAndLinesThatDoNotLoad)
{
    SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    for (u32 i = 0; i < 64; ++i) ((u8*)b->record->params)[i] = (u8)(255 - i * 3);
    Host()->ChangeModuleName(b->record, "A name that is too long");
    Host()->ChangeModuleSize(b->record, 3, 0);
    SH_SetTimeBase(2, 0.00025, 400);
    ASSERT_TRUE(SH_AddSource("s1 sine amp=2 freq=5 offset=0.1 timebase=2") && SH_Connect("s1", b, 1));
    std::vector<u8> bytes((u8*)b->record->params, (u8*)b->record->params + 64);
    std::string saved = SH_WorksheetText();

    SetUp();
    ASSERT_EQ(SH_LoadWorksheetText(saved.c_str()), 1);
    ASSERT_EQ(g_sim.modules.size(), 2u);
    SimModule* lb = g_sim.modules[1];
    EXPECT_STREQ(lb->record->name, "A name that ");
    EXPECT_EQ(std::vector<u8>((u8*)lb->record->params, (u8*)lb->record->params + 64), bytes);
    EXPECT_EQ((u32)lb->record->inputCount, 3u);  // a packed field: read by value
    EXPECT_EQ(SH_SourceOf(lb, 1), SH_FindSource("s1"));
    EXPECT_EQ(SH_WorksheetText(), saved);
    EXPECT_EQ(fake.messages, (std::vector<u32>{DMM_LOAD_MODULE, DMM_LOAD_MODULE, DMM_SAVE_MODULE, DMM_SAVE_MODULE}));

    for (const char* line : {"source x sine value=1", "connect y Fake1 0", "timebase 2 0.001", "module TST:Unknown"}) {
        std::string sheet = "tarnova-sim-worksheet 1\nsource x constant value=1\nmodule TST:Fake\ncreate\nend\n";
        EXPECT_EQ(SH_LoadWorksheetText((sheet + line + "\n").c_str()), 0) << line;
        EXPECT_TRUE(!g_sim.faults.empty() && g_sim.modules.empty() && g_sim.sources.empty()) << line;
        g_sim.faults.clear();
    }
}

}  // namespace
