// Native builds show no dialog; tests install their own control table to run
// the dialogs' steps.
#include "mod_dialog.h"
#include "mod_dialog_ui.h"

const DlgUi* g_dlgUi;

int MOD_RunParamDialog(Module*, const ModDialogKind*) { return 0; }
