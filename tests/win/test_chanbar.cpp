// Channel selector bar: the two control classes in a module-like dialog,
// driven with mouse messages; the notifications and commands the dialog
// receives, the controls' state words and the bar state after each step.
#include <string.h>

#include "chanbar.h"
#include "dlg_font.h"
#include "dlg_template.h"
#include "plugin_state.h"
#include "wintest.h"

static const int kBarY = 41;  // dialog units, as in most module dialogs
static const int kNameEdit = 1010;
static const int kOkButton = 1006;

// One distinct colour per image, so the painted pixels tell the state.
static const COLORREF kChannelColours[4] = {RGB(64, 64, 64), RGB(255, 0, 0), RGB(0, 160, 0),
                                            RGB(0, 0, 255)};
static const COLORREF kArrowColours[6] = {RGB(96, 96, 96),  RGB(255, 255, 0), RGB(255, 0, 255),
                                          RGB(128, 128, 0), RGB(0, 255, 255), RGB(128, 0, 128)};
static HBITMAP channelImages[4];
static HBITMAP arrowImages[6];

// What the dialog procedure saw, in order; the dialog's store and show
// routines appear as two pseudo messages.
enum { EV_STORE = WM_APP + 1, EV_SHOW = WM_APP + 2 };
struct Event {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
static Event events[256];
static int eventCount;

static void record(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (eventCount < 256) events[eventCount] = {message, wParam, lParam};
    ++eventCount;
}

static void store_channel(HWND, u32 channel) { record(EV_STORE, channel, 0); }
static void show_channel(HWND, u32 channel) { record(EV_SHOW, channel, 0); }
static const ChannelBarHooks kHooks = {store_channel, show_channel};

static INT_PTR CALLBACK bar_dialog_proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message >= CKN_LBUTTONDOWN && message <= CKN_RBUTTONDBLCLK) ||
        (message == WM_COMMAND &&
         (LOWORD(wParam) == IDC_BAR_FEWER || LOWORD(wParam) == IDC_BAR_MORE)))
        record(message, wParam, lParam);
    if (message == WM_INITDIALOG) return TRUE;
    return ChannelBar_HandleDialogMessage(dialog, message, wParam, lParam, &kHooks) ? TRUE : FALSE;
}

