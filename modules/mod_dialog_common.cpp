// Shared parts of the module parameter dialogs.
#include "mod_dialog_common.h"

#include <stdio.h>
#include <string.h>

#include "dev_dialogs.h"
#include "dialog_ids.h"

void* g_dlgWorkingCopy;

static_assert(IDC_ARROW_FEWER == IDC_BAR_FEWER && IDC_ARROW_MORE == IDC_BAR_MORE &&
                  IDC_CHANNEL_BUTTON0 == IDC_BAR_CHANNEL0,
              "the templates' bar ids are the bar's");

enum { MODULE_NAME_SIZE = 13, DESCRIPTION_SIZE = 41, HELP_NAME_SIZE = 400, IDS_HOST_HELP_FILE = 23003 };

bool ModuleDialog_OpenCopy(Module* m, const ModFrame* f, u32 size)
{
    g_dlgWorkingCopy = g_host.NewMemAlloc(size, f->tag, __LINE__);
    if (!g_dlgWorkingCopy) return false;
    memcpy(g_dlgWorkingCopy, m->params, size);
    return true;
}

static void FreeCopy(const ModFrame* f)
{
    g_host.NewDoMemFree(g_dlgWorkingCopy, f->tag, __LINE__);
    g_dlgWorkingCopy = nullptr;
}

void ModuleDialog_Accept(HWND dialog, Module* m, const ModFrame* f, u32 size)
{
    char name[MODULE_NAME_SIZE];
    GetDlgItemTextA(dialog, IDC_MODULE_NAME, name, sizeof name);
    g_host.ChangeModuleName(m, name);
    GetDlgItemTextA(dialog, IDC_DESCRIPTION, m->description, DESCRIPTION_SIZE);
    // The global strings are the names inside the block: unregistered under
    // the old names and channel count, registered under the new ones.
    MOD_UnregisterChannelNames(m, f);
    memcpy(m->params, g_dlgWorkingCopy, size);
    if (f->outputKind) g_host.ChangeModuleSize(m, barUsedChannels, 0);
    else g_host.ChangeModuleSize(m, 0, barUsedChannels);
    MOD_RegisterChannelNames(m, f);
    FreeCopy(f);
    EndDialog(dialog, 1);
}

void ModuleDialog_Discard(HWND dialog, const ModFrame* f)
{
    FreeCopy(f);
    EndDialog(dialog, 0);
}

void ModuleDialog_InitCommon(HWND dialog)
{
    Module* m = PLG_CurrentModule();
    ChannelBar_Refresh(dialog);
    g_host.SetMenuForGlobalStrings(dialog, IDC_CHANNEL_NAME);
    SendDlgItemMessageA(dialog, IDC_CHANNEL_NAME, EM_LIMITTEXT, 20, 0);
    SendDlgItemMessageA(dialog, IDC_MODULE_NAME, EM_LIMITTEXT, 12, 0);
    SendDlgItemMessageA(dialog, IDC_DESCRIPTION, EM_LIMITTEXT, 40, 0);
    char name[MODULE_NAME_SIZE], description[DESCRIPTION_SIZE];
    kw_strlcpy(name, m->name, sizeof name);
    kw_strlcpy(description, m->description, sizeof description);
    SetDlgItemTextA(dialog, IDC_MODULE_NAME, name);
    SetDlgItemTextA(dialog, IDC_DESCRIPTION, description);
    // Info and Cancel stay usable while an experiment runs.
    static const int kLocked[] = {IDC_ARROW_FEWER, IDC_ARROW_MORE,   IDC_MODULE_OK,  IDC_SEARCH,
                                  IDC_CHANNEL_NAME, IDC_MODULE_NAME, IDC_DESCRIPTION, IDC_TIME_BASE};
    BOOL idle = !g_vars.bExperimentIsRunning;
    for (int id : kLocked) EnableWindow(GetDlgItem(dialog, id), idle);
}

// Fields are counted as the device string's accessors count them: with an
// empty serial number, field 2 is the network address.
void ModuleDialog_DeviceText(const char* deviceString, char* out, size_t size)
{
    char* serial = DEV_GetSerial(deviceString);
    kw_strlcpy(out, serial ? serial : "default", size);
    DEV_FreeString(serial);
}

void ModuleDialog_ShowDevice(HWND dialog, const char* deviceString)
{
    char text[DEV_STRING_SIZE];
    ModuleDialog_DeviceText(deviceString, text, sizeof text);
    SetDlgItemTextA(dialog, IDC_DEVICE_TEXT, text);
}

void ModuleDialog_Search(HWND dialog, char* deviceString, const ChannelBarHooks* hooks)
{
    hooks->store(dialog, barCurrentChannel);
    DEV_SelectDevice(dialog, deviceString);
    hooks->show(dialog, barCurrentChannel);
    lastControlId = 0;
}

void ModuleDialog_Info(HWND dialog, const char* deviceString)
{
    if (DEV_ShowDeviceInfo(dialog, deviceString)) lastControlId = 0;
}

// The help viewer is loaded on first use and stays loaded: the help window
// it opens outlives the call.
typedef HWND(WINAPI* HtmlHelpFn)(HWND owner, LPCSTR file, UINT command, DWORD_PTR data);
enum { HELP_COMMAND_CONTEXT = 15 };

void ModuleDialog_Help(u32 topic)
{
    static HMODULE viewer;
    char name[HELP_NAME_SIZE] = "";
    LoadStringA((HINSTANCE)g_host.hInstTarn, IDS_HOST_HELP_FILE, name, sizeof name);
    char path[MAX_PATH + HELP_NAME_SIZE];
    snprintf(path, sizeof path, "%s%s", (const char*)g_host.ExeFileDir, name);
    if (!viewer) viewer = LoadLibraryA("hhctrl.ocx");
    HtmlHelpFn help = viewer ? (HtmlHelpFn)(void*)GetProcAddress(viewer, "HtmlHelpA") : nullptr;
    if (help) help(nullptr, path, HELP_COMMAND_CONTEXT, topic);
    lastControlId = 0;
}
