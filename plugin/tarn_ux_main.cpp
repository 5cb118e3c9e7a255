// Entry points of the plug-in library.
#include "chanbar.h"
#include "dlg_font.h"
#include "drv_load.h"
#include "host_binding.h"
#include "mod_dialog.h"
#include "plugin_state.h"
#include "startup.h"
#include "trace_control.h"

// The host answers each name on its main window.
static uintptr_t PLG_RequestFromWindow(void* context, u32 message, const char* name)
{
    return (uintptr_t)SendMessageA((HWND)context, message, 0, (LPARAM)name);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) g_instance = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) BOOL __stdcall SetupTarnDLL(HWND hostWindow)
{
    g_hostWindow = hostWindow;
    if (!PLG_BindHost(PLG_RequestFromWindow, hostWindow)) return 0;
    if (!PLG_Startup()) return 0;
    ChannelBar_RegisterClasses();
    return 1;
}

extern "C" __declspec(dllexport) BOOL __stdcall FinishTarnDLL(u32)
{
    MOD_CloseHelp();
    ChannelBar_UnregisterClasses();
    DLG_ReleaseFont();
    DRV_Unload();
    TRC_Printf("shut-down");
    TRC_Close();
    return 1;
}

extern "C" __declspec(dllexport) int __stdcall WEP(int) { return 1; }
