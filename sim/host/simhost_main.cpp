// simhost: loads a plug-in into the simulated host (README.md).
//   simhost list <plugin.dll> [--driver-dir DIR]
//   simhost run <plugin.dll> <worksheet> --seconds S (--out DIR | --check)
//               [--realtime] [--step S] [--device-lead S] [--timebase ID S N]
//               [--dialogs S] [--resources S] [--driver-dir DIR]
// The plug-in finds its driver library through the DLL search path; by
// default that is drivers\full next to this program. When that library is
// the simulated driver, its clock follows the host's: set every cycle on the
// simulated clock (--device-lead seconds ahead, as a device whose own clock
// runs ahead), running freely from the start in real time.
// A run writes <module>_<channel>.csv per output, source_<name>.csv per
// signal source and, with the simulated driver, device_writes.csv into the
// output folder (format in sim_csv.h), and prints what each output, input
// and source carried, how the cycles kept time, and per channel the values
// received in the form the plug-in's trace gives its own account ("values
// <module> <channel>: ..."). In real time the writer never holds the run up:
// it earns half a step of writing per cycle, saves at most five steps of it
// for a burst, and counts the values of the blocks it then has no time for as
// not written. With --check nothing is written and the host checks every
// block's start against the values before it (gaps). --timebase replaces a
// time base of the worksheet; --dialogs opens the modules' dialogs in turn
// every S seconds of a run and cancels each after a moment, the run going on
// meanwhile; --resources prints the process's private bytes, handles and GDI
// objects every S seconds.
#include "sim_csv.h"
#include "simdrv_core.h"
#include "simhost.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <psapi.h>

#include <algorithm>
#include <chrono>
#include <map>

struct Options {
    const char* command;
    const char* plugin;
    const char* worksheet;
    const char* outDir;
    const char* driverDir;
    double seconds, step, deviceLead, dialogs, resources;
    bool realTime, check;
    u32 timeBase, timeBaseSize;  // --timebase: id (0: none) and block size
    double timeBaseDistance;
};

static int Usage(void)
{
    fprintf(stderr,
            "usage: simhost list <plugin.dll> [--driver-dir DIR]\n"
            "       simhost run <plugin.dll> <worksheet> --seconds S (--out DIR | --check) [--realtime] [--step S]"
            " [--device-lead S] [--timebase ID S N] [--dialogs S] [--resources S] [--driver-dir DIR]\n");
    return 2;
}

// Paths may come with forward slashes from a Unix shell.
static char* WindowsPath(char* path)
{
    for (char* p = path; *p; ++p)
        if (*p == '/') *p = '\\';
    return path;
}

static bool ParseOptions(int argc, char** argv, Options* o)
{
    *o = Options{};
    o->seconds = 1.0;
    o->step = 0.01;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(a, "--realtime") == 0) o->realTime = true;
        else if (strcmp(a, "--check") == 0) o->check = true;
        else if (strcmp(a, "--dialogs") == 0 && hasValue) o->dialogs = atof(argv[++i]);
        else if (strcmp(a, "--resources") == 0 && hasValue) o->resources = atof(argv[++i]);
        else if (strcmp(a, "--timebase") == 0 && i + 3 < argc) {
            o->timeBase = (u32)atoi(argv[++i]);
            o->timeBaseDistance = atof(argv[++i]);
            o->timeBaseSize = (u32)atoi(argv[++i]);
        }
        else if (strcmp(a, "--seconds") == 0 && hasValue) o->seconds = atof(argv[++i]);
        else if (strcmp(a, "--step") == 0 && hasValue) o->step = atof(argv[++i]);
        else if (strcmp(a, "--device-lead") == 0 && hasValue) o->deviceLead = atof(argv[++i]);
        else if (strcmp(a, "--out") == 0 && hasValue) o->outDir = WindowsPath(argv[++i]);
        else if (strcmp(a, "--driver-dir") == 0 && hasValue) o->driverDir = WindowsPath(argv[++i]);
        else if (a[0] == '-' && a[1] == '-') return false;
        else if (positional == 0) o->command = a, ++positional;
        else if (positional == 1) o->plugin = WindowsPath(argv[i]), ++positional;
        else if (positional == 2) o->worksheet = WindowsPath(argv[i]), ++positional;
        else return false;
    }
    if (!o->command || !o->plugin) return false;
    if (strcmp(o->command, "list") == 0) return positional == 2;
    return strcmp(o->command, "run") == 0 && o->worksheet && (o->outDir != nullptr) != o->check &&
           o->seconds > 0 && o->step > 0 && !(o->realTime && o->deviceLead != 0);
}

