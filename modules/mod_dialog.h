// Parameter dialogs of the module kinds, run from DMM_PARAM_MODULE.
#pragma once

#include "tarn_host.h"

struct ModDialogKind;

// Runs the kind's dialog modally for the module, owned by the module window;
// returns the dialog's result, 0 when there is no dialog.
int MOD_RunParamDialog(Module* m, const ModDialogKind* k);

// Shut-down: closes the help windows the module dialogs opened and releases
// the help viewer.
void MOD_CloseHelp(void);
