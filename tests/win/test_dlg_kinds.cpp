// The counter, digital and output parameter dialogs of kestrelwing.dll,
// opened by the simulated host and driven as a user would; a picture of
// each under captures/. Every kind's dialog closed without edits.
#include <locale.h>

#include <algorithm>

#include "dialog_ids.h"
#include "dlg_driver.h"
#include "field_blocks.h"
#include "mod_params.h"

template <class T>
static T* params(SimModule* m)
{
    return (T*)m->record->params;
}

static SimModule* new_module(const char* className, u32 channels)
{
    SimModule* m = SH_CreateModule(className);
    if (!ok(m != nullptr, "no module of %s", className)) return nullptr;
    bool output = m->record->inputCount != 0;
    (output ? m->record->inputCount : m->record->outputCount) = channels;
    return m;
}

static DlgStep message(const char* title, UINT message)
{
    return act([title, message] { SendMessageA(dlg_find(title), message, 0, 0); });
}

static DlgStep expect_enabled(const char* title, int id, bool enabled)
{
    return act([=] { ok(!IsWindowEnabled(dlg_item(title, id)) == !enabled, "%s: control %d enabled", title, id); });
}

// Cancel after any edit leaves the block byte for byte and the module as it was.
static void cancel_keeps(const char* title, SimModule* m, std::vector<DlgStep> edits)
{
    u32 size = g_sim.classes[(size_t)m->classIndex].record.paramSize;
    std::vector<u8> before((u8*)m->record->params, (u8*)m->record->params + size);
    u32 in = m->record->inputCount, out = m->record->outputCount;
    i64 allocations = g_sim.liveAllocations;
    edits.insert(edits.begin(), wait_for(title));
    edits.push_back(click(title, IDC_MODULE_CANCEL));
    dlg_open_module(title, m, edits);
    ok(!memcmp(before.data(), m->record->params, size) && m->record->inputCount == in &&
           m->record->outputCount == out,
       "%s: Cancel changed the module", title);
    ok(g_sim.liveAllocations == allocations, "%s: working copy not freed", title);
}

static void test_counter_input(void)
{
    const char* kDialog = "Counter Input";
    SimModule* m = new_module("KWE:CounterIn", 1);
    if (!m) return;
    CounterInChannel* c = params<CounterInParams>(m)->channel;
    c[0].mode = 7;  // unknown: shown and stored as impulse counting
    dlg_open_module("counter input", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_COUNTER_MODE, "Impulse"),
                     press(kDialog, IDC_ARROW_MORE), expect_enabled(kDialog, IDC_ARROW_MORE, true),
                     press(kDialog, IDC_ARROW_MORE),  // the second channel is the last
                     press(kDialog, IDC_CHANNEL_BUTTON0 + 1), expect_text(kDialog, IDC_CHANNEL_NAME, "CounterIn 1"),
                     type(kDialog, IDC_CHANNEL_NAME, "Speed"), choose(kDialog, IDC_COUNTER_MODE, 1),
                     click(kDialog, IDC_REALTIME), message(kDialog, KWM_COPY_FIELD_TO_ALL),
                     capture(kDialog, "counterin"), click(kDialog, IDC_MODULE_OK)});
    ok(m->record->outputCount == 2, "%u outputs", m->record->outputCount);
    ok(c[0].mode == 0 && c[1].mode == 1 && !strcmp(c[1].name, "Speed") && !strcmp(c[0].name, "CounterIn 0"),
       "modes %u %u, names \"%s\" \"%s\"", c[0].mode, c[1].mode, c[0].name, c[1].name);
    ok(c[0].realTime == 0 && c[1].realTime == 0, "real-time switches %u %u", c[0].realTime, c[1].realTime);
    cancel_keeps(kDialog, m, {choose(kDialog, IDC_COUNTER_MODE, 4), press(kDialog, IDC_ARROW_FEWER),
                              type(kDialog, IDC_MODULE_NAME, "Other")});
}

