// Configuration of the simulated devices.
//
// Format: one "key = value" per line; '#' starts a comment; blank lines are
// ignored. Before the first device only the global key may appear:
//   clock = sim | real       simulated clock or real time; without it a new
//                            driver runs in real time (as a device does in a
//                            host that knows nothing of the simulation) until
//                            a program sets the clock, and a configuration
//                            loaded later keeps the clock as it is
// "[eth]", "[pci]" or "[usb]" starts a new device (at most 64); its keys:
//   serial, name, customer, date     identity texts ("" or missing: none)
//   address, hostname, hwaddress     network devices: connection address,
//                                    "network.hostname", "network.hwaddress"
//   handle = <n>                     device handle, unique, >= 0 (default:
//                                    position in the file + 1)
//   channels = <n>                   analog input channels, 1..32 (default 16)
//   maxrate = <Hz>                   highest rate of every measurement kind
//                                    (default 100000)
//   search = 0 | 1                   listed by the network search (default 1)
//   reachable = 0 | 1                0: every connection attempt fails
//   counters = <n>                   counter inputs, 0..16 (default 2)
//   ports = <n>, linesperport = <n>  digital ports, 1..8 (default 4), of 1..8
//                                    lines (default 4); at most 32 lines
//   daoutputs = <n>                  analog outputs, 0..32 (default: channels)
//   pwmoutputs = <n>                 pulse outputs, 0..32 (default 16)
//   loopback = 0 | 1                 1: outputs drive the inputs (default 0)
//   signal = <spec>, signal.<n> = <spec>    analog input of every channel, of channel n
//   counter = <spec>, counter.<n> = <spec>  pulse train at every counter input, at counter n
//   line = <spec>, line.<n> = <spec>        level of every digital line, of line n
// Specs name a kind and then give any of its parameters as key=value; the
// parameters not given take the defaults shown:
//   signal:  sine | square | ramp | noise, amp=1 (V) freq=1 (Hz) offset=0 (V)
//            phase=0 (cycles) seed=1000 × device position + channel
//            | recorded: a recording of 2^21 samples played round and round
//            from sample 'seed' on, copied as a device copies its buffer
//            (for benchmarks; amp, freq, offset and phase do not apply)
//   counter: pulse freq=100 (Hz) duty=0.5 (0 < duty < 1) jitter=0 (0..0.45:
//            each rising edge moves by up to ±jitter of a period)
//            seed=1000 × device position + 100 + counter swing=100 (pulses)
//            start=0 (the impulse count at StartMeasure; it wraps at 2^32)
//   line:    square period=0.01 (s) duty=0.5 phase=0 (cycles) | level 0 | level 1
//            | counterbit bit=0 period=0.001 (s): bit 'bit' of a count that
//            goes up by one every period
// Without these keys channel c has the wave c % 4 with amplitude 1, frequency
// c + 1 Hz and offset c / 10 V; counter c a pulse train of 100 + 150 × c Hz
// with duty 0.5 (even c) or 0.25 (odd c); line n a square wave of period
// 0.01 × (n + 1) s: no two inputs look alike.
// Texts run to the end of the line, trimmed. A network device connects by its
// address or, ignoring case, its host name; PCI and USB devices by serial.
#include <ctype.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include "simdrv_state.h"

const char* const g_simDefaultConfig =
    "[eth]\n"
    "serial = SIM-1001\n"
    "address = 192.168.10.21\n"
    "hostname = kw-eth-1\n"
    "hwaddress = 00:1A:2B:3C:4D:01\n"
    "name = Kestrelwing ETH-16 (simulated)\n"
    "customer = Simulated device\n"
    "date = 14.03.2024\n"
    "[eth]\n"
    "serial = SIM-1002\n"
    "address = 192.168.10.22\n"
    "hostname = kw-eth-2\n"
    "hwaddress = 00:1A:2B:3C:4D:02\n"
    "name = Kestrelwing ETH-16 (simulated)\n"
    "customer = Simulated device\n"
    "date = 02.09.2024\n"
    "[pci]\n"
    "serial = SIM-2001\n"
    "name = Kestrelwing PCI-16 (simulated)\n"
    "customer = Simulated device\n"
    "date = 21.11.2023\n"
    "[usb]\n"
    "serial = SIM-3001\n"
    "name = Kestrelwing USB-8 (simulated)\n"
    "customer = Simulated device\n"
    "date = 05.01.2025\n"
    "channels = 8\n"
    "maxrate = 50000\n";

