// Message sequences in the manner of Wine's user32 tests: a hook records the
// messages of interest as text, in order, and a patched import of the module
// under test adds a marker for a call that sends no message of its own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "wintest.h"

static std::vector<std::string> g_sequence;

static inline void seq_add(const char* what, HWND window)
{
    char title[128] = "";
    GetWindowTextA(window, title, sizeof title);
    g_sequence.push_back(std::string(what) + " " + title);
}

// Enabling and destruction of dialogs (class #32770); their controls are left out.
static inline LRESULT CALLBACK seq_hook(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT* m = (const CWPSTRUCT*)lParam;
    char cls[16] = "";
    GetClassNameA(m->hwnd, cls, sizeof cls);
    if (code == HC_ACTION && !strcmp(cls, "#32770")) {
        if (m->message == WM_ENABLE) seq_add(m->wParam ? "enable" : "disable", m->hwnd);
        if (m->message == WM_DESTROY) seq_add("destroy", m->hwnd);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static inline HHOOK seq_start(void)
{
    g_sequence.clear();
    return SetWindowsHookExA(WH_CALLWNDPROC, seq_hook, nullptr, GetCurrentThreadId());
}

static inline void seq_expect(const std::vector<std::string>& expected, const char* what)
{
    std::string got, want;
    for (const std::string& s : g_sequence) got += s + "; ";
    for (const std::string& s : expected) want += s + "; ";
    ok(got == want, "%s: sequence %s\nexpected %s", what, got.c_str(), want.c_str());
    g_sequence.clear();
}

// Points the import of 'module' from 'library' that holds 'from' at 'to';
// false when the module imports no such function.
static inline bool seq_replace_import(HMODULE module, const char* library, void* from, void* to)
{
    BYTE* base = (BYTE*)module;
    const IMAGE_NT_HEADERS* nt = (const IMAGE_NT_HEADERS*)(base + ((const IMAGE_DOS_HEADER*)base)->e_lfanew);
    DWORD imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* d = (const IMAGE_IMPORT_DESCRIPTOR*)(base + imports); d->Name; ++d) {
        if (lstrcmpiA((const char*)base + d->Name, library)) continue;
        for (auto* t = (IMAGE_THUNK_DATA*)(base + d->FirstThunk); t->u1.Function; ++t) {
            if ((void*)t->u1.Function != from) continue;
            DWORD protection;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, PAGE_READWRITE, &protection);
            t->u1.Function = (ULONG_PTR)to;
            VirtualProtect(&t->u1.Function, sizeof t->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}
