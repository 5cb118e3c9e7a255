// simhost: loads a plug-in into the simulated host.
//   simhost list <plugin.dll> [--driver-dir DIR]
//   simhost run <plugin.dll> <worksheet> --seconds S --out DIR [--realtime]
//               [--step S] [--device-lead S] [--driver-dir DIR] [number format]
//   simhost ui <plugin.dll> <worksheet> [--driver-dir DIR] [number format]
// Number format: --separator C (decimal separator) and --leading-zero 0|1;
// they override the worksheet's "numbers" line.
// The plug-in finds its driver library through the DLL search path; by
// default that is drivers\full next to this program. When that library is
// the simulated driver, its clock follows the host's: set every cycle on the
// simulated clock, running freely from the start in real time. With
// --device-lead (simulated clock only) every cycle sets it that many seconds
// ahead of the host's: from the first cycle on, the device has more values
// than the host's clock counts, as a device whose own clock runs ahead.
// A run writes <module>_<channel>.csv per output, source_<name>.csv per
// signal source and, with the simulated driver, device_writes.csv into the
// output folder (format in sim_csv.h) and prints what
// each output, input and source carried and how the cycles kept time, and
// per channel the values received in a form that the plug-in's trace
// repeats with its own account ("values <module> <channel>: ...").
#include "sim_csv.h"
#include "simdrv_core.h"
#include "simhost.h"
#include "simhost_ui.h"

#include <ctype.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <map>

struct Options {
    const char* command;
    const char* plugin;
    const char* worksheet;
    const char* outDir;
    const char* driverDir;
    const char* separator;
    int leadingZero;  // -1: the worksheet's
    double seconds, step, deviceLead;
    bool realTime;
};

static int Usage(void)
{
    fprintf(stderr,
            "usage: simhost list <plugin.dll> [--driver-dir DIR]\n"
            "       simhost run <plugin.dll> <worksheet> --seconds S --out DIR [--realtime] [--step S]"
            " [--device-lead S] [--driver-dir DIR] [--separator C] [--leading-zero 0|1]\n"
            "       simhost ui <plugin.dll> <worksheet> [--driver-dir DIR] [--separator C] [--leading-zero 0|1]\n");
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
    o->leadingZero = -1;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        bool hasValue = i + 1 < argc;
        if (strcmp(a, "--realtime") == 0) o->realTime = true;
        else if (strcmp(a, "--seconds") == 0 && hasValue) o->seconds = atof(argv[++i]);
        else if (strcmp(a, "--step") == 0 && hasValue) o->step = atof(argv[++i]);
        else if (strcmp(a, "--device-lead") == 0 && hasValue) o->deviceLead = atof(argv[++i]);
        else if (strcmp(a, "--out") == 0 && hasValue) o->outDir = WindowsPath(argv[++i]);
        else if (strcmp(a, "--driver-dir") == 0 && hasValue) o->driverDir = WindowsPath(argv[++i]);
        else if (strcmp(a, "--separator") == 0 && hasValue && strlen(argv[i + 1]) == 1) o->separator = argv[++i];
        else if (strcmp(a, "--leading-zero") == 0 && hasValue) o->leadingZero = atoi(argv[++i]) ? 1 : 0;
        else if (a[0] == '-' && a[1] == '-') return false;
        else if (positional == 0) o->command = a, ++positional;
        else if (positional == 1) o->plugin = WindowsPath(argv[i]), ++positional;
        else if (positional == 2) o->worksheet = WindowsPath(argv[i]), ++positional;
        else return false;
    }
    if (!o->command || !o->plugin) return false;
    if (strcmp(o->command, "list") == 0) return positional == 2;
    if (strcmp(o->command, "ui") == 0) return o->worksheet != nullptr;
    return strcmp(o->command, "run") == 0 && o->worksheet && o->outDir && o->seconds > 0 && o->step > 0 &&
           !(o->realTime && o->deviceLead != 0);
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

// Command-line choices win over the worksheet's "numbers" line.
static void ChooseNumberFormat(const Options& o)
{
    if (o.separator) kw_strlcpy(g_sim.knobs.dezTrenn, o.separator, sizeof g_sim.knobs.dezTrenn);
    if (o.leadingZero >= 0) g_sim.knobs.bDecLeadingZero = (u32)o.leadingZero;
}

static int Load(const Options& o)
{
    // The plug-in copies the leading-zero switch when it binds: the number
    // format is settled first.
    if (o.worksheet) SH_ReadWorksheetNumbers(o.worksheet);
    ChooseNumberFormat(o);
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
    ChooseNumberFormat(o);
    if (!loaded) printf("worksheet %s not loaded\n", o.worksheet);
    else printf("worksheet %s: %zu modules, %zu sources; decimal separator \"%s\", leading zero %u\n", o.worksheet,
                g_sim.modules.size(), g_sim.sources.size(), g_sim.knobs.dezTrenn, g_sim.knobs.bDecLeadingZero);
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

// Writes each output's blocks to <module>_<channel>.csv as they are released.
struct CsvSink {
    std::string dir;
    std::map<std::pair<SimModule*, u32>, SimCsv> files;
    double seconds;  // spent writing
};

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
    return sink.dir + "\\" + FileSafe(m->record->name) + "_" + FileSafe(ChannelLabel(m, output)) + ".csv";
}

