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
    ok(m != nullptr, "no analog input module");
    if (m) m->record->outputCount = channels;
    return m;
}

static bool enabled(int id) { return IsWindowEnabled(dlg_item(kDialog, id)) != 0; }

// The block size field follows the software clock switch; what is typed is
// brought into 1..128, and text that is no number keeps the old value.
static void test_block_size(void)
{
    SimModule* m = new_module(1);
    if (!m) return;
    dlg_open_module("software clock", m,
                    {wait_for(kDialog), act([] { ok(!enabled(IDC_BLOCK_SIZE), "block size enabled without clock"); }),
                     click(kDialog, IDC_SOFTWARE_CLOCK),
                     act([] { ok(enabled(IDC_BLOCK_SIZE), "block size disabled with the clock on"); }),
                     click(kDialog, IDC_MODULE_OK)});
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
static void test_ok_with_four_channels(void)
{
    SimModule* m = new_module(1);
    if (!m) return;
    size_t strings = g_sim.globalStrings.size(), changes = g_sim.moduleChanges.size();
    i64 allocations = g_sim.liveAllocations;
    dlg_open_module("four channels", m,
                    {wait_for(kDialog), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE),
                     press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_CHANNEL_BUTTON0 + 2),
                     act([] { ok(dlg_text(kDialog, IDC_CHANNEL_NAME) == "AnalogIn 2", "channel 2 not on show"); }),
                     type(kDialog, IDC_CHANNEL_NAME, "Pressure"), type(kDialog, IDC_UNIT, "bar"),
                     choose(kDialog, IDC_RANGE, 3), type(kDialog, IDC_MODULE_NAME, "Rig A"),
                     type(kDialog, IDC_DESCRIPTION, "Test stand"), press(kDialog, IDC_CHANNEL_BUTTON0 + 1),
                     act([m] {
                         ok(m->record->outputCount == 1 && !strcmp(params(m)->channel[2].name, "AnalogIn 2"),
                            "the module changed before Ok");
                     }),
                     capture(kDialog, "analogin"), click(kDialog, IDC_MODULE_OK)});

    AnalogInParams* p = params(m);
    ok(m->record->outputCount == 4, "%u outputs", m->record->outputCount);
    ok(!strcmp(p->channel[2].name, "Pressure") && !strcmp(p->channel[2].unit, "bar") && p->channel[2].range == 3,
       "channel 2: \"%s\" \"%s\" range %u", p->channel[2].name, p->channel[2].unit, p->channel[2].range);
    ok(!strcmp(p->channel[1].name, "AnalogIn 1") && p->channel[1].range == 0, "channel 1 changed");
    ok(!strcmp(m->record->name, "Rig A") && !strcmp(m->record->description, "Test stand"), "name \"%s\" \"%s\"",
       m->record->name, m->record->description);
    ok(g_sim.moduleChanges.size() == changes + 2 && g_sim.moduleChanges[changes].isName &&
           !g_sim.moduleChanges[changes + 1].isName && g_sim.moduleChanges[changes + 1].inputs == 0 &&
           g_sim.moduleChanges[changes + 1].outputs == 4,
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
static void test_cancel(void)
{
    SimModule* m = new_module(2);
    if (!m) return;
    std::vector<u8> before((u8*)params(m), (u8*)params(m) + sizeof(AnalogInParams));
    std::string name = m->record->name;
    size_t strings = g_sim.globalStrings.size(), changes = g_sim.moduleChanges.size();
    i64 allocations = g_sim.liveAllocations;
    dlg_open_module("cancel", m,
                    {wait_for(kDialog), type(kDialog, IDC_MODULE_NAME, "Other"), press(kDialog, IDC_ARROW_MORE),
                     press(kDialog, IDC_CHANNEL_BUTTON0 + 1), type(kDialog, IDC_CHANNEL_NAME, "Renamed"),
                     click(kDialog, IDC_REALTIME), click(kDialog, IDC_SOFTWARE_CLOCK), choose(kDialog, IDC_TIME_BASE, 0),
                     press(kDialog, IDC_CHANNEL_BUTTON0), click(kDialog, IDC_MODULE_CANCEL)});
    ok(!memcmp(before.data(), params(m), before.size()), "Cancel changed the parameter block");
    ok(name == m->record->name && m->record->outputCount == 2, "Cancel changed the module");
    ok(g_sim.moduleChanges.size() == changes && g_sim.globalStrings.size() == strings,
       "Cancel talked to the host");
    ok(g_sim.liveAllocations == allocations, "working copy not freed");
}

// 1031 copies the one field of the control last used; 1032 the whole channel.
static void test_copy_to_all_channels(void)
{
    SimModule* m = new_module(3);
    if (!m) return;
    dlg_open_module("copy range", m,
                    {wait_for(kDialog), choose(kDialog, IDC_RANGE, 2), act([] {
                         SendMessageA(dlg_find(kDialog), KWM_COPY_FIELD_TO_ALL, 0, 0);
                     }),
                     click(kDialog, IDC_MODULE_OK)});
    AnalogInParams* p = params(m);
    ok(p->channel[1].range == 2 && p->channel[2].range == 2 && p->channel[3].range == 0, "ranges %u %u %u",
       p->channel[1].range, p->channel[2].range, p->channel[3].range);
    ok(!strcmp(p->channel[1].name, "AnalogIn 1") && !strcmp(p->channel[2].name, "AnalogIn 2"),
       "1031 copied the names too");

    dlg_open_module("copy channel", m,
                    {wait_for(kDialog), type(kDialog, IDC_CHANNEL_NAME, "Same"), choose(kDialog, IDC_RANGE, 3),
                     click(kDialog, IDC_REALTIME),
                     act([] { SendMessageA(dlg_find(kDialog), KWM_COPY_CHANNEL_TO_ALL, 0, 0); }),
                     click(kDialog, IDC_MODULE_OK)});
    bool same = true;
    for (int i = 0; i < 3; ++i)
        same = same && !strcmp(p->channel[i].name, "Same") && p->channel[i].range == 3 && p->channel[i].realTime == 0;
    ok(same, "1032 did not copy channel 0 to channels 1 and 2");
    ok(!strcmp(p->channel[3].name, "AnalogIn 3") && p->channel[3].realTime == 1, "channel 3 is not in use");
}

// While an experiment runs the dialog is for viewing: Info, Help and Cancel
// work, the rest is locked.
static void test_running_experiment(void)
{
    SimModule* m = new_module(2);
    if (!m) return;
    SH_SetPluginFlag("bExperimentIsRunning", 1);
    dlg_open_module("running", m, {wait_for(kDialog), act([] {
                                       static const int kLocked[] = {
                                           IDC_ARROW_FEWER,  IDC_ARROW_MORE,     IDC_MODULE_OK,  IDC_SEARCH,
                                           IDC_CHANNEL_NAME, IDC_MODULE_NAME,    IDC_DESCRIPTION, IDC_TIME_BASE,
                                           IDC_SOFTWARE_CLOCK, IDC_BLOCK_SIZE};
                                       for (int id : kLocked) ok(!enabled(id), "control %d enabled", id);
                                       for (int id : {IDC_INFO, IDC_MODULE_CANCEL, IDC_MODULE_HELP, IDC_UNIT})
                                           ok(enabled(id), "control %d disabled", id);
                                   }),
                                   click(kDialog, IDC_MODULE_CANCEL)});
    SH_SetPluginFlag("bExperimentIsRunning", 0);
}

// Help opens the help viewer, which the library loads only then.
static void test_help(void)
{
    SimModule* m = new_module(1);
    if (!m) return;
    ok(GetModuleHandleA("hhctrl.ocx") == nullptr, "help viewer loaded before Help");
    dlg_open_module("help", m,
                    {wait_for(kDialog), click(kDialog, IDC_MODULE_HELP),
                     act([] { ok(GetModuleHandleA("hhctrl.ocx") != nullptr, "help viewer not loaded"); }),
                     click(kDialog, IDC_MODULE_CANCEL)});
}

int main(void)
{
    if (!dlg_load_plugin()) return wintest_finish("test_dlg_analogin");
    test_block_size();
    test_ok_with_four_channels();
    test_cancel();
    test_copy_to_all_channels();
    test_running_experiment();
    test_help();
    ok(g_sim.faults.empty() && g_sim.traps.empty(), "host faults: %s",
       g_sim.faults.empty() ? (g_sim.traps.empty() ? "" : g_sim.traps[0].c_str()) : g_sim.faults[0].c_str());
    ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
    return wintest_finish("test_dlg_analogin");
}
