// Where the plug-in test programs find the built libraries.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

// Directory of the running program (the build's bin directory), no trailing slash.
static inline void kwtest_bin_dir(char* out, size_t size)
{
    GetModuleFileNameA(nullptr, out, (DWORD)size);
    char* slash = strrchr(out, '\\');
    if (slash) *slash = 0;
}

// A driver variant's directory: bin\drivers\<variant>.
static inline void kwtest_driver_dir(char* out, size_t size, const char* variant)
{
    char bin[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    snprintf(out, size, "%s\\drivers\\%s", bin, variant);
}

// An empty directory, so that the driver library is not found at all.
static inline void kwtest_empty_dir(char* out, size_t size)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    snprintf(out, size, "%skw_no_driver_%lu", temp, GetCurrentProcessId());
    CreateDirectoryA(out, nullptr);
}
