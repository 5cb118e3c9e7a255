// Configuration of the simulated devices (format: README.md).
//
// One "key = value" per line; '#' starts a comment. "[eth]", "[pci]" or
// "[usb]" starts a device (at most 64); its keys: serial, name, customer,
// date, address, hostname, hwaddress (texts), handle (unique, default:
// position + 1), channels (1..32, default 16), maxrate (every kind, default
// 100000), loopback (0 | 1), signal[.<n>] = <wave> and counter[.<n>] =
// pulse, each with key=value parameters:
//   signal:  sine | square | ramp | noise | recorded, amp=1 freq=1 offset=0
//            phase=0 (cycles) seed=1000 x device position + channel; a
//            recording of 2^21 samples plays round and round from sample
//            'seed' on and is copied as a device copies its buffer
//   counter: pulse freq=100 duty=0.5 jitter=0 (up to 0.45 of a period)
//            seed=1000 x device position + 100 + counter start=0 (the
//            impulse count at StartMeasure)
// Without these keys channel c of the device at position p (from 0) has the
// wave c % 4 with amplitude 1, frequency c + 1 Hz, offset c / 10 V and phase
// p / 10; counter c a pulse train of 100 + 150 c + 10 p Hz with duty 0.5
// (even c) or 0.25 (odd c); line n a square wave of period 0.01 (n + 1) s and
// phase p / 10: no two inputs of the first ten devices look alike.
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

static u64 SimDefaultSeed(u32 position, u32 input) { return 1000ull * position + input; }

static void SimDefaultDevice(SimDevice* d, SimKind kind, u32 position)
{
    memset(d, 0, sizeof *d);
    d->kind = kind;
    d->handle = (i32)position + 1;
    d->channels = 16;
    d->maxRate = 100000;
    for (SimStream& s : d->stream) s.rate = SIM_DEFAULT_RATE;
    for (u32 c = 0; c < SIMDRV_MAX_CHANNELS; ++c)
        d->signal[c] = {SimWave(c % 4), 1.0, c + 1.0, c / 10.0, 0.1 * position, SimDefaultSeed(position, c)};
    for (u32 c = 0; c < SIM_COUNTERS; ++c)
        d->train[c] = {100.0 + 150.0 * c + 10.0 * position, c % 2 ? 0.25 : 0.5, 0.0, SimDefaultSeed(position, 100 + c)};
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

// The first word of a setting as an index into names, or -1.
static int SimSettingKind(char** setting, const char* const* names, int count)
{
    const char* word = SimNextWord(setting);
    for (int i = 0; word && i < count; ++i)
        if (!strcmp(word, names[i])) return i;
    return -1;
}

// One parameter of a setting: key=value with min <= value <= max.
struct SimParam {
    const char* key;
    double* value;
    double min, max;
    bool whole;  // whole numbers only
};

// The rest of a setting: key=value words, each key from params.
static bool SimParseParams(char* setting, const SimParam* params, u32 count)
{
    while (char* word = SimNextWord(&setting)) {
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

static bool SimParseSignal(char* setting, u64 seed, SimSignal* sig)
{
    static const char* const waves[] = {"sine", "square", "ramp", "noise", "recorded"};
    int wave = SimSettingKind(&setting, waves, 5);
    double amp = 1, freq = 1, offset = 0, phase = 0, s = (double)seed;
    const SimParam params[] = {{"amp", &amp, -SIM_ANY, SIM_ANY},       {"freq", &freq, -SIM_ANY, SIM_ANY},
                               {"offset", &offset, -SIM_ANY, SIM_ANY}, {"phase", &phase, -SIM_ANY, SIM_ANY},
                               {"seed", &s, 0, SIM_MAX_SEED, true}};
    if (wave < 0 || !SimParseParams(setting, params, 5)) return false;
    *sig = {SimWave(wave), amp, freq, offset, phase, (u64)s};
    if (wave == SIM_RECORDED) SimRecording();
    return true;
}

static bool SimParseTrain(char* setting, u64 seed, SimPulseTrain* train)
{
    static const char* const kinds[] = {"pulse"};
    double freq = 100, duty = 0.5, jitter = 0, s = (double)seed, start = 0;
    const SimParam params[] = {{"freq", &freq, 0, SIM_ANY},  {"duty", &duty, 0, 1},
                               {"jitter", &jitter, 0, 0.45}, {"seed", &s, 0, SIM_MAX_SEED, true},
                               {"start", &start, 0, UINT32_MAX, true}};
    if (SimSettingKind(&setting, kinds, 1) < 0 || !SimParseParams(setting, params, 5)) return false;
    if (!(freq > 0) || !(duty > 0 && duty < 1)) return false;
    *train = {freq, duty, jitter, (u64)s, (u32)start};
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
    static const struct {
        const char* key;
        size_t offset;
    } texts[] = {
        {"serial", offsetof(SimDevice, serial)},     {"address", offsetof(SimDevice, address)},
        {"hostname", offsetof(SimDevice, hostname)}, {"hwaddress", offsetof(SimDevice, hwaddress)},
        {"name", offsetof(SimDevice, name)},         {"customer", offsetof(SimDevice, customer)},
        {"date", offsetof(SimDevice, date)},
    };
    for (const auto& t : texts)
        if (!strcmp(key, t.key)) {
            if (strlen(value) >= SIMDRV_TEXT) return false;
            kw_strlcpy((char*)d + t.offset, value, SIMDRV_TEXT);
            return true;
        }
    long n;
    double v;
    if (!strcmp(key, "channels"))
        return SimInteger(value, 1, SIMDRV_MAX_CHANNELS, &n) && ((d->channels = (u32)n), true);
    if (!strcmp(key, "handle")) return SimInteger(value, 0, INT32_MAX, &n) && ((d->handle = (i32)n), true);
    if (!strcmp(key, "loopback")) return SimInteger(value, 0, 1, &n) && ((d->loopback = n != 0), true);
    if (!strcmp(key, "maxrate")) return SimNumber(value, &v) && v > 0 && ((d->maxRate = v), true);
    int done = SimIndexedKey(key, "signal", SIMDRV_MAX_CHANNELS, value, [&](char* setting, u32 c) {
        return SimParseSignal(setting, SimDefaultSeed(position, c), &d->signal[c]);
    });
    if (done < 0)
        done = SimIndexedKey(key, "counter", SIM_COUNTERS, value, [&](char* setting, u32 c) {
            return SimParseTrain(setting, SimDefaultSeed(position, 100 + c), &d->train[c]);
        });
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
        if (out->count == 0 || !SimParseDeviceKey(&out->dev[out->count - 1], out->count - 1, key, value))
            return lineNo;
    }
    for (u32 i = 0; i < out->count; ++i)
        for (u32 j = 0; j < i; ++j)
            if (out->dev[i].handle == out->dev[j].handle) return lineNo;  // duplicate handle
    return 0;
}
