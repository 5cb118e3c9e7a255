#include "dlg_center.h"

#include "dlg_font.h"
#include "plugin_state.h"

// Edit, list and combo controls keep the font their dialog gave them.
static BOOL CALLBACK DLG_SetChildFont(HWND child, LPARAM font)
{
    char className[32];
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "EDIT") != 0 && lstrcmpiA(className, "LISTBOX") != 0 &&
        lstrcmpiA(className, "COMBOBOX") != 0)
        SendMessageA(child, WM_SETFONT, (WPARAM)font, FALSE);
    return TRUE;
}

// The font of the first dialog placed, at normal weight; made once through
// the host, which keeps the object.
static void DLG_MakeFont(HWND window)
{
    HFONT dialogFont = (HFONT)SendMessageA(window, WM_GETFONT, 0, 0);
    if (!dialogFont) return;
    LOGFONTA description;
    if (!GetObjectA(dialogFont, sizeof description, &description)) return;
    description.lfWeight = FW_NORMAL;
    g_dlgFont = g_host.CreateStackedFontIndirect(&description);
}

void DLG_CenterWindow(HWND window, HWND reference)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;

    RECT area;
    POINT centre;
    if (reference) {
        GetClientRect(reference, &area);
        centre.x = (area.right - area.left) / 2;
        centre.y = (area.bottom - area.top) / 2;
        ClientToScreen(reference, &centre);
        // The centre travels as two 16-bit words: a point left of or above
        // the primary screen comes out large and positive, and the clamp
        // below puts the window at the primary screen's far edge.
        centre.x &= 0xFFFF;
        centre.y &= 0xFFFF;
    } else {
        GetWindowRect(GetDesktopWindow(), &area);
        centre.x = (area.right - area.left) / 2;
        centre.y = (area.bottom - area.top) / 2;
    }

    int x = centre.x - width / 2;
    int y = centre.y - height / 2;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenWidth) x -= x + width - screenWidth;
    if (y + height > screenHeight) y -= y + height - screenHeight;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    MoveWindow(window, x, y, width, height, FALSE);

    if (!g_dlgFont) DLG_MakeFont(window);
    if (g_dlgFont) EnumChildWindows(window, DLG_SetChildFont, (LPARAM)g_dlgFont);
}
