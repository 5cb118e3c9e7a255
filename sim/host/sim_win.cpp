// Windows side of the simulated host: the host window that answers the
// binding messages, the plug-in loader, and the services that draw into the
// plug-in's dialogs.
#include "sim_internal.h"
#include "sim_bitmaps.h"

#include <stdio.h>

typedef BOOL(KW_STDCALL* SetupFn)(HWND hostWindow);
typedef BOOL(KW_STDCALL* FinishFn)(u32 unused);

static HWND s_window;
static HMODULE s_plugin;

static LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == TARN_MSG_GET_VARIABLE || msg == TARN_MSG_GET_FUNCTION)
        return (LRESULT)SH_Request(nullptr, msg, (const char*)lParam);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

static const char* const kUnits[] = {"V", "mV", "A", "mA", "Hz", "kHz", "s", "ms", "%"};

static void FillUnitList(HWND dialog, int controlId, const char* unit)
{
    HWND combo = GetDlgItem(dialog, controlId);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (const char* u : kUnits) SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)u);
    SetWindowTextA(combo, unit ? unit : "");
}

static void FillTimeBaseCombo(HWND dialog, int controlId, u32 current)
{
    HWND combo = GetDlgItem(dialog, controlId);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < g_sim.timeBases.size(); ++i) {
        const SimTimeBase& tb = g_sim.timeBases[i];
        char text[96];
        snprintf(text, sizeof text, "Time base %u: %g Hz, block %u", tb.id,
                 tb.sampleDistance > 0 ? 1.0 / tb.sampleDistance : 0.0, tb.blockSize);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)text);
        if (tb.id == current) SendMessageA(combo, CB_SETCURSEL, i, 0);
    }
}

static HFONT CreateHostFont(const LOGFONTA* font) { return font ? CreateFontIndirectA(font) : nullptr; }
static void DeleteGdiObject(HGDIOBJ object) { DeleteObject(object); }

static HWND CreateHostWindow(void)
{
    if (s_window) return s_window;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = "SimTarnovaHost";
    RegisterClassA(&wc);
    // A hidden top-level window: dialogs are centred on it and owned by it.
    // Without a display only a message-only window can be made; binding and
    // runs need nothing more.
    s_window = CreateWindowExA(0, wc.lpszClassName, "Tarnova (simulated)", WS_OVERLAPPEDWINDOW, 0, 0, 800,
                               600, nullptr, nullptr, instance, nullptr);
    if (!s_window)
        s_window = CreateWindowExA(0, wc.lpszClassName, "Tarnova (simulated)", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, instance, nullptr);
    g_simPlatform.hostInstance = instance;
    g_simPlatform.hostWindow = s_window;
    SIM_DrawBarBitmaps(g_simPlatform.channelBitmaps, g_simPlatform.lessMoreBitmaps);
    g_simPlatform.fillUnitList = FillUnitList;
    g_simPlatform.fillTimeBaseCombo = FillTimeBaseCombo;
    g_simPlatform.createFont = CreateHostFont;
    g_simPlatform.deleteObject = DeleteGdiObject;
    return s_window;
}

HMODULE SHW_PluginModule(void) { return s_plugin; }

int SHW_LoadPlugin(const char* dllPath)
{
    HWND window = CreateHostWindow();
    if (!window) {
        SIM_Fault("cannot create the host window (%lu)", GetLastError());
        return 0;
    }
    s_plugin = LoadLibraryA(dllPath);
    if (!s_plugin) {
        SIM_Fault("cannot load %s (%lu)", dllPath, GetLastError());
        return 0;
    }
    SetupFn setup = (SetupFn)(void*)GetProcAddress(s_plugin, "SetupTarnDLL");
    if (!setup) {
        SIM_Fault("%s exports no SetupTarnDLL", dllPath);
        return 0;
    }
    return setup(window) ? 1 : 0;
}

int SHW_FinishPlugin(void)
{
    if (!s_plugin) return 0;
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    FinishFn finish = (FinishFn)(void*)GetProcAddress(s_plugin, "FinishTarnDLL");
    int result = finish ? (finish(0) ? 1 : 0) : 0;
    if (!finish) SIM_Fault("the plug-in exports no FinishTarnDLL");
    FreeLibrary(s_plugin);
    s_plugin = nullptr;
    return result;
}
