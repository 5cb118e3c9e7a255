// The trace's switch on Windows, with the plug-in's start-up against the
// simulated driver: switched off, the driver table holds exactly the
// addresses the loader resolved and the host's reports are its own; the
// registry value "1" switches it on into a file in the temporary folder; a
// file that cannot be created leaves the plug-in working without a trace. The Win32 file keeps
// its limit and the two newest files. Runs alone: it sets the registry value
// every loaded plug-in reads.
#include "drv_load.h"
#include "host_binding.h"
#include "plugin_state.h"
#include "simhost.h"
#include "startup.h"
#include "test_plugin_paths.h"
#include "trace_control.h"
#include "trace_lines.h"
#include "wintest.h"

#include <string>

static const char kKey[] = "Software\\Brennholt\\Kestrelwing";

static void set_registry(const char* value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (value) RegSetValueExA(key, "Trace", 0, REG_SZ, (const BYTE*)value, (DWORD)strlen(value) + 1);
    else RegDeleteValueA(key, "Trace");
    RegCloseKey(key);
}

static bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The plug-in's start-up with the settings given, then the driver table's
// state: how many slots hold the loader's address, how many a thunk.
struct Started {
    int result;
    bool traced, reportsWrapped;
    u32 loaders, thunks, wrong;
};
static Started start_with(const char* environment, const char* registry)
{
    SetEnvironmentVariableA("KESTRELWING_TRACE", environment);
    set_registry(registry);
    static Started s;
    s = Started{};
    kwtest_with_driver("full", [](const char*) {
        SH_Reset();
        return s.result = PLG_BindHost(SH_Request, nullptr) && PLG_Startup();
    });
    s.traced = TRC_On();
    s.reportsWrapped = g_host.ShowWarning != SH_Answers()->ShowWarning &&
                       g_host.ShowInternalError != SH_Answers()->ShowInternalError;
    for (u32 i = 0; i < DRV_ENTRY_COUNT; ++i) {
        const DrvEntry& e = g_drvEntries[i];
        void* exported = (void*)GetProcAddress(g_drvLibrary, e.name);
        if (*DRV_Slot(&e) == exported) ++s.loaders;
        else if (kCalledEntry[i] && exported) ++s.thunks;
        else ++s.wrong;
    }
    TRC_Close();
    DRV_Unload();
    SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
    set_registry(nullptr);
    return s;
}

static void test_switch(void)
{
    u32 called = 0;
    for (bool c : kCalledEntry) called += c;
    const std::string inTemp = kwtest_temp_file("kestrelwing-trace.txt"), mine = kwtest_temp_file("kw-trace-switch.txt");
    const struct {
        const char *environment, *registry;
        const std::string* file;  // null: off
    } cases[] = {
        {nullptr, nullptr, nullptr},
        {nullptr, "1", &inTemp},
        {"C:\\no\\such\\folder\\trace.txt", nullptr, nullptr},  // cannot be created
    };
    for (const auto& c : cases) {
        const char* what = c.environment ? c.environment : c.registry ? c.registry : "nothing set";
        Started s = start_with(c.environment, c.registry);
        bool on = c.file != nullptr;
        ok(s.result == 1 && s.traced == on && s.reportsWrapped == on && s.wrong == 0 && s.thunks == (on ? called : 0) &&
               s.loaders == DRV_ENTRY_COUNT - s.thunks,
           "%s: start-up %d, traced %d, %u thunks for %u entry points called, %u slots as loaded, %u wrong", what,
           s.result, s.traced, s.thunks, called, s.loaders, s.wrong);
        ok(exists(inTemp) == (c.file == &inTemp) && exists(mine) == (c.file == &mine), "%s: the wrong file", what);
        DeleteFileA(inTemp.c_str());
        DeleteFileA(mine.c_str());
    }
}

// Win32's file: at the limit the file becomes the previous one, replacing
// the previous, and neither grows past the limit; a new start keeps the last
// session's file as the previous one.
static void test_win32_file(void)
{
    std::string path = kwtest_temp_file("kw-trace-rotate.txt"), previous = kwtest_temp_file("kw-trace-rotate.1.txt");
    const int lines[2] = {40, 3};
    for (int session = 0; session < 2; ++session) {
        if (!ok(TRC_Open(TRC_System(), path.c_str(), 600), "cannot open %s", path.c_str())) return;
        for (int i = 0; i < lines[session]; ++i) TRC_Printf("session %d line %d", session, i);
        TRC_Close();
        std::string now = trace_file_text(path), before = trace_file_text(previous);
        ok(now.size() <= 600 && before.size() <= 600, "session %d: files of %u and %u bytes", session,
           (unsigned)now.size(), (unsigned)before.size());
        ok(now.find("session " + std::to_string(session) + " line " + std::to_string(lines[session] - 1)) !=
               std::string::npos,
           "session %d: the last line is not in the file", session);
        if (session == 1) ok(before.find("session 0 line 39") != std::string::npos, "the last session's file is not kept");
    }
    DeleteFileA(path.c_str());
    DeleteFileA(previous.c_str());
}

int main(void)
{
    test_switch();
    test_win32_file();
    return wintest_finish("test_trace_switch");
}