static void test_digital_input(void)
{
    const char* kDialog = "Digital Input";
    SimModule* m = new_module("KWE:DigitalIn", 1);
    if (!m) return;
    DigitalParams* p = params<DigitalParams>(m);
    p->portCount = 2;
    p->port = 3;  // beyond the device: falls back to "PA"
    dlg_open_module("digital input", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_PORT, "PA"), act([kDialog] {
                         HWND list = dlg_item(kDialog, IDC_PORT);
                         ok(SendMessageA(list, CB_GETCOUNT, 0, 0) == 2, "two ports offered");
                     }),
                     choose(kDialog, IDC_PORT, 1), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE),
                     type(kDialog, IDC_UNIT, "TTL"), message(kDialog, KWM_COPY_FIELD_TO_ALL),
                     click(kDialog, IDC_REALTIME), message(kDialog, KWM_COPY_CHANNEL_TO_ALL),
                     choose(kDialog, IDC_TIME_BASE, 0), capture(kDialog, "digitalin"), click(kDialog, IDC_MODULE_OK)});
    ok(m->record->outputCount == 3 && p->port == 1 && p->timeBaseId == 1, "outputs %u, port %u, time base %u",
       m->record->outputCount, p->port, p->timeBaseId);
    for (int i = 0; i < 3; ++i)
        ok(!strcmp(p->channel[i].unit, "TTL") && p->channel[i].realTime == 0 && !strcmp(p->channel[i].name, "DigitalIn 0"),
           "channel %d: \"%s\" %u \"%s\"", i, p->channel[i].unit, p->channel[i].realTime, p->channel[i].name);
    cancel_keeps(kDialog, m, {choose(kDialog, IDC_PORT, 0), click(kDialog, IDC_REALTIME)});
}

static void test_analog_output(void)
{
    const char* kDialog = "Analog Output";
    SimModule* m = new_module("KWE:AnalogOut", 2);
    if (!m) return;
    dlg_open_module("analog output", m,
                    {wait_for(kDialog), type(kDialog, IDC_UNIT, "mA"), message(kDialog, KWM_COPY_FIELD_TO_ALL),
                     press(kDialog, IDC_CHANNEL_BUTTON0 + 1), type(kDialog, IDC_CHANNEL_NAME, "Heater"),
                     press(kDialog, IDC_ARROW_MORE), capture(kDialog, "analogout"), click(kDialog, IDC_MODULE_OK)});
    const AnalogChannel* c = params<AnalogOutParams>(m)->channel;
    ok(m->record->inputCount == 3 && m->record->outputCount == 0, "%u inputs, %u outputs", m->record->inputCount,
       m->record->outputCount);
    ok(!strcmp(c[1].unit, "mA") && !strcmp(c[1].name, "Heater") && !strcmp(c[2].unit, "V"), "units \"%s\" \"%s\"",
       c[1].unit, c[2].unit);
    cancel_keeps(kDialog, m, {type(kDialog, IDC_UNIT, "A"), message(kDialog, KWM_COPY_CHANNEL_TO_ALL)});
}

static void test_digital_output(void)
{
    const char* kDialog = "Digital Output";
    SimModule* m = new_module("KWE:DigitalOut", 1);
    if (!m) return;
    dlg_open_module("digital output", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_PORT, "PA"), choose(kDialog, IDC_PORT, 2),
                     type(kDialog, IDC_CHANNEL_NAME, "Lamp"), message(kDialog, KWM_COPY_FIELD_TO_ALL),
                     press(kDialog, IDC_ARROW_MORE), capture(kDialog, "digitalout"), click(kDialog, IDC_MODULE_OK)});
    DigitalParams* p = params<DigitalParams>(m);
    ok(m->record->inputCount == 2 && p->port == 2 && !strcmp(p->channel[0].name, "Lamp") &&
           !strcmp(p->channel[1].name, "DigitalOut 1"),
       "inputs %u, port %u, names \"%s\" \"%s\"", m->record->inputCount, p->port, p->channel[0].name,
       p->channel[1].name);
    cancel_keeps(kDialog, m, {choose(kDialog, IDC_PORT, 0), press(kDialog, IDC_ARROW_FEWER)});
}

