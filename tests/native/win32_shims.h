// The few Win32 names that the plug-in's start-up uses besides the portable
// ones, so that native tests compile it unchanged (forced include). The
// definitions are in plugin_in_simhost.cpp.
#pragma once

#include "kw_types.h"

typedef struct KwOpaqueModule* HMODULE;
enum { MB_OK = 0 };

HBITMAP LoadBitmapA(HINSTANCE instance, const char* name);
int MessageBoxA(HWND owner, const char* text, const char* caption, unsigned type);
