// Interactive mode: the worksheet's modules in a list; a double-click makes
// a module the host's current module and sends it DMM_PARAM_MODULE, so its
// parameter dialog opens over this window.
#include "simhost_ui.h"

#include <stdio.h>

#include "simhost.h"

enum { ID_MODULES = 100, ID_RUNNING, ID_SAVE, ID_STATUS };

static const char kHint[] = "Double-click a module to open its parameter dialog.";

static HWND s_window, s_list, s_status;
static const char* s_worksheet;

static void FillList(void)
{
    int selected = (int)SendMessageA(s_list, LB_GETCURSEL, 0, 0);
    SendMessageA(s_list, LB_RESETCONTENT, 0, 0);
    for (SimModule* m : g_sim.modules) {
        const Module* r = m->record;
        char line[200];
        snprintf(line, sizeof line, "%.12s    %s, %u inputs, %u outputs    %.40s", r->name,
                 g_sim.classes[(size_t)m->classIndex].className.c_str(), r->inputCount, r->outputCount,
                 r->description);
        SendMessageA(s_list, LB_ADDSTRING, 0, (LPARAM)line);
    }
    if (selected >= 0) SendMessageA(s_list, LB_SETCURSEL, selected, 0);
}

static void SetStatus(const char* text) { SetWindowTextA(s_status, text); }

static void OpenModule(int index)
{
    if (index < 0 || (size_t)index >= g_sim.modules.size()) return;
    SimModule* m = g_sim.modules[(size_t)index];
    // The module window owns the dialog: this window is disabled while it
    // is open, so only one module dialog opens at a time.
    m->record->window = s_window;
    g_sim.currentModule = m->record;
    size_t warnings = g_sim.warnings.size();
    i32 result = SH_Send(m, DMM_PARAM_MODULE, 0, 0);
    FillList();
    char text[200];
    snprintf(text, sizeof text, "%.12s: DMM_PARAM_MODULE answered %d%s", m->record->name, result,
             g_sim.warnings.size() > warnings ? "; warnings were shown (see the console)" : "");
    SetStatus(text);
    for (size_t i = warnings; i < g_sim.warnings.size(); ++i)
        printf("warning [%s]: %s\n", g_sim.warnings[i].module.c_str(), g_sim.warnings[i].text.c_str());
}

static void Layout(int width, int height)
{
    MoveWindow(s_list, 8, 8, width - 16, height - 76, TRUE);
    MoveWindow(GetDlgItem(s_window, ID_RUNNING), 8, height - 62, 180, 24, TRUE);
    MoveWindow(GetDlgItem(s_window, ID_SAVE), width - 148, height - 62, 140, 26, TRUE);
    MoveWindow(s_status, 8, height - 30, width - 16, 22, TRUE);
}

static HWND Child(HWND parent, const char* cls, const char* text, DWORD style, int id)
{
    HWND w = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, parent,
                             (HMENU)(INT_PTR)id, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(w, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
    return w;
}

static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        s_window = window;
        s_list = Child(window, "LISTBOX", "", WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                       ID_MODULES);
        Child(window, "BUTTON", "Experiment running", BS_AUTOCHECKBOX | WS_TABSTOP, ID_RUNNING);
        Child(window, "BUTTON", "Save worksheet", BS_PUSHBUTTON | WS_TABSTOP, ID_SAVE);
        s_status = Child(window, "STATIC", kHint, SS_LEFT | SS_NOPREFIX, ID_STATUS);
        FillList();
        return 0;
    case WM_SIZE:
        Layout(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_MODULES:
            if (HIWORD(wParam) == LBN_DBLCLK) OpenModule((int)SendMessageA(s_list, LB_GETCURSEL, 0, 0));
            return 0;
        case ID_RUNNING: {
            // Dialogs opened now show the module as during an experiment.
            bool running = IsDlgButtonChecked(window, ID_RUNNING) == BST_CHECKED;
            SH_SetPluginFlag("bExperimentIsRunning", running ? 1 : 0);
            SetStatus(running ? "Dialogs open as during an experiment." : kHint);
            return 0;
        }
        case ID_SAVE: {
            char text[400];
            snprintf(text, sizeof text, SH_SaveWorksheet(s_worksheet) ? "Saved %s." : "Could not save %s.",
                     s_worksheet);
            SetStatus(text);
            return 0;
        }
        }
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int SHW_RunInteractive(const char* worksheet)
{
    s_worksheet = worksheet;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = "SimTarnovaWorksheet";
    RegisterClassA(&wc);
    char title[MAX_PATH + 40];
    snprintf(title, sizeof title, "Tarnova (simulated) - %s", worksheet);
    HWND window = CreateWindowExA(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                  560, 360, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    ShowWindow(window, SW_SHOW);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    g_sim.currentModule = nullptr;
    return 0;
}
