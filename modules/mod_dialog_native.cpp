// Native builds have no user interface: no dialog is shown.
#include "mod_dialog.h"

int MOD_RunParamDialog(Module*, const char*) { return 0; }
