#include "chanbar.h"

#include "dlg_center.h"
#include "plugin_state.h"

static const char kChannelButtonClass[] = "VOV:CONTROLKANAL";
static const char kLessMoreClass[] = "VOV:CONTROLLESSMORE";

enum {
    kChannelButtonCount = 16,  // buttons in every module dialog template
    kChannelImageCount = 4,
    kArrowImageCount = 6,
};

// Channel button states.
enum { CHAN_UNAVAILABLE = 0, CHAN_CURRENT = 1, CHAN_USED = 2, CHAN_FREE = 3 };
// Arrow states: 0 to 2 belong to the fewer arrow, 3 to 5 to the more arrow.
enum {
    ARROW_FEWER_DISABLED = 0,
    ARROW_FEWER_ENABLED = 1,
    ARROW_FEWER_PRESSED = 2,
    ARROW_MORE_DISABLED = 3,
    ARROW_MORE_ENABLED = 4,
    ARROW_MORE_PRESSED = 5,
};

static u16 ChannelBar_GetState(HWND control) { return (u16)GetWindowWord(control, 0); }

static void ChannelBar_SetState(HWND dialog, int controlId, u16 state)
{
    SendDlgItemMessageA(dialog, controlId, CKM_SETSTATE, state, 0);
}

// The key state at the moment of the message, not the queued one.
static bool ChannelBar_CtrlHeld(void) { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

static bool ChannelBar_ExperimentRunning(void) { return g_vars.bExperimentIsRunning != 0; }

// Copies the host's image for the state 1:1 into the control; the image
// covers the whole control, so nothing else is drawn.
static void ChannelBar_Paint(HWND control, uintptr_t hostImages, u16 imageCount)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(control, &ps);
    u16 state = ChannelBar_GetState(control);
    if (hostImages && state < imageCount) {
        HBITMAP image = ((const HBITMAP*)hostImages)[state];
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, image);
        SetMapMode(memory, GetMapMode(dc));
        BITMAP info = {};
        GetObjectA(image, sizeof info, &info);
        POINT size = {info.bmWidth, info.bmHeight};
        DPtoLP(dc, &size, 1);
        BitBlt(dc, 0, 0, size.x, size.y, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
    }
    EndPaint(control, &ps);
}

// Messages that both control classes share; returns false for the others.
static bool ChannelBar_CommonMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     int width, int height, uintptr_t hostImages, u16 imageCount)
{
    switch (message) {
    case CKM_SETSTATE:
        SetWindowWord(window, 0, LOWORD(wParam));
        InvalidateRect(window, nullptr, FALSE);
        return true;
    case WM_CREATE: {
        // The template's size is replaced by the size of the host's images.
        const CREATESTRUCTA* create = (const CREATESTRUCTA*)lParam;
        MoveWindow(window, create->x, create->y, width, height, TRUE);
        return true;
    }
    case WM_PAINT:
        ChannelBar_Paint(window, hostImages, imageCount);
        return true;
    }
    return false;
}

static void ChannelBar_Notify(HWND button, UINT notification)
{
    SendMessageA(GetParent(button), notification, (WPARAM)button, ChannelBar_GetState(button));
}

