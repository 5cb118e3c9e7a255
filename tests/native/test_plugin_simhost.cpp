// The plug-in in the simulated host, natively: what its start-up registers
// is what the host offers, the demo worksheet runs sample-exact against the
// simulated driver, before and after a save and load, and the host keeps no
// registration of a deleted module.
#include "mod_kinds.h"
#include "mod_params.h"
#include "plugin_in_simhost.h"
#include "simdrv_core.h"

#include <sys/mman.h>

#include <set>
#include <string>

// Every channel of the analog input delivered the driver's signal from sample 0
// on, in whole blocks; returns the samples per channel.
static u64 ExpectDriverSignal(const SimModule* m)
{
    u64 samples = m->out[0].stream.sampleCount;
    for (u32 c = 0; c < m->record->outputCount; ++c) {
        const SimStream& s = m->out[c].stream;
        EXPECT_EQ(s.sampleCount, samples) << c;
        EXPECT_EQ(s.gaps, 0u) << c;
        size_t wrong = 0;
        for (size_t k = 0; k < s.values.size(); ++k) wrong += s.values[k] != (float)SimDrv_SignalValue(1, c, k);
        EXPECT_EQ(wrong, 0u) << "samples of channel " << c << " differ from the device's signal";
    }
    return samples;
}

TEST_F(PluginInSimHost, DemoWorksheetRunsSampleExact)
{
    ASSERT_EQ(g_sim.classes.size(), (size_t)MOD_KIND_COUNT);
    for (int k = 0; k < MOD_KIND_COUNT; ++k) {
        Handler registered = g_sim.classes[k].record.handler;  // a packed field: read by value
        EXPECT_EQ(registered, g_modKinds[k].cls->handler);
    }
    EXPECT_EQ(g_sim.menuTexts.size(), (size_t)MOD_KIND_COUNT);  // no set-up entry: the driver is complete

    ASSERT_EQ(SH_LoadWorksheet(KW_SOURCE_DIR "/sim/worksheets/demo.ws"), 1);
    ASSERT_EQ(g_sim.modules.size(), 3u);  // analog, counter and digital input
    SimRunOptions o = PluginInSimHost_RunOptions(0.5);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_TRUE(g_sim.warnings.empty() && g_sim.internalErrors.empty());
    EXPECT_GE(ExpectDriverSignal(g_sim.modules[0]), 400u);  // the block that ends with the run may be open

    std::string saved = SH_WorksheetText();
    ASSERT_EQ(SH_LoadWorksheetText(saved.c_str()), 1);
    o = PluginInSimHost_RunOptions(0.3);
    ASSERT_EQ(SH_Run(&o), 1);
    EXPECT_GE(ExpectDriverSignal(g_sim.modules[0]), 200u);
    EXPECT_EQ(SH_WorksheetText(), saved);
}

// The other module of messages 167 and 168 with its transfer block, where a
// 32-bit lParam can address it.
struct TransferModule {
    Module* record;
    ChannelTexts* texts;
    TransferModule()
    {
        void* p = mmap(nullptr, sizeof(Module) + sizeof(ChannelTexts), PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
        EXPECT_NE(p, MAP_FAILED);
        record = (Module*)p;
        texts = (ChannelTexts*)(record + 1);
        record->params = texts;
    }
    ~TransferModule() { munmap(record, sizeof(Module) + sizeof(ChannelTexts)); }
    u32 lParam() const { return (u32)(uintptr_t)record; }
};

// Registrations of the module still in force: global strings by text, global
// variables by number.
static std::multiset<std::string> RegisteredFor(const Module* record)
{
    std::multiset<std::string> in;
    auto apply = [&in](bool registered, const std::string& what) {
        if (registered) in.insert(what);
        else if (in.count(what)) in.erase(in.find(what));
    };
    for (const SimGlobalString& s : g_sim.globalStrings)
        if (s.module == record) apply(s.registered, s.text);
    for (const SimGlobalVarUse& v : g_sim.globalVarUses)
        if (v.module == record) apply(v.registered, "variable " + std::to_string(v.number));
    return in;
}

// Importing channel texts into a loaded module renews what the host holds
// for it: delete leaves nothing registered, and a later change of a global
// variable the module used reaches no handler (TearDown: no host fault).
TEST_F(PluginInSimHost, ImportedChannelTextsLeaveNoRegistrationBehindDelete)
{
    SH_SetGlobalVar(3, 40.0);
    SH_SetGlobalVar(4, 25.0);
    for (const char* className :
         {"KWE:AnalogIn", "KWE:AnalogOut", "KWE:CounterIn", "KWE:CounterOut", "KWE:DigitalIn", "KWE:DigitalOut"}) {
        SimModule* m = SH_CreateModule(className);
        ASSERT_NE(m, nullptr);
        Module* record = m->record;
        (record->inputCount ? record->inputCount : record->outputCount) = 2;
        if (!strcmp(className, "KWE:CounterOut")) {
            CounterOutChannel* c = ((CounterOutParams*)record->params)->channel;
            c[0].frequencyVar = 3;
            c[1].dutyCycleVar = 4;
        }
        ASSERT_EQ(SH_Send(m, DMM_LOAD_MODULE, 0, 0), 1);
        TransferModule other;
        other.texts->namesPresent = 1;
        strcpy(other.texts->names[0].name, "Fan");
        ASSERT_EQ(SH_Send(m, DMM_IMPORT_CHANNEL_TEXTS, 0, other.lParam()), 1);
        EXPECT_EQ(RegisteredFor(record), std::multiset<std::string>{"Fan"}) << className;
        SH_DeleteModule(m);
        EXPECT_TRUE(RegisteredFor(record).empty()) << className;
    }
    SH_SetGlobalVar(3, 41.0);
    SH_SetGlobalVar(4, 26.0);
}
