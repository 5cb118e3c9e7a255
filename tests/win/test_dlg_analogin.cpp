// The analog input parameter dialog of kestrelwing.dll, opened by the
// simulated host and driven as a user would.
#include "dialog_ids.h"
#include "dlg_driver.h"
#include "mod_params.h"

static const char kDialog[] = "Analog Input";

static AnalogInParams* params(SimModule* m) { return (AnalogInParams*)m->record->params; }

static SimModule* new_module(u32 channels)
{
    SimModule* m = SH_CreateModule("KWE:AnalogIn");
    if (ok(m != nullptr, "no analog input module")) m->record->outputCount = channels;
    return m;
}

static DlgStep expect_enabled(int id, bool enabled)
{
    return act([id, enabled] {
        ok(!IsWindowEnabled(dlg_item(kDialog, id)) == !enabled, "control %d enabled %d", id, !enabled);
    });
}

// The block size field follows the software clock switch; what is typed is
// brought into 1..128, and text that is no number keeps the old value.
static void test_block_size(SimModule* m)
{
    dlg_open_module("software clock", m,
                    {wait_for(kDialog), expect_enabled(IDC_BLOCK_SIZE, false), click(kDialog, IDC_SOFTWARE_CLOCK),
                     expect_enabled(IDC_BLOCK_SIZE, true), click(kDialog, IDC_MODULE_OK)});
    ok(params(m)->softwareClock == 1, "software clock not stored");
    static const struct {
        const char* typed;
        u32 stored;
    } kCases[] = {{"500", 128}, {"0", 1}, {"77", 77}, {"x7y", 77}, {"", 77}, {"128", 128}};
    for (const auto& c : kCases) {
        dlg_open_module(c.typed, m,
                        {wait_for(kDialog), type(kDialog, IDC_BLOCK_SIZE, c.typed), click(kDialog, IDC_MODULE_OK)});
        ok(params(m)->softwareClockBlockSize == c.stored, "\"%s\" stored %u, expected %u", c.typed,
           params(m)->softwareClockBlockSize, c.stored);
    }
}

// Ok writes everything back: channel count, names, module name and
// description, and the channel-name global strings under the new names.
static void test_ok_with_four_channels(SimModule* m)
{
    size_t strings = g_sim.globalStrings.size(), changes = g_sim.moduleChanges.size();
    i64 allocations = g_sim.liveAllocations;
    dlg_open_module("four channels", m,
                    {wait_for(kDialog), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE),
                     press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_CHANNEL_BUTTON0 + 2),
                     expect_text(kDialog, IDC_CHANNEL_NAME, "AnalogIn 2"), type(kDialog, IDC_CHANNEL_NAME, "Pressure"),
                     type(kDialog, IDC_UNIT, "bar"), choose(kDialog, IDC_RANGE, 3),
                     type(kDialog, IDC_MODULE_NAME, "Rig A"), type(kDialog, IDC_DESCRIPTION, "Test stand"),
                     press(kDialog, IDC_CHANNEL_BUTTON0 + 1), act([m] {
                         ok(m->record->outputCount == 1 && !strcmp(params(m)->channel[2].name, "AnalogIn 2"),
                            "the module changed before Ok");
                     }),
                     capture(kDialog, "analogin"), click(kDialog, IDC_MODULE_OK)});

    const AnalogChannel* c = params(m)->channel;
    ok(m->record->outputCount == 4, "%u outputs", m->record->outputCount);
    ok(!strcmp(c[2].name, "Pressure") && !strcmp(c[2].unit, "bar") && c[2].range == 3, "channel 2: \"%s\" \"%s\" %u",
       c[2].name, c[2].unit, c[2].range);
    ok(!strcmp(c[1].name, "AnalogIn 1") && c[1].range == 0, "channel 1 changed");
    ok(!strcmp(m->record->name, "Rig A") && !strcmp(m->record->description, "Test stand"), "name \"%s\" \"%s\"",
       m->record->name, m->record->description);
    const auto& mc = g_sim.moduleChanges;
    ok(mc.size() == changes + 2 && mc[changes].isName && !mc[changes + 1].isName && mc[changes + 1].inputs == 0 &&
           mc[changes + 1].outputs == 4,
       "ChangeModuleName and ChangeModuleSize(0, 4) expected");
    // One name unregistered under the old count, four registered.
    static const char* const kNames[] = {"AnalogIn 0", "AnalogIn 0", "AnalogIn 1", "Pressure", "AnalogIn 3"};
    bool names = g_sim.globalStrings.size() == strings + 5;
    for (size_t i = 0; names && i < 5; ++i) {
        const SimGlobalString& g = g_sim.globalStrings[strings + i];
        names = g.registered == (i > 0) && g.text == kNames[i] && g.module == m->record;
    }
    ok(names, "channel-name global strings not renewed");
    ok(g_sim.liveAllocations == allocations, "working copy not freed");
}

