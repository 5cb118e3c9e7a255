// Channel selector bar: the two control classes in a module-like dialog,
// driven with mouse messages; what the dialog receives, the controls' state
// words and the bar state after each step.
#include <string>

#include "chanbar.h"
#include "dlg_font.h"
#include "dlg_template.h"
#include "import_patch.h"
#include "plugin_state.h"
#include "wintest.h"

static const int kBarY = 41;  // dialog units, as in most module dialogs
static const int kNameEdit = 1010, kOkButton = 1006;

// One distinct colour per image (the four channel images, then the six
// arrow images), so the painted pixels tell the state.
static COLORREF colour(int image) { return RGB(20 * image, 255 - 20 * image, 100); }
static HBITMAP channelImages[4], arrowImages[6];

// What the dialog saw, in order: "+" and "-" for the arrows' commands,
// "s<n>" and "v<n>" for its store and show routines with channel n, and
// "D", "U", "L" or "R" <channel>:<state> for the button notifications
// (down, up, left and right double-click).
static std::string events;

static void note(const std::string& word) { events += (events.empty() ? "" : " ") + word; }
static void note_channel(char what, u32 channel)
{
    char word[16];
    snprintf(word, sizeof word, "%c%u", what, channel);
    note(word);
}
static const ChannelBarHooks kHooks = {[](HWND, u32 c) { note_channel('s', c); },
                                       [](HWND, u32 c) { note_channel('v', c); }};

static INT_PTR CALLBACK bar_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= CKN_LBUTTONDOWN && message <= CKN_RBUTTONDBLCLK)
        note("DULR"[message - CKN_LBUTTONDOWN] + std::to_string(GetDlgCtrlID((HWND)wParam) - IDC_BAR_CHANNEL0) + ":" +
             std::to_string(lParam));
    else if (message == WM_COMMAND && (LOWORD(wParam) == IDC_BAR_FEWER || LOWORD(wParam) == IDC_BAR_MORE))
        note(lParam || HIWORD(wParam) ? "bad-command" : wParam == IDC_BAR_MORE ? "+" : "-");
    if (message == WM_INITDIALOG) return TRUE;
    return ChannelBar_HandleDialogMessage(dialog, message, wParam, lParam, &kHooks) ? TRUE : FALSE;
}

static HBITMAP make_image(int width, int height, COLORREF colour)
{
    BITMAPINFO info = {{sizeof(BITMAPINFOHEADER), width, height, 1, 32, BI_RGB}};
    DWORD* pixels = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, (void**)&pixels, nullptr, 0);
    for (int i = 0; pixels && i < width * height; ++i)
        pixels[i] = RGB(GetBValue(colour), GetGValue(colour), GetRValue(colour));  // blue in the low byte
    return image;
}

static HFONT KW_CDECL create_font(const LOGFONTA* font) { return CreateFontIndirectA(font); }

// The bar as every module dialog carries it, plus a name field to hold the
// focus and an Ok button for the default-button check.
static HWND create_bar_dialog(void)
{
    static DlgTemplate t;
    dlgt_begin(&t, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 320, 110, "Channels", 8, FW_NORMAL, "MS Shell Dlg");
    dlgt_item(&t, 0, 11, kBarY, 12, 16, IDC_BAR_FEWER, "VOV:CONTROLLESSMORE", "");
    for (int i = 0; i < 16; ++i)
        dlgt_item(&t, 0, (short)(34 + 16 * i), kBarY, 11, 15, IDC_BAR_CHANNEL0 + i, "VOV:CONTROLKANAL", "");
    dlgt_item(&t, 0, 295, kBarY, 12, 16, IDC_BAR_MORE, "VOV:CONTROLLESSMORE", "");
    dlgt_item(&t, WS_BORDER | WS_TABSTOP, 11, 70, 120, 12, kNameEdit, "EDIT", "");
    dlgt_item(&t, BS_PUSHBUTTON | WS_TABSTOP, 250, 88, 50, 14, kOkButton, "BUTTON", "Ok");
    HWND dialog = dlgt_create(&t, g_hostWindow, bar_dialog_proc);
    ok(dialog != nullptr, "bar dialog not created (%lu)", GetLastError());
    return dialog;
}

static HWND item(HWND dialog, int id) { return GetDlgItem(dialog, id); }
static HWND button(HWND dialog, int channel) { return item(dialog, IDC_BAR_CHANNEL0 + channel); }
static int state_of(HWND control) { return (int)(u16)GetWindowWord(control, 0); }

