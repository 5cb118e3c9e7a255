// The simulated host's menu of global variables on a dialog's edit field:
// a right click lists the defined variables, and choosing one puts its
// reference into the field.
#include <windows.h>

#include <string>

#include "simhost.h"
#include "wintest.h"

enum { FIELD_ID = 1014 };

static std::vector<std::string> s_items;  // the open menu's items, read from the timer

static BOOL CALLBACK read_menu(HWND window, LPARAM)
{
    char cls[16];
    if (!GetClassNameA(window, cls, sizeof cls) || strcmp(cls, "#32768") || !IsWindowVisible(window)) return TRUE;
    HMENU menu = (HMENU)SendMessageA(window, MN_GETHMENU, 0, 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, (UINT)i, text, sizeof text, MF_BYPOSITION);
        s_items.push_back(text + std::string(GetMenuState(menu, (UINT)i, MF_BYPOSITION) & MF_GRAYED ? " (grayed)" : ""));
    }
    return FALSE;
}

static void CALLBACK close_menu(HWND, UINT, UINT_PTR, DWORD)
{
    EnumWindows(read_menu, 0);
    EndMenu();
}

// Opens the field's context menu as a right click does and reads its items.
static std::vector<std::string> open_menu(HWND field)
{
    s_items.clear();
    UINT_PTR timer = SetTimer(nullptr, 0, 100, close_menu);
    RECT r;
    GetWindowRect(field, &r);
    SendMessageA(field, WM_CONTEXTMENU, (WPARAM)field, MAKELPARAM(r.left + 5, r.top + 5));
    KillTimer(nullptr, timer);
    return s_items;
}

static std::string text_of(HWND field)
{
    char text[64] = "";
    GetWindowTextA(field, text, sizeof text);
    return text;
}

int main(void)
{
    SH_Reset();
    HWND host = SHW_CreateHostWindow();
    HWND dialog = CreateWindowExA(0, "STATIC", "dialog", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 300, 120,
                                  host, nullptr, nullptr, nullptr);
    HWND field = CreateWindowExA(0, "EDIT", "12.5", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 200, 24, dialog,
                                 (HMENU)FIELD_ID, nullptr, nullptr);
    if (!ok(field != nullptr, "no field")) return wintest_finish("test_simhost_varmenu");
    const HostServices* host_services = SH_Answers();

    host_services->SetMenuForGlobalVars(dialog, FIELD_ID);
    ok(g_sim.varMenus.size() == 1 && g_sim.varMenus[0].controlId == FIELD_ID, "the call is not recorded");
    std::vector<std::string> items = open_menu(field);
    ok(items.size() == 1 && items[0] == "No global variables (grayed)", "menu without variables: %u items, '%s'",
       (unsigned)items.size(), items.empty() ? "" : items[0].c_str());

    SH_SetGlobalVar(3, 50);
    SH_SetGlobalVar(12, 2.5);
    items = open_menu(field);
    ok(items.size() == 2 && items[0] == "{V3}\t50" && items[1] == "{V12}\t2.5", "menu: %u items, '%s'",
       (unsigned)items.size(), items.empty() ? "" : items[0].c_str());

    // Choosing an item replaces the field's text with the reference.
    SendMessageA(field, WM_COMMAND, 0x8000 | 12, 0);
    ok(text_of(field) == "{V12}", "field after choosing {V12}: '%s'", text_of(field).c_str());
    i16 number = 0;
    ok(host_services->ExpandVarNumber(text_of(field).c_str(), 400, &number) == 1 && number == 12,
       "the field's text is no reference to variable 12");

    // A second call on the same field keeps one menu; the field's own text handling stays.
    host_services->SetMenuForGlobalVars(dialog, FIELD_ID);
    SetWindowTextA(field, "7,5");
    ok(text_of(field) == "7,5", "the field no longer takes text");
    ok(g_sim.faults.empty(), "host fault: %s", g_sim.faults.empty() ? "" : g_sim.faults[0].c_str());
    DestroyWindow(dialog);
    return wintest_finish("test_simhost_varmenu");
}
