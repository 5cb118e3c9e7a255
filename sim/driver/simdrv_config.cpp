// Configuration of the simulated devices.
//
// Format: one "key = value" per line; '#' starts a comment; blank lines are
// ignored. Before the first device only the global key may appear:
//   clock = sim | real       simulated clock (default) or real time
// "[eth]", "[pci]" or "[usb]" starts a new device (at most 64); its keys:
//   serial, name, customer, date     identity texts ("" or missing: none)
//   address, hostname, hwaddress     network devices: connection address,
//                                    "network.hostname", "network.hwaddress"
//   handle = <n>                     device handle, unique, >= 0 (default:
//                                    position in the file + 1)
//   channels = <n>                   analog input channels, 1..32 (default 16)
//   maxrate = <Hz>                   highest analog rate (default 100000)
//   search = 0 | 1                   listed by the network search (default 1)
//   reachable = 0 | 1                0: every connection attempt fails
//   signal = <spec>                  signal of every channel
//   signal.<n> = <spec>              signal of channel n
// A signal spec is a wave, sine | square | ramp | noise, followed by any of
// amp=<V> freq=<Hz> offset=<V> phase=<cycles> seed=<n>; the defaults are
// amp=1 freq=1 offset=0 phase=0 seed=1000 × device position + channel.
// Without a signal key channel c has the wave c % 4 with amplitude 1,
// frequency c + 1 Hz and offset c / 10 V, so no two channels look alike.
// Texts run to the end of the line, trimmed. A network device connects by its
// address or, ignoring case, its host name; PCI and USB devices by serial.
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "simdrv_state.h"

const char* const g_simDefaultConfig =
    "[eth]\n"
    "serial = KW24-1001\n"
    "address = 192.168.10.21\n"
    "hostname = kw-eth-1\n"
    "hwaddress = 00:1A:2B:3C:4D:01\n"
    "name = Kestrelwing ETH-16\n"
    "customer = Brennholt Messtechnik\n"
    "date = 14.03.2024\n"
    "[eth]\n"
    "serial = KW24-1002\n"
    "address = 192.168.10.22\n"
    "hostname = kw-eth-2\n"
    "hwaddress = 00:1A:2B:3C:4D:02\n"
    "name = Kestrelwing ETH-16\n"
    "customer = Brennholt Messtechnik\n"
    "date = 02.09.2024\n"
    "[pci]\n"
    "serial = KW24-2001\n"
    "name = Kestrelwing PCI-16\n"
    "customer = Labor Nord\n"
    "date = 21.11.2023\n"
    "[usb]\n"
    "serial = KW24-3001\n"
    "name = Kestrelwing USB-8\n"
    "customer = Labor Nord\n"
    "date = 05.01.2025\n"
    "channels = 8\n"
    "maxrate = 50000\n";

static u64 SimDefaultSeed(u32 position, u32 channel) { return 1000ull * position + channel; }

static void SimDefaultDevice(SimDevice* d, SimKind kind, u32 position)
{
    memset(d, 0, sizeof *d);
    d->kind = kind;
    d->handle = (i32)position + 1;
    d->channels = 16;
    d->maxRate = 100000;
    d->searchable = true;
    d->reachable = true;
    d->rate = SIM_DEFAULT_RATE;
    for (u32 c = 0; c < SIMDRV_MAX_CHANNELS; ++c)
        d->signal[c] = {SimWave(c % 4), 1.0, c + 1.0, c / 10.0, 0.0, SimDefaultSeed(position, c)};
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
    if (end == s || *end) return false;
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

// "<wave> key=value ..."; parameters not given take their defaults.
static bool SimParseSignal(char* spec, u64 seed, SimSignal* sig)
{
    static const char* const waves[] = {"sine", "square", "ramp", "noise"};
    char* word = SimNextWord(&spec);
    if (!word) return false;
    u32 w = 0;
    while (w < 4 && strcmp(word, waves[w]) != 0) ++w;
    if (w == 4) return false;
    *sig = {SimWave(w), 1.0, 1.0, 0.0, 0.0, seed};
    while ((word = SimNextWord(&spec))) {
        char* eq = strchr(word, '=');
        if (!eq) return false;
        *eq = 0;
        double v;
        if (!SimNumber(eq + 1, &v)) return false;
        if (!strcmp(word, "amp")) sig->amp = v;
        else if (!strcmp(word, "freq")) sig->freq = v;
        else if (!strcmp(word, "offset")) sig->offset = v;
        else if (!strcmp(word, "phase")) sig->phase = v;
        else if (!strcmp(word, "seed") && v >= 0) sig->seed = (u64)v;
        else return false;
    }
    return true;
}

static bool SimParseDeviceKey(SimDevice* d, u32 position, const char* key, char* value)
{
    struct TextKey {
        const char* key;
        size_t offset;
    };
    static const TextKey texts[] = {
        {"serial", offsetof(SimDevice, serial)},       {"address", offsetof(SimDevice, address)},
        {"hostname", offsetof(SimDevice, hostname)},   {"hwaddress", offsetof(SimDevice, hwaddress)},
        {"name", offsetof(SimDevice, name)},           {"customer", offsetof(SimDevice, customer)},
        {"date", offsetof(SimDevice, date)},
    };
    for (const TextKey& t : texts)
        if (!strcmp(key, t.key)) {
            if (strlen(value) >= SIMDRV_TEXT) return false;
            kw_strlcpy((char*)d + t.offset, value, SIMDRV_TEXT);
            return true;
        }
    long n;
    double v;
    if (!strcmp(key, "handle")) {
        if (!SimInteger(value, 0, INT32_MAX, &n)) return false;
        d->handle = (i32)n;
    } else if (!strcmp(key, "channels")) {
        if (!SimInteger(value, 1, SIMDRV_MAX_CHANNELS, &n)) return false;
        d->channels = (u32)n;
    } else if (!strcmp(key, "maxrate")) {
        if (!SimNumber(value, &v) || !(v > 0)) return false;
        d->maxRate = v;
    } else if (!strcmp(key, "search") || !strcmp(key, "reachable")) {
        if (!SimInteger(value, 0, 1, &n)) return false;
        (!strcmp(key, "search") ? d->searchable : d->reachable) = n != 0;
    } else if (!strcmp(key, "signal")) {
        for (u32 c = 0; c < SIMDRV_MAX_CHANNELS; ++c) {
            char copy[SIMDRV_TEXT];
            kw_strlcpy(copy, value, sizeof copy);
            if (!SimParseSignal(copy, SimDefaultSeed(position, c), &d->signal[c])) return false;
        }
    } else if (!strncmp(key, "signal.", 7)) {
        if (!SimInteger(key + 7, 0, SIMDRV_MAX_CHANNELS - 1, &n)) return false;
        return SimParseSignal(value, SimDefaultSeed(position, (u32)n), &d->signal[n]);
    } else {
        return false;
    }
    return true;
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
            if (!strcmp(value, "real")) out->realTime = true;
            else if (!strcmp(value, "sim")) out->realTime = false;
            else return lineNo;
        } else if (!SimParseDeviceKey(&out->dev[out->count - 1], out->count - 1, key, value)) {
            return lineNo;
        }
    }
    for (u32 i = 0; i < out->count; ++i)
        for (u32 j = 0; j < i; ++j)
            if (out->dev[i].handle == out->dev[j].handle) return lineNo;  // duplicate handle
    return 0;
}
