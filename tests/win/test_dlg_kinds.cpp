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

// Opens the module's dialog, runs the steps as a user would, takes the
// dialog's picture for the user guide and closes it with Ok.
static void ok_script(SimModule* m, const char* title, const char* picture, std::vector<DlgStep> steps)
{
    steps.insert(steps.begin(), wait_for(title));
    steps.push_back(capture(title, picture));
    steps.push_back(click(title, IDC_MODULE_OK));
    dlg_open_module(title, m, std::move(steps));
}

// Four channels, the third renamed with a unit and a range; the module's name
// and description. The software clock is on with the largest block.
static void test_analog_input(void)
{
    const char* kDialog = "Analog Input";
    SimModule* m = new_module("KWE:AnalogIn", 1);
    if (!m) return;
    AnalogInParams* p = params<AnalogInParams>(m);
    p->softwareClock = 1;
    p->softwareClockBlockSize = 128;
    ok_script(m, kDialog, "analogin",
              {press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE),
               press(kDialog, IDC_CHANNEL_BUTTON0 + 2), expect_text(kDialog, IDC_CHANNEL_NAME, "AnalogIn 2"),
               type(kDialog, IDC_CHANNEL_NAME, "Pressure"), type(kDialog, IDC_UNIT, "bar"), choose(kDialog, IDC_RANGE, 3),
               type(kDialog, IDC_MODULE_NAME, "Rig A"), type(kDialog, IDC_DESCRIPTION, "Test stand"),
               press(kDialog, IDC_CHANNEL_BUTTON0 + 1)});
    const AnalogChannel* c = p->channel;
    ok(m->record->outputCount == 4 && !strcmp(c[2].name, "Pressure") && !strcmp(c[2].unit, "bar") && c[2].range == 3 &&
           !strcmp(c[1].name, "AnalogIn 1") && c[1].range == 0 && !strcmp(m->record->name, "Rig A") &&
           !strcmp(m->record->description, "Test stand"),
       "analog input: %u outputs, channel 2 \"%s\" \"%s\" %u, name \"%s\"", m->record->outputCount, c[2].name,
       c[2].unit, c[2].range, m->record->name);
}

// A mode one past the list shown and stored as impulse counting; the second
// channel is the last a counter input has.
static void test_counter_input(void)
{
    const char* kDialog = "Counter Input";
    SimModule* m = new_module("KWE:CounterIn", 1);
    if (!m) return;
    CounterInChannel* c = params<CounterInParams>(m)->channel;
    c[0].mode = 5;
    ok_script(m, kDialog, "counterin",
              {expect_text(kDialog, IDC_COUNTER_MODE, "Impulse"), press(kDialog, IDC_ARROW_MORE),
               press(kDialog, IDC_ARROW_MORE),
               press(kDialog, IDC_CHANNEL_BUTTON0 + 1), expect_text(kDialog, IDC_CHANNEL_NAME, "CounterIn 1"),
               type(kDialog, IDC_CHANNEL_NAME, "Speed"), choose(kDialog, IDC_COUNTER_MODE, 1),
               click(kDialog, IDC_REALTIME), message(kDialog, KWM_COPY_FIELD_TO_ALL)});
    ok(m->record->outputCount == 2 && c[0].mode == 0 && c[1].mode == 1 && !strcmp(c[1].name, "Speed") &&
           !strcmp(c[0].name, "CounterIn 0") && c[0].realTime == 0 && c[1].realTime == 0,
       "counter input: %u outputs, modes %u %u, real-time %u %u", m->record->outputCount, c[0].mode, c[1].mode,
       c[0].realTime, c[1].realTime);
}

// A stored port one past the device's two falls back to "PA".
static void test_digital_input(void)
{
    const char* kDialog = "Digital Input";
    SimModule* m = new_module("KWE:DigitalIn", 1);
    if (!m) return;
    DigitalParams* p = params<DigitalParams>(m);
    p->portCount = 2;
    p->port = 2;
    ok_script(m, kDialog, "digitalin",
              {expect_text(kDialog, IDC_PORT, "PA"), act([kDialog] {
                   ok(SendMessageA(dlg_item(kDialog, IDC_PORT), CB_GETCOUNT, 0, 0) == 2, "two ports offered");
               }),
               choose(kDialog, IDC_PORT, 1), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_ARROW_MORE),
               type(kDialog, IDC_UNIT, "TTL"), message(kDialog, KWM_COPY_FIELD_TO_ALL), click(kDialog, IDC_REALTIME),
               message(kDialog, KWM_COPY_CHANNEL_TO_ALL), choose(kDialog, IDC_TIME_BASE, 0)});
    bool channels = true;
    for (int i = 0; i < 3; ++i)
        channels &= !strcmp(p->channel[i].unit, "TTL") && p->channel[i].realTime == 0 &&
                    !strcmp(p->channel[i].name, "DigitalIn 0");
    ok(m->record->outputCount == 3 && p->port == 1 && p->timeBaseId == 1 && channels,
       "digital input: outputs %u, port %u, time base %u", m->record->outputCount, p->port, p->timeBaseId);
}

