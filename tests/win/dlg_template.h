// In-memory extended dialog templates for Windows tests: a dialog with its
// font (face, size and weight) and controls named by class, built without a
// resource script.
#pragma once

#include <windows.h>

struct DlgTemplate {
    WORD words[8192];
    size_t count;
    size_t itemCountAt;  // word index of the item count in the header
};

static inline void dlgt_word(DlgTemplate* t, WORD w) { t->words[t->count++] = w; }

static inline void dlgt_dword(DlgTemplate* t, DWORD d)
{
    dlgt_word(t, LOWORD(d));
    dlgt_word(t, HIWORD(d));
}

// Templates hold UTF-16 text; the tests' texts are ASCII.
static inline void dlgt_text(DlgTemplate* t, const char* text)
{
    while (*text) dlgt_word(t, (WORD)(unsigned char)*text++);
    dlgt_word(t, 0);
}

static inline void dlgt_begin(DlgTemplate* t, DWORD style, short x, short y, short cx, short cy,
                              const char* title, WORD pointSize, WORD weight, const char* face)
{
    t->count = 0;
    dlgt_word(t, 1);       // version
    dlgt_word(t, 0xFFFF);  // extended template
    dlgt_dword(t, 0);      // help id
    dlgt_dword(t, 0);      // extended style
    dlgt_dword(t, style | DS_SETFONT);
    t->itemCountAt = t->count;
    dlgt_word(t, 0);
    dlgt_word(t, (WORD)x);
    dlgt_word(t, (WORD)y);
    dlgt_word(t, (WORD)cx);
    dlgt_word(t, (WORD)cy);
    dlgt_word(t, 0);  // no menu
    dlgt_word(t, 0);  // standard dialog class
    dlgt_text(t, title);
    dlgt_word(t, pointSize);
    dlgt_word(t, weight);
    dlgt_word(t, 0);  // not italic, default character set
    dlgt_text(t, face);
}

static inline void dlgt_item(DlgTemplate* t, DWORD style, short x, short y, short cx, short cy,
                             DWORD id, const char* className, const char* text)
{
    if (t->count & 1) dlgt_word(t, 0);  // items start on a DWORD boundary
    dlgt_dword(t, 0);                   // help id
    dlgt_dword(t, 0);                   // extended style
    dlgt_dword(t, style | WS_CHILD | WS_VISIBLE);
    dlgt_word(t, (WORD)x);
    dlgt_word(t, (WORD)y);
    dlgt_word(t, (WORD)cx);
    dlgt_word(t, (WORD)cy);
    dlgt_dword(t, id);
    dlgt_text(t, className);
    dlgt_text(t, text);
    dlgt_word(t, 0);  // no creation data
    ++t->words[t->itemCountAt];
}

static inline HWND dlgt_create(const DlgTemplate* t, HWND owner, DLGPROC procedure)
{
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), (LPCDLGTEMPLATEA)t->words, owner,
                                      procedure, 0);
}
