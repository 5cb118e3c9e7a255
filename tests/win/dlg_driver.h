// kestrelwing.dll in the simulated host for Windows tests: loading it, and
// driving its module dialogs as a user would.
//
// A scenario is a script of steps run from a thread timer: the dialog's modal
// loop (and that of any dialog it opens) dispatches the timer, so the steps
// click, type and check while the plug-in waits in DialogBox. A step returns
// false to be tried again on the next tick (waiting for a window). A script
// whose steps or dialogs do not finish in time fails and ends every dialog of
// the thread.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "dlg_template.h"
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

static inline bool dlg_is_dialog(HWND window)
{
    char cls[16];
    return GetClassNameA(window, cls, sizeof cls) && !strcmp(cls, "#32770");
}

static inline BOOL CALLBACK dlg_end_one(HWND window, LPARAM)
{
    if (dlg_is_dialog(window)) EndDialog(window, 0);
    return TRUE;
}

// The time also runs out for dialogs left open after the last step.
static inline void CALLBACK dlg_tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_script.timedOut) return;
    if (++g_script.ticks > DLG_MAX_TICKS) {
        g_script.timedOut = true;
        EnumThreadWindows(GetCurrentThreadId(), dlg_end_one, 0);
        return;
    }
    if (g_script.next >= g_script.steps.size()) return;
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
    ok(!g_script.timedOut && g_script.next == g_script.steps.size(), "%s: timed out at step %u of %u", what,
       (unsigned)g_script.next, (unsigned)g_script.steps.size());
}

struct DlgFind {
    const char* title;
    HWND found;
};

static inline BOOL CALLBACK dlg_find_one(HWND w, LPARAM p)
{
    DlgFind* f = (DlgFind*)p;
    char text[128];
    GetWindowTextA(w, text, sizeof text);
    if (!dlg_is_dialog(w) || strcmp(text, f->title) || !IsWindowVisible(w)) return TRUE;
    f->found = w;
    return FALSE;
}

// The visible dialog of this thread with that caption, or null.
static inline HWND dlg_find(const char* title)
{
    DlgFind f = {title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), dlg_find_one, (LPARAM)&f);
    return f.found;
}

// A control of the dialog, reported when missing.
static inline HWND dlg_item(const char* title, int id)
{
    HWND d = dlg_find(title), c = d ? GetDlgItem(d, id) : nullptr;
    ok(c != nullptr, "%s: no control %d", title, id);
    return c;
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
    return [f] { return f(), true; };
}

// A click on a button; one a user could not click (disabled) fails.
static inline DlgStep click(const char* title, int id)
{
    return act([title, id] {
        HWND b = dlg_item(title, id);
        if (ok(b && IsWindowEnabled(b) && IsWindowEnabled(GetParent(b)), "%s: control %d cannot be clicked", title, id))
            SendMessageA(b, BM_CLICK, 0, 0);
    });
}

// Focus into a field and its text replaced, as typing does.
static inline DlgStep type(const char* title, int id, const char* text)
{
    return act([=] {
        HWND c = dlg_item(title, id);
        SetFocus(c);
        SetWindowTextA(c, text);
    });
}

// Left button pressed and released on a channel button or an arrow.
static inline DlgStep press(const char* title, int id)
{
    return act([=] {
        HWND c = dlg_item(title, id);
        SendMessageA(c, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        SendMessageA(c, WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    });
}

// A choice in a combo box, with the notification it sends.
static inline DlgStep choose(const char* title, int id, int index)
{
    return act([=] {
        HWND c = dlg_item(title, id);
        SetFocus(c);
        SendMessageA(c, CB_SETCURSEL, index, 0);
        SendMessageA(GetParent(c), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), (LPARAM)c);
    });
}

static inline DlgStep expect_text(const char* title, int id, std::string text)
{
    return act([title, id, text] {
        char shown[1024] = "";
        GetWindowTextA(dlg_item(title, id), shown, sizeof shown);
        ok(shown == text, "%s: control %d shows \"%s\", expected \"%s\"", title, id, shown, text.c_str());
    });
}

static inline DlgStep expect_closed(const char* title)
{
    return act([title] { ok(dlg_find(title) == nullptr, "%s still open", title); });
}

// The dialog as it is on screen, as ..\captures\<name>.bmp.
static inline DlgStep capture(const char* title, const char* name)
{
    return act([title, name] { ok(dlgt_capture(dlg_find(title), name), "%s: capture %s not written", title, name); });
}

// Loads kestrelwing.dll into the simulated host with the driver of bin\drivers\full.
static inline bool dlg_load_plugin(void)
{
    SH_Reset();
    return ok(kwtest_with_driver("full", SHW_LoadPlugin) == 1, "SetupTarnDLL: %s",
              g_sim.faults.empty() ? "failed" : g_sim.faults[0].c_str());
}

// No host service was called unexpectedly and the plug-in finishes.
static inline void dlg_finish_plugin(void)
{
    ok(g_sim.faults.empty() && g_sim.traps.empty(), "host faults: %s",
       !g_sim.faults.empty() ? g_sim.faults[0].c_str() : g_sim.traps.empty() ? "" : g_sim.traps[0].c_str());
    ok(SHW_FinishPlugin() == 1, "FinishTarnDLL");
}
