// The simulated host with a small module class of the test's own: the run's
// message order, block hand-out and release, stop and pause requests,
// signal sources feeding inputs, global variables, real-time pacing, and
// worksheets that keep every item.
#include "sim_csv.h"
#include "simhost.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdio.h>

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

namespace {

struct Taken {  // one input block the test class took
    int cycle;
    double start;
    std::vector<float> values;
};

// Behaviour of the test class, set per test.
struct FakeState {
    int stopAtCycle;            // compute calls StopExperiment at this cycle (-1 never)
    u32 paused, running;        // plug-in variables announced to the host
    std::vector<double> times;  // GetTimeBaseTime(2) seen by the first module
    std::vector<u32> runningSeen;
    int cycle;
    std::vector<Taken> taken[2];         // blocks of inputs 0 and 1, in order
    std::vector<std::string> refreshes;  // "<clock> V<n>=<value>" per message 148
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
    case DMM_REFRESH_148: {
        double v = -1;
        Host()->GlVar_Get((int)wParam, &v);
        char text[64];
        snprintf(text, sizeof text, "%g V%u=%g", g_sim.clock, wParam, v);
        fake.refreshes.push_back(text);
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
    for (u32 i = 0; i < m->inputCount && i < 2; ++i)
        while (Block* b = Host()->GetInputBlock(m, i)) {
            EXPECT_EQ(b, Host()->GetInputBlock(m, i));  // the same block until released
            fake.taken[i].push_back({fake.cycle - 1, b->startTime, {b->values, b->values + b->count}});
            Host()->NewReleaseInputBlock(m, i, "fake", __LINE__);
        }
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

// ---- Signal sources ----------------------------------------------------------

// The first eight samples of each kind on time base 3 (8 Hz, blocks of 4):
// two blocks are complete after one second.
TEST_F(SimHostTest, SourcesOfEachKind)
{
    const char* listFile = "test_simhost_list.txt";
    FILE* f = fopen(listFile, "w");
    ASSERT_TRUE(f);
    fputs("# four values\n4, 5;6\n7\n", f);
    fclose(f);
    const float r2 = 1.41421356f;
    const struct {
        const char* description;
        std::vector<float> samples;
    } cases[] = {
        {"c constant value=2.5", {2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5, 2.5}},
        {"r ramp amp=1 freq=1", {-1, -0.75, -0.5, -0.25, 0, 0.25, 0.5, 0.75}},
        {"s sine amp=2 freq=1 offset=1", {1, 1 + r2, 3, 1 + r2, 1, 1 - r2, -1, 1 - r2}},
        {"q square amp=1 freq=1 phase=0.25", {1, 1, -1, -1, -1, -1, 1, 1}},
        {"l list values=1,2,3", {1, 2, 3, 1, 2, 3, 1, 2}},
        {"f list file=test_simhost_list.txt", {4, 5, 6, 7, 4, 5, 6, 7}},
        {"e list values=1,2,3,4,5 repeat=0", {1, 2, 3, 4, 5}},  // ends with a short block
    };
    SH_SetTimeBase(3, 0.125, 4);
    for (const auto& c : cases) ASSERT_TRUE(SH_AddSource((std::string(c.description) + " timebase=3").c_str()));
    SimRunOptions o = SH_DefaultRunOptions(1.0);
    ASSERT_EQ(SH_Run(&o), 1);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const SimStream& fed = g_sim.sources[i].fed;
        EXPECT_THAT(fed.values, testing::Pointwise(testing::FloatEq(), cases[i].samples)) << cases[i].description;
        EXPECT_EQ(fed.blocks[1].startTime, 0.5);
        EXPECT_EQ(fed.gaps, 0u);
    }
    EXPECT_EQ(g_sim.sources[6].fed.blocks[1].count, 1u);
    remove(listFile);
}

// Block n reaches the connected inputs in the first cycle whose clock has
// passed its last sample, in order, as many in one cycle as are complete.
TEST_F(SimHostTest, SourceBlocksArriveWhenComplete)
{
    const struct {
        double distance;
        u32 size;
        std::vector<int> cycles;  // of the first four blocks (10 ms cycles)
    } cases[] = {
        {0.001, 100, {9, 19, 29, 39}},  // a block ends on a cycle
        {0.003, 7, {2, 4, 6, 8}},       // 21 ms blocks
        {0.001, 4, {0, 0, 1, 1}},       // two and a half blocks per cycle
    };
    for (const auto& c : cases) {
        SetUp();
        SimModule* m = SH_CreateModule("TST:Fake");
        Host()->ChangeModuleSize(m->record, 2, 0);
        SH_SetTimeBase(5, c.distance, c.size);
        ASSERT_TRUE(SH_AddSource("ramp ramp amp=1 freq=3 timebase=5"));
        ASSERT_TRUE(SH_Connect("ramp", m, 1));
        SimRunOptions o = SH_DefaultRunOptions(0.4);
        ASSERT_EQ(SH_Run(&o), 1);
        const std::vector<Taken>& taken = fake.taken[1];
        ASSERT_GE(taken.size(), 4u);
        const SimStream& fed = g_sim.sources[0].fed;
        for (size_t n = 0; n < taken.size(); ++n) {
            if (n < 4) {
                EXPECT_EQ(taken[n].cycle, c.cycles[n]) << c.size << " block " << n;
            }
            EXPECT_DOUBLE_EQ(taken[n].start, (double)(n * c.size) * c.distance);
            ASSERT_EQ(taken[n].values.size(), c.size);
            EXPECT_EQ(taken[n].values[0], fed.values[n * c.size]);
        }
        const SimInput& in = m->in[1];
        EXPECT_EQ(in.fed, taken.size());
        EXPECT_EQ(in.taken, in.fed);
        EXPECT_EQ(in.released, in.fed);
        EXPECT_TRUE(fake.taken[0].empty());
        // With a sink the source's blocks go there, its stream keeps counts only.
        static u64 sunk;
        sunk = 0;
        g_sim.sink = [](void*, SimModule* module, u32 output, const Block* b) { sunk += !module && !output ? b->count : 0; };
        ASSERT_EQ(SH_Run(&o), 1);
        g_sim.sink = nullptr;
        EXPECT_EQ(sunk, fed.sampleCount);
        EXPECT_TRUE(fed.values.empty() && fed.blocks.empty());
        TearDown();
    }
}

// ---- Global variables ---------------------------------------------------------

TEST_F(SimHostTest, VariableReferences)
{
    char text[16] = "";
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 42), 1);
    EXPECT_STREQ(text, "{V42}");
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 32767), 1);
    EXPECT_STREQ(text, "{V32767}");
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 0), 0);
    EXPECT_EQ(Host()->GlVar_SetSyntax(text, 32768), 0);

    const struct {
        const char* text;
        int size;
        int number;  // 0: not a reference
    } cases[] = {
        {"{V3}", 400, 3},      {"  {V12}  ", 400, 12}, {"{V32767}", 8, 32767}, {"{V3}", 3, 0},
        {"{V0}", 400, 0},      {"{V}", 400, 0},        {"{V3", 400, 0},        {"{V3}x", 400, 0},
        {"V3", 400, 0},        {"{V+3}", 400, 0},      {"{V 3}", 400, 0},      {"{V32768}", 400, 0},
        {"{V99999999999}", 400, 0}, {"12.5", 400, 0},
    };
    for (const auto& c : cases) {
        i16 number = -1;
        EXPECT_EQ(Host()->ExpandVarNumber(c.text, c.size, &number), c.number != 0) << c.text;
        EXPECT_EQ(number, c.number ? c.number : -1) << c.text;
    }
}

