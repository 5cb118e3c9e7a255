// Analog input parameter dialog: per channel name, unit, range and real-time
// switch; the module's software clock, time base and device.
#include "dialog_ids.h"
#include "mod_dialog_common.h"
#include "plugin_state.h"

#include <stdio.h>

static const char* const kRanges[] = {"+/-10.0 V", "+/- 5.0 V", "+/- 2.5 V", "+/- 1.25V"};
static const u32 kRangeCount = 4;
static const u32 kBlockSizeMax = 128;

static u32 Clamp(u32 value, u32 low, u32 high) { return value < low ? low : value > high ? high : value; }

static AnalogInParams* Copy(void) { return (AnalogInParams*)g_dlgWorkingCopy; }

static void ShowChannel(HWND dialog, u32 channel)
{
    AnalogInParams* p = Copy();
    AnalogChannel* c = &p->channel[channel];
    bool idle = !g_vars.bExperimentIsRunning;

    ModuleDialog_ShowDevice(dialog);
    g_dlgUi->check(dialog, IDC_SOFTWARE_CLOCK, p->softwareClock != 0);
    g_dlgUi->enable(dialog, IDC_SOFTWARE_CLOCK, idle);
    p->softwareClockBlockSize = Clamp(p->softwareClockBlockSize, 1, kBlockSizeMax);
    char number[12];
    snprintf(number, sizeof number, "%u", p->softwareClockBlockSize);
    g_dlgUi->setText(dialog, IDC_BLOCK_SIZE, number);
    g_dlgUi->enable(dialog, IDC_BLOCK_SIZE, idle && p->softwareClock);

    ModuleDialog_ShowUnit(dialog, (ChannelHead*)c);
    ModuleDialog_ShowName(dialog, (ChannelHead*)c);

    if (c->range >= kRangeCount) c->range = 0;  // a loaded block's: the list never stores one
    g_dlgUi->listReset(dialog, IDC_RANGE);
    for (const char* text : kRanges) g_dlgUi->listAdd(dialog, IDC_RANGE, text);
    g_dlgUi->listSelect(dialog, IDC_RANGE, (int)c->range);

    if (c->inputMode != 0) c->inputMode = 0;
    if (c->inputSwitch > 1) c->inputSwitch = 1;
    g_dlgUi->check(dialog, IDC_REALTIME, c->realTime != 0);
}

static void StoreChannel(HWND dialog, u32 channel)
{
    AnalogInParams* p = Copy();
    AnalogChannel* c = &p->channel[channel];
    u32 blockSize;
    if (g_dlgUi->getUnsigned(dialog, IDC_BLOCK_SIZE, &blockSize))
        p->softwareClockBlockSize = Clamp(blockSize, 1, kBlockSizeMax);
    ModuleDialog_StoreSwitch(dialog, IDC_SOFTWARE_CLOCK, &p->softwareClock);
    ModuleDialog_StoreName(dialog, (ChannelHead*)c);
    ModuleDialog_StoreUnit(dialog, (ChannelHead*)c);
    ModuleDialog_SelectedEntry(dialog, IDC_RANGE, &c->range);
}

// The block size field follows the software clock switch.
static bool Command(HWND dialog, int id, int code)
{
    if (id != IDC_SOFTWARE_CLOCK || code != DLGN_CLICKED) return false;
    ModuleDialog_Refresh(dialog, &g_dialogAnalogIn);
    lastControlId = id;
    return true;
}

static const DlgField s_fields[] = {
    DLG_FIELD(AnalogChannel, IDC_UNIT, unit),         DLG_FIELD(AnalogChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELD(AnalogChannel, IDC_REALTIME, realTime), DLG_FIELD(AnalogChannel, IDC_RANGE, range),
    DLG_FIELDS_END,
};
static const int s_lastUsed[] = {IDC_TIME_BASE,    IDC_UNIT,        IDC_RANGE,
                                 IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, 0};
static const int s_refresh[] = {IDC_UNIT, IDC_RANGE, 0};

const ModDialogKind g_dialogAnalogIn = {
    &g_frameAnalogIn, "ANALOGIN", KW_MAX_CHANNELS, {StoreChannel, ShowChannel},
    s_fields, s_lastUsed, s_refresh, offsetof(AnalogChannel, realTime), false, true, nullptr, Command,
};