// daoutputs until set: as many analog outputs as input channels.
static constexpr u32 SIM_AS_CHANNELS = UINT32_MAX;

static u64 SimDefaultSeed(u32 position, u32 input) { return 1000ull * position + input; }

static void SimDefaultDevice(SimDevice* d, SimKind kind, u32 position)
{
    memset(d, 0, sizeof *d);
    d->kind = kind;
    d->handle = (i32)position + 1;
    d->channels = 16;
    d->counters = 2;
    d->ports = 4;
    d->linesPerPort = 4;
    d->daOutputs = SIM_AS_CHANNELS;
    d->pwmOutputs = 16;
    d->maxRate = 100000;
    d->searchable = true;
    d->reachable = true;
    for (SimStream& s : d->stream) s.rate = SIM_DEFAULT_RATE;
    for (u32 c = 0; c < SIMDRV_MAX_CHANNELS; ++c)
        d->signal[c] = {SimWave(c % 4), 1.0, c + 1.0, c / 10.0, 0.0, SimDefaultSeed(position, c)};
    for (u32 c = 0; c < SIMDRV_MAX_COUNTERS; ++c)
        d->train[c] = {100.0 + 150.0 * c, c % 2 ? 0.25 : 0.5, 0.0, SimDefaultSeed(position, 100 + c), 100};
    for (u32 n = 0; n < SIMDRV_MAX_LINES; ++n) d->line[n] = {SIM_LINE_SQUARE, 0, 0.01 * (n + 1), 0.5, 0.0};
}

static char* SimTrim(char* s)
{
    while (isspace((unsigned char)*s)) ++s;
    char* end = s + strlen(s);
    while (end > s && isspace((unsigned char)end[-1])) --end;
    *end = 0;
    return s;
}

static bool SimNumber(const char* s, double* out)
{
    char* end;
    double v = strtod(s, &end);
    if (end == s || *end || !isfinite(v)) return false;
    *out = v;
    return true;
}

static bool SimInteger(const char* s, long min, long max, long* out)
{
    char* end;
    long v = strtol(s, &end, 10);
    if (end == s || *end || v < min || v > max) return false;
    *out = v;
    return true;
}

// Next blank-separated word of *cursor, terminated in place; null at the end.
static char* SimNextWord(char** cursor)
{
    char* s = *cursor;
    while (*s == ' ' || *s == '\t') ++s;
    if (!*s) return nullptr;
    char* word = s;
    while (*s && *s != ' ' && *s != '\t') ++s;
    if (*s) *s++ = 0;
    *cursor = s;
    return word;
}

// The first word of a spec as an index into names, or -1.
static int SimSpecKind(char** spec, const char* const* names, int count)
{
    const char* word = SimNextWord(spec);
    for (int i = 0; word && i < count; ++i)
        if (!strcmp(word, names[i])) return i;
    return -1;
}

// A spec parameter: key=value with min <= value <= max.
struct SimParam {
    const char* key;
    double* value;
    double min, max;
    bool whole;  // whole numbers only
};

// The rest of a spec: key=value words, each key from params.
static bool SimParseParams(char* spec, const SimParam* params, u32 count)
{
    while (char* word = SimNextWord(&spec)) {
        char* eq = strchr(word, '=');
        if (!eq) return false;
        *eq = 0;
        const SimParam* p = params;
        while (p < params + count && strcmp(word, p->key) != 0) ++p;
        double v;
        if (p == params + count || !SimNumber(eq + 1, &v) || v < p->min || v > p->max) return false;
        if (p->whole && v != floor(v)) return false;
        *p->value = v;
    }
    return true;
}

static constexpr double SIM_ANY = HUGE_VAL;
static constexpr double SIM_MAX_SEED = 9007199254740992.0;  // 2^53: every seed exact in a double

static bool SimParseSignal(char* spec, u64 seed, SimSignal* sig)
{
    static const char* const waves[] = {"sine", "square", "ramp", "noise", "recorded"};
    int wave = SimSpecKind(&spec, waves, 5);
    double amp = 1, freq = 1, offset = 0, phase = 0, s = (double)seed;
    const SimParam params[] = {{"amp", &amp, -SIM_ANY, SIM_ANY},       {"freq", &freq, -SIM_ANY, SIM_ANY},
                               {"offset", &offset, -SIM_ANY, SIM_ANY}, {"phase", &phase, -SIM_ANY, SIM_ANY},
                               {"seed", &s, 0, SIM_MAX_SEED, true}};
    if (wave < 0 || !SimParseParams(spec, params, 5)) return false;
    *sig = {SimWave(wave), amp, freq, offset, phase, (u64)s};
    return true;
}

