// Custom action of the installer package (kestrelwing.wxs), run by
// msiexec from the package's Binary table; never installed.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <stdio.h>
#include "simdrv_id.h"

namespace {

// True when the version resource of `path` names the project's simulated
// driver as its product. The package writes the string block in US English,
// code page 1252 only, so that is the one block to look in.
bool is_simulated_driver(const char* path)
{
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeA(path, &unused);
    if (size == 0)
        return false;
    void* info = HeapAlloc(GetProcessHeap(), 0, size);
    if (!info)
        return false;
    bool ours = false;
    char* product = nullptr;
    UINT len = 0;
    if (GetFileVersionInfoA(path, 0, size, info) &&
        VerQueryValueA(info, "\\StringFileInfo\\040904E4\\ProductName", reinterpret_cast<void**>(&product), &len) &&
        len > 0)
        ours = lstrcmpA(product, KW_SIMDRV_PRODUCT) == 0;
    HeapFree(GetProcessHeap(), 0, info);
    return ours;
}

// Shows `text` ([1] stands for `arg`) as an error; with /qn it goes to the log.
void report_error(MSIHANDLE install, const char* text, const char* arg)
{
    MSIHANDLE rec = MsiCreateRecord(1);
    if (!rec)
        return;
    MsiRecordSetStringA(rec, 0, text);
    MsiRecordSetStringA(rec, 1, arg);
    MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK), rec);
    MsiCloseHandle(rec);
}

} // namespace

// Sequenced where "Simulated devices" is about to be installed: refuses the
// installation when Tarnova's folder already holds a tvxv2_w32.dll that is
// not the simulated driver, since the file would be replaced and the real
// devices hidden behind simulated ones.
extern "C" __declspec(dllexport) UINT __stdcall RefuseOverVendorDriver(MSIHANDLE install)
{
    char dir[MAX_PATH];
    DWORD len = sizeof dir;
    if (MsiGetPropertyA(install, "TARNOVADIR", dir, &len) != ERROR_SUCCESS) {
        report_error(install, "The folder name in [1] is too long.", "TARNOVADIR");
        return ERROR_INSTALL_FAILURE;
    }
    // After cost finalisation a folder property ends in a backslash; `dir`
    // holds fewer than MAX_PATH characters, so the name always fits.
    static const char driver[] = "tvxv2_w32.dll";
    char path[MAX_PATH + sizeof driver];
    snprintf(path, sizeof path, "%s%s", dir, driver);
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES || is_simulated_driver(path))
        return ERROR_SUCCESS;
    report_error(install,
                 "Tarnova's folder already holds the device maker's driver [1]. "
                 "\"Simulated devices\" would replace it; install without that feature, "
                 "or remove the driver from the folder first.",
                 path);
    return ERROR_INSTALL_FAILURE;
}
