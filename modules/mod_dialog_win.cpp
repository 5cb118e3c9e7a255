// Parameter dialogs from the plug-in's resources.
#include "mod_dialog.h"

#include <string.h>

#include "mod_dialog_common.h"
#include "plugin_state.h"

// Dialog procedure of each template; a kind without one shows no dialog.
static const struct {
    const char* templateName;
    DLGPROC proc;
} s_dialogs[] = {
    {"ANALOGIN", AnalogIn_DialogProc}, {"ANALOGOUT", nullptr},  {"COUNTERIN", nullptr},
    {"COUNTEROUT", nullptr},           {"DIGITALIN", nullptr},  {"DIGITALOUT", nullptr},
};

int MOD_RunParamDialog(Module* m, const char* templateName)
{
    DLGPROC proc = nullptr;
    for (const auto& d : s_dialogs)
        if (strcmp(d.templateName, templateName) == 0) proc = d.proc;
    if (!proc || !FindResourceA(g_instance, templateName, (LPCSTR)RT_DIALOG)) return 0;
    return (int)DialogBoxParamA(g_instance, templateName, m->window, proc, 0);
}
