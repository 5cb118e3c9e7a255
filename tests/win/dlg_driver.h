// Driving the plug-in's modal dialogs in Windows tests as a user would.
//
// A scenario is a script of steps run from a thread timer: the dialog's own
// modal loop (and that of any dialog it opens) dispatches the timer, so the
// steps click, type and check while the plug-in's code waits in DialogBox.
// A step returns true when it is done, false to be tried again on the next
// tick (waiting for a window). A script that does not finish in time fails
// and closes every dialog of the thread so that the program goes on.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "simhost.h"
#include "test_plugin_paths.h"
#include "wintest.h"

typedef std::function<bool()> DlgStep;

struct DlgScript {
    std::vector<DlgStep> steps;
    size_t next;
    int ticks;
    bool timedOut;
};

static DlgScript g_script;
enum { DLG_TICK_MS = 20, DLG_MAX_TICKS = 3000 };

static inline BOOL CALLBACK dlg_end_one(HWND window, LPARAM)
{
    char cls[16];
    GetClassNameA(window, cls, sizeof cls);
    if (!strcmp(cls, "#32770")) EndDialog(window, 0);
    return TRUE;
}

static inline void CALLBACK dlg_tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script.timedOut || g_script.next >= g_script.steps.size()) return;
    if (++g_script.ticks > DLG_MAX_TICKS) {
        g_script.timedOut = true;
        EnumThreadWindows(GetCurrentThreadId(), dlg_end_one, 0);
        return;
    }
    // Advanced before the step runs: a click may open a nested modal dialog
    // whose loop runs the following steps before this one returns.
    size_t i = g_script.next++;
    if (!g_script.steps[i]() && g_script.next == i + 1) g_script.next = i;
}

// Runs 'open' (which shows a modal dialog) while the script drives it.
static inline void dlg_run(const char* what, std::vector<DlgStep> steps, const std::function<void()>& open)
{
    g_script = DlgScript{std::move(steps), 0, 0, false};
    UINT_PTR timer = SetTimer(nullptr, 0, DLG_TICK_MS, dlg_tick);
    open();
    KillTimer(nullptr, timer);
    ok(!g_script.timedOut && g_script.next == g_script.steps.size(), "%s: script stopped at step %u of %u%s",
       what, (unsigned)g_script.next, (unsigned)g_script.steps.size(), g_script.timedOut ? " (timed out)" : "");
}

// ---- Windows of the scenario ------------------------------------------------

struct DlgFind {
    const char* title;
    int withControl;  // 0: any; else the dialog must (or, negative, must not) have it
    HWND found;
};

static inline BOOL CALLBACK dlg_find_one(HWND window, LPARAM lParam)
{
    DlgFind* f = (DlgFind*)lParam;
    char cls[16], title[128];
    GetClassNameA(window, cls, sizeof cls);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(cls, "#32770") || strcmp(title, f->title) || !IsWindowVisible(window)) return TRUE;
    if (f->withControl > 0 && !GetDlgItem(window, f->withControl)) return TRUE;
    if (f->withControl < 0 && GetDlgItem(window, -f->withControl)) return TRUE;
    f->found = window;
    return FALSE;
}

// The visible dialog of this thread with that caption, or null.
static inline HWND dlg_find(const char* title, int withControl = 0)
{
    DlgFind f = {title, withControl, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), dlg_find_one, (LPARAM)&f);
    return f.found;
}

static inline HWND dlg_item(const char* title, int id)
{
    HWND d = dlg_find(title);
    return d ? GetDlgItem(d, id) : nullptr;
}

static inline std::string dlg_text(const char* title, int id)
{
    char text[1024] = "";
    GetWindowTextA(dlg_item(title, id), text, sizeof text);
    return text;
}

// ---- Steps --------------------------------------------------------------------

// Waits until the dialog is shown and accepts input.
static inline DlgStep wait_for(const char* title)
{
    return [title] {
        HWND d = dlg_find(title);
        return d && IsWindowEnabled(d);
    };
}