static void SetDriverDirectory(const char* dir)
{
    char path[MAX_PATH];
    if (!dir) {
        DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
        char* slash = n ? strrchr(path, '\\') : nullptr;
        if (!slash) return;
        kw_strlcpy(slash, "\\drivers\\full", sizeof path - (size_t)(slash - path));
        dir = path;
    }
    SetDllDirectoryA(dir);
}

static void PrintHostRecords(void)
{
    for (const SimWarning& w : g_sim.warnings) printf("warning [%s]: %s\n", w.module.c_str(), w.text.c_str());
    for (const SimInternalError& e : g_sim.internalErrors)
        printf("internal error [%s:%d]: %s\n", e.tag.c_str(), e.line, e.text.c_str());
    for (const std::string& t : g_sim.traps) printf("unexpected call: %s\n", t.c_str());
    for (const std::string& f : g_sim.faults) printf("host fault: %s\n", f.c_str());
}

static int Load(const Options& o)
{
    SetDriverDirectory(o.driverDir);
    // The DLL directory replaces the current directory in the search path.
    char plugin[MAX_PATH];
    if (!GetFullPathNameA(o.plugin, sizeof plugin, plugin, nullptr)) kw_strlcpy(plugin, o.plugin, sizeof plugin);
    int setup = SHW_LoadPlugin(plugin);
    u32 vars = 0, fns = 0;
    for (const SimRequest& r : g_sim.requests) (r.message == TARN_MSG_GET_VARIABLE ? vars : fns)++;
    printf("SetupTarnDLL: %d (%u variable and %u function requests, %zu plug-in variables)\n", setup, vars, fns,
           g_sim.variables.size());
    return setup;
}

static int LoadWorksheet(const Options& o)
{
    int loaded = SH_LoadWorksheet(o.worksheet);
    if (!loaded) printf("worksheet %s not loaded\n", o.worksheet);
    else printf("worksheet %s: %zu modules, %zu sources\n", o.worksheet, g_sim.modules.size(), g_sim.sources.size());
    return loaded;
}

static int List(const Options& o)
{
    int setup = Load(o);
    printf("module classes: %zu\n", g_sim.classes.size());
    for (const SimClass& c : g_sim.classes) {
        const ClassRecord& r = c.record;
        printf("  %-15s short \"%s\" long \"%s\" params %u runtime %u channel %u name id %u bitmaps %s/%s\n",
               c.className.c_str(), c.shortName.c_str(), c.longName.c_str(), r.paramSize, r.runtimeSize,
               r.channelSize, r.nameId, r.paletteBitmap ? "yes" : "no", r.moduleBitmap ? "yes" : "no");
    }
    printf("menu texts: %zu\n", g_sim.menuTexts.size());
    for (const std::string& t : g_sim.menuTexts) printf("  %s\n", t.c_str());
    printf("menu commands: %zu\n", g_sim.menuCommands.size());
    for (const SimMenuCommand& c : g_sim.menuCommands) printf("  %u\n", c.commandId);
    int finish = SHW_FinishPlugin();
    printf("FinishTarnDLL: %d\n", finish);
    PrintHostRecords();
    return setup && finish ? 0 : 1;
}

// Writes each output's blocks to <module>_<channel>.csv and each source's
// to source_<name>.csv as they come, while it has time left ('credit');
// counts the values of the blocks it had no time for. With no folder it
// writes nothing.
struct CsvSink {
    std::string dir;
    std::map<std::pair<SimModule*, u32>, SimCsv> files;
    double seconds;  // spent writing output blocks, inside compute calls
    double earned;   // seconds of writing each cycle earns (HUGE_VAL: no limit)
    double credit;   // seconds of writing left
    u64 valuesNotWritten;
};
static CsvSink* s_sink;

static std::string FileSafe(const std::string& text)
{
    std::string s;
    for (char c : text) s += (isalnum((unsigned char)c) || c == '-' || c == '.') ? c : '_';
    return s;
}

static std::string ChannelLabel(SimModule* m, u32 output)
{
    const std::string& name = m->out[output].channelName;
    return name.empty() ? "out" + std::to_string(output) : name;
}

static std::string OutputFile(const CsvSink& sink, SimModule* m, u32 output)
{
    if (!m) return sink.dir + "\\source_" + FileSafe(g_sim.sources[output].name) + ".csv";
    return sink.dir + "\\" + FileSafe(m->record->name) + "_" + FileSafe(ChannelLabel(m, output)) + ".csv";
}

