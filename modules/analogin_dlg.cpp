// Analog input parameter dialog: module name and description, channel count,
// per channel name, unit, range and real-time switch, time base, software
// clock and device. It edits the working copy and writes it back on Ok.
#include "analogin.h"
#include "dialog_ids.h"
#include "mod_dialog_common.h"

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

    ModuleDialog_ShowDevice(dialog, p->header.device);
    CheckDlgButton(dialog, IDC_SOFTWARE_CLOCK, p->softwareClock ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dialog, IDC_SOFTWARE_CLOCK), idle);
    p->softwareClockBlockSize = Clamp(p->softwareClockBlockSize, 1, kBlockSizeMax);
    SetDlgItemInt(dialog, IDC_BLOCK_SIZE, p->softwareClockBlockSize, FALSE);
    EnableWindow(GetDlgItem(dialog, IDC_BLOCK_SIZE), idle && p->softwareClock);

    // A loaded block's texts need not end inside their fields.
    char unit[CHANNEL_UNIT_SIZE], name[CHANNEL_NAME_SIZE];
    kw_strlcpy(unit, c->unit, sizeof unit);
    kw_strlcpy(name, c->name, sizeof name);
    g_host.FillUnitList(dialog, IDC_UNIT, unit);
    SetDlgItemTextA(dialog, IDC_CHANNEL_NAME, name);

    if (c->range >= kRangeCount) c->range = 0;
    HWND range = GetDlgItem(dialog, IDC_RANGE);
    SendMessageA(range, CB_RESETCONTENT, 0, 0);
    for (const char* text : kRanges) SendMessageA(range, CB_ADDSTRING, 0, (LPARAM)text);
    SendMessageA(range, CB_SETCURSEL, c->range, 0);

    if (c->inputMode != 0) c->inputMode = 0;
    if (c->inputSwitch > 1) c->inputSwitch = 1;
    CheckDlgButton(dialog, IDC_REALTIME, c->realTime ? BST_CHECKED : BST_UNCHECKED);
}

// The real-time switch is not read back here: each click flips it at once.
static void StoreChannel(HWND dialog, u32 channel)
{
    AnalogInParams* p = Copy();
    AnalogChannel* c = &p->channel[channel];
    BOOL valid = FALSE;
    UINT blockSize = GetDlgItemInt(dialog, IDC_BLOCK_SIZE, &valid, FALSE);
    if (valid) p->softwareClockBlockSize = Clamp(blockSize, 1, kBlockSizeMax);
    p->softwareClock = IsDlgButtonChecked(dialog, IDC_SOFTWARE_CLOCK) == BST_CHECKED ? 1 : 0;
    GetDlgItemTextA(dialog, IDC_CHANNEL_NAME, c->name, CHANNEL_NAME_SIZE);
    GetDlgItemTextA(dialog, IDC_UNIT, c->unit, CHANNEL_UNIT_SIZE);
    // No selection stores CB_ERR as an unsigned number; showing the channel
    // turns it into range 0.
    c->range = (u32)SendDlgItemMessageA(dialog, IDC_RANGE, CB_GETCURSEL, 0, 0);
}

static const ChannelBarHooks s_hooks = {StoreChannel, ShowChannel};

static void Refresh(HWND dialog)
{
    StoreChannel(dialog, barCurrentChannel);
    ShowChannel(dialog, barCurrentChannel);
}

// 1031: the one field of the current channel that the control last used
// edits goes to every other channel in use.
static void CopyFieldToAll(HWND dialog)
{
    Refresh(dialog);
    AnalogInParams* p = Copy();
    const AnalogChannel& from = p->channel[barCurrentChannel];
    for (u32 i = 0; i < barUsedChannels && i < KW_MAX_CHANNELS; ++i) {
        if (i == barCurrentChannel) continue;
        AnalogChannel& to = p->channel[i];
        switch (lastControlId) {
        case IDC_UNIT: memcpy(to.unit, from.unit, sizeof to.unit); break;
        case IDC_CHANNEL_NAME: memcpy(to.name, from.name, sizeof to.name); break;
        case IDC_REALTIME: to.realTime = from.realTime; break;
        case IDC_RANGE: to.range = from.range; break;
        }
    }
}