static void open_bar(HWND dialog, u32 maximum, u32 used, u32 current)
{
    barMaxChannels = maximum;
    barUsedChannels = used;
    barCurrentChannel = current;
    ChannelBar_Refresh(dialog);
    events.clear();
}

// The states of the fewer arrow, the 16 channel buttons and the more arrow,
// as "1 1222333333333333 4".
static std::string states_of(HWND dialog)
{
    std::string got(1, (char)('0' + state_of(item(dialog, IDC_BAR_FEWER))));
    got += ' ';
    for (int i = 0; i < 16; ++i) got += (char)('0' + state_of(button(dialog, i)));
    got += ' ';
    return got += (char)('0' + state_of(item(dialog, IDC_BAR_MORE)));
}

static std::string repeat(const std::string& words, int n)
{
    std::string all;
    for (int i = 0; i < n; ++i) all += (i ? " " : "") + words;
    return all;
}

// The controls read Ctrl from the asynchronous key state. Under Wine that
// state is the whole display's and is set back to the X keyboard's (Ctrl up)
// whenever X focus or the pointer moves between windows, which any program on
// the display may cause at any moment; reading it also handles the X focus
// events that wait, and a focus change that another program's window caused
// took the mouse capture from a pressed button (the failure once seen in a
// parallel run). So the test answers the controls' reads itself, through the
// import they call, and its dialog stays on top of the display's windows.
static bool s_ctrlHeld;
static SHORT WINAPI test_key_state(int key) { return key == VK_CONTROL && s_ctrlHeld ? (SHORT)0x8000 : 0; }

// One user action on a control of the bar and what must follow: the events,
// the states (null: not checked), the bar's channel count and current channel,
// and whether the control holds the mouse. Before each step the focus is on
// the name field; after a step that the dialog acted upon it is on the first
// channel button, and the bar is the control last used.
enum Action { OPEN, CLICK, DOWN, UP, UP_OUTSIDE, DBL, CTRL_DBL, CTRL_RDBL, RUNNING, MARK_USED };
enum { FEWER = -1, MORE = -2 };  // targets besides the channel buttons
struct Step {
    Action action;
    int target;  // OPEN: the maximum; RUNNING: the experiment flag; MARK_USED: a button whose word says 2
    std::string events;
    const char* states;
    int used, current;
    bool held;
};

static void run_steps(HWND dialog, const Step* steps, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const Step& s = steps[i];
        HWND control = s.target == FEWER ? item(dialog, IDC_BAR_FEWER)
                       : s.target == MORE ? item(dialog, IDC_BAR_MORE)
                                          : button(dialog, s.target);
        SetFocus(item(dialog, kNameEdit));
        lastControlId = 0;
        bool ctrl = s.action == CTRL_DBL || s.action == CTRL_RDBL;
        s_ctrlHeld = ctrl;
        UINT down = s.action == DBL || s.action == CTRL_DBL ? WM_LBUTTONDBLCLK
                    : s.action == CTRL_RDBL                     ? WM_RBUTTONDBLCLK
                                                                : WM_LBUTTONDOWN;
        LPARAM outside = MAKELPARAM(-300, 200), inside = MAKELPARAM(5, 5);
        if (s.action == RUNNING) g_vars.bExperimentIsRunning = s.target;
        if (s.action == MARK_USED) SendMessageA(control, CKM_SETSTATE, 2, 0);
        if (s.action == RUNNING || s.action == MARK_USED) continue;
        if (s.action == OPEN) open_bar(dialog, s.target, s.used, s.current);
        else if (s.action != UP && s.action != UP_OUTSIDE)
            SendMessageA(control, down, ctrl ? MK_CONTROL : MK_LBUTTON, inside);
        if (s.action == CLICK || s.action == UP || s.action == UP_OUTSIDE)
            SendMessageA(control, WM_LBUTTONUP, 0, s.action == UP_OUTSIDE ? outside : inside);
        bool acted = s.events.find_first_of("D+-") != std::string::npos;
        bool focus = (GetFocus() == button(dialog, 0)) == acted && (lastControlId == IDC_BAR_CHANNEL0) == acted;
        std::string states = s.states ? states_of(dialog) : "";
        ok(events == s.events && (!s.states || states == s.states) && barUsedChannels == (u32)s.used &&
               barCurrentChannel == (u32)s.current && GetCapture() == (s.held ? control : nullptr) && focus,
           "step %u: events \"%s\", expected \"%s\"; states %s, expected %s; %u channels, current %u; capture %d, "
           "focus %d",
           (unsigned)i, events.c_str(), s.events.c_str(), states.c_str(), s.states ? s.states : "-", barUsedChannels,
           barCurrentChannel, GetCapture() == control, focus);
        events.clear();
    }
    s_ctrlHeld = false;
}