// Numbers in the host's format, typed with a comma and with a point; a
// variable reference shown back; the mode buttons relabelling the field.
static void test_counter_output(void)
{
    const char* kDialog = "Counter Output";
    SimModule* m = new_module("KWE:CounterOut", 1);
    if (!m) return;
    SH_SetGlobalVar(3, 40.0);
    kw_strlcpy(g_sim.knobs.dezTrenn, ",", sizeof g_sim.knobs.dezTrenn);
    dlg_open_module("counter output", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_VALUE_LABEL, "Frequency"),
                     expect_text(kDialog, IDC_VALUE, "10,00"), type(kDialog, IDC_VALUE, "12,5"),
                     click(kDialog, IDC_MODE_FM), expect_text(kDialog, IDC_VALUE_LABEL, "Duty cycle"),
                     expect_text(kDialog, IDC_VALUE, "50,00"), type(kDialog, IDC_VALUE, "{V3}"),
                     press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_CHANNEL_BUTTON0 + 1),
                     press(kDialog, IDC_CHANNEL_BUTTON0), expect_text(kDialog, IDC_VALUE, "{V3}"),
                     click(kDialog, IDC_MODE_PWM), expect_text(kDialog, IDC_VALUE, "12,50"),
                     click(kDialog, IDC_MODE_FM), type(kDialog, IDC_CHANNEL_NAME, "Fan"),
                     message(kDialog, KWM_COPY_CHANNEL_TO_ALL), capture(kDialog, "counterout"),
                     click(kDialog, IDC_MODULE_OK)});
    CounterOutChannel* c = params<CounterOutParams>(m)->channel;
    ok(m->record->inputCount == 2, "%u inputs", m->record->inputCount);
    for (int i = 0; i < 2; ++i)
        ok(c[i].pwmMode == 0 && c[i].frequency == 12.5 && c[i].dutyCycleVar == 3 && !strcmp(c[i].name, "Fan"),
           "channel %d: mode %u, %g Hz, duty variable %d, \"%s\"", i, c[i].pwmMode, c[i].frequency,
           (int)c[i].dutyCycleVar, c[i].name);

    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
    dlg_open_module("counter output, point", m,
                    {wait_for(kDialog), expect_text(kDialog, IDC_VALUE, "{V3}"), type(kDialog, IDC_VALUE, "7.5"),
                     message(kDialog, KWM_COPY_FIELD_TO_ALL), click(kDialog, IDC_MODULE_OK)});
    ok(c[0].dutyCycleVar == 0 && c[0].dutyCycle == 7.5 && c[1].dutyCycleVar == 3, "duty %g, variables %d %d",
       c[0].dutyCycle, (int)c[0].dutyCycleVar, (int)c[1].dutyCycleVar);
    cancel_keeps(kDialog, m, {type(kDialog, IDC_VALUE, "99"), click(kDialog, IDC_MODE_PWM)});
}

// A block as a laboratory keeps it stays byte for byte through Ok after a
// look at every channel, with either separator of the host, while the
// process's C locale is German, as a host on a German Windows may set it.
// Numbers typed with a point still read as the host's format says.
static void test_ok_without_edits(void)
{
    static const struct {
        const char* className;
        const char* title;
        u32 channels;
    } kKinds[] = {
        {"KWE:AnalogIn", "Analog Input", 16},   {"KWE:AnalogOut", "Analog Output", 16},
        {"KWE:CounterIn", "Counter Input", 2},  {"KWE:CounterOut", "Counter Output", 16},
        {"KWE:DigitalIn", "Digital Input", 8},  {"KWE:DigitalOut", "Digital Output", 8},
    };
    SH_SetGlobalVar(FIELD_FREQUENCY_VAR, 40.0);
    SH_SetGlobalVar(FIELD_DUTY_CYCLE_VAR, 25.0);
    ok(setlocale(LC_ALL, "German_Germany.1252") != nullptr, "no German C locale");
    for (const auto& k : kKinds)
        for (const char* separator : {".", ","}) {
            SimModule* m = new_module(k.className, k.channels);
            if (!m) return;
            field_block(k.className, m->record->params);
            u32 size = g_sim.classes[(size_t)m->classIndex].record.paramSize;
            std::vector<u8> before((u8*)m->record->params, (u8*)m->record->params + size);
            kw_strlcpy(g_sim.knobs.dezTrenn, separator, sizeof g_sim.knobs.dezTrenn);
            std::vector<DlgStep> steps = {wait_for(k.title)};
            for (u32 c = 1; c <= k.channels; ++c)
                steps.push_back(press(k.title, IDC_CHANNEL_BUTTON0 + (int)(c % k.channels)));
            steps.push_back(click(k.title, IDC_MODULE_OK));
            dlg_open_module(k.title, m, steps);
            const u8* after = (const u8*)m->record->params;
            size_t at = std::mismatch(before.begin(), before.end(), after).first - before.begin();
            ok(at == size, "%s, separator %s: byte %u changed", k.title, separator, (unsigned)at);
            if (strcmp(k.className, "KWE:CounterOut") || *separator != '.') continue;
            CounterOutChannel* c = params<CounterOutParams>(m)->channel;
            dlg_open_module("counter output, German locale", m,
                            {wait_for(k.title), expect_text(k.title, IDC_VALUE, "1.23e+05"),
                             type(k.title, IDC_VALUE, "1.5"), click(k.title, IDC_MODULE_OK)});
            ok(c[0].frequency == 1.5, "\"1.5\" stored as %g", c[0].frequency);
        }
    setlocale(LC_ALL, "C");
    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
}

int main(void)
{
    if (dlg_load_plugin()) {
        test_counter_input();
        test_digital_input();
        test_analog_output();
        test_digital_output();
        test_counter_output();
        test_ok_without_edits();
        dlg_finish_plugin();
    }
    return wintest_finish("test_dlg_kinds");
}