// Scheduled changes apply in the cycle that reaches their time; registered
// handlers hear of each new value, until they unregister.
TEST_F(SimHostTest, VariablesChangeDuringARun)
{
    SimModule* m = SH_CreateModule("TST:Fake");
    SH_SetGlobalVar(3, 50);
    double v = 0;
    EXPECT_EQ(Host()->GlVar_Get(3, &v), 1);
    EXPECT_EQ(v, 50);
    EXPECT_EQ(Host()->GlVar_Get(4, &v), 0);
    Host()->GlVar_RegisterByNumber(3, m->record, FakeHandler);
    Host()->GlVar_RegisterByNumber(3, m->record, FakeHandler);  // still one registration
    SH_ScheduleGlobalVar(0.045, 3, 120);
    SH_ScheduleGlobalVar(0.02, 3, 50);  // no change: no message
    SimRunOptions o = SH_DefaultRunOptions(0.1);
    o.onCycle = [](void*, u64 cycle) {
        if (cycle == 7) SH_SetGlobalVar(3, -1);
        if (cycle == 8) Host()->GlVar_UnregisterByNumber(3, g_sim.modules[0]->record, FakeHandler);
        if (cycle == 9) SH_SetGlobalVar(3, 7);
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_THAT(fake.refreshes, ElementsAre("0.05 V3=120", "0.08 V3=-1"));

    // Every run applies the schedule again.
    fake.refreshes.clear();
    Host()->GlVar_RegisterByNumber(3, m->record, FakeHandler);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_THAT(fake.refreshes, ElementsAre("0.02 V3=50", "0.05 V3=120", "0.08 V3=-1"));
}

// ---- Real time -------------------------------------------------------------------

struct FakeWall {
    double now;
    double slowCycleSeconds;  // added to the clock by cycle 2
    bool loop;                // in 5 ms steps, running the cycles due (a dialog's loop)
};

// A cycle that runs long makes its successor late; the moments it ran over
// are skipped and the run still ends at its length. A modal loop within a
// cycle runs the cycles that come due meanwhile, on time.
TEST_F(SimHostTest, RealTimeKeepsToTheWallClock)
{
    SimModule* m = SH_CreateModule("TST:Fake");
    FakeWall wall = {100.0, 0, false};
    SimWallClock clock = {[](void* c) { return ((FakeWall*)c)->now; },
                          [](void* c, double t) { ((FakeWall*)c)->now = std::max(((FakeWall*)c)->now, t); }, &wall};
    SimRunOptions o = SH_DefaultRunOptions(0.1);
    o.realTime = true;
    o.wallClock = &clock;
    o.context = &wall;
    o.onCycle = [](void* c, u64 cycle) {
        FakeWall* w = (FakeWall*)c;
        if (cycle != 2) return 1;
        for (double end = w->now + w->slowCycleSeconds; w->now < end - 1e-9;) {
            w->now += w->loop ? 0.005 : w->slowCycleSeconds;
            if (w->loop) SH_RunDueCycles();
        }
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.report.cycles, 10u);
    EXPECT_EQ(g_sim.report.lateCycles, 0u);
    EXPECT_NEAR(g_sim.clock, 0.1, 1e-9);

    wall.slowCycleSeconds = 0.038;  // cycle 2 (at 30 ms) ends at 68 ms
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.report.cycles, 8u);
    EXPECT_EQ(g_sim.report.skippedMoments, 2u);  // 40 and 50 ms
    EXPECT_EQ(g_sim.report.lateCycles, 1u);      // the 60 ms cycle at 68 ms
    EXPECT_NEAR(g_sim.report.maxLateness, 0.008, 1e-9);
    EXPECT_NEAR(g_sim.clock, 0.1, 1e-9);
    EXPECT_EQ(m->out[0].stream.gaps, 0u);

    wall.loop = true;  // 40, 50 and 60 ms from within the cycle at 30 ms
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_EQ(g_sim.report.cycles, 10u);
    EXPECT_EQ(g_sim.report.skippedMoments + g_sim.report.lateCycles, 0u);
}

