// Counter output parameter dialog: per channel name, PWM or FM mode and the
// mode's fixed value (frequency in PWM mode, duty cycle in FM mode), typed as
// a number in the host's format or as a reference to a host global variable;
// the device.
#include <math.h>
#include <string.h>

#include "dialog_ids.h"
#include "fmt_number.h"
#include "mod_dialog_common.h"
#include "plugin_state.h"

enum { VALUE_TEXT_SIZE = 400 };

// The value field's text as the show step put it there: the number in the
// host's format (rounded to two decimals) or a variable reference.
static char s_shownValue[VALUE_TEXT_SIZE];

static CounterOutChannel* Channel(u32 i) { return &((CounterOutParams*)g_dlgWorkingCopy)->channel[i]; }

// The open step offers the host's global variables in the value field.
static void Open(HWND dialog) { g_host.SetMenuForGlobalVars(dialog, IDC_VALUE); }

static void ShowChannel(HWND dialog, u32 channel)
{
    CounterOutChannel* c = Channel(channel);
    bool pwm = c->pwmMode != 0;
    ModuleDialog_ShowName(dialog, (ChannelHead*)c);
    g_dlgUi->check(dialog, IDC_MODE_PWM, pwm);
    g_dlgUi->check(dialog, IDC_MODE_FM, !pwm);
    g_dlgUi->setText(dialog, IDC_VALUE_LABEL, pwm ? "Frequency" : "Duty cycle");
    char text[VALUE_TEXT_SIZE] = "";
    if (!g_host.GlVar_SetSyntax(text, pwm ? c->frequencyVar : c->dutyCycleVar)) {
        char number[FMT_NUMBER_SIZE];
        FMT_FormatNumber(number, pwm ? c->frequency : c->dutyCycle, 2);
        kw_strlcpy(text, number, sizeof text);
    }
    text[VALUE_TEXT_SIZE - 1] = 0;  // whatever the host wrote
    g_dlgUi->setText(dialog, IDC_VALUE, text);
    memcpy(s_shownValue, text, sizeof s_shownValue);
    ModuleDialog_ShowDevice(dialog);
}

// The value field belongs to the mode the channel had when it was shown. An
// edited field replaces that mode's value: a variable reference selects the
// variable and keeps the number, a number clears the variable. The field as
// shown, or a number beyond a double (NaN, an infinity), changes nothing.
// Then the mode follows the radio buttons.
static void StoreValue(HWND dialog, CounterOutChannel* c)
{
    char text[VALUE_TEXT_SIZE];
    g_dlgUi->getText(dialog, IDC_VALUE, text, sizeof text);
    if (strcmp(text, s_shownValue) == 0) return;
    bool pwm = c->pwmMode != 0;
    i16 number = 0;
    if (g_host.ExpandVarNumber(text, VALUE_TEXT_SIZE, &number)) {
        (pwm ? c->frequencyVar : c->dutyCycleVar) = number;
        return;
    }
    double value = FMT_ParseNumber(text);
    if (!isfinite(value)) return;
    (pwm ? c->frequency : c->dutyCycle) = value;
    (pwm ? c->frequencyVar : c->dutyCycleVar) = 0;
}

static void StoreChannel(HWND dialog, u32 channel)
{
    CounterOutChannel* c = Channel(channel);
    ModuleDialog_StoreName(dialog, (ChannelHead*)c);
    StoreValue(dialog, c);
    ModuleDialog_StoreSwitch(dialog, IDC_MODE_PWM, &c->pwmMode);
}

// A mode button relabels the value field: the value typed so far is stored
// under the old mode first.
static bool Command(HWND dialog, int id, int code)
{
    if ((id != IDC_MODE_PWM && id != IDC_MODE_FM) || code != DLGN_CLICKED) return false;
    ModuleDialog_Refresh(dialog, &g_dialogCounterOut);
    return true;
}

static const DlgField s_fields[] = {
    DLG_FIELD(CounterOutChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELDS_END,
};
static const int s_lastUsed[] = {IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, 0};

const ModDialogKind g_dialogCounterOut = {
    &g_frameCounterOut, "COUNTEROUT", KW_MAX_CHANNELS, {StoreChannel, ShowChannel},
    s_fields, s_lastUsed, nullptr, DLG_NO_FIELD, false, false, Open, Command,
};