// The bar of a counter input (at most two channels), then of a kind with 16.
static void test_steps(HWND dialog)
{
    const Step steps[] = {
        {OPEN, 2, "", "0 1300000000000000 4", 1, 0},
        {CTRL_DBL, 10, "+ s0 v0 L10:0", "1 1200000000000000 3", 2, 0},  // up to the maximum only
        // A channel in use: store the old one, select, show the new one; a
        // click on the current or a free channel and a double-click without
        // Ctrl are only reported.
        {OPEN, 16, "", "1 1222333333333333 4", 4, 0},
        {CLICK, 2, "D2:2 s0 v2 U2:1", "1 2212333333333333 4", 4, 2},
        {DOWN, 2, "D2:1", "1 2212333333333333 4", 4, 2},
        {DBL, 9, "L9:3", nullptr, 4, 2},
        // The bar's count decides what is in use: a button one past the last
        // whose state word says "in use" does not become the current channel.
        {MARK_USED, 4},
        {DOWN, 4, "D4:2", nullptr, 4, 2},
        // A press on an arrow shows the pressed image and takes the mouse; the
        // step comes on release, wherever that happens.
        {OPEN, 16, "", nullptr, 2, 1},
        {DOWN, MORE, "", "1 2133333333333333 5", 2, 1, true},
        {UP, MORE, "+ s1 v1", "1 2123333333333333 4", 3, 1},
        {DOWN, FEWER, "", "2 2123333333333333 4", 3, 1, true},
        {UP_OUTSIDE, FEWER, "- s1 v1", "1 2133333333333333 4", 2, 1},
        {UP, MORE, "", nullptr, 2, 1},  // a release without a press
        // Down to one channel: the current one is dropped, fewer is disabled.
        {CLICK, FEWER, "- s1 v0", "0 1333333333333333 4", 1, 0},
        {DOWN, FEWER, "", "0 1333333333333333 4", 1, 0},  // ignored, no capture
        // More fills the bar and disables itself; fewer enables it again.
        {OPEN, 16, "", nullptr, 15, 14},
        {CLICK, MORE, "+ s14 v14", "1 2222222222222212 3", 16, 14},
        {CLICK, MORE, "", nullptr, 16, 14},
        {CLICK, FEWER, "- s14 v14", "1 2222222222222213 4", 15, 14},
        // Ctrl + double-click on the arrows: to the maximum, to one, one fewer.
        {OPEN, 16, "", nullptr, 2, 1},
        {CTRL_DBL, MORE, repeat("+ s1 v1", 14), "1 2122222222222222 3", 16, 1},
        {CTRL_DBL, FEWER, repeat("- s1 v1", 14) + " - s1 v0", "0 1333333333333333 4", 1, 0},
        {OPEN, 16, "", nullptr, 5, 4},
        {CTRL_RDBL, FEWER, "- s4 v3", nullptr, 4, 3},
        {CTRL_RDBL, MORE, "", nullptr, 4, 3},
        // On channel buttons: left takes the count up to the button, right
        // down to it (button 0 to one channel); the other direction only reports.
        {CTRL_DBL, 7, repeat("+ s3 v3", 4) + " L7:2", nullptr, 8, 3},
        {CTRL_DBL, 2, "L2:2", nullptr, 8, 3},
        {CTRL_RDBL, 3, repeat("- s3 v3", 4) + " - s3 v2 R3:3", nullptr, 3, 2},
        {CTRL_RDBL, 5, "R5:3", nullptr, 3, 2},
        {CTRL_RDBL, 0, "- s2 v1 - s1 v0 R0:1", "0 1333333333333333 4", 1, 0},
        // Without Ctrl a double-click on an arrow is a second press.
        {OPEN, 16, "", nullptr, 2, 0},
        {DBL, MORE, "", nullptr, 2, 0, true},
        {UP, MORE, "+ s0 v0", nullptr, 3, 0},
        // While an experiment runs the arrows are disabled and double-clicks
        // do nothing; a click still switches the channel on show.
        {RUNNING, 1},
        {OPEN, 16, "", "0 1222333333333333 3", 4, 0},
        {CTRL_DBL, 10, "", nullptr, 4, 0},
        {CTRL_RDBL, FEWER, "", nullptr, 4, 0},
        {DOWN, 3, "D3:2 s0 v3", "0 2221333333333333 3", 4, 3},
        {RUNNING, 0},
    };
    run_steps(dialog, steps, sizeof steps / sizeof steps[0]);
}