static double Seconds(void)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static void WriteBlock(void* context, SimModule* m, u32 output, const Block* b)
{
    CsvSink* sink = (CsvSink*)context;
    if (sink->dir.empty()) return;
    if (sink->credit <= 0) {
        sink->valuesNotWritten += b->count;
        return;
    }
    auto file = sink->files.find({m, output});
    if (file == sink->files.end()) {
        file = sink->files.insert({{m, output}, SimCsv{}}).first;
        std::string path = OutputFile(*sink, m, output);
        if (!SH_CsvOpen(&file->second, path.c_str())) fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    double begin = Seconds();
    SH_CsvBlock(&file->second, b->startTime, b->sampleDistance, b->values, b->count);
    double spent = Seconds() - begin;
    sink->credit -= spent;
    if (m) sink->seconds += spent;
}

typedef void (*SimDrvSetTimeFn)(double seconds);
typedef void (*SimDrvIntFn)(int on);
static SimDrvSetTimeFn s_driverSetTime;
static void (*s_driverWriteClear)(void);  // --check: the device's record of output calls is not kept
static double s_deviceLead;

// What the runner does at each cycle: the simulated driver's clock, the
// dialogs and the resource samples. Cycles that come late because of the
// runner's own work (a sample, a dialog) are counted apart.
struct Soak {
    double runLength, dialogEvery, nextDialog, resourceEvery, nextSample;
    size_t dialogsOpened;
    double dialogOpenedAt;  // wall clock (Seconds); negative while no dialog is open
    u64 lateMark;           // late cycles when the runner's last work ended
    bool markPending;       // the cycle after that work is the runner's too
    u64 lateOwn;            // late cycles the runner's work caused
};
static Soak s_soak;

// Private bytes, handles and GDI objects. Wine leaves the handle and GDI
// counts at 0 and private bytes in the page file figure only: there the
// handles are counted by probing the low handle values (allocated from the
// bottom up) and the GDI objects by their table indices.
static unsigned long CountHandles(void)
{
    DWORD n = 0, flags;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n) return n;
    for (ULONG_PTR h = 4, misses = 0; misses < 512; h += 4) {
        if (GetHandleInformation((HANDLE)h, &flags)) ++n, misses = 0;
        else ++misses;
    }
    return n;
}

static unsigned long CountGdiObjects(void)
{
    DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), probed = 0;
    for (ULONG_PTR h = 32; !n && h < 32 + 16384; ++h) probed += GetObjectType((HGDIOBJ)h) != 0;
    return n ? n : probed;
}

static void PrintResources(double clock)
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("resources at %.0f s: private bytes %lu, handles %lu, GDI objects %lu\n", clock,
           (unsigned long)memory.PagefileUsage, CountHandles(), CountGdiObjects());
}

