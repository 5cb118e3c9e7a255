// Modal device dialogs over a module dialog.
#include "dev_dialogs.h"

#include "plugin_state.h"

void DEV_RunModal(HWND owner, const char* templateName, DLGPROC proc, LPARAM param)
{
    EnableWindow(owner, FALSE);
    DialogBoxParamA(g_instance, templateName, owner, proc, param);
    EnableWindow(owner, TRUE);
}

void DEV_EndModal(HWND dialog)
{
    EnableWindow(GetWindow(dialog, GW_OWNER), TRUE);
    EndDialog(dialog, 1);
}
