// Dialog placement: centring on a reference window or the desktop, keeping
// the window on the primary screen, and the dialog text font made once from
// the first dialog placed.
#include <string.h>

#include "dlg_center.h"
#include "dlg_font.h"
#include "dlg_template.h"
#include "plugin_state.h"
#include "wintest.h"

static int fontsMade;
static LOGFONTA fontAsked;

static HFONT KW_CDECL create_font(const LOGFONTA* font)
{
    ++fontsMade;
    fontAsked = *font;
    return CreateFontIndirectA(font);
}

enum { ID_LABEL = 100, ID_BUTTON, ID_GROUP, ID_EDIT, ID_LIST, ID_COMBO };

static INT_PTR CALLBACK quiet_dialog_proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// A bold dialog with one control of each kind the font step tells apart.
static HWND create_dialog(void)
{
    static DlgTemplate t;
    dlgt_begin(&t, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120, "Placed", 8, FW_BOLD, "MS Shell Dlg");
    dlgt_item(&t, SS_LEFT, 5, 5, 80, 8, ID_LABEL, "Static", "Label");
    dlgt_item(&t, BS_PUSHBUTTON, 5, 20, 50, 14, ID_BUTTON, "button", "Push");
    dlgt_item(&t, BS_GROUPBOX, 100, 5, 90, 40, ID_GROUP, "BUTTON", "Group");
    dlgt_item(&t, WS_BORDER, 5, 40, 80, 12, ID_EDIT, "Edit", "");
    dlgt_item(&t, WS_BORDER, 5, 56, 80, 30, ID_LIST, "ListBox", "");
    dlgt_item(&t, CBS_DROPDOWNLIST, 100, 56, 80, 60, ID_COMBO, "COMBOBOX", "");
    HWND dialog = dlgt_create(&t, nullptr, quiet_dialog_proc);
    ok(dialog != nullptr, "dialog not created (%lu)", GetLastError());
    return dialog;
}

static HWND create_reference(int x, int y, int width, int height)
{
    return CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

static void test_placement(void)
{
    int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    HWND dialog = create_dialog();
    struct {
        const char* name;
        int refX, refY, refWidth, refHeight;  // no reference when refWidth is 0
        int width, height, x, y;
    } const cases[] = {
        {"on the reference", 100, 80, 600, 400, 301, 201, 400 - 150, 280 - 100},
        {"on the desktop", 0, 0, 0, 0, 300, 200, (desktop.right - desktop.left) / 2 - 150,
         (desktop.bottom - desktop.top) / 2 - 100},
        {"past the bottom right", screenWidth - 100, screenHeight - 100, 400, 300, 300, 200, screenWidth - 300,
         screenHeight - 200},
        // A centre left of the primary screen wraps to a large 16-bit value,
        // which the clamp takes to the right edge.
        {"left of the primary screen", -700, 100, 400, 300, 300, 200, screenWidth - 300, 250 - 100},
        {"larger than the screen", 100, 80, 600, 400, screenWidth + 200, screenHeight + 100, 0, 0},
    };
    for (const auto& c : cases) {
        HWND reference = c.refWidth ? create_reference(c.refX, c.refY, c.refWidth, c.refHeight) : nullptr;
        MoveWindow(dialog, 5, 5, c.width, c.height, FALSE);
        DLG_CenterWindow(dialog, reference);
        RECT got;
        GetWindowRect(dialog, &got);
        ok(got.left == c.x && got.top == c.y && got.right - got.left == c.width && got.bottom - got.top == c.height,
           "%s: at %ld,%ld size %ldx%ld, expected %d,%d", c.name, got.left, got.top, got.right - got.left,
           got.bottom - got.top, c.x, c.y);
        if (reference) DestroyWindow(reference);
    }
    DestroyWindow(dialog);
}

// The first dialog placed gives the font, at normal weight.
static void test_font(void)
{
    HWND first = create_dialog();
    DLG_CenterWindow(first, nullptr);
    LOGFONTA expected;
    GetObjectA((HFONT)SendMessageA(first, WM_GETFONT, 0, 0), sizeof expected, &expected);
    expected.lfWeight = FW_NORMAL;
    // The face name's bytes after its end are not part of the description.
    ok(memcmp(&fontAsked, &expected, offsetof(LOGFONTA, lfFaceName)) == 0 &&
           strcmp(fontAsked.lfFaceName, expected.lfFaceName) == 0,
       "font asked: %s weight %ld, expected %s at 400", fontAsked.lfFaceName, fontAsked.lfWeight, expected.lfFaceName);

    // Labels, buttons and group boxes take it; edit, list and combo boxes keep the dialog's.
    HWND second = create_dialog();
    DLG_CenterWindow(second, first);
    ok(fontsMade == 1 && g_dlgFont != nullptr, "%d fonts made", fontsMade);
    for (HWND dialog : {first, second}) {
        HFONT own = (HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0);
        for (int id = ID_LABEL; id <= ID_COMBO; ++id) {
            HFONT font = (HFONT)SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0);
            ok(font == (id < ID_EDIT ? g_dlgFont : own), "control %d has the wrong font", id);
        }
    }
    DestroyWindow(second);
    DestroyWindow(first);
}

int main(void)
{
    g_host.CreateStackedFontIndirect = create_font;
    test_font();
    test_placement();
    return wintest_finish("test_dlg_center");
}
