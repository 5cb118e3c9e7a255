// The module parameter dialogs on Windows: one dialog procedure runs every
// kind's template through the shared steps, which reach the controls through
// the USER32 table below.
#include "mod_dialog.h"

#include <stdio.h>
#include <string.h>

#include "chanbar.h"
#include "dev_dialogs.h"
#include "dialog_ids.h"
#include "mod_dialog_common.h"
#include "plugin_state.h"

// ---------------------------------------------------------------- controls

static void SetText(HWND d, int id, const char* text) { SetDlgItemTextA(d, id, text); }

static void GetText(HWND d, int id, char* buffer, int size)
{
    if (size <= 0) return;
    buffer[0] = 0;
    GetDlgItemTextA(d, id, buffer, size);
}

static bool GetUnsigned(HWND d, int id, u32* value)
{
    BOOL valid = FALSE;
    UINT number = GetDlgItemInt(d, id, &valid, FALSE);
    if (valid) *value = number;
    return valid != FALSE;
}

static void Check(HWND d, int id, bool on) { CheckDlgButton(d, id, on ? BST_CHECKED : BST_UNCHECKED); }
static bool IsChecked(HWND d, int id) { return IsDlgButtonChecked(d, id) == BST_CHECKED; }
static void Enable(HWND d, int id, bool on) { EnableWindow(GetDlgItem(d, id), on); }
static void LimitText(HWND d, int id, int n) { SendDlgItemMessageA(d, id, EM_LIMITTEXT, n, 0); }
static void Focus(HWND d, int id) { SetFocus(GetDlgItem(d, id)); }
static void ListReset(HWND d, int id) { SendDlgItemMessageA(d, id, CB_RESETCONTENT, 0, 0); }
static void ListAdd(HWND d, int id, const char* text) { SendDlgItemMessageA(d, id, CB_ADDSTRING, 0, (LPARAM)text); }
static void ListSelect(HWND d, int id, int index) { SendDlgItemMessageA(d, id, CB_SETCURSEL, index, 0); }
static int ListSelection(HWND d, int id) { return (int)SendDlgItemMessageA(d, id, CB_GETCURSEL, 0, 0); }
static int ListCount(HWND d, int id) { return (int)SendDlgItemMessageA(d, id, CB_GETCOUNT, 0, 0); }
static void End(HWND d, int result) { EndDialog(d, result); }

// ---------------------------------------------------------------- help

typedef HWND(WINAPI* HtmlHelpFn)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);
enum { HELP_COMMAND_CONTEXT = 0x0F, HELP_COMMAND_CLOSE_ALL = 0x12, HELP_NAME_SIZE = 400, IDS_HOST_HELP_FILE = 23003 };

// The help viewer, a system component, comes from the system folder only: a
// bare name would search the program and current folders first, where a
// planted copy could wait. It is loaded on first use and stays loaded until
// shut-down: the help window it opens outlives the call.
static HMODULE s_helpViewer;

static HtmlHelpFn HelpViewer(void)
{
    static const char kFile[] = "\\hhctrl.ocx";
    if (!s_helpViewer) {
        char path[MAX_PATH];
        UINT length = GetSystemDirectoryA(path, sizeof path);
        if (length == 0 || length + sizeof kFile > sizeof path) return nullptr;
        memcpy(path + length, kFile, sizeof kFile);
        s_helpViewer = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    return s_helpViewer ? (HtmlHelpFn)(void*)GetProcAddress(s_helpViewer, "HtmlHelpA") : nullptr;
}

static void Help(u32 topic)
{
    char name[HELP_NAME_SIZE] = "";
    LoadStringA((HINSTANCE)g_host.hInstTarn, IDS_HOST_HELP_FILE, name, sizeof name);
    // The host's folder is read no further than a path can be long.
    char path[MAX_PATH + HELP_NAME_SIZE];
    snprintf(path, sizeof path, "%.*s%s", MAX_PATH, (const char*)g_host.ExeFileDir, name);
    if (HtmlHelpFn help = HelpViewer()) help(nullptr, path, HELP_COMMAND_CONTEXT, topic);
}

void MOD_CloseHelp(void)
{
    if (!s_helpViewer) return;
    if (HtmlHelpFn help = HelpViewer()) help(nullptr, nullptr, HELP_COMMAND_CLOSE_ALL, 0);
    FreeLibrary(s_helpViewer);
    s_helpViewer = nullptr;
}

static const DlgUi s_win32 = {
    SetText,       GetText,   GetUnsigned,        Check,            IsChecked,         Enable,
    LimitText,     Focus,     ListReset,          ListAdd,          ListSelect,        ListSelection,
    ListCount,     End,       ChannelBar_Refresh, DEV_SelectDevice, DEV_ShowDeviceInfo, Help,
};
const DlgUi* g_dlgUi = &s_win32;

static_assert(DLGN_CLICKED == BN_CLICKED && DLGN_SELCHANGE == CBN_SELCHANGE && DLGN_LIST_SETFOCUS == CBN_SETFOCUS &&
                  DLGN_LIST_KILLFOCUS == CBN_KILLFOCUS && DLGN_EDIT_SETFOCUS == EN_SETFOCUS,
              "notification codes");
static_assert(IDC_ARROW_FEWER == IDC_BAR_FEWER && IDC_ARROW_MORE == IDC_BAR_MORE &&
                  IDC_CHANNEL_BUTTON0 == IDC_BAR_CHANNEL0,
              "the templates' bar ids are the bar's");

// ---------------------------------------------------------------- the dialog

// The kind of the one module dialog open at a time: the host passes no
// dialog parameter.
static const ModDialogKind* s_open;

static INT_PTR CALLBACK ModuleDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const ModDialogKind* k = s_open;
    if (message == WM_INITDIALOG) return ModuleDialog_Open(dialog, k) ? FALSE : TRUE;  // the focus is set
    if (!g_dlgWorkingCopy) return FALSE;  // closing: Ok or Cancel has freed the copy
    if (ChannelBar_HandleDialogMessage(dialog, message, wParam, lParam, &k->channel)) return TRUE;
    switch (message) {
    case WM_COMMAND:
        ModuleDialog_Command(dialog, k, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case KWM_COPY_FIELD_TO_ALL:
        ModuleDialog_CopyFieldToAll(dialog, k);
        return TRUE;
    case KWM_COPY_CHANNEL_TO_ALL:
        ModuleDialog_CopyChannelToAll(dialog, k);
        return TRUE;
    }
    return FALSE;
}

int MOD_RunParamDialog(Module* m, const ModDialogKind* k)
{
    if (!FindResourceA(g_instance, k->templateName, (LPCSTR)RT_DIALOG)) return 0;
    s_open = k;
    return (int)DialogBoxParamA(g_instance, k->templateName, m->window, ModuleDialogProc, 0);
}