static BOOL CALLBACK CancelDialog(HWND window, LPARAM)
{
    char cls[16];
    if (GetClassNameA(window, cls, sizeof cls) && strcmp(cls, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(1007, BN_CLICKED), 0);  // the module dialogs' Cancel
    return TRUE;
}

// While a dialog is open the run goes on from its message loop; after half a
// second it is cancelled.
static void CALLBACK DialogTimer(HWND, UINT, UINT_PTR, DWORD)
{
    SH_RunDueCycles();
    if (s_soak.dialogOpenedAt >= 0 && Seconds() - s_soak.dialogOpenedAt >= 0.5)
        EnumThreadWindows(GetCurrentThreadId(), CancelDialog, 0);
}

static void OpenNextDialog(void)
{
    SimModule* m = g_sim.modules[s_soak.dialogsOpened++ % g_sim.modules.size()];
    g_sim.currentModule = m->record;
    s_soak.dialogOpenedAt = Seconds();
    UINT_PTR timer = SetTimer(nullptr, 0, 5, DialogTimer);
    SH_Send(m, DMM_PARAM_MODULE, 0, 0);
    KillTimer(nullptr, timer);
    s_soak.dialogOpenedAt = -1;
}

static int RunnerCycle(void*, u64)
{
    if (s_driverSetTime) s_driverSetTime(g_sim.clock + s_deviceLead);
    if (s_driverWriteClear) s_driverWriteClear();
    s_sink->credit = std::min(s_sink->credit + s_sink->earned, 10 * s_sink->earned);
    if (s_soak.dialogOpenedAt >= 0) return 1;  // a cycle run from the dialog's loop
    const u64& late = g_sim.report.lateCycles;
    if (s_soak.markPending) s_soak.lateOwn += late - s_soak.lateMark;
    s_soak.markPending = false;
    u64 mark = late;
    // No dialog in the run's last second: the run would wait for it. A
    // sample due at the same moment comes after the dialog has closed.
    if (s_soak.dialogEvery > 0 && g_sim.clock >= s_soak.nextDialog && g_sim.clock + 1 < s_soak.runLength &&
        !g_sim.modules.empty()) {
        s_soak.nextDialog += s_soak.dialogEvery;
        OpenNextDialog();
        s_soak.markPending = true;
    }
    if (s_soak.resourceEvery > 0 && g_sim.clock >= s_soak.nextSample) {
        PrintResources(g_sim.clock);
        s_soak.nextSample += s_soak.resourceEvery;
        s_soak.markPending = true;
    }
    if (s_soak.markPending) {
        s_soak.lateOwn += late - mark;
        s_soak.lateMark = late;
    }
    return 1;
}

// Starts the simulated driver's clock with the run; with the simulated clock
// it follows the host's, 'lead' seconds ahead from the first cycle on. The
// driver's call log is switched off: nothing here reads it; without files
// its record of output calls is emptied every cycle. Nothing for a real
// driver.
static void SyncDriverClock(SimRunOptions* run, double lead, bool check)
{
    HMODULE driver = GetModuleHandleA("tvxv2_w32.dll");
    auto setTime = driver ? (SimDrvSetTimeFn)(void*)GetProcAddress(driver, "SimDrv_SetTime") : nullptr;
    auto useRealTime = driver ? (SimDrvIntFn)(void*)GetProcAddress(driver, "SimDrv_UseRealTime") : nullptr;
    auto logEnable = driver ? (SimDrvIntFn)(void*)GetProcAddress(driver, "SimDrv_LogEnable") : nullptr;
    if (!setTime || !useRealTime || !logEnable) return;
    logEnable(0);
    if (check) s_driverWriteClear = (void (*)(void))(void*)GetProcAddress(driver, "SimDrv_WriteClear");
    setTime(0.0);
    if (run->realTime) {
        useRealTime(1);
        printf("driver clock: follows the host's\n");
        return;
    }
    s_driverSetTime = setTime;
    s_deviceLead = lead;
    if (lead != 0) printf("driver clock: follows the host's, %g s ahead\n", lead);
    else printf("driver clock: follows the host's\n");
}

// The simulated driver's record of the output calls it accepted or refused,
// to device_writes.csv, so that a worksheet whose outputs drive its inputs
// can compare what was written with what came back; nothing for a real driver.
static void WriteDeviceRecord(const CsvSink& sink)
{
    HMODULE driver = GetModuleHandleA("tvxv2_w32.dll");
    auto writeAt = driver ? (int (*)(u32, SimDrvWrite*))(void*)GetProcAddress(driver, "SimDrv_WriteAt") : nullptr;
    if (!writeAt || sink.dir.empty()) return;
    std::string path = sink.dir + "\\device_writes.csv";
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return;
    fprintf(f, "time,call,channel,value,value2,status\n");
    SimDrvWrite w;
    u32 n = 0;
    for (; writeAt(n, &w); ++n)
        fprintf(f, "%.9g,%s,%d,%.9g,%.9g,%d\n", w.time, w.name, w.channel, w.value, w.value2, w.status);
    fclose(f);
    if (n) printf("device writes: %u -> %s\n", n, path.c_str());
}

static void PrintRun(const Options& o, int started, const CsvSink& sink)
{
    const SimRunReport& r = g_sim.report;
    printf("run: %s, %.3f s on the %s clock, %.3f s of wall clock\n", started ? "done" : "start refused",
           g_sim.clock, o.realTime ? "real-time" : "simulated", r.wallSeconds);
    printf("cycles: %llu, late %llu (at most %.1f ms late), moments skipped %llu\n", (unsigned long long)r.cycles,
           (unsigned long long)r.lateCycles, r.maxLateness * 1000.0, (unsigned long long)r.skippedMoments);
    if (o.dialogs > 0 || o.resources > 0)
        printf("late cycles beside the runner's own samples and dialogs: %llu\n",
               (unsigned long long)(r.lateCycles - s_soak.lateOwn));
    u64 lines = 0;
    for (const auto& f : sink.files) lines += f.second.lines;
    if (o.check) printf("csv: none written (--check)\n");
    else printf("csv: %llu lines in %.3f s of writing, %llu values not written in time\n", (unsigned long long)lines,
                sink.seconds, (unsigned long long)sink.valuesNotWritten);
    double plugin = r.computeSeconds - sink.seconds;
    printf("plug-in: compute calls took %.3f s, %.1f %% of one core\n", plugin,
           r.wallSeconds > 0 ? 100.0 * plugin / r.wallSeconds : 0.0);
    if (o.dialogs > 0) printf("dialogs: %zu opened and cancelled during the run\n", s_soak.dialogsOpened);
    u64 gaps = 0;
    for (SimModule* m : g_sim.modules) {
        printf("module %s: %llu compute calls\n", m->record->name, (unsigned long long)m->computeCalls);
        for (u32 i = 0; i < m->record->inputCount && i < KW_MAX_CHANNELS; ++i) {
            const SimInput& in = m->in[i];
            const SimSource* source = SH_SourceOf(m, i);
            printf("  input %-2u <- %-10s blocks fed %llu, taken %llu, released %llu, waiting %zu\n", i,
                   source ? source->name.c_str() : "(none)", (unsigned long long)in.fed,
                   (unsigned long long)in.taken, (unsigned long long)in.released, in.queue.size());
        }
        for (u32 i = 0; i < m->record->outputCount && i < KW_MAX_CHANNELS; ++i) {
            const SimStream& s = m->out[i].stream;
            bool written = sink.files.count({m, i}) != 0;
            gaps += s.gaps;
            printf("  %-20s samples %llu, blocks %llu, gaps %llu%s%s\n", ChannelLabel(m, i).c_str(),
                   (unsigned long long)s.sampleCount, (unsigned long long)s.blockCount,
                   (unsigned long long)s.gaps, written ? " -> " : "", written ? OutputFile(sink, m, i).c_str() : "");
        }
    }
    for (size_t i = 0; i < g_sim.sources.size(); ++i) {
        const SimSource& s = g_sim.sources[i];
        bool written = sink.files.count({nullptr, (u32)i}) != 0;
        printf("source %-14s blocks fed %llu, samples %llu%s%s\n", s.name.c_str(), (unsigned long long)s.fed.blockCount,
               (unsigned long long)s.fed.sampleCount, written ? " -> " : "",
               written ? OutputFile(sink, nullptr, (u32)i).c_str() : "");
    }
    printf("gaps: %llu in all outputs\n", (unsigned long long)gaps);
    printf("warnings: %zu, internal errors: %zu, stop requests: %u\n", g_sim.warnings.size(),
           g_sim.internalErrors.size(), g_sim.stopExperimentCalls);
    // The plug-in's trace gives the same lines from its side: taken,
    // delivered, dropped, held, repeated.
    for (SimModule* m : g_sim.modules)
        for (u32 i = 0; i < m->record->outputCount && i < KW_MAX_CHANNELS; ++i)
            printf("values %.13s %u: received %llu, gaps %llu\n", m->record->name, i,
                   (unsigned long long)m->out[i].stream.sampleCount, (unsigned long long)m->out[i].stream.gaps);
}

static int Run(const Options& o)
{
    if (!Load(o) || !LoadWorksheet(o)) {
        PrintHostRecords();
        SHW_FinishPlugin();
        return 1;
    }
    if (o.timeBase) SH_SetTimeBase(o.timeBase, o.timeBaseDistance, o.timeBaseSize);
    CsvSink sink = {};
    sink.earned = o.realTime ? o.step / 2 : HUGE_VAL;
    s_sink = &sink;
    if (o.outDir) {
        sink.dir = o.outDir;
        CreateDirectoryA(o.outDir, nullptr);
    }
    g_sim.sink = WriteBlock;
    g_sim.sinkContext = &sink;

    SimRunOptions run = SH_DefaultRunOptions(o.seconds);
    run.step = o.step;
    run.realTime = o.realTime;
    run.onCycle = RunnerCycle;
    s_soak = Soak{o.seconds, o.dialogs, o.dialogs, o.resources, 0, 0, -1, 0, false, 0};
    SyncDriverClock(&run, o.deviceLead, o.check);
    int started = SH_Run(&run);
    if (o.resources > 0) PrintResources(g_sim.clock);
    g_sim.sink = nullptr;
    bool written = true;
    for (auto& f : sink.files) written &= SH_CsvClose(&f.second) != 0;
    if (!written) printf("csv: a write failed\n");
    PrintRun(o, started, sink);
    WriteDeviceRecord(sink);
    PrintHostRecords();
    SHW_FinishPlugin();
    return started && written ? 0 : 1;
}

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, &o)) return Usage();
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (strcmp(o.command, "list") == 0) return List(o);
    return Run(o);
}
