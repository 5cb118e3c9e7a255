// Shared steps of the module parameter dialogs.
#include "mod_dialog_common.h"

#include <stdio.h>
#include <string.h>

#include "dev_device.h"
#include "dialog_ids.h"
#include "plugin_state.h"

void* g_dlgWorkingCopy;

enum { MODULE_NAME_SIZE = 13, DESCRIPTION_SIZE = 41 };

static u32 ParamSize(const ModDialogKind* k) { return MOD_KindOf(k->frame)->cls->paramSize; }

u8* ModuleDialog_Channel(const ModDialogKind* k, u32 i)
{
    return (u8*)g_dlgWorkingCopy + sizeof(ParamHeader) + (size_t)k->frame->channelStride * i;
}

static ParamHeader* CopyHeader(void) { return (ParamHeader*)g_dlgWorkingCopy; }

static bool Listed(const int* controls, int id)
{
    for (const int* c = controls; c && *c; ++c)
        if (*c == id) return true;
    return false;
}

// ---------------------------------------------------------------- opening

// Info and Cancel stay usable while an experiment runs.
static void InitCommon(HWND dialog)
{
    Module* m = PLG_CurrentModule();
    g_dlgUi->refreshBar(dialog);
    g_host.SetMenuForGlobalStrings(dialog, IDC_CHANNEL_NAME);
    g_dlgUi->limitText(dialog, IDC_CHANNEL_NAME, 20);
    g_dlgUi->limitText(dialog, IDC_MODULE_NAME, 12);
    g_dlgUi->limitText(dialog, IDC_DESCRIPTION, 40);
    char name[MODULE_NAME_SIZE], description[DESCRIPTION_SIZE];
    kw_strlcpy(name, m->name, sizeof name);
    kw_strlcpy(description, m->description, sizeof description);
    g_dlgUi->setText(dialog, IDC_MODULE_NAME, name);
    g_dlgUi->setText(dialog, IDC_DESCRIPTION, description);
    static const int kLocked[] = {IDC_ARROW_FEWER,  IDC_ARROW_MORE,  IDC_MODULE_OK,   IDC_SEARCH,
                                  IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, IDC_TIME_BASE};
    bool idle = !g_vars.bExperimentIsRunning;
    for (int id : kLocked) g_dlgUi->enable(dialog, id, idle);
}

bool ModuleDialog_Open(HWND dialog, const ModDialogKind* k)
{
    Module* m = PLG_CurrentModule();
    u32 size = ParamSize(k);
    g_dlgWorkingCopy = m ? g_host.NewMemAlloc(size, k->frame->tag, __LINE__) : nullptr;
    if (!g_dlgWorkingCopy) {
        g_dlgUi->end(dialog, 0);
        return false;
    }
    memcpy(g_dlgWorkingCopy, m->params, size);
    // The bar keeps its channel count within 1 and the kind's maximum
    // whatever the host holds.
    u32 channels = MOD_ChannelCount(m, k->frame);
    barUsedChannels = channels < 1 ? 1 : channels > k->maxChannels ? k->maxChannels : channels;
    barCurrentChannel = 0;
    barMaxChannels = k->maxChannels;
    InitCommon(dialog);
    if (k->open) k->open(dialog);
    if (k->timeBase) {
        u32 timeBase;
        memcpy(&timeBase, (u8*)g_dlgWorkingCopy + k->frame->timeBaseOffset, sizeof timeBase);
        g_host.FillTimeBaseCombo(dialog, IDC_TIME_BASE, timeBase);
    }
    k->channel.show(dialog, 0);
    g_dlgUi->focus(dialog, IDC_MODULE_NAME);
    lastControlId = 0;
    return true;
}

// ---------------------------------------------------------------- closing

static void FreeCopy(const ModDialogKind* k)
{
    g_host.NewDoMemFree(g_dlgWorkingCopy, k->frame->tag, __LINE__);
    g_dlgWorkingCopy = nullptr;
}

