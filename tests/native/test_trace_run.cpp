// The plug-in's trace in the simulated host, natively, every driver call
// through its thunk: the run steps and reports of a session tell their
// story, and each input channel's account of its values agrees with what the
// host received, with the device's clock ahead of the host's, paused, and in
// single-value blocks. (The calls against the simulated driver's log and the
// switch are the Windows tests', test_trace_dll and test_trace_switch.)
#include <stdio.h>
#include <stdlib.h>

#include "dev_device.h"
#include "every_kind.h"
#include "mod_frame.h"
#include "plugin_in_simhost.h"
#include "simdrv_core.h"
#include "trace_control.h"
#include "trace_lines.h"

namespace {

// The plug-in started with KESTRELWING_TRACE naming a file of the test's own.
class Traced : public PluginInSimHost {
protected:
    std::string path = ::testing::TempDir() + "kw-trace-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".txt";
    void SetUp() override
    {
        setenv("KESTRELWING_TRACE", path.c_str(), 1);
        PluginInSimHost::SetUp();
        unsetenv("KESTRELWING_TRACE");
        ASSERT_TRUE(TRC_On());
    }
    void TearDown() override
    {
        PluginInSimHost::TearDown();
        TRC_Close();
        remove(path.c_str());
    }
    std::string Trace()
    {
        TRC_Flush();
        return trace_file_text(path);
    }
};

// The account of every channel against what the host received: delivered
// is what the host got, and what was taken and neither delivered nor dropped
// fits the block open at the stop.
void ExpectAccountAgrees(const std::string& trace, SimModule* m)
{
    for (u32 c = 0; c < m->record->outputCount; ++c) {
        const char* name = m->record->name;
        long long open = trace_count(trace, name, c, "open");
        EXPECT_EQ(trace_count(trace, name, c, "delivered"), (long long)m->out[c].stream.sampleCount) << name << c;
        EXPECT_TRUE(open >= 0 && open <= m->out[c].capacity) << name << " " << c << ": open " << open;
    }
}

// A device whose clock runs ahead of the host's by less than a block offers
// more values than the clock counts; the surplus of a read is dropped. The
// host sees no gap: the values it got are the device's samples with the
// dropped ones left out, which only the account tells.
TEST_F(Traced, AccountShowsWhatADeviceAheadOfTheClockLost)
{
    ASSERT_EQ(SimDrv_LoadConfig("[eth]\nserial = SIM-1001\naddress = 192.168.10.21\nhandle = 1\nsignal = noise\n"), 0);
    SimModule* ai = every_kind_module("KWE:AnalogIn", 2);
    SimModule* ci = every_kind_module("KWE:CounterIn", 1);  // the same device, an account of its own
    ASSERT_TRUE(ai && ci);
    SimRunOptions o = PluginInSimHost_RunOptions(1.0);
    o.onCycle = [](void*, u64) { return SimDrv_SetTime(g_sim.clock + 0.05), 1; };
    ASSERT_EQ(SH_Run(&o), 1);
    std::string trace = Trace();
    ExpectAccountAgrees(trace, ai);
    ExpectAccountAgrees(trace, ci);
    for (u32 c = 0; c < 2; ++c) {
        const SimStream& s = ai->out[c].stream;
        EXPECT_EQ(s.gaps, 0u);
        u64 skipped = 0, k = 0;
        for (float v : s.values) {
            while (k < s.values.size() + 1000 && v != (float)SimDrv_SignalValue(1, c, k)) ++k, ++skipped;
            ++k;
        }
        long long dropped = trace_count(trace, "AnalogIn1", c, "dropped");
        EXPECT_GT(skipped, 0u);
        EXPECT_LE((long long)skipped, dropped) << c;
    }
}

// While paused, a full block is held back, counted once, and delivered after
// the pause.
TEST_F(Traced, AccountShowsTheBlockHeldWhilePaused)
{
    SimModule* ai = every_kind_module("KWE:AnalogIn", 2);
    ASSERT_TRUE(ai);
    SimRunOptions o = PluginInSimHost_RunOptions(1.0);
    o.onCycle = [](void*, u64 k) {
        SimDrv_SetTime(g_sim.clock);
        SH_Pause(k >= 20 && k < 45);
        return 1;
    };
    ASSERT_EQ(SH_Run(&o), 1);
    std::string trace = Trace();
    ExpectAccountAgrees(trace, ai);
    EXPECT_EQ(trace_count(trace, "AnalogIn1", 0, "held"), 100);
    EXPECT_EQ(trace_count(trace, "AnalogIn1", 0, "dropped"), 0);
}

// Single-value blocks that the clock closes before they are full are filled
// with their last value: the account counts those repeats as the host sees
// them, values equal to the one before them in their block.
TEST_F(Traced, AccountShowsTheRepeatsOfSingleValueBlocks)
{
    ASSERT_EQ(SimDrv_LoadConfig("[eth]\nserial = SIM-1001\naddress = 192.168.10.21\nhandle = 1\nsignal = noise\n"), 0);
    SimModule* ai = every_kind_module("KWE:AnalogIn", 1);
    ASSERT_TRUE(ai);
    SH_SetTimeBase(1, 0.01, 10);
    MOD_Params<AnalogInParams>(ai->record)->timeBaseId = 1;
    SimRunOptions o = PluginInSimHost_RunOptions(1.0);
    o.step = 0.03;
    ASSERT_EQ(SH_Run(&o), 1);
    std::string trace = Trace();
    ExpectAccountAgrees(trace, ai);
    const SimStream& s = ai->out[0].stream;
    long long repeats = 0;
    for (const SimBlockInfo& b : s.blocks)
        for (u32 i = 1; i < b.count; ++i) repeats += s.values[b.firstValue + i] == s.values[b.firstValue + i - 1];
    EXPECT_GT(repeats, 0);
    EXPECT_EQ(trace_count(trace, "AnalogIn1", 0, "repeated"), repeats);
}

// A channel that the start left out of the device's list delivers nothing:
// its account says so and why; the other channel's account is as ever.
TEST_F(Traced, AccountNamesAChannelLeftOutOfTheListAndWhy)
{
    SimModule* ci = every_kind_module("KWE:CounterIn", 2);
    ASSERT_TRUE(ci);
    SimDrv_FailCall("CT_GetChannelListSize", -1, -5, 1);
    SimRunOptions o = PluginInSimHost_RunOptions(0.5);
    ASSERT_EQ(SH_Run(&o), 1);
    std::string trace = Trace();
    EXPECT_NE(trace.find("values CounterIn1 0: delivered nothing, not in the device's list: list size read failed (-5)"),
              std::string::npos);
    EXPECT_EQ(ci->out[0].stream.sampleCount, 0u);
    EXPECT_GT(ci->out[1].stream.sampleCount, 0u);
    EXPECT_EQ(trace_count(trace, "CounterIn1", 1, "delivered"), (long long)ci->out[1].stream.sampleCount);
}

// One session, one file: a start refused for a device that does not answer,
// a run that loses its device, a clean run. Each tells its story in order,
// the reports named by their module, each with its own account.
TEST_F(Traced, ExperimentsOfASessionTellTheirStoriesInOneFile)
{
    SimModule* ai = every_kind_module("KWE:AnalogIn", 1);
    ASSERT_TRUE(ai);
    kw_strlcpy(MOD_Header(ai->record)->device, "\\?\\eth#9#SIM-9#10.9.9.9##", DEV_STRING_SIZE);
    EXPECT_EQ(SH_Send(ai, DMM_PARAM_MODULE, 0, 0), 1);
    SimRunOptions o = PluginInSimHost_RunOptions(0.5);
    EXPECT_EQ(SH_Run(&o), 0);
    kw_strlcpy(MOD_Header(ai->record)->device, kEveryKindDeviceString, DEV_STRING_SIZE);
    SimDrv_FailReads(1, SIMDRV_READ_DATA, 5, -1.0, DRV_ERR_LOST_CONNECTION);
    o = PluginInSimHost_RunOptions(0.5);
    EXPECT_EQ(SH_Run(&o), 1);
    SimDrv_ClearFaults();
    o = PluginInSimHost_RunOptions(0.5);
    EXPECT_EQ(SH_Run(&o), 1);
    ASSERT_EQ(g_sim.warnings.size(), 1u);
    ASSERT_EQ(g_sim.internalErrors.size(), 1u);

    std::vector<std::string> story;
    for (const std::string& line : trace_lines(Trace()))
        if (line.compare(0, 11, "AnalogIn1: ") == 0 && line.find("values per channel") == std::string::npos)
            story.push_back(line.substr(11));
    char error[160];
    snprintf(error, sizeof error, "internal error at DLL:analogin:%d \"%s\"", g_sim.internalErrors[0].line,
             g_sim.internalErrors[0].text.c_str());
    const std::vector<std::string> expected = {
        "dialog opens", "dialog closes = 0",
        "prepare", "warning \"" + g_sim.warnings[0].text + "\"", "prepare = 0", "stop", "stop = 1",
        "prepare", "prepare = 1", "start", "start = 1", "go", "go = 1", error, "stop", "stop = 1",
        "prepare", "prepare = 1", "start", "start = 1", "go", "go = 1", "stop", "stop = 1"};
    EXPECT_EQ(story, expected);
    std::string trace = Trace();
    EXPECT_EQ(trace_lines(trace)[0].compare(0, 22, "Brennholt Kestrelwing "), 0);
    EXPECT_EQ(trace.find("Brennholt Kestrelwing ", trace.find('\n')), std::string::npos);  // one heading
    EXPECT_EQ(trace_count(trace, "AnalogIn1", 0, "delivered"), (long long)ai->out[0].stream.sampleCount);
}

}  // namespace