// Deselecting touches only state 1; a refresh places the dialog, which makes
// the dialog font (where it goes is the placement test's). The notification
// numbers double as dialog messages: a genuine DM_SETDEFID still reaches the
// dialog manager.
static void test_deselect_refresh_and_defid(HWND dialog)
{
    HWND b = button(dialog, 3);
    for (int from = 0; from < 4; ++from) {
        SendMessageA(b, CKM_SETSTATE, from, 0);
        SendMessageA(b, CKM_DESELECT, 0, 0);
        ok(state_of(b) == (from == 1 ? 2 : from), "deselect from %d gives %d", from, state_of(b));
    }
    SendMessageA(b, CKM_SETSTATE, 0, 0);
    open_bar(dialog, 2, 1, 0);
    ok(g_dlgFont != nullptr, "the refresh placed no dialog");
    SendMessageA(dialog, DM_SETDEFID, kOkButton, 0);
    LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    ok(defaultId == MAKELONG(kOkButton, DC_HASDEFID), "default id %lx", (unsigned long)defaultId);
}

static COLORREF pixel(HWND control, int x, int y)
{
    HDC dc = GetDC(control);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return colour;
}

// A control has its fixed size at the template's place (one arrow and one
// button: all are made alike) and each shows the image of its state, corner
// to corner; a press shows at once, before any message loop runs. The dialog
// is on top meanwhile, so that no other window on the display hides the
// pixels read.
static void test_painting(HWND dialog)
{
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    open_bar(dialog, 16, 6, 2);
    UpdateWindow(dialog);
    for (int id = IDC_BAR_FEWER; id <= IDC_BAR_CHANNEL0 + 15; ++id) {
        HWND control = item(dialog, id);
        bool arrow = id < IDC_BAR_CHANNEL0;
        RECT place = {id == IDC_BAR_MORE ? 295 : 34 + 16 * (id - IDC_BAR_CHANNEL0), kBarY}, got;
        MapDialogRect(dialog, &place);
        GetWindowRect(control, &got);
        MapWindowPoints(nullptr, dialog, (POINT*)&got, 2);
        if (id == IDC_BAR_MORE || id == IDC_BAR_CHANNEL0 + 15)
            ok(got.left == place.left && got.top == place.top && got.right - got.left == (arrow ? 24 : 22) &&
                   got.bottom - got.top == (arrow ? 32 : 30),
               "control %d at %ld,%ld size %ldx%ld", id, got.left, got.top, got.right - got.left, got.bottom - got.top);
        COLORREF expected = colour(state_of(control) + (arrow ? 4 : 0));
        COLORREF corner = pixel(control, 0, 0), opposite = pixel(control, arrow ? 23 : 21, arrow ? 31 : 29);
        ok(corner == expected && opposite == expected, "control %d in state %d drawn %06lx/%06lx, expected %06lx",
           id, state_of(control), corner, opposite, expected);
    }
    HWND more = item(dialog, IDC_BAR_MORE);
    SendMessageA(more, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(pixel(more, 10, 10) == colour(4 + 5), "pressed arrow not repainted at once");
    SendMessageA(more, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
}

int main(void)
{
    g_instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < 4; ++i) channelImages[i] = make_image(22, 30, colour(i));
    for (int i = 0; i < 6; ++i) arrowImages[i] = make_image(24, 32, colour(4 + i));
    g_host.hBitChannel = (uintptr_t)channelImages;
    g_host.hBitLessMore = (uintptr_t)arrowImages;
    g_host.CreateStackedFontIndirect = create_font;
    ChannelBar_RegisterClasses();
    ok(patch_import(GetModuleHandleA(nullptr), "user32.dll", (void*)GetAsyncKeyState, (void*)test_key_state),
       "no import of GetAsyncKeyState to answer");
    g_hostWindow = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 60, 40, 900, 600, nullptr, nullptr,
                                   g_instance, nullptr);

    HWND dialog = create_bar_dialog();
    test_deselect_refresh_and_defid(dialog);
    test_steps(dialog);
    test_painting(dialog);
    DestroyWindow(dialog);
    DestroyWindow(g_hostWindow);
    ChannelBar_UnregisterClasses();
    return wintest_finish("test_chanbar");
}