static bool SimParseTrain(char* spec, u64 seed, SimPulseTrain* train)
{
    static const char* const kinds[] = {"pulse"};
    double freq = 100, duty = 0.5, jitter = 0, s = (double)seed, swing = 100, start = 0;
    const SimParam params[] = {{"freq", &freq, 0, SIM_ANY},         {"duty", &duty, 0, 1},
                               {"jitter", &jitter, 0, 0.45},        {"seed", &s, 0, SIM_MAX_SEED, true},
                               {"swing", &swing, 1, UINT32_MAX, true}, {"start", &start, 0, UINT32_MAX, true}};
    if (SimSpecKind(&spec, kinds, 1) < 0 || !SimParseParams(spec, params, 6)) return false;
    if (!(freq > 0) || !(duty > 0 && duty < 1)) return false;
    *train = {freq, duty, jitter, (u64)s, (u32)swing, (u32)start};
    return true;
}

static bool SimParseLine(char* spec, SimLinePattern* line)
{
    static const char* const kinds[] = {"square", "level", "counterbit"};
    int kind = SimSpecKind(&spec, kinds, 3);
    if (kind == SIM_LINE_LEVEL) {
        const char* level = SimNextWord(&spec);
        if (!level || SimNextWord(&spec) || (strcmp(level, "0") != 0 && strcmp(level, "1") != 0)) return false;
        *line = {SIM_LINE_LEVEL, (u32)(level[0] - '0'), 0, 0, 0};
        return true;
    }
    double period = kind == SIM_LINE_COUNTERBIT ? 0.001 : 0.01, duty = 0.5, phase = 0, bit = 0;
    const SimParam square[] = {{"period", &period, 0, SIM_ANY}, {"duty", &duty, 0, 1}, {"phase", &phase, -SIM_ANY, SIM_ANY}};
    const SimParam counterbit[] = {{"bit", &bit, 0, 31, true}, {"period", &period, 0, SIM_ANY}};
    if (kind < 0) return false;
    bool parsed = kind == SIM_LINE_SQUARE ? SimParseParams(spec, square, 3) : SimParseParams(spec, counterbit, 2);
    if (!parsed || !(period > 0)) return false;
    *line = {SimLineKind(kind), (u32)bit, period, duty, phase};
    return true;
}

// "name" (every index below count) or "name.<n>" (index n): the value parsed
// for each index. -1: the key is not this name; 0: bad; 1: done.
template <class Parse>
static int SimIndexedKey(const char* key, const char* name, u32 count, const char* value, Parse parse)
{
    size_t n = strlen(name);
    if (strncmp(key, name, n) != 0 || (key[n] && key[n] != '.')) return -1;
    u32 first = 0, last = count;
    if (key[n]) {
        long index;
        if (!SimInteger(key + n + 1, 0, count - 1, &index)) return 0;
        first = (u32)index;
        last = first + 1;
    }
    if (strlen(value) >= SIMDRV_TEXT) return 0;
    for (u32 i = first; i < last; ++i) {
        char copy[SIMDRV_TEXT];
        kw_strlcpy(copy, value, sizeof copy);
        if (!parse(copy, i)) return 0;
    }
    return 1;
}