static double Seconds(void)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

static void WriteBlock(void* context, SimModule* m, u32 output, const Block* b)
{
    double begin = Seconds();
    CsvSink* sink = (CsvSink*)context;
    auto file = sink->files.find({m, output});
    if (file == sink->files.end()) {
        file = sink->files.insert({{m, output}, SimCsv{}}).first;
        std::string path = OutputFile(*sink, m, output);
        if (!SH_CsvOpen(&file->second, path.c_str())) fprintf(stderr, "cannot write %s\n", path.c_str());
    }
    SH_CsvBlock(&file->second, b->startTime, b->sampleDistance, b->values, b->count);
    sink->seconds += Seconds() - begin;
}

// Each source's blocks, from what it recorded, to source_<name>.csv.
static void WriteSources(CsvSink* sink)
{
    for (const SimSource& s : g_sim.sources) {
        std::string path = sink->dir + "\\source_" + FileSafe(s.name) + ".csv";
        SimCsv csv;
        if (!SH_CsvOpen(&csv, path.c_str())) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            continue;
        }
        for (const SimBlockInfo& b : s.fed.blocks)
            SH_CsvBlock(&csv, b.startTime, b.sampleDistance, &s.fed.values[b.firstValue], b.count);
        SH_CsvClose(&csv);
        printf("source %-14s blocks fed %llu, samples %llu -> %s\n", s.name.c_str(),
               (unsigned long long)s.fed.blockCount, (unsigned long long)s.fed.sampleCount, path.c_str());
    }
}

typedef void (*SimDrvSetTimeFn)(double seconds);
typedef void (*SimDrvUseRealTimeFn)(int on);
static SimDrvSetTimeFn s_driverSetTime;
static double s_deviceLead;

static int FollowHostClock(void*, u64)
{
    s_driverSetTime(g_sim.clock + s_deviceLead);
    return 1;
}

// Starts the simulated driver's clock with the run; with the simulated clock
// it follows the host's, 'lead' seconds ahead from the first cycle on.
// Nothing for a real driver.
static void SyncDriverClock(SimRunOptions* run, double lead)
{
    HMODULE driver = GetModuleHandleA("tvxv2_w32.dll");
    s_driverSetTime = driver ? (SimDrvSetTimeFn)(void*)GetProcAddress(driver, "SimDrv_SetTime") : nullptr;
    auto useRealTime =
        driver ? (SimDrvUseRealTimeFn)(void*)GetProcAddress(driver, "SimDrv_UseRealTime") : nullptr;
    if (!s_driverSetTime || !useRealTime) return;
    s_driverSetTime(0.0);
    if (run->realTime) {
        useRealTime(1);
        printf("driver clock: follows the host's\n");
        return;
    }
    s_deviceLead = lead;
    run->onCycle = FollowHostClock;
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
    if (!writeAt) return;
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
    printf("run: %s, %.3f s on the %s clock\n", started ? "done" : "start refused", g_sim.clock,
           o.realTime ? "real-time" : "simulated");
    printf("cycles: %llu, late %llu (at most %.1f ms late), moments skipped %llu\n", (unsigned long long)r.cycles,
           (unsigned long long)r.lateCycles, r.maxLateness * 1000.0, (unsigned long long)r.skippedMoments);
    u64 lines = 0;
    for (const auto& f : sink.files) lines += f.second.lines;
    printf("csv: %llu lines in %.3f s of writing\n", (unsigned long long)lines, sink.seconds);
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
            printf("  %-20s samples %llu, blocks %llu, gaps %llu%s%s\n", ChannelLabel(m, i).c_str(),
                   (unsigned long long)s.sampleCount, (unsigned long long)s.blockCount,
                   (unsigned long long)s.gaps, written ? " -> " : "", written ? OutputFile(sink, m, i).c_str() : "");
        }
    }
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
    CreateDirectoryA(o.outDir, nullptr);
    CsvSink sink = {};
    sink.dir = o.outDir;
    g_sim.sink = WriteBlock;
    g_sim.sinkContext = &sink;

    SimRunOptions run = SH_DefaultRunOptions(o.seconds);
    run.step = o.step;
    run.realTime = o.realTime;
    SyncDriverClock(&run, o.deviceLead);
    int started = SH_Run(&run);
    g_sim.sink = nullptr;
    bool written = true;
    double closing = Seconds();
    for (auto& f : sink.files) written &= SH_CsvClose(&f.second) != 0;
    sink.seconds += Seconds() - closing;
    if (!written) printf("csv: a write failed\n");
    PrintRun(o, started, sink);
    WriteSources(&sink);
    WriteDeviceRecord(sink);
    PrintHostRecords();
    SHW_FinishPlugin();
    return started && written ? 0 : 1;
}

// Loads the worksheet and shows its modules; a double-click opens a dialog.
static int Interactive(const Options& o)
{
    int status = 1;
    if (Load(o) && LoadWorksheet(o)) status = SHW_RunInteractive(o.worksheet);
    PrintHostRecords();
    SHW_FinishPlugin();
    return status;
}

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, &o)) return Usage();
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (strcmp(o.command, "list") == 0) return List(o);
    if (strcmp(o.command, "ui") == 0) return Interactive(o);
    return Run(o);
}
