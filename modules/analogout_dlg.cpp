// Analog output parameter dialog: per channel name and unit; the device.
#include "dialog_ids.h"
#include "mod_dialog_common.h"

static AnalogChannel* Channel(u32 i) { return &((AnalogOutParams*)g_dlgWorkingCopy)->channel[i]; }

static void ShowChannel(HWND dialog, u32 channel)
{
    ChannelHead* c = (ChannelHead*)Channel(channel);
    ModuleDialog_ShowUnit(dialog, c);
    ModuleDialog_ShowName(dialog, c);
    ModuleDialog_ShowDevice(dialog);
}

static void StoreChannel(HWND dialog, u32 channel)
{
    ChannelHead* c = (ChannelHead*)Channel(channel);
    ModuleDialog_StoreName(dialog, c);
    ModuleDialog_StoreUnit(dialog, c);
}

static const DlgField s_fields[] = {
    DLG_FIELD(AnalogChannel, IDC_UNIT, unit),
    DLG_FIELD(AnalogChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELDS_END,
};
static const int s_lastUsed[] = {IDC_UNIT, IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, 0};
static const int s_refresh[] = {IDC_UNIT, 0};

const ModDialogKind g_dialogAnalogOut = {
    &g_frameAnalogOut, "ANALOGOUT", KW_MAX_CHANNELS, {StoreChannel, ShowChannel},
    s_fields, s_lastUsed, s_refresh, DLG_NO_FIELD, false, false, nullptr, nullptr,
};