// ---- Worksheets and files ----------------------------------------------------------

TEST_F(SimHostTest, WorksheetKeepsSourcesVariablesAndNumbers)
{
    SimModule* a = SH_CreateModule("TST:Fake");
    SimModule* b = SH_CreateModule("TST:Fake");
    Host()->ChangeModuleName(b->record, "Out B");
    Host()->ChangeModuleSize(b->record, 2, 0);
    ASSERT_TRUE(SH_AddSource("s1 sine amp=2 freq=5 offset=0.1 timebase=2"));
    ASSERT_TRUE(SH_AddSource("steps list values=0.5,1e-3,-7 repeat=0"));
    ASSERT_TRUE(SH_Connect("s1", b, 1));
    ASSERT_TRUE(SH_Connect("steps", b, 0));
    SH_SetGlobalVar(3, 50);
    SH_ScheduleGlobalVar(0.5, 3, 120.25);
    kw_strlcpy(g_sim.knobs.dezTrenn, ",", sizeof g_sim.knobs.dezTrenn);
    g_sim.knobs.bDecLeadingZero = 0;
    std::string saved = SH_WorksheetText();
    EXPECT_THAT(saved, testing::HasSubstr("\nconnect s1 Out B 1\n"));
    EXPECT_THAT(saved, testing::HasSubstr("\nat 0.5 var 3 120.25\n"));

    SH_Reset();
    SetUp();
    ASSERT_EQ(SH_LoadWorksheetText(saved.c_str()), 1);
    EXPECT_EQ(SH_WorksheetText(), saved);
    EXPECT_STREQ(g_sim.knobs.dezTrenn, ",");
    EXPECT_EQ(g_sim.knobs.bDecLeadingZero, 0u);
    ASSERT_EQ(g_sim.modules.size(), 2u);
    EXPECT_EQ(SH_SourceOf(g_sim.modules[1], 1), SH_FindSource("s1"));
    EXPECT_THAT(SH_FindSource("steps")->list, ElementsAre(0.5, 1e-3, -7));
    (void)a;

    // The number format alone, read before a plug-in is loaded.
    const char* path = "test_simhost_sheet.txt";
    FILE* f = fopen(path, "w");
    ASSERT_TRUE(f);
    fputs(saved.c_str(), f);
    fclose(f);
    SH_Reset();
    EXPECT_EQ(SH_ReadWorksheetNumbers(path), 1);
    EXPECT_STREQ(g_sim.knobs.dezTrenn, ",");
    EXPECT_TRUE(g_sim.modules.empty());
    remove(path);
}

