// Where the plug-in test programs find the built libraries.
#pragma once

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

// Directory of the running program (the build's bin directory), no trailing slash.
static inline void kwtest_bin_dir(char* out, size_t size)
{
    GetModuleFileNameA(nullptr, out, (DWORD)size);
    if (char* slash = strrchr(out, '\\')) *slash = 0;
}

// A file of that name in the temporary folder.
static inline std::string kwtest_temp_file(const std::string& name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    return temp + name;
}

// Runs 'load' on bin\kestrelwing.dll while libraries come from the driver
// variant's directory bin\drivers\<variant> only, or, without a variant,
// from an empty directory, so that there is no driver library at all.
static inline int kwtest_with_driver(const char* variant, int (*load)(const char* plugin))
{
    char bin[MAX_PATH], dir[MAX_PATH], plugin[MAX_PATH];
    kwtest_bin_dir(bin, sizeof bin);
    snprintf(plugin, sizeof plugin, "%s\\kestrelwing.dll", bin);
    if (variant) {
        snprintf(dir, sizeof dir, "%s\\drivers\\%s", bin, variant);
    } else {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        snprintf(dir, sizeof dir, "%skw_no_driver_%lu", temp, GetCurrentProcessId());
        CreateDirectoryA(dir, nullptr);
    }
    SetDllDirectoryA(dir);
    int result = load(plugin);
    SetDllDirectoryA(nullptr);
    if (!variant) RemoveDirectoryA(dir);
    return result;
}
