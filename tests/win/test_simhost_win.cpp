// The simulated host's Windows side: binding through the host window,
// classes from the plug-in's records, a run of a module from the DLL.
#include "simhost.h"
#include "wintest.h"

static const char kProbe[] = "test_simhost_plugin.dll";

static void test_binding_through_the_window(void)
{
    SH_Reset();
    ok(SHW_LoadPlugin(kProbe) == 1, "SetupTarnDLL failed: %s",
       g_sim.faults.empty() ? "" : g_sim.faults[0].c_str());
    ok(g_sim.requests.size() == 164, "%u requests", (unsigned)g_sim.requests.size());
    ok(g_sim.requests.size() == 164 && g_sim.requests[58].name == "&nWindowOrder" &&
           g_sim.requests[59].message == TARN_MSG_GET_FUNCTION && g_sim.requests[59].name == "NewMemAlloc",
       "request order");
    ok(g_sim.variables.size() == 2, "%u variables", (unsigned)g_sim.variables.size());
    ok(g_sim.classes.size() == 1 && g_sim.classes[0].className == "TST:Ramp" &&
           g_sim.classes[0].longName == "Ramp generator" && g_sim.classes[0].record.paramSize == 16,
       "class record not taken over");
    ok(g_sim.menuTexts.size() == 1, "menu texts");
    ok(g_sim.traps.empty() && g_sim.faults.empty(), "unexpected calls");
}

// The module's handler and compute come from the DLL's class record.
static void test_run(void)
{
    SimModule* m = SH_CreateModule("TST:Ramp");
    ok(m && m->record->outputCount == 1, "module not created");
    if (!m) return;
    ok(!strcmp(m->record->name, "Ramp1"), "name %s", m->record->name);
    SH_SetTimeBase(2, 0.001, 50);
    SimRunOptions o = SH_DefaultRunOptions(0.1);
    o.onCycle = [](void*, u64 cycle) {
        SH_Pause(cycle >= 3 && cycle < 6);
        return 1;
    };
    ok(SH_Run(&o) == 1, "run refused");
    const SimStream& s = m->out[0].stream;
    ok(s.blockCount == 7 && s.sampleCount == 350 && s.gaps == 0, "%u blocks, %u samples, %u gaps",
       (unsigned)s.blockCount, (unsigned)s.sampleCount, (unsigned)s.gaps);
    ok(s.values.size() == 350 && s.values[349] == 349.0f, "values");
    ok(g_sim.warnings.empty(), "the module saw bExperimentIsRunning 0 during the run");
    ok(m->computeCalls == 10 && m->computeTrue == 7, "%u compute calls", (unsigned)m->computeCalls);
}

static void test_missing_name_and_finish(void)
{
    ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    ok(g_sim.modules.empty(), "modules left after finish");
    ok(SHW_PluginModule() == nullptr && GetModuleHandleA(kProbe) == nullptr, "plug-in still loaded");

    SH_Reset();
    g_sim.knobs.missing = {"GetTimeBaseTime"};
    ok(SHW_LoadPlugin(kProbe) == 0, "a host without GetTimeBaseTime accepted");
    ok(g_sim.requests.size() == 59 + 99, "%u requests", (unsigned)g_sim.requests.size());
    ok(g_sim.classes.empty(), "class registered");
    SHW_FinishPlugin();
}

int main(void)
{
    test_binding_through_the_window();
    test_run();
    test_missing_name_and_finish();
    return wintest_finish("test_simhost_win");
}
