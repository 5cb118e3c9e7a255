// Start-up and shut-down of the real plug-in library with the simulated host.
#include "simhost.h"
#include "test_plugin_paths.h"
#include "wintest.h"

#include <string>

typedef BOOL(__stdcall* SetupFn)(HWND);
typedef BOOL(__stdcall* FinishFn)(u32);
typedef int(__stdcall* WepFn)(int);

static const char kDriver[] = "tvxv2_w32.dll";
static const char kGlobalSetupText[] =
    "2573;1;ME;ES;&Brennholt Kestrelwing//Global Setup;GLOBAL;4990;G;";

// The plug-in as the host sees it: loaded fresh for every scenario, bound
// through the host window (one for the whole program).
struct Plugin {
    HWND host;
    HMODULE dll;
    SetupFn setup;
    FinishFn finish;
    WepFn wep;
};

// Loads the plug-in and runs SetupTarnDLL with the driver taken from 'driverDir'.
static int start(Plugin* p, const char* driverDir)
{
    char path[MAX_PATH];
    kwtest_bin_dir(path, sizeof path);
    strcat(path, "\\kestrelwing.dll");
    p->host = SHW_CreateHostWindow();
    p->dll = LoadLibraryA(path);
    ok(p->dll != nullptr, "kestrelwing.dll not loaded (%lu)", GetLastError());
    if (!p->dll) return -1;
    p->setup = (SetupFn)(void*)GetProcAddress(p->dll, "SetupTarnDLL");
    p->finish = (FinishFn)(void*)GetProcAddress(p->dll, "FinishTarnDLL");
    p->wep = (WepFn)(void*)GetProcAddress(p->dll, "WEP");
    ok(p->setup && p->finish && p->wep, "an export is missing");
    if (!p->setup || !p->finish || !p->wep) return -1;
    SetDllDirectoryA(driverDir);
    int result = p->setup(p->host);
    SetDllDirectoryA(nullptr);
    return result;
}

static int start_variant(Plugin* p, const char* variant)
{
    char dir[MAX_PATH];
    kwtest_driver_dir(dir, sizeof dir, variant);
    return start(p, dir);
}

// Ends a scenario; FinishTarnDLL runs only after a successful start, as the host does it.
static void stop(Plugin* p, bool finish)
{
    if (finish && p->finish) ok(p->finish(0) == 1, "FinishTarnDLL result");
    if (p->dll) FreeLibrary(p->dll);
    ok(GetModuleHandleA(kDriver) == nullptr, "driver library still loaded at scenario end");
}

static bool has_global_entry(void)
{
    for (const std::string& t : g_sim.menuTexts)
        if (t.find("Global Setup") != std::string::npos) return true;
    return false;
}

// A refused binding loads no driver and registers nothing.
static void check_nothing_started(const char* what)
{
    ok(GetModuleHandleA(kDriver) == nullptr, "%s: driver loaded", what);
    ok(g_sim.classes.empty(), "%s: %u classes registered", what, (unsigned)g_sim.classes.size());
    ok(g_sim.menuTexts.empty(), "%s: menu entries added", what);
}

// Hosts the binding must refuse, or accept, over the real window protocol.
static void test_binding_outcomes(void)
{
    const struct {
        const char* what;
        const char* missing;   // name the host lacks
        bool zeroTime24h;      // a switch answered with 0
        int refuseVariable;    // n-th DefineDllVariable refused
        int result;
        size_t requests, variables;
    } cases[] = {
        {"no TarnovaInsertMenu", "TarnovaInsertMenu", false, 0, 0, 164, 0},
        {"no TimeTrenn", "TimeTrenn", false, 0, 0, 19, 0},
        {"bTime24h 0", nullptr, true, 0, 1, 164, 7},
        {"bExperimentIsPaused refused", nullptr, false, 5, 0, 164, 5},
    };
    for (const auto& c : cases) {
        SH_Reset();
        if (c.missing) g_sim.knobs.missing = {c.missing};
        if (c.zeroTime24h) g_sim.knobs.bTime24h = 0;
        g_sim.knobs.refuseDefineVariable = c.refuseVariable;
        Plugin p = {};
        ok(start_variant(&p, "full") == c.result, "%s: result", c.what);
        ok(g_sim.requests.size() == c.requests, "%s: %u requests", c.what,
           (unsigned)g_sim.requests.size());
        ok(g_sim.variables.size() == c.variables, "%s: %u variables", c.what,
           (unsigned)g_sim.variables.size());
        ok(g_sim.defineModuleCalls == (c.variables ? 1u : 0u), "%s: DefineDllModule calls", c.what);
        if (c.result == 0) check_nothing_started(c.what);
        stop(&p, c.result == 1);
    }
}