static bool SimParseDeviceKey(SimDevice* d, u32 position, const char* key, char* value)
{
    struct FieldKey {
        const char* key;
        size_t offset;
        long min, max;  // numbers; texts: 0, 0
    };
    static const FieldKey texts[] = {
        {"serial", offsetof(SimDevice, serial)},       {"address", offsetof(SimDevice, address)},
        {"hostname", offsetof(SimDevice, hostname)},   {"hwaddress", offsetof(SimDevice, hwaddress)},
        {"name", offsetof(SimDevice, name)},           {"customer", offsetof(SimDevice, customer)},
        {"date", offsetof(SimDevice, date)},
    };
    static const FieldKey counts[] = {
        {"channels", offsetof(SimDevice, channels), 1, SIMDRV_MAX_CHANNELS},
        {"counters", offsetof(SimDevice, counters), 0, SIMDRV_MAX_COUNTERS},
        {"ports", offsetof(SimDevice, ports), 1, SIMDRV_MAX_PORTS},
        {"linesperport", offsetof(SimDevice, linesPerPort), 1, 8},
        {"daoutputs", offsetof(SimDevice, daOutputs), 0, SIMDRV_MAX_OUTPUTS},
        {"pwmoutputs", offsetof(SimDevice, pwmOutputs), 0, SIMDRV_MAX_OUTPUTS},
    };
    static const FieldKey switches[] = {
        {"search", offsetof(SimDevice, searchable), 0, 1},
        {"reachable", offsetof(SimDevice, reachable), 0, 1},
        {"loopback", offsetof(SimDevice, loopback), 0, 1},
    };
    for (const FieldKey& t : texts)
        if (!strcmp(key, t.key)) {
            if (strlen(value) >= SIMDRV_TEXT) return false;
            kw_strlcpy((char*)d + t.offset, value, SIMDRV_TEXT);
            return true;
        }
    long n;
    for (const FieldKey& c : counts)
        if (!strcmp(key, c.key)) {
            if (!SimInteger(value, c.min, c.max, &n)) return false;
            *(u32*)((char*)d + c.offset) = (u32)n;
            return d->ports * d->linesPerPort <= SIMDRV_MAX_LINES;
        }
    for (const FieldKey& s : switches)
        if (!strcmp(key, s.key)) {
            if (!SimInteger(value, s.min, s.max, &n)) return false;
            *(bool*)((char*)d + s.offset) = n != 0;
            return true;
        }
    if (!strcmp(key, "handle")) {
        if (!SimInteger(value, 0, INT32_MAX, &n)) return false;
        d->handle = (i32)n;
        return true;
    }
    if (!strcmp(key, "maxrate")) {
        double v;
        if (!SimNumber(value, &v) || !(v > 0)) return false;
        d->maxRate = v;
        return true;
    }
    int done = SimIndexedKey(key, "signal", SIMDRV_MAX_CHANNELS, value, [&](char* spec, u32 c) {
        return SimParseSignal(spec, SimDefaultSeed(position, c), &d->signal[c]);
    });
    if (done < 0)
        done = SimIndexedKey(key, "counter", SIMDRV_MAX_COUNTERS, value, [&](char* spec, u32 c) {
            return SimParseTrain(spec, SimDefaultSeed(position, 100 + c), &d->train[c]);
        });
    if (done < 0)
        done = SimIndexedKey(key, "line", SIMDRV_MAX_LINES, value,
                             [&](char* spec, u32 n) { return SimParseLine(spec, &d->line[n]); });
    return done == 1;
}

int SimParseConfig(const char* text, SimConfig* out)
{
    memset(out, 0, sizeof *out);
    if (!text) return 0;
    int lineNo = 0;
    while (*text) {
        ++lineNo;
        const char* eol = strchr(text, '\n');
        size_t len = eol ? (size_t)(eol - text) : strlen(text);
        char buffer[1024];
        if (len >= sizeof buffer) return lineNo;
        memcpy(buffer, text, len);
        buffer[len] = 0;
        text += len + (eol ? 1 : 0);
        if (char* hash = strchr(buffer, '#')) *hash = 0;
        char* line = SimTrim(buffer);
        if (!*line) continue;

        if (line[0] == '[') {
            static const char* const kinds[] = {"[eth]", "[pci]", "[usb]"};
            u32 k = 0;
            while (k < 3 && strcmp(line, kinds[k]) != 0) ++k;
            if (k == 3 || out->count == SIMDRV_MAX_DEVICES) return lineNo;
            SimDefaultDevice(&out->dev[out->count], SimKind(k), out->count);
            ++out->count;
            continue;
        }
        char* eq = strchr(line, '=');
        if (!eq) return lineNo;
        *eq = 0;
        char* key = SimTrim(line);
        char* value = SimTrim(eq + 1);
        if (out->count == 0) {
            if (strcmp(key, "clock") != 0) return lineNo;
            if (!strcmp(value, "real")) out->clock = SIM_CLOCK_REAL;
            else if (!strcmp(value, "sim")) out->clock = SIM_CLOCK_SIM;
            else return lineNo;
        } else if (!SimParseDeviceKey(&out->dev[out->count - 1], out->count - 1, key, value)) {
            return lineNo;
        }
    }
    for (u32 i = 0; i < out->count; ++i) {
        SimDevice& d = out->dev[i];
        if (d.daOutputs == SIM_AS_CHANNELS) d.daOutputs = d.channels;
        for (u32 j = 0; j < i; ++j)
            if (d.handle == out->dev[j].handle) return lineNo;  // duplicate handle
    }
    return 0;
}
