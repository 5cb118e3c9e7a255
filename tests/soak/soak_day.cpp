// A day of measuring on the simulated clock: the plug-in's portable code in
// the simulated host with the simulated driver, natively, as fast as the
// machine allows. Two runs on two devices: the first with the analog input
// at its top rate, two counter inputs in four modes, a digital input and the
// three outputs fed by the host's sources; the second, with the trace on,
// the rotary encoder, single-value analog and digital inputs and the outputs
// again. Impulse counter 0 of the first device wraps at 2^32 a minute before
// the day ends. Every released block is checked as it comes: its start
// against the values released before it (gaps, repeats, drift), its first
// and last values against the device's samples, a falling impulse count (the
// wrap) value by value. Prints one line per figure ("soak: ..."); exit
// status 1 when a check failed.
//
//   soak_day [--day-end] [--trace PATH]
//
// --day-end runs the day's last two minutes with a lighter load: the host's
// first cycle comes late and takes the device's values up to then at once,
// so that a wrap or a drift shows in seconds.
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>

#include <chrono>
#include <string>
#include <vector>

#include "plugin_in_simhost.h"
#include "simdrv_core.h"
#include "trace_control.h"
#include "trace_lines.h"

namespace {

const double kDay = 86400;
struct Settings {
    double firstCycleAt = 0;
    u32 analogChannels = 16;
    double analogRate = 100000, rate = 1000;
    std::string trace = "/dev/shm/kw-soak-trace.txt";
};
Settings s_set;

const char kDev1[] = "\\?\\eth#1#SIM-1001#192.168.10.21#00:1A:2B:3C:4D:01#kw-eth-1";
const char kDev2[] = "\\?\\eth#2#SIM-1002#192.168.10.22#00:1A:2B:3C:4D:02#kw-eth-2";
enum { ANALOG, COUNTER, DIGITAL, SINGLE, FIGURES, OUTPUT = FIGURES };
const char* const kKindNames[] = {"analog input", "counter input", "digital input", "single-value passes"};

// One input channel as the sink follows it.
struct Track {
    SimModule* module;
    u32 output;
    int kind;
    bool single, impulse;  // single-value pass; impulse count (wraps)
    i32 handle;
    u32 input;        // device channel, counter or line
    double distance;  // the time base's
    u64 released;     // values released so far
    double lastDiff;  // start of the last block against released × distance
    float lastValue;  // of the last block
    u64 gaps, wrong, wraps, topValues, drifts;
};
std::vector<Track> s_tracks;
int s_failures;

void Fail(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Fail(const char* format, ...)
{
    if (s_failures++ >= 20) return;
    va_list args;
    va_start(args, format);
    printf("soak: FAILED: ");
    vprintf(format, args);
    printf("\n");
    va_end(args);
}

// The device's sample k of a track, as the module delivers it.
float Expected(const Track& t, u64 k)
{
    if (t.kind == ANALOG) return (float)SimDrv_SignalValue(t.handle, t.input, k);
    if (t.kind == COUNTER) return (float)SimDrv_CounterValue(t.handle, t.input, k);
    return SimDrv_LineValue(t.handle, t.input, k) != 0 ? 5.0f : 0.0f;
}

void CheckBlock(void*, SimModule* m, u32 output, const Block* b)
{
    Track* t = nullptr;
    for (Track& candidate : s_tracks)
        if (candidate.module == m && candidate.output == output) t = &candidate;
    if (!t || b->count == 0) return;
    u64 first = (u64)llround(b->startTime / b->sampleDistance);
    if (first != t->released && t->gaps++ == 0)
        Fail("%s %u: a block starts at sample %llu after %llu values", m->record->name, output,
             (unsigned long long)first, (unsigned long long)t->released);
    // Block passes start a block at the channel's single-precision sample
    // distance times the values released: that much drift is allowed, and
    // none in the single-value pass, whose distance is the time base's.
    t->lastDiff = b->startTime - (double)t->released * t->distance;
    double allowed = t->single ? 0 : (double)t->released * fabs((double)(float)t->distance - t->distance);
    if (fabs(t->lastDiff) > allowed + 1e-9 * (1 + b->startTime) && t->drifts++ == 0)
        Fail("%s %u: a block starts %.9g s off its %llu values' time", m->record->name, output, t->lastDiff,
             (unsigned long long)t->released);
    if (!t->single) {
        u32 last = b->count - 1;
        bool fell = t->impulse && (b->values[last] < b->values[0] || (t->released && b->values[0] < t->lastValue));
        for (u32 i = 0; i <= last; i += fell ? 1 : last) {
            if (b->values[i] != Expected(*t, t->released + i) && t->wrong++ == 0)
                Fail("%s %u: sample %llu is %.9g, the device's %.9g", m->record->name, output,
                     (unsigned long long)(t->released + i), b->values[i], Expected(*t, t->released + i));
            t->wraps += fell && (i ? b->values[i] < b->values[i - 1] : t->released && b->values[0] < t->lastValue);
            t->topValues += fell && b->values[i] == 4294967296.0f;
            if (last == 0) break;
        }
        t->lastValue = b->values[last];
    }
    t->released += b->count;
}

std::string ModuleText(const char* cls, const char* name, u32 outputs, u32 inputs, const char* device, u32 timeBaseOffset,
                       u32 timeBase, const std::string& pokes)
{
    char text[512];
    snprintf(text, sizeof text, "module %s\ncreate\nname %s\nio %u %u\npoke 80 str %s\npoke %u u32 %u\n%send\n", cls,
             name, inputs, outputs, device, timeBaseOffset, timeBase, pokes.c_str());
    return text;
}

// Counter modes at 352 + 96 c + 92; the digital input's port at 1828.
std::string CounterModes(u32 mode0, u32 mode1)
{
    return "poke 444 u32 " + std::to_string(mode0) + "\npoke 540 u32 " + std::to_string(mode1) + "\n";
}

std::string Worksheet(int run)
{
    double d = 1 / s_set.rate;
    u32 block = (u32)(s_set.rate / 10);
    std::string w = "tarnova-sim-worksheet 1\ntimebase 1 0.01 1\n";
    w += "timebase 2 " + std::to_string(1 / s_set.analogRate) + " " + std::to_string((u32)(s_set.analogRate / 100)) + "\n";
    w += "timebase 3 " + std::to_string(d) + " " + std::to_string(block) + "\n";
    w += "source sine sine amp=2 freq=0.5 timebase=3\nsource square square amp=5 freq=1.25 timebase=3\n"
         "source ramp ramp amp=40 offset=50 freq=0.5 timebase=3\n";
    if (run == 0) {
        w += ModuleText("KWE:AnalogIn", "AnalogIn1", s_set.analogChannels, 0, kDev1, 2080, 2, "");
        w += ModuleText("KWE:CounterIn", "Impulse", 2, 0, kDev1, 1888, 3, CounterModes(0, 1));
        w += ModuleText("KWE:DigitalIn", "DigitalIn1", 4, 0, kDev1, 1824, 3, "poke 1828 u32 1\n");
        w += ModuleText("KWE:CounterIn", "Period", 2, 0, kDev2, 1888, 3, CounterModes(2, 3));
    } else {
        w += ModuleText("KWE:CounterIn", "Rotary", 2, 0, kDev1, 1888, 3, CounterModes(4, 0));
        w += ModuleText("KWE:AnalogIn", "Single", 2, 0, kDev1, 2080, 1, "");
        w += ModuleText("KWE:DigitalIn", "SingleLines", 2, 0, kDev1, 1824, 1, "");
    }
    w += ModuleText("KWE:AnalogOut", "SineOut", 0, 1, kDev2, 2080, 3, "");
    w += ModuleText("KWE:DigitalOut", "SquareOut", 0, 1, kDev2, 1824, 3, "");
    w += ModuleText("KWE:CounterOut", "RampOut", 0, 1, kDev2, 2400, 3, "poke 456 f64 100\n");
    return w + "connect sine SineOut 0\nconnect square SquareOut 0\nconnect ramp RampOut 0\n";
}

// The first device plays a recording (a copy per value, as a device's
// stream); its impulse counter wraps a minute before the run's end.
std::string DeviceConfig(void)
{
    u32 start = (u32)(4294967296.0 - 5000.0 * (kDay - 60) + 250);  // mid-block, 50 ms earlier
    return "[eth]\nserial = SIM-1001\naddress = 192.168.10.21\nhostname = kw-eth-1\n"
           "hwaddress = 00:1A:2B:3C:4D:01\nsignal = recorded\ncounter.0 = pulse freq=5000 start=" +
           std::to_string(start) +
           "\ncounter.1 = pulse freq=240 jitter=0.1\n"
           "[eth]\nserial = SIM-1002\naddress = 192.168.10.22\nhostname = kw-eth-2\nhwaddress = 00:1A:2B:3C:4D:02\n";
}

void AddTracks(void)
{
    s_tracks.clear();
    for (SimModule* m : g_sim.modules) {
        const std::string& cls = g_sim.classes[(size_t)m->classIndex].className;
        int kind = cls == "KWE:AnalogIn" ? ANALOG : cls == "KWE:CounterIn" ? COUNTER : cls == "KWE:DigitalIn" ? DIGITAL : OUTPUT;
        if (kind == OUTPUT) continue;
        const u8* params = (const u8*)m->record->params;
        bool dev2 = strstr((const char*)params + 80, "SIM-1002") != nullptr;
        u32 timeBase = *(const u32*)(params + (kind == ANALOG ? 2080 : kind == COUNTER ? 1888 : 1824));
        u32 port = kind == DIGITAL ? *(const u32*)(params + 1828) : 0;
        double distance = SH_FindTimeBase(timeBase)->sampleDistance;
        for (u32 c = 0; c < m->record->outputCount; ++c) {
            bool impulse = kind == COUNTER && !dev2 && c == 0 && *(const u32*)(params + 444) == 0;
            u32 input = kind == DIGITAL ? 4 * port + c : c;
            s_tracks.push_back({m, c, kind, timeBase == 1, impulse, dev2 ? 2 : 1, input, distance});
        }
    }
}

long PeakKiB(void)  // the process's largest resident memory so far, in KiB
{
    rusage usage;
    return getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

long s_peakFirst;  // of the current run; -1 until read

// Each cycle: the device's clock follows the host's; the device's record of
// output calls is checked and emptied every minute (a day would fill it);
// the process's memory once every buffer has been touched.
int OnCycle(void*, u64 cycle)
{
    SimDrv_SetTime(g_sim.clock);
    if (cycle == 1) s_peakFirst = PeakKiB();
    if (cycle % 6000 == 0) {
        for (u32 i = 0, n = SimDrv_WriteCount(); i < n; ++i) {
            SimDrvWrite w;
            if (SimDrv_WriteAt(i, &w) && w.status != 0) Fail("%s on device %d: status %d", w.name, w.handle, w.status);
        }
        SimDrv_WriteClear();
    }
    return 1;
}

// The trace kept its two newest files, and the newest holds the account of
// every input channel as the host received it.
void CheckTrace(void)
{
    char previous[TRC_PATH_SIZE];
    TRC_PreviousPath(s_set.trace.c_str(), previous, sizeof previous);
    std::string newest = trace_file_text(s_set.trace), older = trace_file_text(previous);
    bool continued = newest.find("trace continued") != std::string::npos;
    printf("soak: trace: %zu and %zu bytes in the newest two files (limit %u), the newest %s\n", newest.size(),
           older.size(), (u32)TRC_FILE_LIMIT, continued ? "continues an earlier one" : "is the first");
    if (!continued || older.empty() || newest.size() > TRC_FILE_LIMIT || older.size() > TRC_FILE_LIMIT)
        Fail("the trace did not turn over to a new file and keep the previous one");
    for (const Track& t : s_tracks)
        if (trace_count(newest, t.module->record->name, t.output, "delivered") != (long long)t.released)
            Fail("the trace's account of %s %u is not the %llu values the host received", t.module->record->name,
                 t.output, (unsigned long long)t.released);
    remove(s_set.trace.c_str());
    remove(previous);
}

void Report(int run, double wall)
{
    double clock = g_sim.clock, maxDiff[FIGURES] = {};
    bool present[FIGURES] = {};
    u64 values = 0, gaps = 0, wrong = 0, wraps = 0, top = 0;
    for (const Track& t : s_tracks) {
        int k = t.single ? SINGLE : t.kind;
        if (fabs(t.lastDiff) >= fabs(maxDiff[k])) maxDiff[k] = t.lastDiff;
        present[k] = true;
        values += t.released, gaps += t.gaps + t.drifts, wrong += t.wrong, wraps += t.wraps, top += t.topValues;
        // Every input keeps pace: the values it released reach the last block before the clock.
        double behind = clock - (double)t.released * t.distance;
        if (behind < -1e-6 || (!t.single && behind > 3 * 0.1 + 0.02))
            Fail("%s %u released values up to %.3f s at %.3f s", t.module->record->name, t.output,
                 (double)t.released * t.distance, clock);
    }
    printf("soak: run %d: %.0f s of experiment time in %.1f s, %.3g values, %.3g values/s, gaps, repeats or drifts "
           "%llu, values unlike the device's %llu\n",
           run + 1, clock, wall, (double)values, values / wall, (unsigned long long)gaps, (unsigned long long)wrong);
    for (int k = 0; k < FIGURES; ++k)
        if (present[k])
            printf("soak: run %d: %s: last block's start minus released values x sample distance: %.3g s\n", run + 1,
                   kKindNames[k], maxDiff[k]);
    if (run == 0) {
        printf("soak: counter wrap: %llu wraps, %llu values delivered as 4294967296\n", (unsigned long long)wraps,
               (unsigned long long)top);
        if (wraps != 1) Fail("the impulse count wrapped %llu times, not once", (unsigned long long)wraps);
    }
    for (SimModule* m : g_sim.modules) {  // the outputs keep up with their sources
        if (!m->record->inputCount) continue;
        const SimInput& in = m->in[0];
        const SimSource* src = SH_SourceOf(m, 0);
        double behind = clock - (double)(src->nextBlock - in.queue.size()) * src->blockSize * src->sampleDistance;
        printf("soak: run %d: %s: %llu blocks fed, %llu released, %zu waiting, consumed to %.3f s before the clock\n",
               run + 1, m->record->name, (unsigned long long)in.fed, (unsigned long long)in.released, in.queue.size(),
               behind);
        if (in.fed - in.released > 1 || behind > 2 * src->blockSize * src->sampleDistance)
            Fail("%s fell behind its source", m->record->name);
    }
    long end = PeakKiB();
    printf("soak: run %d: peak resident memory %ld KiB after the first cycle, %ld at the end\n", run + 1,
           s_peakFirst, end);
    if (s_peakFirst < 0 || end - s_peakFirst > 8192) Fail("memory grew by %ld KiB in run %d", end - s_peakFirst, run + 1);
    if (gaps || wrong || !g_sim.warnings.empty() || !g_sim.internalErrors.empty() || !g_sim.faults.empty())
        Fail("gaps, wrong values, warnings, errors or host faults in run %d", run + 1);
}

bool ParseArgs(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--day-end") s_set = {kDay - 120, 2, 10000, 100, s_set.trace};
        else if (a == "--trace" && i + 1 < argc) s_set.trace = argv[++i];
        else return false;
    }
    return true;
}

double Now(void) { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

}  // namespace

int main(int argc, char** argv)
{
    if (!ParseArgs(argc, argv)) {
        fprintf(stderr, "usage: soak_day [--day-end] [--trace PATH]\n");
        return 2;
    }
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::string config = DeviceConfig();
    setenv("KW_SIM_CONFIG", "", 1);
    for (int run = 0; run < 2; ++run) {
        if (run == 1) setenv("KESTRELWING_TRACE", s_set.trace.c_str(), 1);
        if (!PluginInSimHost_Start() || SimDrv_LoadConfig(config.c_str()) != 0 ||
            !SH_LoadWorksheetText(Worksheet(run).c_str())) {
            printf("soak: FAILED: the plug-in, the devices or the worksheet did not load\n");
            return 1;
        }
        unsetenv("KESTRELWING_TRACE");
        SimDrv_LogEnable(0);
        AddTracks();
        g_sim.sink = CheckBlock;
        s_peakFirst = -1;
        SimRunOptions o = PluginInSimHost_RunOptions(kDay);
        o.onCycle = OnCycle;
        o.firstCycleAt = s_set.firstCycleAt;
        double begin = Now();
        if (!SH_Run(&o)) Fail("run %d did not start", run + 1);
        Report(run, Now() - begin);
        g_sim.sink = nullptr;
        if (run == 1) {
            TRC_Close();
            CheckTrace();
        }
        while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    }
    printf("soak: %s\n", s_failures ? "FAILED" : "passed");
    return s_failures ? 1 : 0;
}
