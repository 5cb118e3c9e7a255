// Custom action of the installer package (kestrelwing.wxs), run by
// msiexec from the package's Binary table; never installed. Its texts are
// the package's own properties, so that each language's package speaks its
// language; everything goes through the wide functions, so that neither the
// texts nor a folder name depend on the system's ANSI code page.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <wchar.h>
#include "simdrv_id.h"

namespace {

// True when the version resource of `path` names the project's simulated
// driver as its product. The package writes the string block in US English,
// code page 1252 only, so that is the one block to look in.
bool is_simulated_driver(const wchar_t* path)
{
    DWORD unused = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &unused);
    if (size == 0)
        return false;
    void* info = HeapAlloc(GetProcessHeap(), 0, size);
    if (!info)
        return false;
    bool ours = false;
    wchar_t* product = nullptr;
    UINT len = 0;
    if (GetFileVersionInfoW(path, 0, size, info) &&
        VerQueryValueW(info, L"\\StringFileInfo\\040904E4\\ProductName", reinterpret_cast<void**>(&product), &len) &&
        len > 0)
        ours = lstrcmpW(product, L"" KW_SIMDRV_PRODUCT) == 0;
    HeapFree(GetProcessHeap(), 0, info);
    return ours;
}

// Shows the text of the package property `text_property` ([1] stands for
// `arg`) as an error; with /qn it goes to the log. A package without the
// text still names `arg`.
void report_error(MSIHANDLE install, const wchar_t* text_property, const wchar_t* arg)
{
    wchar_t text[1024];
    DWORD len = sizeof text / sizeof text[0];
    if (MsiGetPropertyW(install, text_property, text, &len) != ERROR_SUCCESS || len == 0)
        lstrcpyW(text, L"[1]");
    MSIHANDLE rec = MsiCreateRecord(1);
    if (!rec)
        return;
    MsiRecordSetStringW(rec, 0, text);
    MsiRecordSetStringW(rec, 1, arg);
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
    wchar_t dir[MAX_PATH];
    DWORD len = sizeof dir / sizeof dir[0];
    if (MsiGetPropertyW(install, L"TARNOVADIR", dir, &len) != ERROR_SUCCESS) {
        report_error(install, L"KwTextFolderTooLong", L"");
        return ERROR_INSTALL_FAILURE;
    }
    // After cost finalisation a folder property ends in a backslash; `dir`
    // holds fewer than MAX_PATH characters, so the name always fits.
    static const wchar_t driver[] = L"tvxv2_w32.dll";
    wchar_t path[MAX_PATH + sizeof driver / sizeof driver[0]];
    swprintf(path, sizeof path / sizeof path[0], L"%ls%ls", dir, driver);
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES || is_simulated_driver(path))
        return ERROR_SUCCESS;
    report_error(install, L"KwTextVendorDriver", path);
    return ERROR_INSTALL_FAILURE;
}
