// Digital input and output parameter dialogs: the analog output dialog's
// steps with the port list; the input adds unit, real-time switch and time
// base, the output has the channel name alone.
#include "dialog_ids.h"
#include "mod_dialog_common.h"

enum { DIGITAL_MAX_CHANNELS = 8 };

static DigitalParams* Copy(void) { return (DigitalParams*)g_dlgWorkingCopy; }

static void ShowInput(HWND dialog, u32 channel)
{
    DigitalParams* p = Copy();
    DigitalChannel* c = &p->channel[channel];
    ModuleDialog_ShowUnit(dialog, (ChannelHead*)c);
    ModuleDialog_ShowName(dialog, (ChannelHead*)c);
    ModuleDialog_ShowDevice(dialog);
    ModuleDialog_ShowPort(dialog, p);
    g_dlgUi->check(dialog, IDC_REALTIME, c->realTime != 0);
}

static void StoreInput(HWND dialog, u32 channel)
{
    DigitalParams* p = Copy();
    ModuleDialog_StoreName(dialog, (ChannelHead*)&p->channel[channel]);
    ModuleDialog_StoreUnit(dialog, (ChannelHead*)&p->channel[channel]);
    ModuleDialog_StorePort(dialog, p);
}

static void ShowOutput(HWND dialog, u32 channel)
{
    DigitalParams* p = Copy();
    ModuleDialog_ShowName(dialog, (ChannelHead*)&p->channel[channel]);
    ModuleDialog_ShowDevice(dialog);
    ModuleDialog_ShowPort(dialog, p);
}

// The template has no unit box: the unit keeps its stored text.
static void StoreOutput(HWND dialog, u32 channel)
{
    DigitalParams* p = Copy();
    ModuleDialog_StoreName(dialog, (ChannelHead*)&p->channel[channel]);
    ModuleDialog_StorePort(dialog, p);
}

static const DlgField s_inputFields[] = {
    DLG_FIELD(DigitalChannel, IDC_UNIT, unit),
    DLG_FIELD(DigitalChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELD(DigitalChannel, IDC_REALTIME, realTime),
    DLG_FIELDS_END,
};
static const int s_inputLastUsed[] = {IDC_UNIT, IDC_TIME_BASE, IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, 0};
static const int s_inputRefresh[] = {IDC_UNIT, 0};

const ModDialogKind g_dialogDigitalIn = {
    &g_frameDigitalIn, "DIGITALIN", DIGITAL_MAX_CHANNELS, {StoreInput, ShowInput},
    s_inputFields, s_inputLastUsed, s_inputRefresh, offsetof(DigitalChannel, realTime), false, true, nullptr, nullptr,
};

static const DlgField s_outputFields[] = {
    DLG_FIELD(DigitalChannel, IDC_CHANNEL_NAME, name),
    DLG_FIELDS_END,
};
static const int s_outputLastUsed[] = {IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, 0};

const ModDialogKind g_dialogDigitalOut = {
    &g_frameDigitalOut, "DIGITALOUT", DIGITAL_MAX_CHANNELS, {StoreOutput, ShowOutput},
    s_outputFields, s_outputLastUsed, nullptr, DLG_NO_FIELD, false, false, nullptr, nullptr,
};