static HBITMAP make_image(int width, int height, COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP image = CreateCompatibleBitmap(screen, width, height);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(memory, image);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    SelectObject(memory, previous);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

static HFONT KW_CDECL create_font(const LOGFONTA* font) { return CreateFontIndirectA(font); }

// The bar as every module dialog carries it, plus a name field to hold the
// focus and an Ok button for the default-button check.
static HWND create_bar_dialog(bool withFewerArrow = true)
{
    static DlgTemplate t;
    dlgt_begin(&t, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 320, 110, "Channels", 8, FW_NORMAL,
               "MS Shell Dlg");
    if (withFewerArrow)
        dlgt_item(&t, 0, 11, kBarY, 12, 16, IDC_BAR_FEWER, "VOV:CONTROLLESSMORE", "");
    for (int i = 0; i < 16; ++i) {
        char label[4];
        wsprintfA(label, "%d", i);
        dlgt_item(&t, 0, (short)(34 + 16 * i), kBarY, 11, 15, IDC_BAR_CHANNEL0 + i,
                  "VOV:CONTROLKANAL", "");
        dlgt_item(&t, SS_CENTER, (short)(32 + 16 * i), kBarY - 10, 15, 8, 21500 + i, "STATIC",
                  label);
    }
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
    lastControlId = 0;
    SetFocus(item(dialog, kNameEdit));
    eventCount = 0;
}

// 'buttons' holds one state digit per channel button, 0 to 15.
static void check_states(HWND dialog, const char* buttons, int fewer, int more, const char* context)
{
    char got[17];
    for (int i = 0; i < 16; ++i) got[i] = (char)('0' + state_of(button(dialog, i)));
    got[16] = 0;
    ok(strcmp(got, buttons) == 0, "%s: buttons %s, expected %s", context, got, buttons);
    ok(state_of(item(dialog, IDC_BAR_FEWER)) == fewer, "%s: fewer state %d, expected %d", context,
       state_of(item(dialog, IDC_BAR_FEWER)), fewer);
    ok(state_of(item(dialog, IDC_BAR_MORE)) == more, "%s: more state %d, expected %d", context,
       state_of(item(dialog, IDC_BAR_MORE)), more);
}

static void check_bar(u32 used, u32 current, const char* context)
{
    ok(barUsedChannels == used, "%s: %u channels in use, expected %u", context, barUsedChannels,
       used);
    ok(barCurrentChannel == current, "%s: current channel %u, expected %u", context,
       barCurrentChannel, current);
}

static void check_events(const Event* expected, int count, const char* context)
{
    ok(eventCount == count, "%s: %d events, expected %d", context, eventCount, count);
    for (int i = 0; i < count && i < eventCount; ++i)
        ok(events[i].message == expected[i].message && events[i].wParam == expected[i].wParam &&
               events[i].lParam == expected[i].lParam,
           "%s: event %d is %04x %lx %lx, expected %04x %lx %lx", context, i, events[i].message,
           (unsigned long)events[i].wParam, (unsigned long)events[i].lParam, expected[i].message,
           (unsigned long)expected[i].wParam, (unsigned long)expected[i].lParam);
    eventCount = 0;
}

// 'steps' single steps of one arrow, each with the dialog's store and show
// around it.
static void check_step_events(int commandId, int steps, const char* context)
{
    ok(eventCount == 3 * steps, "%s: %d events, expected %d", context, eventCount, 3 * steps);
    for (int i = 0; i + 2 < eventCount && i < 3 * steps; i += 3)
        ok(events[i].message == WM_COMMAND && events[i].wParam == (WPARAM)commandId &&
               events[i].lParam == 0 && events[i + 1].message == EV_STORE &&
               events[i + 2].message == EV_SHOW,
           "%s: step %d is %04x %lx", context, i / 3, events[i].message,
           (unsigned long)events[i].wParam);
    eventCount = 0;
}

static void flush_messages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

static bool ctrl_down(void) { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

// The controls read the key state asynchronously, and an injected key event
// updates it at once. Under Wine, reading the key state also handles pending
// X focus events, which resynchronise it with the X server's idea of the
// keyboard (Ctrl up): so the window changes are let settle first, and the
// press is repeated until it holds.
static void hold_ctrl(bool down)
{
    for (int i = 0; i < 3; ++i) {
        flush_messages();
        ctrl_down();
        Sleep(30);
    }
    for (int attempt = 0; attempt < 20 && ctrl_down() != down; ++attempt) {
        keybd_event(VK_CONTROL, 0, down ? 0 : KEYEVENTF_KEYUP, 0);
        Sleep(10);
    }
    ok(ctrl_down() == down, "Ctrl not %s", down ? "held" : "released");
}

// A double-click with Ctrl held; the press is made sure of just before,
// as moving or focusing windows may have undone it.
static void ctrl_double_click(HWND control, UINT message)
{
    hold_ctrl(true);
    SendMessageA(control, message, MK_CONTROL, MAKELPARAM(5, 5));
}

static void click(HWND control, UINT down, UINT up)
{
    SendMessageA(control, down, MK_LBUTTON, MAKELPARAM(5, 5));
    if (up) SendMessageA(control, up, 0, MAKELPARAM(5, 5));
}

static void test_creation(void)
{
    HWND dialog = create_bar_dialog();
    for (int id = IDC_BAR_FEWER; id <= IDC_BAR_CHANNEL0 + 15; ++id) {
        HWND control = item(dialog, id);
        bool arrow = id < IDC_BAR_CHANNEL0;
        RECT expected = {id == IDC_BAR_FEWER  ? 11
                         : id == IDC_BAR_MORE ? 295
                                              : 34 + 16 * (id - IDC_BAR_CHANNEL0),
                         kBarY, 0, 0};
        MapDialogRect(dialog, &expected);
        RECT got;
        GetWindowRect(control, &got);
        MapWindowPoints(nullptr, dialog, (POINT*)&got, 2);
        ok(got.left == expected.left && got.top == expected.top,
           "control %d at %ld,%ld, expected %ld,%ld", id, got.left, got.top, expected.left,
           expected.top);
        ok(got.right - got.left == (arrow ? 24 : 22) && got.bottom - got.top == (arrow ? 32 : 30),
           "control %d is %ldx%ld", id, got.right - got.left, got.bottom - got.top);
        ok(state_of(control) == 0, "control %d starts in state %d", id, state_of(control));
    }

    // Deselecting touches only state 1.
    HWND b = button(dialog, 3);
    for (int from = 0; from < 4; ++from) {
        SendMessageA(b, CKM_SETSTATE, from, 0);
        SendMessageA(b, CKM_DESELECT, 0, 0);
        ok(state_of(b) == (from == 1 ? 2 : from), "deselect from %d gives %d", from, state_of(b));
    }
    DestroyWindow(dialog);
}

// A counter input dialog: two channels, buttons 2 to 15 never leave the
// unavailable state, whatever the bar does.
static void test_counter_input_maximum(void)
{
    HWND dialog = create_bar_dialog();
    open_bar(dialog, 2, 1, 0);
    check_states(dialog, "1300000000000000", 0, 4, "counter input open");

    // The dialog is centred on the host window.
    RECT host, placed;
    GetClientRect(g_hostWindow, &host);
    MapWindowPoints(g_hostWindow, nullptr, (POINT*)&host, 2);
    GetWindowRect(dialog, &placed);
    ok(placed.left == (host.left + host.right) / 2 - (placed.right - placed.left) / 2 &&
           placed.top == (host.top + host.bottom) / 2 - (placed.bottom - placed.top) / 2,
       "dialog at %ld,%ld not centred on the host window", placed.left, placed.top);
    ok(g_dlgFont != nullptr, "refresh made no dialog font");

    // Ctrl + double-click far beyond the maximum fills the bar only up to it.
    ctrl_double_click(button(dialog, 10), WM_LBUTTONDBLCLK);
    hold_ctrl(false);
    const Event jump[] = {{WM_COMMAND, IDC_BAR_MORE, 0},
                          {EV_STORE, 0, 0},
                          {EV_SHOW, 0, 0},
                          {CKN_LBUTTONDBLCLK, (WPARAM)button(dialog, 10), 0}};
    check_events(jump, 4, "jump beyond the maximum");
    check_bar(2, 0, "jump beyond the maximum");
    check_states(dialog, "1200000000000000", 1, 3, "counter input full");

    // The more arrow is disabled now.
    click(item(dialog, IDC_BAR_MORE), WM_LBUTTONDOWN, WM_LBUTTONUP);
    ok(eventCount == 0 && barUsedChannels == 2, "disabled more arrow stepped");
    DestroyWindow(dialog);
}

static void test_channel_buttons(HWND dialog)
{
    open_bar(dialog, 16, 4, 0);
    check_states(dialog, "1222333333333333", 1, 4, "open with four channels");

    // A channel in use: store the old one, select, show the new one.
    HWND two = button(dialog, 2);
    click(two, WM_LBUTTONDOWN, WM_LBUTTONUP);
    const Event select[] = {{CKN_LBUTTONDOWN, (WPARAM)two, 2},
                            {EV_STORE, 0, 0},
                            {EV_SHOW, 2, 0},
                            {CKN_LBUTTONUP, (WPARAM)two, 1}};
    check_events(select, 4, "click on channel 2");
    check_bar(4, 2, "click on channel 2");
    check_states(dialog, "2212333333333333", 1, 4, "click on channel 2");
    ok(lastControlId == IDC_BAR_CHANNEL0, "last control %d", lastControlId);
    ok(GetFocus() == button(dialog, 0), "focus not on the first channel button");

    // The current channel, a free one and (with a single click) nothing else
    // change only the focus.
    const int others[] = {2, 6};
    for (int channel : others) {
        SetFocus(item(dialog, kNameEdit));
        lastControlId = 0;
        click(button(dialog, channel), WM_LBUTTONDOWN, 0);
        const Event only[] = {
            {CKN_LBUTTONDOWN, (WPARAM)button(dialog, channel), channel == 2 ? 1 : 3}};
        check_events(only, 1,
                     channel == 2 ? "click on the current channel" : "click on a free channel");
        check_bar(4, 2, "click without change");
        check_states(dialog, "2212333333333333", 1, 4, "click without change");
        ok(GetFocus() == button(dialog, 0) && lastControlId == IDC_BAR_CHANNEL0,
           "channel %d: focus or last control", channel);
    }

    // Without Ctrl a double-click is only reported.
    SendMessageA(button(dialog, 9), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(button(dialog, 1), WM_RBUTTONDBLCLK, MK_RBUTTON, MAKELPARAM(5, 5));
    const Event reported[] = {{CKN_LBUTTONDBLCLK, (WPARAM)button(dialog, 9), 3},
                              {CKN_RBUTTONDBLCLK, (WPARAM)button(dialog, 1), 2}};
    check_events(reported, 2, "double-clicks without Ctrl");
    check_bar(4, 2, "double-clicks without Ctrl");

    // The notification numbers double as dialog messages: a genuine
    // DM_SETDEFID still reaches the dialog manager.
    SendMessageA(dialog, DM_SETDEFID, kOkButton, 0);
    LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    ok(defaultId == MAKELONG(kOkButton, DC_HASDEFID), "default id %lx", (unsigned long)defaultId);
}

static void test_arrows(HWND dialog)
{
    open_bar(dialog, 16, 2, 1);
    HWND fewer = item(dialog, IDC_BAR_FEWER), more = item(dialog, IDC_BAR_MORE);

    // Press shows the pressed image and takes the mouse; the step comes on release.
    SendMessageA(more, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(state_of(more) == 5 && GetCapture() == more && eventCount == 0, "more press: state %d",
       state_of(more));
    SendMessageA(more, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ok(state_of(more) == 4 && GetCapture() == nullptr, "more release: state %d", state_of(more));
    const Event step[] = {{WM_COMMAND, IDC_BAR_MORE, 0}, {EV_STORE, 1, 0}, {EV_SHOW, 1, 0}};
    check_events(step, 3, "more");
    check_bar(3, 1, "more");
    check_states(dialog, "2123333333333333", 1, 4, "more");
    ok(GetFocus() == button(dialog, 0) && lastControlId == IDC_BAR_CHANNEL0, "focus after a step");

    // Released far outside the arrow: the step still happens.
    SendMessageA(fewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(state_of(fewer) == 2 && GetCapture() == fewer, "fewer press: state %d", state_of(fewer));
    SendMessageA(fewer, WM_LBUTTONUP, 0, MAKELPARAM(-300, 200));
    check_step_events(IDC_BAR_FEWER, 1, "fewer released outside");
    check_bar(2, 1, "fewer released outside");
    ok(state_of(fewer) == 1, "fewer after release: state %d", state_of(fewer));

    // A release without a press is ignored.
    SendMessageA(more, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ok(eventCount == 0 && barUsedChannels == 2, "release without press stepped");

    // Down to one channel: the current channel is dropped, fewer disables
    // itself and ignores the mouse from then on.
    click(fewer, WM_LBUTTONDOWN, WM_LBUTTONUP);
    const Event drop[] = {{WM_COMMAND, IDC_BAR_FEWER, 0}, {EV_STORE, 1, 0}, {EV_SHOW, 0, 0}};
    check_events(drop, 3, "drop the current channel");
    check_bar(1, 0, "drop the current channel");
    check_states(dialog, "1333333333333333", 0, 4, "one channel");
    SendMessageA(fewer, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(state_of(fewer) == 0 && GetCapture() == nullptr, "disabled fewer took the press");
    SendMessageA(fewer, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ok(eventCount == 0 && barUsedChannels == 1, "disabled fewer stepped");

    // One short of the maximum: more fills the bar and disables itself;
    // fewer from the maximum enables it again.
    open_bar(dialog, 16, 15, 14);
    click(more, WM_LBUTTONDOWN, WM_LBUTTONUP);
    check_step_events(IDC_BAR_MORE, 1, "fill");
    check_states(dialog, "2222222222222212", 1, 3, "full");
    click(more, WM_LBUTTONDOWN, WM_LBUTTONUP);
    ok(eventCount == 0 && barUsedChannels == 16, "disabled more stepped");
    click(fewer, WM_LBUTTONDOWN, WM_LBUTTONUP);
    check_step_events(IDC_BAR_FEWER, 1, "from full");
    check_states(dialog, "2222222222222213", 1, 4, "from full");
}

static void test_ctrl_jumps(HWND dialog)
{
    HWND fewer = item(dialog, IDC_BAR_FEWER), more = item(dialog, IDC_BAR_MORE);

    // Arrows: fill to the maximum, back to one, one fewer; no press, no capture.
    open_bar(dialog, 16, 2, 1);
    ctrl_double_click(more, WM_LBUTTONDBLCLK);
    check_step_events(IDC_BAR_MORE, 14, "Ctrl double-click on more");
    check_bar(16, 1, "Ctrl double-click on more");
    ok(state_of(more) == 3 && GetCapture() == nullptr, "more after the jump: state %d",
       state_of(more));
    ctrl_double_click(fewer, WM_LBUTTONDBLCLK);
    check_step_events(IDC_BAR_FEWER, 15, "Ctrl double-click on fewer");
    check_bar(1, 0, "Ctrl double-click on fewer");
    check_states(dialog, "1333333333333333", 0, 4, "Ctrl double-click on fewer");

    open_bar(dialog, 16, 5, 4);
    ctrl_double_click(fewer, WM_RBUTTONDBLCLK);
    check_step_events(IDC_BAR_FEWER, 1, "Ctrl right double-click on fewer");
    check_bar(4, 3, "Ctrl right double-click on fewer");
    ctrl_double_click(more, WM_RBUTTONDBLCLK);
    ok(eventCount == 0 && barUsedChannels == 4, "right double-click on more acted");

    // Channel buttons: left takes the count up to the button, right down to
    // it (button 0 to one channel); the other direction only reports.
    struct {
        UINT message;
        int channel;
        u32 usedAfter;
        int commandId;
    } const jumps[] = {
        {WM_LBUTTONDBLCLK, 7, 8, IDC_BAR_MORE},  {WM_LBUTTONDBLCLK, 2, 8, IDC_BAR_MORE},
        {WM_RBUTTONDBLCLK, 3, 3, IDC_BAR_FEWER}, {WM_RBUTTONDBLCLK, 5, 3, IDC_BAR_FEWER},
        {WM_RBUTTONDBLCLK, 0, 1, IDC_BAR_FEWER},
    };
    for (const auto& j : jumps) {
        char context[64];
        wsprintfA(context, "Ctrl %s double-click on channel %d",
                  j.message == WM_LBUTTONDBLCLK ? "left" : "right", j.channel);
        u32 before = barUsedChannels;
        HWND b = button(dialog, j.channel);
        ctrl_double_click(b, j.message);
        int steps = (int)(j.usedAfter > before ? j.usedAfter - before : before - j.usedAfter);
        UINT notification = j.message == WM_LBUTTONDBLCLK ? CKN_LBUTTONDBLCLK : CKN_RBUTTONDBLCLK;
        ok(eventCount == 3 * steps + 1 && events[3 * steps].message == notification &&
               events[3 * steps].wParam == (WPARAM)b,
           "%s: %d events, notification last", context, eventCount);
        eventCount = 3 * steps;
        check_step_events(j.commandId, steps, context);
        ok(barUsedChannels == j.usedAfter, "%s: %u channels", context, barUsedChannels);
    }
    check_states(dialog, "1333333333333333", 0, 4, "after the button jumps");

    // Without the fewer arrow the bar cannot step: the jump does nothing.
    HWND bare = create_bar_dialog(false);
    open_bar(bare, 16, 2, 0);
    ctrl_double_click(button(bare, 9), WM_LBUTTONDBLCLK);
    const Event report[] = {{CKN_LBUTTONDBLCLK, (WPARAM)button(bare, 9), 3}};
    check_events(report, 1, "jump without arrows");
    check_bar(2, 0, "jump without arrows");
    DestroyWindow(bare);

    hold_ctrl(false);

    // Without Ctrl a double-click on an arrow is a second press.
    open_bar(dialog, 16, 2, 0);
    SendMessageA(more, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(state_of(more) == 5 && GetCapture() == more && eventCount == 0,
       "double-click without Ctrl: state %d", state_of(more));
    SendMessageA(more, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    check_step_events(IDC_BAR_MORE, 1, "double-click without Ctrl");
    check_bar(3, 0, "double-click without Ctrl");
}

static void test_experiment_running(HWND dialog)
{
    g_vars.bExperimentIsRunning = 1;
    open_bar(dialog, 16, 4, 0);
    check_states(dialog, "1222333333333333", 0, 3, "experiment running");

    ctrl_double_click(button(dialog, 10), WM_LBUTTONDBLCLK);
    ctrl_double_click(button(dialog, 2), WM_RBUTTONDBLCLK);
    ctrl_double_click(item(dialog, IDC_BAR_MORE), WM_LBUTTONDBLCLK);
    ctrl_double_click(item(dialog, IDC_BAR_FEWER), WM_RBUTTONDBLCLK);
    hold_ctrl(false);
    ok(eventCount == 0 && GetCapture() == nullptr, "locked bar: %d events", eventCount);
    check_bar(4, 0, "locked bar");

    // Switching the channel on show still works.
    click(button(dialog, 3), WM_LBUTTONDOWN, 0);
    const Event select[] = {
        {CKN_LBUTTONDOWN, (WPARAM)button(dialog, 3), 2}, {EV_STORE, 0, 0}, {EV_SHOW, 3, 0}};
    check_events(select, 3, "select while running");
    check_states(dialog, "2221333333333333", 0, 3, "select while running");
    g_vars.bExperimentIsRunning = 0;
}

static COLORREF pixel(HWND control, int x, int y)
{
    HDC dc = GetDC(control);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return colour;
}

// Writes the window as it is on screen as a 24-bit BMP.
static bool write_capture(HWND window, const char* path)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    HDC source = GetWindowDC(window);
    HDC memory = CreateCompatibleDC(source);
    HBITMAP image = CreateCompatibleBitmap(source, width, height);
    HGDIOBJ previous = SelectObject(memory, image);
    BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    DWORD stride = ((DWORD)width * 3 + 3) & ~3u;
    info.biSizeImage = stride * (DWORD)height;
    static BYTE bits[4096 * 1024 * 3];
    bool captured =
        info.biSizeImage <= sizeof bits && GetDIBits(memory, image, 0, (UINT)height, bits,
                                                     (BITMAPINFO*)&info, DIB_RGB_COLORS) == height;
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(window, source);
    if (!captured) return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool written = fwrite(&file, sizeof file, 1, out) == 1 &&
                   fwrite(&info, sizeof info, 1, out) == 1 &&
                   fwrite(bits, info.biSizeImage, 1, out) == 1;
    return fclose(out) == 0 && written;
}

static void test_painting(HWND dialog)
{
    open_bar(dialog, 16, 6, 2);
    UpdateWindow(dialog);
    for (int id = IDC_BAR_FEWER; id <= IDC_BAR_CHANNEL0 + 15; ++id) {
        HWND control = item(dialog, id);
        bool arrow = id < IDC_BAR_CHANNEL0;
        COLORREF expected =
            arrow ? kArrowColours[state_of(control)] : kChannelColours[state_of(control)];
        COLORREF corner = pixel(control, 0, 0),
                 opposite = pixel(control, arrow ? 23 : 21, arrow ? 31 : 29);
        ok(corner == expected && opposite == expected,
           "control %d in state %d drawn %06lx/%06lx, expected %06lx", id, state_of(control),
           corner, opposite, expected);
    }
    // A press shows at once, before any message loop runs.
    SendMessageA(item(dialog, IDC_BAR_MORE), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ok(pixel(item(dialog, IDC_BAR_MORE), 10, 10) == kArrowColours[5],
       "pressed arrow not repainted at once");
    SendMessageA(item(dialog, IDC_BAR_MORE), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    UpdateWindow(dialog);

    CreateDirectoryA("..\\captures", nullptr);
    ok(write_capture(dialog, "..\\captures\\chanbar.bmp"), "capture not written");
}

int main(void)
{
    g_instance = GetModuleHandleA(nullptr);
    for (int i = 0; i < 4; ++i) channelImages[i] = make_image(22, 30, kChannelColours[i]);
    for (int i = 0; i < 6; ++i) arrowImages[i] = make_image(24, 32, kArrowColours[i]);
    g_host.hBitChannel = (uintptr_t)channelImages;
    g_host.hBitLessMore = (uintptr_t)arrowImages;
    g_host.CreateStackedFontIndirect = create_font;
    ChannelBar_RegisterClasses();
    // The pointer stays off every test window: a window moving under it
    // would resynchronise the key state.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);

    g_hostWindow = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 60, 40, 900, 600,
                                   nullptr, nullptr, g_instance, nullptr);

    test_creation();
    test_counter_input_maximum();
    HWND dialog = create_bar_dialog();
    test_channel_buttons(dialog);
    test_arrows(dialog);
    test_ctrl_jumps(dialog);
    test_experiment_running(dialog);
    test_painting(dialog);
    flush_messages();

    DestroyWindow(dialog);
    DestroyWindow(g_hostWindow);
    ChannelBar_UnregisterClasses();
    return wintest_finish("test_chanbar");
}