// Cancel leaves the block byte for byte, the module record and the global
// strings as they were, whatever was edited.
static void test_cancel(SimModule* m)
{
    std::vector<u8> before((u8*)params(m), (u8*)params(m) + sizeof(AnalogInParams));
    std::string name = m->record->name;
    u32 outputs = m->record->outputCount;
    size_t strings = g_sim.globalStrings.size(), changes = g_sim.moduleChanges.size();
    i64 allocations = g_sim.liveAllocations;
    dlg_open_module("cancel", m,
                    {wait_for(kDialog), type(kDialog, IDC_MODULE_NAME, "Other"), press(kDialog, IDC_ARROW_MORE),
                     press(kDialog, IDC_CHANNEL_BUTTON0 + 1), type(kDialog, IDC_CHANNEL_NAME, "Renamed"),
                     click(kDialog, IDC_REALTIME), click(kDialog, IDC_SOFTWARE_CLOCK), choose(kDialog, IDC_TIME_BASE, 0),
                     press(kDialog, IDC_CHANNEL_BUTTON0), click(kDialog, IDC_MODULE_CANCEL)});
    ok(!memcmp(before.data(), params(m), before.size()), "Cancel changed the parameter block");
    ok(name == m->record->name && m->record->outputCount == outputs, "Cancel changed the module");
    ok(g_sim.moduleChanges.size() == changes && g_sim.globalStrings.size() == strings, "Cancel talked to the host");
    ok(g_sim.liveAllocations == allocations, "working copy not freed");
}

// 1031 copies the one field of the control last used; 1032 the whole channel.
static void test_copy_to_all_channels(void)
{
    SimModule* m = new_module(3);
    AnalogChannel* c = params(m)->channel;
    auto copy = [](u32 message) { return act([message] { SendMessageA(dlg_find(kDialog), message, 0, 0); }); };
    dlg_open_module("copy range", m,
                    {wait_for(kDialog), choose(kDialog, IDC_RANGE, 2), copy(KWM_COPY_FIELD_TO_ALL),
                     click(kDialog, IDC_MODULE_OK)});
    ok(c[1].range == 2 && c[2].range == 2 && c[3].range == 0 && !strcmp(c[2].name, "AnalogIn 2"),
       "1031: ranges %u %u %u, name 2 \"%s\"", c[1].range, c[2].range, c[3].range, c[2].name);
    dlg_open_module("copy channel", m,
                    {wait_for(kDialog), type(kDialog, IDC_CHANNEL_NAME, "Same"), choose(kDialog, IDC_RANGE, 3),
                     click(kDialog, IDC_REALTIME), copy(KWM_COPY_CHANNEL_TO_ALL), click(kDialog, IDC_MODULE_OK)});
    for (int i = 0; i < 4; ++i)
        ok(!strcmp(c[i].name, i < 3 ? "Same" : "AnalogIn 3") && c[i].range == (i < 3 ? 3u : 0u) &&
               c[i].realTime == (i < 3 ? 0u : 1u),
           "1032: channel %d \"%s\" range %u real-time %u", i, c[i].name, c[i].range, c[i].realTime);
}

// While an experiment runs the dialog is for viewing: Info, Help and Cancel
// work, the rest is locked.
static void test_running_experiment(SimModule* m)
{
    SH_SetPluginFlag("bExperimentIsRunning", 1);
    std::vector<DlgStep> steps = {wait_for(kDialog)};
    for (int id : {IDC_ARROW_FEWER, IDC_ARROW_MORE, IDC_MODULE_OK, IDC_SEARCH, IDC_CHANNEL_NAME, IDC_MODULE_NAME,
                   IDC_DESCRIPTION, IDC_TIME_BASE, IDC_SOFTWARE_CLOCK, IDC_BLOCK_SIZE})
        steps.push_back(expect_enabled(id, false));
    for (int id : {IDC_INFO, IDC_MODULE_CANCEL, IDC_MODULE_HELP, IDC_UNIT}) steps.push_back(expect_enabled(id, true));
    steps.push_back(click(kDialog, IDC_MODULE_CANCEL));
    dlg_open_module("running", m, steps);
    SH_SetPluginFlag("bExperimentIsRunning", 0);
}

int main(void)
{
    if (dlg_load_plugin()) {
        SimModule* m = new_module(1);
        test_block_size(m);
        test_ok_with_four_channels(m);
        test_cancel(m);
        test_copy_to_all_channels();
        test_running_experiment(m);
        dlg_finish_plugin();
    }
    return wintest_finish("test_dlg_analogin");
}