// The global strings are the names inside the block: unregistered under the
// old names and channel count, registered under the new ones.
static void Accept(HWND dialog, const ModDialogKind* k)
{
    k->channel.store(dialog, barCurrentChannel);
    Module* m = PLG_CurrentModule();
    const ModFrame* f = k->frame;
    char name[MODULE_NAME_SIZE];
    g_dlgUi->getText(dialog, IDC_MODULE_NAME, name, sizeof name);
    g_host.ChangeModuleName(m, name);
    g_dlgUi->getText(dialog, IDC_DESCRIPTION, m->description, DESCRIPTION_SIZE);
    MOD_UnregisterChannelNames(m, f);
    memcpy(m->params, g_dlgWorkingCopy, ParamSize(k));
    if (f->outputKind) g_host.ChangeModuleSize(m, barUsedChannels, 0);
    else g_host.ChangeModuleSize(m, 0, barUsedChannels);
    MOD_RegisterChannelNames(m, f);
    FreeCopy(k);
    g_dlgUi->end(dialog, 1);
}

static void Discard(HWND dialog, const ModDialogKind* k)
{
    FreeCopy(k);
    g_dlgUi->end(dialog, 0);
}

// ---------------------------------------------------------------- commands

void ModuleDialog_Refresh(HWND dialog, const ModDialogKind* k)
{
    k->channel.store(dialog, barCurrentChannel);
    k->channel.show(dialog, barCurrentChannel);
}

static void Search(HWND dialog, const ModDialogKind* k)
{
    k->channel.store(dialog, barCurrentChannel);
    g_dlgUi->selectDevice(dialog, CopyHeader()->device);
    k->channel.show(dialog, barCurrentChannel);
    lastControlId = 0;
}

static void Info(HWND dialog)
{
    if (g_dlgUi->showDeviceInfo(dialog, CopyHeader()->device)) lastControlId = 0;
}

// Topics of the host's help file by the control used last; the kinds without
// a unit box never have 1009 as that control.
static u32 HelpTopic(int control)
{
    switch (control) {
    case IDC_UNIT: return 13040;
    case IDC_CHANNEL_NAME: return 14650;
    case IDC_DESCRIPTION: return 13030;
    case IDC_CHANNEL_BUTTON0: return 10030;
    default: return 13020;  // the module name, and everything else
    }
}

void ModuleDialog_Command(HWND dialog, const ModDialogKind* k, int id, int code)
{
    if (k->command && k->command(dialog, id, code)) return;
    if ((code == DLGN_EDIT_SETFOCUS || code == DLGN_LIST_SETFOCUS) && Listed(k->lastUsedOnFocus, id)) {
        lastControlId = id;
        return;
    }
    if (code == DLGN_LIST_KILLFOCUS && Listed(k->refreshOnLeave, id)) {
        ModuleDialog_Refresh(dialog, k);
        return;
    }
    if (id == IDC_TIME_BASE && k->timeBase && code == DLGN_SELCHANGE) {
        u32 entry;
        if (!ModuleDialog_SelectedEntry(dialog, IDC_TIME_BASE, &entry)) return;
        u32 timeBase = g_host.GetTimeBaseComboID((int)entry);
        memcpy((u8*)g_dlgWorkingCopy + k->frame->timeBaseOffset, &timeBase, sizeof timeBase);
        return;
    }
    if (code != DLGN_CLICKED) return;
    switch (id) {
    case IDC_REALTIME:
        // The switch is never read back from the box: each click flips it.
        if (k->realTimeOffset != DLG_NO_FIELD) {
            u8* field = ModuleDialog_Channel(k, barCurrentChannel) + k->realTimeOffset;
            u32 value;
            memcpy(&value, field, sizeof value);
            value = 1 - value;
            memcpy(field, &value, sizeof value);
            lastControlId = id;
        }
        break;
    case IDC_SEARCH: Search(dialog, k); break;
    case IDC_INFO: Info(dialog); break;
    case IDC_MODULE_HELP:
        g_dlgUi->help(HelpTopic(lastControlId));
        lastControlId = 0;
        break;
    case IDC_MODULE_OK: Accept(dialog, k); break;
    case IDC_MODULE_CANCEL: Discard(dialog, k); break;
    }
}