LRESULT CALLBACK ChannelButtonProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ChannelBar_CommonMessage(window, message, wParam, lParam, 22, 30, g_host.hBitChannel,
                                 kChannelImageCount))
        return 0;
    switch (message) {
    case CKM_DESELECT:
        if (ChannelBar_GetState(window) == CHAN_CURRENT) {
            SetWindowWord(window, 0, CHAN_USED);
            InvalidateRect(window, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN:
        ChannelBar_Notify(window, CKN_LBUTTONDOWN);
        return 0;
    case WM_LBUTTONUP:
        ChannelBar_Notify(window, CKN_LBUTTONUP);
        return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK: {
        if (ChannelBar_ExperimentRunning()) return 0;
        u32 channel = (u32)(GetDlgCtrlID(window) - IDC_BAR_CHANNEL0);
        bool left = message == WM_LBUTTONDBLCLK;
        if (ChannelBar_CtrlHeld()) {
            if (left)
                ChannelBar_Jump(GetParent(window), IDC_BAR_MORE, channel);
            else
                ChannelBar_Jump(GetParent(window), IDC_BAR_FEWER, channel ? channel : 1);
        }
        ChannelBar_Notify(window, left ? CKN_LBUTTONDBLCLK : CKN_RBUTTONDBLCLK);
        return 0;
    }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Shows the press at once and keeps the mouse until the button goes up.
static void ChannelBar_PressArrow(HWND arrow)
{
    u16 state = ChannelBar_GetState(arrow);
    if (state == ARROW_FEWER_DISABLED || state == ARROW_MORE_DISABLED) return;
    SetWindowWord(arrow, 0,
                  state >= ARROW_MORE_DISABLED ? ARROW_MORE_PRESSED : ARROW_FEWER_PRESSED);
    InvalidateRect(arrow, nullptr, FALSE);
    UpdateWindow(arrow);
    SetCapture(arrow);
}

// The step happens wherever the pointer is released; the state, not the
// control id, says which arrow this is.
static void ChannelBar_ReleaseArrow(HWND arrow)
{
    if (GetCapture() != arrow) return;
    u16 state = ChannelBar_GetState(arrow);
    if (state == ARROW_FEWER_DISABLED || state == ARROW_MORE_DISABLED) return;
    ReleaseCapture();
    bool more = state >= ARROW_MORE_DISABLED;
    SetWindowWord(arrow, 0, more ? ARROW_MORE_ENABLED : ARROW_FEWER_ENABLED);
    InvalidateRect(arrow, nullptr, FALSE);
    UpdateWindow(arrow);
    SendMessageA(GetParent(arrow), WM_COMMAND, more ? IDC_BAR_MORE : IDC_BAR_FEWER, 0);
}

LRESULT CALLBACK LessMoreProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (ChannelBar_CommonMessage(window, message, wParam, lParam, 24, 32, g_host.hBitLessMore,
                                 kArrowImageCount))
        return 0;
    switch (message) {
    case WM_LBUTTONDOWN:
        ChannelBar_PressArrow(window);
        return 0;
    case WM_LBUTTONUP:
        ChannelBar_ReleaseArrow(window);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (!ChannelBar_CtrlHeld() || ChannelBar_ExperimentRunning()) {
            ChannelBar_PressArrow(window);
        } else if (GetDlgCtrlID(window) == IDC_BAR_MORE) {
            ChannelBar_Jump(GetParent(window), IDC_BAR_MORE, barMaxChannels - 1);
        } else {
            ChannelBar_Jump(GetParent(window), IDC_BAR_FEWER, 1);
        }
        return 0;
    case WM_RBUTTONDBLCLK:
        if (ChannelBar_CtrlHeld() && !ChannelBar_ExperimentRunning() &&
            GetDlgCtrlID(window) == IDC_BAR_FEWER)
            ChannelBar_Jump(GetParent(window), IDC_BAR_FEWER, barUsedChannels - 1);
        return 0;
    }
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

void ChannelBar_Refresh(HWND dialog)
{
    for (u32 i = 0; i < barMaxChannels; ++i) {
        u16 state = i >= barUsedChannels     ? CHAN_FREE
                    : i == barCurrentChannel ? CHAN_CURRENT
                                             : CHAN_USED;
        ChannelBar_SetState(dialog, IDC_BAR_CHANNEL0 + (int)i, state);
    }
    u16 fewer = ARROW_FEWER_DISABLED, more = ARROW_MORE_DISABLED;
    if (!ChannelBar_ExperimentRunning()) {
        if (barUsedChannels >= 2) fewer = ARROW_FEWER_ENABLED;
        if (barUsedChannels < barMaxChannels) more = ARROW_MORE_ENABLED;
    }
    ChannelBar_SetState(dialog, IDC_BAR_FEWER, fewer);
    ChannelBar_SetState(dialog, IDC_BAR_MORE, more);
    DLG_CenterWindow(dialog, g_hostWindow);
}

// No range check here: the arrows' disabled states and the jump's guards keep
// the channel count within 1 to the maximum.
void ChannelBar_Step(HWND dialog, int commandId)
{
    if (commandId == IDC_BAR_FEWER) {
        if (barUsedChannels == barMaxChannels)
            ChannelBar_SetState(dialog, IDC_BAR_MORE, ARROW_MORE_ENABLED);
        barUsedChannels -= 1;
        if (barUsedChannels < 2) ChannelBar_SetState(dialog, IDC_BAR_FEWER, ARROW_FEWER_DISABLED);
        ChannelBar_SetState(dialog, IDC_BAR_CHANNEL0 + (int)barUsedChannels, CHAN_FREE);
        if (barCurrentChannel >= barUsedChannels) {
            barCurrentChannel = barUsedChannels - 1;
            ChannelBar_SetState(dialog, IDC_BAR_CHANNEL0 + (int)barCurrentChannel, CHAN_CURRENT);
        }
    } else if (commandId == IDC_BAR_MORE) {
        if (barUsedChannels == 1) ChannelBar_SetState(dialog, IDC_BAR_FEWER, ARROW_FEWER_ENABLED);
        barUsedChannels += 1;
        if (barUsedChannels == barMaxChannels)
            ChannelBar_SetState(dialog, IDC_BAR_MORE, ARROW_MORE_DISABLED);
        ChannelBar_SetState(dialog, IDC_BAR_CHANNEL0 + (int)barUsedChannels - 1, CHAN_USED);
    }
}

void ChannelBar_Select(HWND dialog, HWND button)
{
    SendDlgItemMessageA(dialog, IDC_BAR_CHANNEL0 + (int)barCurrentChannel, CKM_DESELECT, 0, 0);
    barCurrentChannel = (u32)(GetDlgCtrlID(button) - IDC_BAR_CHANNEL0);
    SendMessageA(button, CKM_SETSTATE, CHAN_CURRENT, 0);
}

// Each single step goes through the dialog's own command handling, so the
// working copy and the shown controls follow every step.
void ChannelBar_Jump(HWND dialog, int commandId, u32 target)
{
    if (!GetDlgItem(dialog, IDC_BAR_FEWER) || !GetDlgItem(dialog, IDC_BAR_MORE)) return;
    i64 used = barUsedChannels;
    i64 steps;
    if (commandId == IDC_BAR_FEWER) {
        if (used < 2) return;
        steps = ChannelBar_CtrlHeld() ? used - (i64)target : 1;
    } else if (commandId == IDC_BAR_MORE) {
        if (used >= (i64)barMaxChannels) return;
        // A button beyond the kind's maximum fills the bar only up to it.
        i64 last = target < barMaxChannels ? (i64)target : (i64)barMaxChannels - 1;
        steps = ChannelBar_CtrlHeld() ? last - used + 1 : 1;
    } else {
        return;
    }
    for (; steps > 0; --steps) SendMessageA(dialog, WM_COMMAND, (WPARAM)commandId, 0);
}

bool ChannelBar_IsChannelButton(HWND dialog, WPARAM wParam)
{
    if (!wParam) return false;
    for (int i = 0; i < kChannelButtonCount; ++i)
        if ((WPARAM)GetDlgItem(dialog, IDC_BAR_CHANNEL0 + i) == wParam) return true;
    return false;
}

static bool ChannelBar_InUse(HWND button)
{
    return (u32)(GetDlgCtrlID(button) - IDC_BAR_CHANNEL0) < barUsedChannels;
}

static void ChannelBar_FocusFirstButton(HWND dialog)
{
    lastControlId = IDC_BAR_CHANNEL0;
    SetFocus(GetDlgItem(dialog, IDC_BAR_CHANNEL0));
}

bool ChannelBar_HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam,
                                    const ChannelBarHooks* hooks)
{
    switch (message) {
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id != IDC_BAR_FEWER && id != IDC_BAR_MORE) return false;
        hooks->store(dialog, barCurrentChannel);
        ChannelBar_Step(dialog, id);
        hooks->show(dialog, barCurrentChannel);
        ChannelBar_FocusFirstButton(dialog);
        return true;
    }
    case CKN_LBUTTONDOWN:
        if (!ChannelBar_IsChannelButton(dialog, wParam)) return false;
        // Only a channel in use but not on show changes the dialog; the bar's
        // count decides what is in use, whatever state the button reports.
        if (lParam == CHAN_USED && ChannelBar_InUse((HWND)wParam)) {
            hooks->store(dialog, barCurrentChannel);
            ChannelBar_Select(dialog, (HWND)wParam);
            hooks->show(dialog, barCurrentChannel);
        }
        ChannelBar_FocusFirstButton(dialog);
        return true;
    case CKN_LBUTTONUP:
    case CKN_LBUTTONDBLCLK:
    case CKN_RBUTTONDBLCLK:
        return ChannelBar_IsChannelButton(dialog, wParam);
    }
    return false;
}
