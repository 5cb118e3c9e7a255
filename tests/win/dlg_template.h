// Test dialogs for Windows tests: in-memory extended dialog templates (font
// face, size and weight, controls named by class, no resource script) and
// captures of a window as it is on screen.
#pragma once

#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

struct DlgTemplate {
    WORD words[8192];
    size_t count;
    size_t itemCountAt;  // word index of the item count in the header
};

static inline void dlgt_words(DlgTemplate* t, std::initializer_list<DWORD> words)
{
    for (DWORD w : words) t->words[t->count++] = (WORD)w;
}

// Templates hold UTF-16 text; the tests' texts are ASCII.
static inline void dlgt_text(DlgTemplate* t, const char* text)
{
    do t->words[t->count++] = (WORD)(unsigned char)*text;
    while (*text++);
}

static inline void dlgt_begin(DlgTemplate* t, DWORD style, short x, short y, short cx, short cy,
                              const char* title, WORD pointSize, WORD weight, const char* face)
{
    t->count = 0;
    style |= DS_SETFONT;
    // Version 1 of the extended template, help id and extended style 0.
    dlgt_words(t, {1, 0xFFFF, 0, 0, 0, 0, LOWORD(style), HIWORD(style)});
    t->itemCountAt = t->count;
    dlgt_words(t, {0, (WORD)x, (WORD)y, (WORD)cx, (WORD)cy, 0, 0});  // no menu, standard class
    dlgt_text(t, title);
    dlgt_words(t, {pointSize, weight, 0});  // not italic, default character set
    dlgt_text(t, face);
}

static inline void dlgt_item(DlgTemplate* t, DWORD style, short x, short y, short cx, short cy,
                             DWORD id, const char* className, const char* text)
{
    if (t->count & 1) dlgt_words(t, {0});  // items start on a DWORD boundary
    style |= WS_CHILD | WS_VISIBLE;
    dlgt_words(t, {0, 0, 0, 0, LOWORD(style), HIWORD(style), (WORD)x, (WORD)y, (WORD)cx, (WORD)cy,
                   LOWORD(id), HIWORD(id)});
    dlgt_text(t, className);
    dlgt_text(t, text);
    dlgt_words(t, {0});  // no creation data
    ++t->words[t->itemCountAt];
}

static inline HWND dlgt_create(const DlgTemplate* t, HWND owner, DLGPROC procedure)
{
    return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), (LPCDLGTEMPLATEA)t->words, owner,
                                      procedure, 0);
}

// Writes the window as it is on screen to ..\captures\<name>.bmp (24 bits);
// the build converts the pictures to PNG. The window is on top meanwhile:
// other tests' windows may share the display.
static inline bool dlgt_capture(HWND window, const char* name)
{
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
    return out && fclose(out) == 0 && written;
}