void ModuleDialog_CopyFieldToAll(HWND dialog, const ModDialogKind* k)
{
    ModuleDialog_Refresh(dialog, k);
    const DlgField* field = k->fields;
    while (field->control && field->control != lastControlId) ++field;
    if (!field->control) return;
    const u8* from = ModuleDialog_Channel(k, barCurrentChannel) + field->offset;
    for (u32 i = 0; i < barUsedChannels && i < KW_MAX_CHANNELS; ++i)
        if (i != barCurrentChannel) memcpy(ModuleDialog_Channel(k, i) + field->offset, from, field->size);
}

void ModuleDialog_CopyChannelToAll(HWND dialog, const ModDialogKind* k)
{
    if (k->fieldCopyOnly) return ModuleDialog_CopyFieldToAll(dialog, k);
    ModuleDialog_Refresh(dialog, k);
    const u8* from = ModuleDialog_Channel(k, barCurrentChannel);
    for (u32 i = 0; i < barUsedChannels && i < KW_MAX_CHANNELS; ++i)
        if (i != barCurrentChannel) memcpy(ModuleDialog_Channel(k, i), from, k->frame->channelStride);
}

// ---------------------------------------------------------------- show and store pieces

bool ModuleDialog_SelectedEntry(HWND dialog, int id, u32* index)
{
    int selected = g_dlgUi->listSelection(dialog, id);
    if (selected < 0 || selected >= g_dlgUi->listCount(dialog, id)) return false;
    *index = (u32)selected;
    return true;
}

void ModuleDialog_StoreSwitch(HWND dialog, int id, u32* value)
{
    bool on = g_dlgUi->isChecked(dialog, id);
    if ((*value != 0) != on) *value = on ? 1 : 0;
}

// Fields are counted as the device string's accessors count them: with an
// empty serial number, field 2 is the network address.
void ModuleDialog_DeviceText(const char* deviceString, char* out, size_t size)
{
    char* serial = DEV_GetSerial(deviceString);
    kw_strlcpy(out, serial ? serial : "default", size);
    DEV_FreeString(serial);
}

void ModuleDialog_ShowDevice(HWND dialog)
{
    char text[DEV_STRING_SIZE];
    ModuleDialog_DeviceText(CopyHeader()->device, text, sizeof text);
    g_dlgUi->setText(dialog, IDC_DEVICE_TEXT, text);
}

void ModuleDialog_ShowName(HWND dialog, const ChannelHead* c)
{
    char name[CHANNEL_NAME_SIZE];
    kw_strlcpy(name, c->name, sizeof name);
    g_dlgUi->setText(dialog, IDC_CHANNEL_NAME, name);
}

void ModuleDialog_StoreName(HWND dialog, ChannelHead* c)
{
    g_dlgUi->getText(dialog, IDC_CHANNEL_NAME, c->name, CHANNEL_NAME_SIZE);
}

void ModuleDialog_ShowUnit(HWND dialog, const ChannelHead* c)
{
    char unit[CHANNEL_UNIT_SIZE];
    kw_strlcpy(unit, c->unit, sizeof unit);
    g_host.FillUnitList(dialog, IDC_UNIT, unit);
}

void ModuleDialog_StoreUnit(HWND dialog, ChannelHead* c)
{
    g_dlgUi->getText(dialog, IDC_UNIT, c->unit, CHANNEL_UNIT_SIZE);
}

void ModuleDialog_ShowPort(HWND dialog, DigitalParams* p)
{
    static const char* const kPorts[] = {"PA", "PB", "PC", "PD", "PE", "PF"};
    g_dlgUi->listReset(dialog, IDC_PORT);
    g_dlgUi->enable(dialog, IDC_PORT, true);
    for (u32 i = 0; i < sizeof kPorts / sizeof kPorts[0] && (i == 0 || i < p->portCount); ++i)
        g_dlgUi->listAdd(dialog, IDC_PORT, kPorts[i]);
    if (p->port >= p->portCount) p->port = 0;
    g_dlgUi->listSelect(dialog, IDC_PORT, (int)p->port);
}

void ModuleDialog_StorePort(HWND dialog, DigitalParams* p)
{
    ModuleDialog_SelectedEntry(dialog, IDC_PORT, &p->port);
}
