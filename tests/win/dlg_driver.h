// Driving the plug-in's module dialogs in Windows tests as a user would.
//
// A scenario is a script of steps run from a thread timer: the dialog's modal
// loop (and that of any dialog it opens) dispatches the timer, so the steps
// click, type and check while the plug-in waits in DialogBox. A step returns
// false to be tried again on the next tick (waiting for a window). A script
// that does not finish in time fails and ends every dialog of the thread.
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

static struct {
    std::vector<DlgStep> steps;
    size_t next;
    int ticks;
    bool timedOut;
} g_script;
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

// Opens the module's parameter dialog as the host does, the script driving it.
static inline void dlg_open_module(const char* what, SimModule* m, std::vector<DlgStep> steps)
{
    g_script = {std::move(steps), 0, 0, false};
    UINT_PTR timer = SetTimer(nullptr, 0, DLG_TICK_MS, dlg_tick);
    g_sim.currentModule = m->record;
    ok(SH_Send(m, DMM_PARAM_MODULE, 0, 0) == 1, "%s: DMM_PARAM_MODULE result", what);
    KillTimer(nullptr, timer);
    ok(!g_script.timedOut && g_script.next == g_script.steps.size(), "%s: script stopped at step %u of %u", what,
       (unsigned)g_script.next, (unsigned)g_script.steps.size());
}

struct DlgFind {
    const char* title;
    int control;  // > 0: the dialog must have this control; < 0: must not
    HWND found;
};

static inline BOOL CALLBACK dlg_find_one(HWND w, LPARAM p)
{
    DlgFind* f = (DlgFind*)p;
    char cls[16], text[128];
    GetClassNameA(w, cls, sizeof cls);
    GetWindowTextA(w, text, sizeof text);
    bool has = f->control == 0 || (GetDlgItem(w, abs(f->control)) != nullptr) == (f->control > 0);
    if (strcmp(cls, "#32770") || strcmp(text, f->title) || !IsWindowVisible(w) || !has) return TRUE;
    f->found = w;
    return FALSE;
}

// The visible dialog of this thread with that caption, or null.
static inline HWND dlg_find(const char* title, int control = 0)
{
    DlgFind f = {title, control, nullptr};
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

// ---- Steps ----------------------------------------------------------------------

static inline DlgStep wait_for(const char* title)
{
    return [title] {
        HWND d = dlg_find(title);
        return d && IsWindowEnabled(d);
    };
}

static inline DlgStep act(std::function<void()> f)
{
    return [f] {
        f();
        return true;
    };
}

// A click on a button; one a user could not click (disabled) fails.
static inline DlgStep click(const char* title, int id)
{
    return act([title, id] {
        HWND d = dlg_find(title), b = d ? GetDlgItem(d, id) : nullptr;
        bool usable = b && IsWindowEnabled(b) && IsWindowEnabled(d);
        ok(usable, "%s: control %d cannot be clicked", title, id);
        if (usable) SendMessageA(b, BM_CLICK, 0, 0);
    });
}

// Focus into a field and its text replaced, as typing does.
static inline DlgStep type(const char* title, int id, const char* text)
{
    return act([title, id, text] {
        HWND c = dlg_item(title, id);
        ok(c != nullptr, "%s: no control %d", title, id);
        SetFocus(c);
        SetWindowTextA(c, text);
    });
}

// Left button pressed and released on a channel button or an arrow.
static inline DlgStep press(const char* title, int id)
{
    return act([title, id] {
        HWND c = dlg_item(title, id);
        ok(c != nullptr, "%s: no control %d", title, id);
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    });
}

// A choice in a combo box, with the notification it sends.
static inline DlgStep choose(const char* title, int id, int index)
{
    return act([title, id, index] {
        HWND d = dlg_find(title), c = d ? GetDlgItem(d, id) : nullptr;
        ok(c != nullptr, "%s: no control %d", title, id);
        SetFocus(c);
        SendMessageA(c, CB_SETCURSEL, index, 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)c);
    });
}

// The dialog as it is on screen, as ..\captures\<name>.bmp (24 bits); the
// build's capture test converts it to PNG.
static inline DlgStep capture(const char* title, const char* name)
{
    return act([title, name] {
        HWND window = dlg_find(title);
        // On top while it is read from the screen: other tests' windows may share the display.
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        RECT r;
        GetWindowRect(window, &r);
        int width = r.right - r.left, height = r.bottom - r.top;
        HDC source = GetWindowDC(window), memory = CreateCompatibleDC(source);
        HBITMAP image = CreateCompatibleBitmap(source, width, height);
        HGDIOBJ previous = SelectObject(memory, image);
        BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        BITMAPINFOHEADER info = {sizeof info, width, height, 1, 24, BI_RGB};
        info.biSizeImage = (((DWORD)width * 3 + 3) & ~3u) * (DWORD)height;
        std::vector<BYTE> bits(info.biSizeImage);
        bool captured = GetDIBits(memory, image, 0, (UINT)height, bits.data(), (BITMAPINFO*)&info, 0) == height;
        DeleteObject(image);
        DeleteDC(memory);
        ReleaseDC(window, source);

        CreateDirectoryA("..\\captures", nullptr);
        std::string path = std::string("..\\captures\\") + name + ".bmp";
        BITMAPFILEHEADER file = {0x4D42, 0, 0, 0, sizeof file + sizeof info};
        file.bfSize = file.bfOffBits + info.biSizeImage;
        FILE* out = captured ? fopen(path.c_str(), "wb") : nullptr;
        bool written = out && fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
                       fwrite(bits.data(), bits.size(), 1, out) == 1;
        ok(out && fclose(out) == 0 && written, "%s: capture %s not written", title, name);
    });
}

// Loads kestrelwing.dll into the simulated host with the driver of bin\drivers\full.
static inline bool dlg_load_plugin(void)
{
    char bin[MAX_PATH], drivers[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    kwtest_driver_dir(drivers, sizeof drivers, "full");
    SH_Reset();
    SetDllDirectoryA(drivers);
    int loaded = SHW_LoadPlugin((std::string(bin) + "\\kestrelwing.dll").c_str());
    SetDllDirectoryA(nullptr);
    ok(loaded == 1, "SetupTarnDLL: %s", g_sim.faults.empty() ? "failed" : g_sim.faults[0].c_str());
    return loaded == 1;
}