static const char* const kLabelsEn[] = {
    "Brennholt Kestrelwing//ETH//\"Analog-Input\"",  "Brennholt Kestrelwing//ETH//\"Analog-Output\"",
    "Brennholt Kestrelwing//ETH//\"Counter-Input\"", "Brennholt Kestrelwing//ETH//\"Counter-Output\"",
    "Brennholt Kestrelwing//ETH//\"Digital-Input\"", "Brennholt Kestrelwing//ETH//\"Digital-Output\""};
static const char* const kLabelsDe[] = {
    "Brennholt Kestrelwing//ETH//\"Analog-Eingang\"",  "Brennholt Kestrelwing//ETH//\"Analog-Ausgang\"",
    "Brennholt Kestrelwing//ETH//\"Zaehler-Eingang\"", "Brennholt Kestrelwing//ETH//\"Zaehler-Ausgang\"",
    "Brennholt Kestrelwing//ETH//\"Digital-Eingang\"", "Brennholt Kestrelwing//ETH//\"Digital-Ausgang\""};
static const u32 kNameIds[] = {2950, 2951, 2952, 2955, 2953, 2954};

// The six module entries, in class order, in the language of the thread locale.
static void check_module_entries(const char* what, const char* const* labels, size_t first)
{
    ok(g_sim.menuTexts.size() == first + 6, "%s: %u menu texts", what,
       (unsigned)g_sim.menuTexts.size());
    for (size_t k = 0; k < 6 && first + k < g_sim.menuTexts.size(); ++k) {
        char expected[256];
        snprintf(expected, sizeof expected, "2573;1;MOD;IO;%s;IO;%u; ;", labels[k], kNameIds[k]);
        ok(g_sim.menuTexts[first + k] == expected, "%s: entry %u is '%s'", what, (unsigned)k,
           g_sim.menuTexts[first + k].c_str());
    }
}

static void test_complete_driver(void)
{
    SH_Reset();
    Plugin p = {};
    ok(start_variant(&p, "full") == 1, "complete driver: start failed");
    ok(!has_global_entry(), "complete driver: global setup entry added");
    ok(g_sim.menuCommands.empty(), "complete driver: a menu command was bound");
    ok(g_sim.classes.size() == 6, "complete driver: %u classes", (unsigned)g_sim.classes.size());
    ok(g_sim.menuTexts.size() == 6, "complete driver: %u menu texts", (unsigned)g_sim.menuTexts.size());
    ok(GetModuleHandleA(kDriver) != nullptr, "complete driver: library not loaded");
    stop(&p, true);
}

// What the global setup command showed: captured and closed by a CBT hook.
static struct {
    int shown;
    char title[64], text[128];
    bool owned, cancel;
} g_box;

