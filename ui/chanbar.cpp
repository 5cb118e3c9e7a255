#include "chanbar.h"

#include "plugin_state.h"

static const char kChannelButtonClass[] = "VOV:CONTROLKANAL";
static const char kLessMoreClass[] = "VOV:CONTROLLESSMORE";

// Painting, mouse and state handling of both controls arrive with the module dialogs.
LRESULT CALLBACK ChannelButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK LessMoreProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(window, message, wParam, lParam);
}

static void ChannelBar_RegisterClass(const char* name, WNDPROC procedure)
{
    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = procedure;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 2;  // the control's 16-bit state word
    wc.hInstance = g_instance;
    wc.hIcon = nullptr;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(DKGRAY_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

void ChannelBar_RegisterClasses(void)
{
    ChannelBar_RegisterClass(kChannelButtonClass, ChannelButtonProc);
    ChannelBar_RegisterClass(kLessMoreClass, LessMoreProc);
}

void ChannelBar_UnregisterClasses(void)
{
    UnregisterClassA(kChannelButtonClass, g_instance);
    UnregisterClassA(kLessMoreClass, g_instance);
}
