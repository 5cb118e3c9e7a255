// Counter input parameter dialog: per channel name, counter mode and
// real-time switch; the module's time base and device.
#include "dialog_ids.h"
#include "mod_dialog_common.h"
#include "plg_strings.h"

enum { MODE_COUNT = 5 };

static CounterInParams* Copy(void) { return (CounterInParams*)g_dlgWorkingCopy; }

// Mode names in the thread locale's language, in the order of the stored values.
static void Open(HWND dialog)
{
    static const char* const kEnglish[MODE_COUNT] = {"Impulse", "Frequency", "Periodic Time", "Pulse Width",
                                                     "Rotary Counter"};
    static const char* const kGerman[MODE_COUNT] = {"Impuls", "Frequenz", "Periodendauer", "Pulsweitenmessung",
                                                    "Inkremental"};
    const char* const* names = PLG_ThreadLocale() == PLG_LOCALE_GERMAN ? kGerman : kEnglish;
    g_dlgUi->listReset(dialog, IDC_COUNTER_MODE);
    for (u32 i = 0; i < MODE_COUNT; ++i) g_dlgUi->listAdd(dialog, IDC_COUNTER_MODE, names[i]);
}

static void ShowChannel(HWND dialog, u32 channel)
{
    CounterInChannel* c = &Copy()->channel[channel];
    ModuleDialog_ShowName(dialog, (ChannelHead*)c);
    if (c->mode >= MODE_COUNT) c->mode = 0;  // a loaded block's: the list never stores one
    g_dlgUi->listSelect(dialog, IDC_COUNTER_MODE, (int)c->mode);
    ModuleDialog_ShowDevice(dialog);
    g_dlgUi->check(dialog, IDC_REALTIME, c->realTime != 0);
}

// The template has no unit box: the unit keeps its stored text.
static void StoreChannel(HWND dialog, u32 channel)
{
    CounterInChannel* c = &Copy()->channel[channel];
    ModuleDialog_StoreName(dialog, (ChannelHead*)c);
    ModuleDialog_SelectedEntry(dialog, IDC_COUNTER_MODE, &c->mode);
}

// The counter mode is never copied to the other channels.
static const DlgField s_fields[] = {
    DLG_FIELD(CounterInChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELD(CounterInChannel, IDC_REALTIME, realTime),
    DLG_FIELDS_END,
};
static const int s_lastUsed[] = {IDC_COUNTER_MODE, IDC_TIME_BASE, IDC_CHANNEL_NAME, IDC_MODULE_NAME,
                                 IDC_DESCRIPTION, 0};
static const int s_refresh[] = {IDC_COUNTER_MODE, 0};

const ModDialogKind g_dialogCounterIn = {
    &g_frameCounterIn, "COUNTERIN", 2, {StoreChannel, ShowChannel},
    s_fields, s_lastUsed, s_refresh, offsetof(CounterInChannel, realTime), true, true, Open, nullptr,
};
