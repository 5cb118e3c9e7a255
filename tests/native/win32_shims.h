// The few Win32 names that the plug-in's start-up uses besides the portable
// ones, so that native tests compile it unchanged (forced include). The
// definitions are in plugin_in_simhost.cpp.
#pragma once

#include "kw_types.h"

typedef struct KwOpaqueModule* HMODULE;
typedef u32 LCID;
enum { MB_OK = 0 };

HBITMAP LoadBitmapA(HINSTANCE instance, const char* name);
LCID GetThreadLocale(void);
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned type);