TEST_F(SimHostTest, WorksheetLinesThatDoNotLoad)
{
    const char* lines[] = {
        "source x wobble",         "source x sine amp=",         "source x sine value=1",
        "source x list",           "source x list file=missing.txt", "source x list values=1 repeat=2",
        "connect x Fake1 0",       "var 0 3",                     "at 1 var 3",
        "numbers separator=ab",    "timebase 2 0.001",            "module TST:Unknown",
    };
    for (const char* line : lines) {
        std::string sheet = std::string("tarnova-sim-worksheet 1\nsource x constant value=1\nmodule TST:Fake\n"
                                        "create\nend\n") + line + "\n";
        EXPECT_EQ(SH_LoadWorksheetText(sheet.c_str()), 0) << line;
        EXPECT_FALSE(g_sim.faults.empty()) << line;
        EXPECT_TRUE(g_sim.modules.empty() && g_sim.sources.empty()) << line;
        g_sim.faults.clear();
    }
}

TEST(SimCsv, WritesEverySampleSoThatItReadsBack)
{
    const char* path = "test_simhost.csv";
    SimCsv csv;
    ASSERT_EQ(SH_CsvOpen(&csv, path), 1);
    const float values[] = {0.1f, -2.5f, 3.4028235e38f, 1e-7f};
    SH_CsvBlock(&csv, 0.3, 0.1, values, 4);
    ASSERT_EQ(SH_CsvClose(&csv), 1);
    FILE* f = fopen(path, "r");
    ASSERT_TRUE(f);
    char line[256];
    ASSERT_TRUE(fgets(line, sizeof line, f));
    EXPECT_STREQ(line, "block_start,sample_index,time,value\n");
    for (int k = 0; k < 4; ++k) {
        double start = 0, time = 0;
        long long index = 0;
        float value = 0;
        ASSERT_TRUE(fgets(line, sizeof line, f));
        ASSERT_EQ(sscanf(line, "%lf,%lld,%lf,%f", &start, &index, &time, &value), 4) << line;
        EXPECT_EQ(start, 0.3);
        EXPECT_EQ(index, 3 + k);
        EXPECT_DOUBLE_EQ(time, 0.3 + 0.1 * k);
        EXPECT_EQ(value, values[k]);
    }
    EXPECT_FALSE(fgets(line, sizeof line, f));
    fclose(f);
    remove(path);
}

}  // namespace
