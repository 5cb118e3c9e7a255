// The plug-in's trace in the simulated host, natively, every driver call
// through its thunk: each input channel's account of its values agrees with
// what the host received when the device's clock runs ahead of the host's.
// (The day's soak checks the accounts of a day's run; the calls against the
// simulated driver's log and the switch are the Windows tests',
// test_trace_dll and test_trace_switch.)
#include <stdio.h>
#include <stdlib.h>

#include "every_kind.h"
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

}  // namespace