// 1032: the current channel's whole settings, name included.
static void CopyChannelToAll(HWND dialog)
{
    Refresh(dialog);
    AnalogInParams* p = Copy();
    for (u32 i = 0; i < barUsedChannels && i < KW_MAX_CHANNELS; ++i)
        if (i != barCurrentChannel) p->channel[i] = p->channel[barCurrentChannel];
}

static u32 HelpTopic(int control)
{
    switch (control) {
    case IDC_UNIT: return 13040;
    case IDC_CHANNEL_NAME: return 14650;
    case IDC_MODULE_NAME: return 13020;
    case IDC_DESCRIPTION: return 13030;
    case IDC_CHANNEL_BUTTON0: return 10030;
    default: return 13020;
    }
}

static BOOL OnInitDialog(HWND dialog)
{
    Module* m = PLG_CurrentModule();
    if (!m || !ModuleDialog_OpenCopy(m, &g_frameAnalogIn, sizeof(AnalogInParams))) {
        EndDialog(dialog, 0);
        return TRUE;
    }
    // The bar keeps its channel count within 1 to 16 whatever the host holds.
    barUsedChannels = Clamp(m->outputCount, 1, KW_MAX_CHANNELS);
    barCurrentChannel = 0;
    barMaxChannels = KW_MAX_CHANNELS;
    ModuleDialog_InitCommon(dialog);
    g_host.FillTimeBaseCombo(dialog, IDC_TIME_BASE, Copy()->timeBaseId);
    ShowChannel(dialog, 0);
    SetFocus(GetDlgItem(dialog, IDC_MODULE_NAME));
    lastControlId = 0;
    return FALSE;  // the focus is set
}

static void OnCommand(HWND dialog, int id, int code)
{
    AnalogInParams* p = Copy();
    switch (id) {
    case IDC_TIME_BASE:
        if (code == CBN_SELCHANGE) {
            int index = (int)SendDlgItemMessageA(dialog, IDC_TIME_BASE, CB_GETCURSEL, 0, 0);
            p->timeBaseId = g_host.GetTimeBaseComboID(index);
        } else if (code == CBN_SETFOCUS) {
            lastControlId = id;
        }
        break;
    case IDC_UNIT:
    case IDC_RANGE:
        if (code == CBN_SETFOCUS) lastControlId = id;
        else if (code == CBN_KILLFOCUS) Refresh(dialog);
        break;
    case IDC_CHANNEL_NAME:
    case IDC_MODULE_NAME:
    case IDC_DESCRIPTION:
        if (code == EN_SETFOCUS) lastControlId = id;
        break;
    case IDC_REALTIME:
        if (code == BN_CLICKED) {
            AnalogChannel* c = &p->channel[barCurrentChannel];
            c->realTime = 1 - c->realTime;
            lastControlId = id;
        }
        break;
    case IDC_SOFTWARE_CLOCK:
        if (code == BN_CLICKED) {
            Refresh(dialog);
            lastControlId = id;
        }
        break;
    case IDC_SEARCH:
        if (code == BN_CLICKED) ModuleDialog_Search(dialog, p->header.device, &s_hooks);
        break;
    case IDC_INFO:
        if (code == BN_CLICKED) ModuleDialog_Info(dialog, p->header.device);
        break;
    case IDC_MODULE_HELP:
        if (code == BN_CLICKED) ModuleDialog_Help(HelpTopic(lastControlId));
        break;
    case IDC_MODULE_OK:
        if (code == BN_CLICKED) {
            StoreChannel(dialog, barCurrentChannel);
            ModuleDialog_Accept(dialog, PLG_CurrentModule(), &g_frameAnalogIn, sizeof(AnalogInParams));
        }
        break;
    case IDC_MODULE_CANCEL:
        if (code == BN_CLICKED) ModuleDialog_Discard(dialog, &g_frameAnalogIn);
        break;
    }
}

INT_PTR CALLBACK AnalogIn_DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) return OnInitDialog(dialog);
    if (!g_dlgWorkingCopy) return FALSE;  // closing: Ok or Cancel has freed the copy
    if (ChannelBar_HandleDialogMessage(dialog, message, wParam, lParam, &s_hooks)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case KWM_COPY_FIELD_TO_ALL:
        CopyFieldToAll(dialog);
        return TRUE;
    case KWM_COPY_CHANNEL_TO_ALL:
        CopyChannelToAll(dialog);
        return TRUE;
    }
    return FALSE;
}
