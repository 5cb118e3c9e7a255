// The trace's switch on Windows, with the plug-in's start-up against the
// simulated driver, and its Win32 file. Runs alone: it sets the registry
// value every loaded plug-in reads.
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

// The plug-in's start-up with the trace's settings: on, every entry point the
// plug-in calls holds a thunk and the host's reports are wrapped; off, every
// slot holds the address the loader resolved. The file is in the temporary
// folder exactly when the trace is on.
static void test_switch(void)
{
    u32 called = 0;
    for (bool c : kCalledEntry) called += c;
    static const std::string inTemp = kwtest_temp_file("kestrelwing-trace.txt");
    const struct {
        const char *environment, *registry;
        bool on;
    } cases[] = {
        {nullptr, nullptr, false},
        {nullptr, "1", true},
        {"C:\\no\\such\\folder\\trace.txt", nullptr, false},  // cannot be created
    };
    for (const auto& c : cases) {
        const char* what = c.environment ? c.environment : c.registry ? c.registry : "nothing set";
        SetEnvironmentVariableA("KESTRELWING_TRACE", c.environment);
        set_registry(c.registry);
        static int result;
        kwtest_with_driver("full", [](const char*) {
            SH_Reset();
            return result = PLG_BindHost(SH_Request, nullptr) && PLG_Startup();
        });
        bool wrapped = g_host.ShowWarning != SH_Answers()->ShowWarning &&
                       g_host.ShowInternalError != SH_Answers()->ShowInternalError;
        u32 loaders = 0, thunks = 0;
        for (u32 i = 0; i < DRV_ENTRY_COUNT; ++i) {
            void* exported = (void*)GetProcAddress(g_drvLibrary, g_drvEntries[i].name);
            loaders += *DRV_Slot(&g_drvEntries[i]) == exported;
            thunks += kCalledEntry[i] && exported && *DRV_Slot(&g_drvEntries[i]) != exported;
        }
        ok(result == 1 && TRC_On() == c.on && wrapped == c.on && thunks == (c.on ? called : 0) &&
               loaders == DRV_ENTRY_COUNT - thunks,
           "%s: start-up %d, traced %d, %u thunks for %u entry points called, %u slots as loaded", what, result,
           TRC_On(), thunks, called, loaders);
        TRC_Close();
        DRV_Unload();
        SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
        set_registry(nullptr);
        ok((GetFileAttributesA(inTemp.c_str()) != INVALID_FILE_ATTRIBUTES) == c.on, "%s: the file", what);
        DeleteFileA(inTemp.c_str());
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
