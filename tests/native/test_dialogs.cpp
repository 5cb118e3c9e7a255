// The module dialogs' steps, run without Windows through the fake control
// table: opening, showing and storing channels, the kinds' own controls,
// copying to all channels, help, Ok and Cancel, blocks closed without edits,
// and codes and selections outside their lists. (Damaged blocks through
// every dialog step are the fuzz target's.)
#include <gmock/gmock.h>
#include <locale.h>

#include "dialog_ids.h"
#include "field_blocks.h"
#include "mod_dialog_common.h"
#include "test_fakes.h"

using Log = std::vector<std::string>;

extern unsigned g_plgNativeLocale;

namespace {

// A module of the kind with its defaults and some channels, its dialog open.
struct Dialog {
    const ModDialogKind* kind;
    TestModule module;
    FakeDialog d;
    Dialog(Rig&, const ModDialogKind* k, u32 channels) : kind(k), module(k->frame)
    {
        module.send(DMM_CREATE_MODULE);
        (k->frame->outputKind ? module.m->inputCount : module.m->outputCount) = channels;
        SetCurrentModule(module.m);
    }
    bool open() { return ModuleDialog_Open(d.hwnd(), kind); }
    void command(int id, int code = DLGN_CLICKED) { ModuleDialog_Command(d.hwnd(), kind, id, code); }
    void type(int id, const char* text)
    {
        command(id, DLGN_EDIT_SETFOCUS);
        d[id].text = text;
    }
    void choose(int id, int index)  // a list entry, as a user picks it
    {
        command(id, DLGN_LIST_SETFOCUS);
        d[id].selection = index;
        command(id, DLGN_SELCHANGE);
        command(id, DLGN_LIST_KILLFOCUS);
    }
    void channel(u32 c)  // the bar's channel change, as the dialog procedure runs it
    {
        kind->channel.store(d.hwnd(), barCurrentChannel);
        barCurrentChannel = c;
        kind->channel.show(d.hwnd(), c);
    }
    template <class T>
    T& copy() { return *(T*)g_dlgWorkingCopy; }
    template <class T>
    T& params() { return *MOD_Params<T>(module.m); }
};

// The bar's channel count stays within 1 and the kind's maximum whatever the
// host holds (one past the maximum, far past, none); a running experiment
// locks the controls that would change the block. Without memory for the
// working copy the dialog ends at once.
TEST(ModuleDialog, OpeningLocksWhileRunningAndClampsTheChannelCount)
{
    struct { const ModDialogKind* k; u32 channels, used, max; } cases[] = {
        {&g_dialogAnalogIn, 0, 1, 16},   {&g_dialogAnalogOut, 17, 16, 16}, {&g_dialogCounterIn, 3, 2, 2},
        {&g_dialogCounterOut, 3, 3, 16}, {&g_dialogDigitalIn, 9, 8, 8},    {&g_dialogDigitalOut, 40000, 8, 8}};
    for (const auto& c : cases)
        for (u32 running : {0u, 1u}) {
            Rig rig;
            g_vars.bExperimentIsRunning = running;
            Dialog dlg(rig, c.k, c.channels);
            ASSERT_TRUE(dlg.open());
            EXPECT_EQ(std::vector<u32>({barUsedChannels, barMaxChannels, barCurrentChannel}),
                      std::vector<u32>({c.used, c.max, 0}))
                << c.k->templateName;
            for (int id : {IDC_ARROW_FEWER, IDC_ARROW_MORE, IDC_MODULE_OK, IDC_SEARCH, IDC_CHANNEL_NAME})
                EXPECT_EQ(dlg.d[id].enabled, !running) << id;
            dlg.command(IDC_MODULE_CANCEL);
            EXPECT_EQ(dlg.d.result, 0);
            EXPECT_EQ(rig.liveAllocations, 0);
        }
    Rig rig;
    rig.refuseMemory = true;
    Dialog dlg(rig, &g_dialogDigitalIn, 1);
    EXPECT_FALSE(dlg.open());
    EXPECT_EQ(dlg.d.result, 0);
}

// Ok writes back name, description, block and channel count, with the
// channel-name global strings renewed around the copy.
TEST(ModuleDialog, OkWritesEverythingBack)
{
    Rig rig;
    Dialog dlg(rig, &g_dialogAnalogOut, 1);
    ASSERT_TRUE(dlg.open());
    barUsedChannels = 2;
    dlg.type(IDC_CHANNEL_NAME, "Valve");
    dlg.type(IDC_UNIT, "bar");
    dlg.type(IDC_MODULE_NAME, "Rig B");
    dlg.type(IDC_DESCRIPTION, "Pressure loop");
    rig.take();
    dlg.command(IDC_MODULE_OK);
    EXPECT_EQ(dlg.d.result, 1);
    EXPECT_EQ(rig.take(), (Log{"ChangeModuleName(Rig B)", "GlStr_Unregister(AnalogOut 0)", "ChangeModuleSize(2,0)",
                               "GlStr_Register(Valve)", "GlStr_Register(AnalogOut 1)", "NewDoMemFree(analogout)"}));
    EXPECT_STREQ(dlg.module.m->description, "Pressure loop");
    EXPECT_STREQ(dlg.params<AnalogOutParams>().channel[0].unit, "bar");
    EXPECT_EQ(rig.liveAllocations, 0);
}

// A block as a laboratory keeps it, opened and closed without edits (Ok after
// a look at every channel, or Cancel), stays byte for byte, whatever the
// host's separator and leading-zero switch, in an English host and in a
// German one (its C library's decimal point and its thread locale).
TEST(ModuleDialog, ClosingWithoutEditsKeepsTheBlockByteForByte)
{
    for (bool german : {false, true})
        for (const ModKind& row : g_modKinds)
            for (u32 leadingZero : {0u, 1u})
                for (const char* separator : {".", ","})
                    for (int close : {IDC_MODULE_OK, IDC_MODULE_CANCEL}) {
                        const ModDialogKind* k = row.dialog;
                        Rig rig;
                        ASSERT_TRUE(setlocale(LC_ALL, german ? "de_DE.UTF-8" : "C")) << "run tools/setup.sh";
                        g_plgNativeLocale = german ? 1031 : 1033;
                        rig.vars = {{FIELD_FREQUENCY_VAR, 40.0}, {FIELD_DUTY_CYCLE_VAR, 25.0}};
                        g_host.DezTrenn = (uintptr_t)separator;
                        g_host.bDecLeadingZero = leadingZero;
                        Dialog dlg(rig, k, k->maxChannels);
                        const ModClass* cls = row.cls;
                        field_block(cls->className, dlg.module.m->params);
                        u32 size = cls->paramSize;
                        std::vector<u8> before(dlg.module.bytes(), dlg.module.bytes() + size);
                        ASSERT_TRUE(dlg.open());
                        for (u32 c = 1; c <= barUsedChannels; ++c) dlg.channel(c % barUsedChannels);
                        dlg.command(close);
                        auto differs = std::mismatch(before.begin(), before.end(), dlg.module.bytes());
                        EXPECT_EQ(differs.first, before.end())
                            << k->templateName << " at byte " << differs.first - before.begin() << ", separator "
                            << separator << ", leading zero " << leadingZero << ", closed by " << close
                            << (german ? ", German" : "");
                    }
    setlocale(LC_ALL, "C");
    g_plgNativeLocale = 1033;
    g_host.DezTrenn = 0;
}

// A list whose selection is none of its entries (no selection, or one past
// the last) leaves the stored value as it was.
TEST(ModuleDialog, SelectionsOutsideTheirListKeepTheStoredValue)
{
    struct { const ModDialogKind* k; int list; size_t offset; } cases[] = {
        {&g_dialogAnalogIn, IDC_RANGE, offsetof(AnalogInParams, channel[0].range)},
        {&g_dialogAnalogIn, IDC_TIME_BASE, offsetof(AnalogInParams, timeBaseId)},
        {&g_dialogCounterIn, IDC_COUNTER_MODE, offsetof(CounterInParams, channel[0].mode)},
        {&g_dialogCounterIn, IDC_TIME_BASE, offsetof(CounterInParams, timeBaseId)},
        {&g_dialogDigitalIn, IDC_PORT, offsetof(DigitalParams, port)},
        {&g_dialogDigitalIn, IDC_TIME_BASE, offsetof(DigitalParams, timeBaseId)},
        {&g_dialogDigitalOut, IDC_PORT, offsetof(DigitalParams, port)},
    };
    for (const auto& c : cases)
        for (bool pastTheEnd : {false, true}) {
            Rig rig;
            Dialog dlg(rig, c.k, 1);
            field_block(MOD_KindOf(c.k->frame)->cls->className, dlg.module.m->params);
            u32 stored = dlg.module.word(c.offset);
            ASSERT_TRUE(dlg.open());
            dlg.choose(c.list, pastTheEnd ? (int)dlg.d[c.list].items.size() : -1);
            dlg.command(IDC_MODULE_OK);
            EXPECT_EQ(dlg.module.word(c.offset), stored) << c.k->templateName << " list " << c.list;
        }
}

// 1031 copies the one field of the control used last, as far as the kind
// copies that field; 1032 the whole channel settings.
TEST(ModuleDialog, CopyToAllChannelsByTheControlUsedLast)
{
    struct { const ModDialogKind* k; int control; bool copied; } cases[] = {
        {&g_dialogAnalogIn, IDC_RANGE, true},        {&g_dialogAnalogIn, IDC_UNIT, true},
        {&g_dialogCounterIn, IDC_COUNTER_MODE, false}, {&g_dialogCounterIn, IDC_REALTIME, true},
        {&g_dialogAnalogOut, IDC_UNIT, true},         {&g_dialogDigitalIn, IDC_REALTIME, true},
        {&g_dialogDigitalOut, IDC_CHANNEL_NAME, true}, {&g_dialogCounterOut, IDC_VALUE, false},
        {&g_dialogCounterOut, IDC_CHANNEL_NAME, true}};
    for (const auto& c : cases) {
        Rig rig;
        Dialog dlg(rig, c.k, 2);
        ASSERT_TRUE(dlg.open());
        u8* ch0 = ModuleDialog_Channel(c.k, 0);
        u8* ch1 = ModuleDialog_Channel(c.k, 1);
        u32 stride = c.k->frame->channelStride;
        std::vector<u8> second(ch1, ch1 + stride);
        // Channel 0 edited in every control the kind has.
        if (c.k->realTimeOffset != DLG_NO_FIELD) ch0[c.k->realTimeOffset] ^= 1;
        dlg.d[IDC_UNIT].text = "mV";
        dlg.d[IDC_CHANNEL_NAME].text = "X";
        dlg.d[IDC_VALUE].text = "3";
        dlg.d[IDC_RANGE].selection = 2;
        dlg.d[IDC_COUNTER_MODE].selection = 3;
        lastControlId = c.control;
        ModuleDialog_CopyFieldToAll(dlg.d.hwnd(), c.k);
        EXPECT_EQ(memcmp(ch1, second.data(), stride) != 0, c.copied) << c.k->templateName << " " << c.control;
        EXPECT_STREQ((char*)ch1, c.control == IDC_CHANNEL_NAME ? "X" : (char*)second.data());
        // The counter input copies the same one field for the whole channel.
        std::vector<u8> afterField(ch1, ch1 + stride);
        ModuleDialog_CopyChannelToAll(dlg.d.hwnd(), c.k);
        if (c.k == &g_dialogCounterIn) EXPECT_EQ(memcmp(ch1, afterField.data(), stride), 0);
        else EXPECT_EQ(memcmp(ch0, ch1, stride), 0);
        EXPECT_EQ(memcmp(ModuleDialog_Channel(c.k, 2), dlg.module.bytes() + sizeof(ParamHeader) + 2 * stride, stride),
                  0);  // not in use: left alone
        dlg.command(IDC_MODULE_CANCEL);
    }
}

// Help opens the topic of the control used last, then forgets it; Search
// stores the channel shown before the device changes, and forgets it too.
TEST(ModuleDialog, HelpAndSearch)
{
    Rig rig;
    Dialog dlg(rig, &g_dialogAnalogIn, 1);
    ASSERT_TRUE(dlg.open());
    rig.take();
    lastControlId = IDC_RANGE;
    dlg.command(IDC_MODULE_HELP);
    EXPECT_EQ(rig.take(), Log{"help(13020)"});
    dlg.d.applies = "\\?\\eth#1#SER9#10.0.0.9##";
    lastControlId = IDC_UNIT;
    dlg.type(IDC_CHANNEL_NAME, "Kept");
    dlg.command(IDC_SEARCH);
    EXPECT_EQ(dlg.d[IDC_DEVICE_TEXT].text, "SER9");
    EXPECT_STREQ(dlg.copy<AnalogInParams>().channel[0].name, "Kept");
    EXPECT_EQ(lastControlId, 0);
    dlg.command(IDC_MODULE_CANCEL);
}

// The block size follows the software clock switch and keeps its limits,
// whether the channel is shown again or Ok comes at once; a range code one
// past the list shows and stores as the first.
TEST(AnalogInDialog, BlockSizeRangeAndRealTime)
{
    Rig rig;
    Dialog dlg(rig, &g_dialogAnalogIn, 2);
    AnalogChannel& one = dlg.params<AnalogInParams>().channel[1];
    one.range = 4;  // each one past its list or range
    one.inputMode = 1;
    one.inputSwitch = 2;
    ASSERT_TRUE(dlg.open());
    EXPECT_FALSE(dlg.d[IDC_BLOCK_SIZE].enabled);
    dlg.d[IDC_SOFTWARE_CLOCK].checked = true;
    dlg.command(IDC_SOFTWARE_CLOCK);
    EXPECT_TRUE(dlg.d[IDC_BLOCK_SIZE].enabled);
    struct { const char* typed; u32 stored; } cases[] = {{"500", 128}, {"0", 1}, {"77", 77}, {"x7y", 77}};
    for (const auto& c : cases) {
        dlg.d[IDC_BLOCK_SIZE].text = c.typed;
        ModuleDialog_Refresh(dlg.d.hwnd(), &g_dialogAnalogIn);
        EXPECT_EQ(dlg.copy<AnalogInParams>().softwareClockBlockSize, c.stored) << c.typed;
    }
    dlg.channel(1);
    EXPECT_EQ(dlg.d[IDC_RANGE].selection, 0);
    EXPECT_EQ(dlg.d[IDC_RANGE].items.size(), 4u);
    dlg.choose(IDC_TIME_BASE, 2);
    EXPECT_EQ(dlg.copy<AnalogInParams>().timeBaseId, 3u);
    dlg.command(IDC_REALTIME);
    EXPECT_EQ(dlg.copy<AnalogInParams>().channel[1].realTime, 0u);
    EXPECT_EQ(lastControlId, IDC_REALTIME);
    dlg.d[IDC_BLOCK_SIZE].text = "500";
    dlg.command(IDC_MODULE_OK);
    EXPECT_EQ(dlg.params<AnalogInParams>().softwareClockBlockSize, 128u);
    EXPECT_EQ(std::vector<u32>({one.range, one.inputMode, one.inputSwitch}), std::vector<u32>({0, 0, 1}));
}

// German mode names in a German thread locale only; a mode one past the
// list shows and stores as the first.
TEST(CounterInDialog, ModesInTheLocalesLanguageAndUnknownModesAsImpulse)
{
    for (unsigned locale : {1031u, 2055u}) {
        Rig rig;
        g_plgNativeLocale = locale;
        Dialog dlg(rig, &g_dialogCounterIn, 2);
        dlg.params<CounterInParams>().channel[0].mode = 5;
        dlg.params<CounterInParams>().channel[1].mode = 3;
        ASSERT_TRUE(dlg.open());
        EXPECT_EQ(dlg.d[IDC_COUNTER_MODE].items.size(), 5u);
        EXPECT_EQ(dlg.d[IDC_COUNTER_MODE].items[0], locale == 1031 ? "Impuls" : "Impulse");
        EXPECT_EQ(dlg.d[IDC_COUNTER_MODE].selection, 0);
        dlg.channel(1);
        EXPECT_EQ(dlg.d[IDC_COUNTER_MODE].selection, 3);
        dlg.choose(IDC_COUNTER_MODE, 4);
        EXPECT_EQ(lastControlId, IDC_COUNTER_MODE);
        dlg.command(IDC_MODULE_OK);
        EXPECT_EQ(dlg.params<CounterInParams>().channel[0].mode, 0u);
        EXPECT_EQ(dlg.params<CounterInParams>().channel[1].mode, 4u);
        EXPECT_STREQ(dlg.params<CounterInParams>().channel[1].unit, " ");  // no unit box: kept
    }
    g_plgNativeLocale = 1033;
}

// "PA" and one more per port of the device up to "PF"; a stored port one
// past the device's (or far past) shows as "PA".
TEST(DigitalDialogs, PortListFollowsTheDevicesPorts)
{
    struct { u32 ports, stored; std::vector<std::string> items; int shown; } cases[] = {
        {2, 3, {"PA", "PB"}, 0},
        {4, 4, {"PA", "PB", "PC", "PD"}, 0},
        {4, 3, {"PA", "PB", "PC", "PD"}, 3},
        {9, 5, {"PA", "PB", "PC", "PD", "PE", "PF"}, 5},
        {0, 0, {"PA"}, 0}};
    for (const ModDialogKind* k : {&g_dialogDigitalIn, &g_dialogDigitalOut})
        for (const auto& c : cases) {
            Rig rig;
            Dialog dlg(rig, k, 1);
            dlg.params<DigitalParams>().portCount = c.ports;
            dlg.params<DigitalParams>().port = c.stored;
            ASSERT_TRUE(dlg.open());
            EXPECT_EQ(dlg.d[IDC_PORT].items, c.items);
            EXPECT_EQ(dlg.d[IDC_PORT].selection, c.shown);
            dlg.choose(IDC_PORT, 0);
            dlg.command(IDC_MODULE_OK);
            EXPECT_EQ(dlg.params<DigitalParams>().port, 0u);
        }
}

TEST(CounterOutDialog, ValueFieldTakesNumbersInTheHostsFormatOrVariables)
{
    Rig rig;
    rig.vars = {{3, 0.0}};
    const char comma[] = ",";
    g_host.DezTrenn = (uintptr_t)comma;
    g_host.bDecLeadingZero = 1;
    Dialog dlg(rig, &g_dialogCounterOut, 1);
    ASSERT_TRUE(dlg.open());
    EXPECT_THAT(rig.log, ::testing::Contains("SetMenuForGlobalVars(1014)"));
    EXPECT_EQ(dlg.d[IDC_VALUE_LABEL].text, "Frequency");
    EXPECT_EQ(dlg.d[IDC_VALUE].text, "10,00");
    EXPECT_TRUE(dlg.d[IDC_MODE_PWM].checked);
    CounterOutChannel& c = dlg.copy<CounterOutParams>().channel[0];

    dlg.d[IDC_VALUE].text = "12,5";
    dlg.channel(0);
    EXPECT_EQ(c.frequency, 12.5);
    EXPECT_EQ(dlg.d[IDC_VALUE].text, "12,50");
    dlg.d[IDC_VALUE].text = "{V3}";  // a reference keeps the number
    dlg.channel(0);
    EXPECT_EQ(c.frequencyVar, 3);
    EXPECT_EQ(c.frequency, 12.5);
    EXPECT_EQ(dlg.d[IDC_VALUE].text, "{V3}");

    // Switching to FM stores the field under PWM first, then shows the duty cycle.
    dlg.d[IDC_VALUE].text = "7.25";
    dlg.d[IDC_MODE_PWM].checked = false;
    dlg.d[IDC_MODE_FM].checked = true;
    dlg.command(IDC_MODE_FM);
    EXPECT_EQ(c.frequency, 7.25);
    EXPECT_EQ(c.frequencyVar, 0);
    EXPECT_EQ(c.pwmMode, 0u);
    EXPECT_EQ(dlg.d[IDC_VALUE_LABEL].text, "Duty cycle");
    EXPECT_EQ(dlg.d[IDC_VALUE].text, "50,00");
    // What no double holds changes nothing, and the field shows the value kept.
    for (const char* typed : {"nan", "inf", "-inf", "1e999"}) {
        dlg.d[IDC_VALUE].text = typed;
        dlg.channel(0);
        EXPECT_EQ(dlg.d[IDC_VALUE].text, "50,00") << typed;
    }
    dlg.d[IDC_VALUE].text = "garbage";
    dlg.command(IDC_MODULE_OK);
    EXPECT_EQ(dlg.params<CounterOutParams>().channel[0].dutyCycle, 0.0);
    g_host.DezTrenn = 0;
}

}  // namespace
