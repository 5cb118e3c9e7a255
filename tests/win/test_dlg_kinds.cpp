// The six module dialogs of kestrelwing.dll, opened by the simulated host
// and driven through their real controls as a user would, a picture of each
// under captures/; every kind's dialog closed without edits.
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

// One script per kind through the dialog's real controls, each with a check
// that what was typed, chosen or pressed reached the block; every script ends
// with the dialog's picture for the user guide and Ok. The counter input comes
// first: the guide shows the first dialog of the run with its caption inactive.
static void test_scripts(void)
{
    SH_SetGlobalVar(3, 40.0);
    static const char *kCI = "Counter Input", *kAI = "Analog Input", *kDI = "Digital Input", *kAO = "Analog Output",
                      *kDO = "Digital Output", *kCO = "Counter Output";
    const struct {
        const char *className, *title, *picture;
        u32 channels;
        std::function<void(SimModule*)> setup;
        std::vector<DlgStep> steps;
        std::function<bool(SimModule*)> stored;
    } kinds[] = {
        // A mode one past the list shows and stores as impulse counting; the
        // second channel is the last a counter input has.
        {"KWE:CounterIn", kCI, "counterin", 1, [](SimModule* m) { params<CounterInParams>(m)->channel[0].mode = 5; },
         {expect_text(kCI, IDC_COUNTER_MODE, "Impulse"), press(kCI, IDC_ARROW_MORE), press(kCI, IDC_ARROW_MORE),
          press(kCI, IDC_CHANNEL_BUTTON0 + 1), type(kCI, IDC_CHANNEL_NAME, "Speed"), choose(kCI, IDC_COUNTER_MODE, 1),
          click(kCI, IDC_REALTIME), message(kCI, KWM_COPY_FIELD_TO_ALL)},
         [](SimModule* m) {
             CounterInChannel* c = params<CounterInParams>(m)->channel;
             return m->record->outputCount == 2 && c[0].mode == 0 && c[1].mode == 1 && !strcmp(c[1].name, "Speed");
         }},
        {"KWE:AnalogIn", kAI, "analogin", 1,
         [](SimModule* m) {
             params<AnalogInParams>(m)->softwareClock = 1;
             params<AnalogInParams>(m)->softwareClockBlockSize = 128;
         },
         {press(kAI, IDC_ARROW_MORE), press(kAI, IDC_ARROW_MORE), press(kAI, IDC_ARROW_MORE),
          press(kAI, IDC_CHANNEL_BUTTON0 + 2), type(kAI, IDC_CHANNEL_NAME, "Pressure"), type(kAI, IDC_UNIT, "bar"),
          choose(kAI, IDC_RANGE, 3), type(kAI, IDC_MODULE_NAME, "Rig A"), type(kAI, IDC_DESCRIPTION, "Test stand"),
          press(kAI, IDC_CHANNEL_BUTTON0 + 1)},
         [](SimModule* m) {
             const AnalogChannel* c = &params<AnalogInParams>(m)->channel[2];
             return m->record->outputCount == 4 && !strcmp(c->name, "Pressure") && !strcmp(c->unit, "bar") &&
                    c->range == 3 && !strcmp(m->record->name, "Rig A") &&
                    !strcmp(m->record->description, "Test stand");
         }},
        // A stored port one past the device's two shows as "PA".
        {"KWE:DigitalIn", kDI, "digitalin", 1,
         [](SimModule* m) { params<DigitalParams>(m)->portCount = params<DigitalParams>(m)->port = 2; },
         {expect_text(kDI, IDC_PORT, "PA"), choose(kDI, IDC_PORT, 1), press(kDI, IDC_ARROW_MORE),
          press(kDI, IDC_ARROW_MORE), type(kDI, IDC_UNIT, "TTL"), message(kDI, KWM_COPY_FIELD_TO_ALL),
          click(kDI, IDC_REALTIME), message(kDI, KWM_COPY_CHANNEL_TO_ALL), choose(kDI, IDC_TIME_BASE, 0)},
         [](SimModule* m) {
             DigitalParams* p = params<DigitalParams>(m);
             return m->record->outputCount == 3 && p->port == 1 && p->timeBaseId == 1 &&
                    !strcmp(p->channel[2].unit, "TTL");
         }},
        {"KWE:AnalogOut", kAO, "analogout", 2, [](SimModule*) {},
         {type(kAO, IDC_UNIT, "mA"), message(kAO, KWM_COPY_FIELD_TO_ALL), press(kAO, IDC_CHANNEL_BUTTON0 + 1),
          type(kAO, IDC_CHANNEL_NAME, "Heater"), press(kAO, IDC_ARROW_MORE)},
         [](SimModule* m) {
             const AnalogChannel* c = params<AnalogOutParams>(m)->channel;
             return m->record->inputCount == 3 && !strcmp(c[1].unit, "mA") && !strcmp(c[1].name, "Heater") &&
                    !strcmp(c[2].unit, "V");
         }},
        {"KWE:DigitalOut", kDO, "digitalout", 1, [](SimModule*) {},
         {expect_text(kDO, IDC_PORT, "PA"), choose(kDO, IDC_PORT, 2), type(kDO, IDC_CHANNEL_NAME, "Lamp"),
          message(kDO, KWM_COPY_FIELD_TO_ALL), press(kDO, IDC_ARROW_MORE)},
         [](SimModule* m) {
             DigitalParams* p = params<DigitalParams>(m);
             return m->record->inputCount == 2 && p->port == 2 && !strcmp(p->channel[0].name, "Lamp");
         }},
        // Numbers in the host's format, typed with its comma; a variable
        // reference shown back; the mode buttons relabelling the field.
        {"KWE:CounterOut", kCO, "counterout", 1,
         [](SimModule*) { kw_strlcpy(g_sim.knobs.dezTrenn, ",", sizeof g_sim.knobs.dezTrenn); },
         {expect_text(kCO, IDC_VALUE_LABEL, "Frequency"), expect_text(kCO, IDC_VALUE, "10,00"),
          type(kCO, IDC_VALUE, "12,5"), click(kCO, IDC_MODE_FM), expect_text(kCO, IDC_VALUE_LABEL, "Duty cycle"),
          expect_text(kCO, IDC_VALUE, "50,00"), type(kCO, IDC_VALUE, "{V3}"), press(kCO, IDC_ARROW_MORE),
          press(kCO, IDC_CHANNEL_BUTTON0 + 1), press(kCO, IDC_CHANNEL_BUTTON0), expect_text(kCO, IDC_VALUE, "{V3}"),
          click(kCO, IDC_MODE_PWM), expect_text(kCO, IDC_VALUE, "12,50"), click(kCO, IDC_MODE_FM),
          type(kCO, IDC_CHANNEL_NAME, "Fan"), message(kCO, KWM_COPY_CHANNEL_TO_ALL)},
         [](SimModule* m) {
             const CounterOutChannel* c = &params<CounterOutParams>(m)->channel[1];
             return m->record->inputCount == 2 && c->pwmMode == 0 && c->frequency == 12.5 && c->dutyCycleVar == 3 &&
                    !strcmp(c->name, "Fan");
         }},
    };
    for (const auto& k : kinds) {
        SimModule* m = new_module(k.className, k.channels);
        if (!m) continue;
        k.setup(m);
        std::vector<DlgStep> steps = k.steps;
        steps.insert(steps.begin(), wait_for(k.title));
        steps.push_back(capture(k.title, k.picture));
        steps.push_back(click(k.title, IDC_MODULE_OK));
        dlg_open_module(k.title, m, std::move(steps));
        ok(k.stored(m), "%s: the block does not hold what the script entered", k.title);
    }
    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
}

// A block as a laboratory keeps it stays byte for byte through Ok after a
// look at every channel, through the real controls of every field, with
// either separator of the host, while the process's C locale is German, as a
// host on a German Windows may set it. (The leading-zero switch and Cancel
// are the portable dialog steps' cases.)
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
    ok(setlocale(LC_ALL, "German_Germany.1252") != nullptr, "no German C locale");
    SH_SetGlobalVar(FIELD_FREQUENCY_VAR, 40.0);
    SH_SetGlobalVar(FIELD_DUTY_CYCLE_VAR, 25.0);
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
        }
    setlocale(LC_ALL, "C");
    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
}

int main(void)
{
    if (dlg_load_plugin()) {
        test_scripts();
        test_ok_without_edits();
        dlg_finish_plugin();
    }
    return wintest_finish("test_dlg_kinds");
}
