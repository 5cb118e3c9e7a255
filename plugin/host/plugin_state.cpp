#include "plugin_state.h"

HostServices g_host;
PluginVariables g_vars;
HINSTANCE g_instance;
HWND g_hostWindow;
