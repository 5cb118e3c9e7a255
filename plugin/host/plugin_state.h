// Process-wide state of the plug-in shared by all subsystems.
#pragma once

#include "tarn_host.h"

// Host service table, written by the binding (with the trace on, start-up then
// wraps its two report services once) and read-only afterwards.
extern HostServices g_host;
// The plug-in's own variables; the host keeps them current.
extern PluginVariables g_vars;
// Module handle of the plug-in itself (resources, window classes).
extern HINSTANCE g_instance;
// Host main window given to SetupTarnDLL.
extern HWND g_hostWindow;

// The module whose dialog is open, read through the host's variable.
static inline Module* PLG_CurrentModule(void)
{
    Module** slot = (Module**)g_host.p_CurrentModulePtr;
    return slot ? *slot : nullptr;
}
