// The trace's switch on Windows and its Win32 file. Runs alone: it sets the
// registry value every loaded plug-in reads.
#include "test_plugin_paths.h"
#include "trace.h"
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

// The switch as Windows holds it: the environment variable before the
// registry value; "1" names the file in the temporary folder; a file that
// cannot be created leaves the trace off. (What the start-up does with the
// trace on is the portable trace tests'.)
static void test_switch(void)
{
    static const std::string inTemp = kwtest_temp_file("kestrelwing-trace.txt");
    const struct {
        const char *environment, *registry;
        bool on;
    } cases[] = {
        {nullptr, nullptr, false},
        {nullptr, "1", true},
        {"0", "1", false},
        {"C:\\no\\such\\folder\\trace.txt", "1", false},
    };
    for (const auto& c : cases) {
        std::string what = std::string("environment ") + (c.environment ? c.environment : "unset") + ", registry " +
                           (c.registry ? c.registry : "unset");
        SetEnvironmentVariableA("KESTRELWING_TRACE", c.environment);
        set_registry(c.registry);
        bool started = TRC_Start();
        ok(started == c.on && TRC_On() == c.on, "%s: trace %d", what.c_str(), started);
        TRC_Close();
        ok((GetFileAttributesA(inTemp.c_str()) != INVALID_FILE_ATTRIBUTES) == c.on, "%s: the file", what.c_str());
        DeleteFileA(inTemp.c_str());
    }
    SetEnvironmentVariableA("KESTRELWING_TRACE", nullptr);
    set_registry(nullptr);
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
