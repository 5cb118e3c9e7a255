// Start-up and shut-down of the real plug-in library with the simulated host.
#include "simhost.h"
#include "test_plugin_paths.h"
#include "wintest.h"

#include <string>

static const char kDriver[] = "tvxv2_w32.dll";

// Loads the plug-in fresh into the host and runs SetupTarnDLL with the
// driver of that variant (null: none).
static int start(const char* variant) { return kwtest_with_driver(variant, SHW_LoadPlugin); }

// Ends a scenario; FinishTarnDLL runs only after a successful start, as the host does it.
static void stop(int started, const char* what)
{
    if (started == 1) ok(SHW_FinishPlugin() == 1, "%s: FinishTarnDLL result", what);
    else FreeLibrary(SHW_PluginModule());
    ok(GetModuleHandleA(kDriver) == nullptr, "%s: driver library still loaded at the end", what);
}

// The menu entries by driver and thread locale: the global setup entry first
// when entry points are missing, then the six module entries in class order
// (the first and the last by their labels), German only at exactly 1031.
// (The entries' texts are the portable menu test's.)
static void test_menu_entries(void)
{
    static const char* const kFirstLast[2][2] = {{"\"Analog-Input\"", "\"Digital-Output\""},
                                                 {"\"Analog-Eingang\"", "\"Digital-Ausgang\""}};
    const struct {
        const char* variant;
        LCID locale;
        bool global;
    } cases[] = {{"full", 1031, false}, {nullptr, 2055, true}};
    LCID saved = GetThreadLocale();
    for (const auto& c : cases) {
        char what[64];
        snprintf(what, sizeof what, "driver %s, locale %lu", c.variant ? c.variant : "missing", c.locale);
        SetThreadLocale(c.locale);
        SH_Reset();
        int result = start(c.variant);
        ok(result == 1 && g_sim.classes.size() == 6, "%s: result %d, %u classes", what, result,
           (unsigned)g_sim.classes.size());
        ok((GetModuleHandleA(kDriver) != nullptr) == (c.variant != nullptr), "%s: driver library", what);
        const std::vector<std::string>& t = g_sim.menuTexts;
        const char* const* labels = kFirstLast[c.locale == 1031];
        ok(t.size() == (c.global ? 7u : 6u) && (!c.global || t[0].find("//Global Setup;") != std::string::npos) &&
               t[c.global].find(labels[0]) != std::string::npos && t.back().find(labels[1]) != std::string::npos,
           "%s: %u menu texts, the first '%s'", what, (unsigned)t.size(), t.empty() ? "" : t[0].c_str());
        bool bound = g_sim.menuCommands.size() == 1 && g_sim.menuCommands[0].commandId == 4990 &&
                     g_sim.menuCommands[0].command != nullptr;
        ok(bound == c.global && g_sim.menuCommands.size() == (c.global ? 1u : 0u), "%s: global command", what);
        stop(result, what);
    }
    SetThreadLocale(saved);
}

static bool inside_module(const void* address, HMODULE module)
{
    MEMORY_BASIC_INFORMATION info;
    return VirtualQuery(address, &info, sizeof info) && info.AllocationBase == (void*)module;
}

// A bitmap of that width and height (0: any height).
static bool bitmap_is(HBITMAP handle, int width, int height)
{
    BITMAP b = {};
    return GetObjectA(handle, sizeof b, &b) && b.bmWidth == width && (!height || b.bmHeight == height);
}

// The window classes of the channel bar, registered or not.
static void check_classes(HMODULE dll, bool registered)
{
    for (const char* name : {"VOV:CONTROLKANAL", "VOV:CONTROLLESSMORE"}) {
        WNDCLASSA wc = {};
        BOOL found = GetClassInfoA(dll, name, &wc);
        ok(!found == !registered, "%s: registered %d, expected %d", name, found, registered);
        // Double-clicks reach the controls, and each has its state word.
        if (found && registered) ok(wc.style == CS_DBLCLKS && wc.cbWndExtra == 2, "%s: class fields", name);
    }
}

// The class records as the host received them: names and bitmaps that live
// in the library, the words the plug-in leaves zero; the window classes;
// shut-down releases them and the driver.
static void test_class_records_and_shutdown(void)
{
    static const char* const kKinds[] = {"AnalogIn", "AnalogOut", "CounterIn", "CounterOut", "DigitalIn", "DigitalOut"};
    SH_Reset();
    ok(start("full") == 1 && g_sim.classes.size() == 6, "records: %u classes", (unsigned)g_sim.classes.size());
    HMODULE dll = SHW_PluginModule();
    static const u8 kZeros[sizeof ClassRecord::reserved60] = {};
    for (size_t k = 0; k < 6 && k < g_sim.classes.size(); ++k) {
        const SimClass& c = g_sim.classes[k];
        const ClassRecord& r = c.record;
        const char* name = kKinds[k];
        ok(c.className == std::string("KWE:") + name && c.shortName == name && c.longName == name,
           "%s: names '%s' '%s' '%s'", name, c.className.c_str(), c.shortName.c_str(), c.longName.c_str());
        // The host keeps the name addresses: they must outlive the call.
        ok(r.instance == dll && inside_module(r.shortName, dll) && inside_module(r.longName, dll),
           "%s: instance or name storage", name);
        ok(bitmap_is(r.paletteBitmap, 24, 24) && bitmap_is(r.moduleBitmap, 63, 0), "%s: bitmaps", name);
        ok(r.handler && r.compute && !r.reserved32[0] && !r.reserved32[1] && !r.reserved32[2] &&
               !memcmp(r.reserved60, kZeros, sizeof kZeros),
           "%s: handler or compute missing, or a reserved word set", name);
    }

    check_classes(dll, true);
    ok(((BOOL(__stdcall*)(u32))(void*)GetProcAddress(dll, "FinishTarnDLL"))(0) == 1, "FinishTarnDLL result");
    check_classes(dll, false);
    ok(GetModuleHandleA(kDriver) == nullptr, "driver library still loaded after FinishTarnDLL");
    ok(((int(__stdcall*)(int))(void*)GetProcAddress(dll, "WEP"))(0) == 1, "WEP result");
    stop(0, "shut-down");
}

int main(void)
{
    test_menu_entries();
    test_class_records_and_shutdown();
    return wintest_finish("test_plugin_setup");
}