static void test_analog_output(void)
{
    const char* kDialog = "Analog Output";
    SimModule* m = new_module("KWE:AnalogOut", 2);
    if (!m) return;
    ok_script(m, kDialog, "analogout",
              {type(kDialog, IDC_UNIT, "mA"), message(kDialog, KWM_COPY_FIELD_TO_ALL),
               press(kDialog, IDC_CHANNEL_BUTTON0 + 1), type(kDialog, IDC_CHANNEL_NAME, "Heater"),
               press(kDialog, IDC_ARROW_MORE)});
    const AnalogChannel* c = params<AnalogOutParams>(m)->channel;
    ok(m->record->inputCount == 3 && m->record->outputCount == 0 && !strcmp(c[1].unit, "mA") &&
           !strcmp(c[1].name, "Heater") && !strcmp(c[2].unit, "V"),
       "analog output: %u inputs, units \"%s\" \"%s\"", m->record->inputCount, c[1].unit, c[2].unit);
}

static void test_digital_output(void)
{
    const char* kDialog = "Digital Output";
    SimModule* m = new_module("KWE:DigitalOut", 1);
    if (!m) return;
    ok_script(m, kDialog, "digitalout",
              {expect_text(kDialog, IDC_PORT, "PA"), choose(kDialog, IDC_PORT, 2), type(kDialog, IDC_CHANNEL_NAME, "Lamp"),
               message(kDialog, KWM_COPY_FIELD_TO_ALL), press(kDialog, IDC_ARROW_MORE)});
    DigitalParams* p = params<DigitalParams>(m);
    ok(m->record->inputCount == 2 && p->port == 2 && !strcmp(p->channel[0].name, "Lamp") &&
           !strcmp(p->channel[1].name, "DigitalOut 1"),
       "digital output: inputs %u, port %u, names \"%s\" \"%s\"", m->record->inputCount, p->port,
       p->channel[0].name, p->channel[1].name);
}

// Numbers in the host's format, typed with its comma; a variable reference
// shown back; the mode buttons relabelling the field.
static void test_counter_output(void)
{
    const char* kDialog = "Counter Output";
    SimModule* m = new_module("KWE:CounterOut", 1);
    if (!m) return;
    SH_SetGlobalVar(3, 40.0);
    kw_strlcpy(g_sim.knobs.dezTrenn, ",", sizeof g_sim.knobs.dezTrenn);
    ok_script(m, kDialog, "counterout",
              {expect_text(kDialog, IDC_VALUE_LABEL, "Frequency"), expect_text(kDialog, IDC_VALUE, "10,00"),
               type(kDialog, IDC_VALUE, "12,5"), click(kDialog, IDC_MODE_FM),
               expect_text(kDialog, IDC_VALUE_LABEL, "Duty cycle"), expect_text(kDialog, IDC_VALUE, "50,00"),
               type(kDialog, IDC_VALUE, "{V3}"), press(kDialog, IDC_ARROW_MORE), press(kDialog, IDC_CHANNEL_BUTTON0 + 1),
               press(kDialog, IDC_CHANNEL_BUTTON0), expect_text(kDialog, IDC_VALUE, "{V3}"), click(kDialog, IDC_MODE_PWM),
               expect_text(kDialog, IDC_VALUE, "12,50"), click(kDialog, IDC_MODE_FM),
               type(kDialog, IDC_CHANNEL_NAME, "Fan"), message(kDialog, KWM_COPY_CHANNEL_TO_ALL)});
    CounterOutChannel* c = params<CounterOutParams>(m)->channel;
    for (int i = 0; i < 2; ++i)
        ok(m->record->inputCount == 2 && c[i].pwmMode == 0 && c[i].frequency == 12.5 && c[i].dutyCycleVar == 3 &&
               !strcmp(c[i].name, "Fan"),
           "channel %d: mode %u, %g Hz, duty variable %d, \"%s\"", i, c[i].pwmMode, c[i].frequency,
           (int)c[i].dutyCycleVar, c[i].name);
    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
}

// Loads the plug-in afresh with the host's leading-zero switch, which it
// reads once when it binds.
static bool load_with_leading_zero(u32 leadingZero)
{
    SH_Reset();
    g_sim.knobs.bDecLeadingZero = leadingZero;
    return ok(kwtest_with_driver("full", SHW_LoadPlugin) == 1, "SetupTarnDLL with leading zero %u", leadingZero);
}

// A block as a laboratory keeps it stays byte for byte through Ok after a
// look at every channel, with either separator and leading-zero switch of
// the host, while the process's C locale is German, as a host on a German
// Windows may set it. Numbers typed with a point still read as the host's
// format says.
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
    for (u32 leadingZero : {0u, 1u}) {
        dlg_finish_plugin();
        if (!load_with_leading_zero(leadingZero)) break;
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
                ok(at == size, "%s, separator %s, leading zero %u: byte %u changed", k.title, separator, leadingZero,
                   (unsigned)at);
                if (strcmp(k.className, "KWE:CounterOut") || *separator != '.') continue;
                CounterOutChannel* c = params<CounterOutParams>(m)->channel;
                dlg_open_module("counter output, German locale", m,
                                {wait_for(k.title), expect_text(k.title, IDC_VALUE, "1.23e+05"),
                                 type(k.title, IDC_VALUE, "1.5"), click(k.title, IDC_MODULE_OK)});
                ok(c[0].frequency == 1.5, "\"1.5\" stored as %g", c[0].frequency);
            }
    }
    setlocale(LC_ALL, "C");
    kw_strlcpy(g_sim.knobs.dezTrenn, ".", sizeof g_sim.knobs.dezTrenn);
}

int main(void)
{
    if (dlg_load_plugin()) {
        test_counter_input();  // first: the guide shows the first dialog of the run with its caption inactive
        test_analog_input();
        test_digital_input();
        test_analog_output();
        test_digital_output();
        test_counter_output();
        test_ok_without_edits();
        dlg_finish_plugin();
    }
    return wintest_finish("test_dlg_kinds");
}