// Any check or action that needs no waiting.
static inline DlgStep act(std::function<void()> f)
{
    return [f] {
        f();
        return true;
    };
}

// A mouse click on a button: refused (and reported) when a user could not
// click it because it or its dialog is disabled.
static inline DlgStep click(const char* title, int id)
{
    return [title, id] {
        HWND d = dlg_find(title), b = d ? GetDlgItem(d, id) : nullptr;
        ok(b && IsWindowEnabled(b) && IsWindowEnabled(d), "%s: control %d cannot be clicked", title, id);
        if (b && IsWindowEnabled(b) && IsWindowEnabled(d)) SendMessageA(b, BM_CLICK, 0, 0);
        return true;
    };
}

// Focus into a field and its text replaced, as typing does.
static inline DlgStep type(const char* title, int id, const char* text)
{
    return [title, id, text] {
        HWND c = dlg_item(title, id);
        ok(c != nullptr, "%s: no control %d to type into", title, id);
        SetFocus(c);
        SetWindowTextA(c, text);
        return true;
    };
}

// A press and release of the left button on one of the bar's controls.
static inline DlgStep press(const char* title, int id)
{
    return [title, id] {
        HWND c = dlg_item(title, id);
        ok(c != nullptr, "%s: no control %d to press", title, id);
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
        return true;
    };
}

// A choice in a drop-down list, with the notification the combo box sends.
static inline DlgStep choose(const char* title, int id, int index)
{
    return [title, id, index] {
        HWND d = dlg_find(title), c = d ? GetDlgItem(d, id) : nullptr;
        ok(c != nullptr, "%s: no combo box %d", title, id);
        SetFocus(c);
        SendMessageA(c, CB_SETCURSEL, index, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)c);
        return true;
    };
}

// ---- Captures -------------------------------------------------------------------

// Writes the window as it is on screen as a 24-bit BMP (converted to PNG by
// the build's capture test).
static inline bool dlg_capture(HWND window, const char* name)
{
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
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
    std::vector<BYTE> bits(info.biSizeImage);
    bool captured =
        GetDIBits(memory, image, 0, (UINT)height, bits.data(), (BITMAPINFO*)&info, DIB_RGB_COLORS) == height;
    DeleteObject(image);
    DeleteDC(memory);
    ReleaseDC(window, source);
    if (!captured) return false;

    CreateDirectoryA("..\\captures", nullptr);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "..\\captures\\%s.bmp", name);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = fopen(path, "wb");
    if (!out) return false;
    bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                   fwrite(bits.data(), bits.size(), 1, out) == 1;
    return fclose(out) == 0 && written;
}

static inline DlgStep capture(const char* title, const char* name)
{
    return [title, name] {
        HWND d = dlg_find(title);
        ok(d && dlg_capture(d, name), "%s: no capture %s", title, name);
        return true;
    };
}

// ---- The plug-in in the simulated host -------------------------------------------

// Loads kestrelwing.dll with the simulated driver of bin\drivers\full.
static inline bool dlg_load_plugin(void)
{
    char bin[MAX_PATH], dll[MAX_PATH], drivers[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    snprintf(dll, sizeof dll, "%s\\kestrelwing.dll", bin);
    kwtest_driver_dir(drivers, sizeof drivers, "full");
    SH_Reset();
    SetDllDirectoryA(drivers);
    int loaded = SHW_LoadPlugin(dll);
    SetDllDirectoryA(nullptr);
    ok(loaded == 1, "SetupTarnDLL: %s", g_sim.faults.empty() ? "failed" : g_sim.faults[0].c_str());
    return loaded == 1;
}

// Opens the module's parameter dialog as the host does, with the script driving it.
static inline void dlg_open_module(const char* what, SimModule* m, std::vector<DlgStep> steps)
{
    dlg_run(what, std::move(steps), [m] {
        g_sim.currentModule = m->record;
        ok(SH_Send(m, DMM_PARAM_MODULE, 0, 0) == 1, "DMM_PARAM_MODULE result");
    });
}