static LRESULT CALLBACK close_message_box(int code, WPARAM wParam, LPARAM lParam)
{
    char className[16] = "";
    if (code == HCBT_ACTIVATE && GetClassNameA((HWND)wParam, className, sizeof className) &&
        strcmp(className, "#32770") == 0) {
        HWND box = (HWND)wParam;
        ++g_box.shown;
        GetWindowTextA(box, g_box.title, sizeof g_box.title);
        GetDlgItemTextA(box, 0xFFFF, g_box.text, sizeof g_box.text);  // the message's static
        g_box.owned = GetWindow(box, GW_OWNER) != nullptr;
        g_box.cancel = GetDlgItem(box, IDCANCEL) != nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static void check_global_setup_command(MenuCommand command)
{
    memset(&g_box, 0, sizeof g_box);
    HHOOK hook = SetWindowsHookExA(WH_CBT, close_message_box, nullptr, GetCurrentThreadId());
    command();
    UnhookWindowsHookEx(hook);
    ok(g_box.shown == 1, "global setup: %d message boxes", g_box.shown);
    ok(strcmp(g_box.title, "Setup") == 0, "global setup: title '%s'", g_box.title);
    ok(strcmp(g_box.text, "Do here some setup functions!") == 0, "global setup: text '%s'",
       g_box.text);
    ok(!g_box.owned && !g_box.cancel, "global setup: owner %d, cancel button %d", g_box.owned,
       g_box.cancel);
}

static void test_missing_driver(void)
{
    SH_Reset();
    char dir[MAX_PATH];
    kwtest_empty_dir(dir, sizeof dir);
    Plugin p = {};
    ok(start(&p, dir) == 1, "missing driver: start failed");
    RemoveDirectoryA(dir);
    ok(g_sim.classes.size() == 6, "missing driver: %u classes", (unsigned)g_sim.classes.size());
    ok(!g_sim.menuTexts.empty() && g_sim.menuTexts[0] == kGlobalSetupText,
       "missing driver: first menu text '%s'",
       g_sim.menuTexts.empty() ? "" : g_sim.menuTexts[0].c_str());
    ok(g_sim.menuCommands.size() == 1 && g_sim.menuCommands[0].commandId == 4990 &&
           g_sim.menuCommands[0].command != nullptr,
       "missing driver: global setup command not bound");
    if (!g_sim.menuCommands.empty() && g_sim.menuCommands[0].command)
        check_global_setup_command(g_sim.menuCommands[0].command);
    stop(&p, true);
}

static void test_partial_driver(void)
{
    SH_Reset();
    Plugin p = {};
    ok(start_variant(&p, "partial") == 1, "partial driver: start failed");
    ok(!g_sim.menuTexts.empty() && g_sim.menuTexts[0] == kGlobalSetupText,
       "partial driver: no global setup entry first");
    check_module_entries("partial driver", kLabelsEn, 1);
    stop(&p, true);
}

static void test_locale(void)
{
    LCID saved = GetThreadLocale();
    const struct { LCID locale; const char* const* labels; } cases[] = {
        {1031, kLabelsDe}, {2055, kLabelsEn}};
    for (const auto& c : cases) {
        SetThreadLocale(c.locale);
        SH_Reset();
        Plugin p = {};
        ok(start_variant(&p, "full") == 1, "locale %lu: start failed", c.locale);
        char what[32];
        snprintf(what, sizeof what, "locale %lu", c.locale);
        check_module_entries(what, c.labels, 0);
        stop(&p, true);
    }
    SetThreadLocale(saved);
}

static u32 word_at(const ClassRecord* r, size_t offset)
{
    u32 w;
    memcpy(&w, (const u8*)r + offset, 4);
    return w;
}

static bool inside_module(const void* address, HMODULE module)
{
    MEMORY_BASIC_INFORMATION info;
    return VirtualQuery(address, &info, sizeof info) && info.AllocationBase == (void*)module;
}

// The 180-byte records as the host received them, checked byte offset by offset.
static void test_class_records(void)
{
    static const struct {
        const char* className;
        u32 paramSize, runtimeSize, channelSize, nameId;
        const char* shortName;
        const char* longName;
        int width, height;
    } kinds[] = {
        {"KWE:AnalogIn", 2092, 32, 184, 2950, "AnalogIn", "AnalogIn", 63, 64},
        {"KWE:AnalogOut", 2084, 32, 160, 2951, "AnalogOut", "AnalogOut", 63, 63},
        {"KWE:CounterIn", 1892, 32, 176, 2952, "CounterIn", "CounterIn", 63, 64},
        {"KWE:CounterOut", 2408, 32, 184, 2955, "CounterOut", "CounterOut", 63, 53},
        {"KWE:DigitalIn", 1848, 40, 176, 2953, "DigitalIn", "DigitalIn", 63, 64},
        {"KWE:DigitalOut", 1848, 40, 152, 2954, "DigitalOut", "DigitalOut", 63, 63},
    };
    SH_Reset();
    Plugin p = {};
    ok(start_variant(&p, "full") == 1, "records: start failed");
    ok(g_sim.classes.size() == 6, "records: %u classes", (unsigned)g_sim.classes.size());
    for (size_t k = 0; k < 6 && k < g_sim.classes.size(); ++k) {
        const SimClass& c = g_sim.classes[k];
        const ClassRecord* r = &c.record;
        const char* name = kinds[k].className;
        ok(word_at(r, 0) == (u32)(uintptr_t)p.dll, "%s: instance", name);
        ok(c.className == name, "%s: class name '%s'", name, c.className.c_str());
        ok(word_at(r, 8) == kinds[k].paramSize, "%s: parameter block size", name);
        ok(word_at(r, 12) == kinds[k].runtimeSize, "%s: runtime size", name);
        ok(word_at(r, 16) == kinds[k].channelSize, "%s: channel record size", name);
        ok(word_at(r, 20) == kinds[k].nameId, "%s: name id", name);
        ok(c.shortName == kinds[k].shortName, "%s: short name '%s'", name, c.shortName.c_str());
        ok(c.longName == kinds[k].longName, "%s: long name '%s'", name, c.longName.c_str());
        // The host keeps the name addresses: they must outlive the call.
        ok(inside_module((void*)(uintptr_t)word_at(r, 24), p.dll), "%s: short name storage", name);
        ok(inside_module((void*)(uintptr_t)word_at(r, 28), p.dll), "%s: long name storage", name);
        for (size_t off = 32; off < 44; off += 4) ok(word_at(r, off) == 0, "%s: word %u", name, (unsigned)off);
        ok(word_at(r, 52) != 0 && word_at(r, 56) != 0, "%s: handler or compute missing", name);
        for (size_t off = 60; off < 180; off += 4) ok(word_at(r, off) == 0, "%s: word %u", name, (unsigned)off);

        BITMAP palette = {}, picture = {};
        ok(GetObjectA((HBITMAP)(uintptr_t)word_at(r, 44), sizeof palette, &palette) &&
               palette.bmWidth == 24 && palette.bmHeight == 24,
           "%s: palette bitmap %ldx%ld", name, palette.bmWidth, palette.bmHeight);
        ok(GetObjectA((HBITMAP)(uintptr_t)word_at(r, 48), sizeof picture, &picture) &&
               picture.bmWidth == kinds[k].width && picture.bmHeight == kinds[k].height,
           "%s: module bitmap %ldx%ld", name, picture.bmWidth, picture.bmHeight);
    }
    stop(&p, true);
}

static void check_class(HMODULE dll, const char* className, bool registered)
{
    WNDCLASSA wc = {};
    BOOL found = GetClassInfoA(dll, className, &wc);
    ok(!found == !registered, "%s: registered %d, expected %d", className, found, registered);
    if (!found || !registered) return;
    ok(wc.style == CS_DBLCLKS, "%s: style %#x", className, wc.style);
    ok(wc.cbClsExtra == 0 && wc.cbWndExtra == 2, "%s: extra bytes %d/%d", className, wc.cbClsExtra,
       wc.cbWndExtra);
    ok(wc.hIcon == nullptr && wc.lpszMenuName == nullptr, "%s: icon or menu", className);
    ok(wc.hCursor == LoadCursorA(nullptr, (LPCSTR)IDC_ARROW), "%s: cursor", className);
    ok(wc.hbrBackground == (HBRUSH)GetStockObject(DKGRAY_BRUSH), "%s: background", className);
    ok(wc.lpfnWndProc != nullptr, "%s: window procedure", className);
}

// Shut-down: the window classes go, the driver library is released.
static void test_window_classes_and_shutdown(void)
{
    SH_Reset();
    Plugin p = {};
    ok(start_variant(&p, "full") == 1, "classes: start failed");
    check_class(p.dll, "VOV:CONTROLKANAL", true);
    check_class(p.dll, "VOV:CONTROLLESSMORE", true);
    HWND control = CreateWindowA("VOV:CONTROLKANAL", "", WS_POPUP, 0, 0, 11, 15, nullptr, nullptr,
                                 p.dll, nullptr);
    ok(control != nullptr, "a channel button cannot be created");
    ok(control && GetWindowWord(control, 0) == 0, "channel button state word does not start at 0");
    DestroyWindow(control);

    ok(p.finish(0) == 1, "FinishTarnDLL result");
    check_class(p.dll, "VOV:CONTROLKANAL", false);
    check_class(p.dll, "VOV:CONTROLLESSMORE", false);
    ok(GetModuleHandleA(kDriver) == nullptr, "driver library still loaded after FinishTarnDLL");
    ok(p.wep(0) == 1, "WEP result");
    stop(&p, false);
}

int main(void)
{
    test_binding_outcomes();
    test_complete_driver();
    test_missing_driver();
    test_partial_driver();
    test_locale();
    test_class_records();
    test_window_classes_and_shutdown();
    return wintest_finish("test_plugin_setup");
}
