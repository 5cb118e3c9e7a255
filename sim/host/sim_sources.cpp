// Signal sources: the host's own producers of input blocks for the inputs
// of output modules, described by a line of text that worksheets keep.
#include "sim_internal.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

enum { KIND_WAVE = 1 << SIM_SOURCE_RAMP | 1 << SIM_SOURCE_SINE | 1 << SIM_SOURCE_SQUARE };

static const char* const kKindNames[] = {"constant", "ramp", "sine", "square", "list"};

// The numeric keys, with the kinds that take them.
static const struct {
    const char* name;
    double SimSource::*field;
    u32 kinds;
} kNumberKeys[] = {
    {"value", &SimSource::value, 1 << SIM_SOURCE_CONSTANT},
    {"amp", &SimSource::amp, KIND_WAVE},
    {"freq", &SimSource::freq, KIND_WAVE},
    {"offset", &SimSource::offset, KIND_WAVE},
    {"phase", &SimSource::phase, KIND_WAVE},
};

// Numbers separated by blanks, commas, semicolons or line ends; '#' comments.
static bool ParseList(const char* text, std::vector<double>* values)
{
    values->clear();
    for (const char* p = text; *p;) {
        if (*p == '#') {
            p += strcspn(p, "\n");
        } else if (strchr(" \t\r\n,;", *p)) {
            ++p;
        } else {
            char* end = nullptr;
            values->push_back(strtod(p, &end));
            if (end == p) return false;
            p = end;
        }
    }
    return !values->empty();
}

static bool ReadListFile(SimSource* s, const char* folder)
{
    bool relative = s->file[0] != '/' && s->file[0] != '\\' && s->file.find(':') == std::string::npos;
    std::string path = folder[0] && relative ? std::string(folder) + "/" + s->file : s->file;
    std::string text;
    const char* why = !SIM_ReadFile(path.c_str(), &text)      ? "cannot be read"
                      : !ParseList(text.c_str(), &s->list) ? "holds no list of numbers"
                                                            : nullptr;
    if (why) SIM_Fault("source %s: %s %s", s->name.c_str(), path.c_str(), why);
    return !why;
}

// One key=value of a description into the source; false on a wrong one.
static bool SetKey(SimSource* s, const std::string& key, const std::string& value)
{
    const char* v = value.c_str();
    char* end = nullptr;
    for (const auto& k : kNumberKeys)
        if (key == k.name && (k.kinds & 1u << s->kind)) {
            s->*k.field = strtod(v, &end);
            return end != v && *end == 0;
        }
    if (key == "timebase") {
        s->timeBase = (u32)strtoul(v, &end, 10);
        return end != v && *end == 0;
    }
    if (s->kind != SIM_SOURCE_LIST) return false;
    if (key == "repeat") return (value == "0" || value == "1") && ((s->repeat = value == "1"), true);
    if (key == "file") return !value.empty() && ((s->file = value), true);
    return key == "values" && ParseList(v, &s->list);
}

SimSource* SIM_AddSourceIn(const char* description, const char* folder)
{
    const char* at = description ? description : "";
    std::string name, kind, word, key, value;
    SimSource s = {};
    s.timeBase = 1;
    s.repeat = true;
    if (!SIM_NextWord(&at, &name) || !SIM_NextWord(&at, &kind)) {
        SIM_Fault("source \"%s\": <name> <kind> <key>=<value>... expected", description ? description : "");
        return nullptr;
    }
    s.name = name;
    size_t k = 0;
    while (k < sizeof kKindNames / sizeof kKindNames[0] && kind != kKindNames[k]) ++k;
    if (k == sizeof kKindNames / sizeof kKindNames[0]) {
        SIM_Fault("source %s: no kind \"%s\"", name.c_str(), kind.c_str());
        return nullptr;
    }
    s.kind = (SimSourceKind)k;
    while (SIM_NextWord(&at, &word))
        if (!SIM_SplitKey(word, &key, &value) || !SetKey(&s, key, value)) {
            SIM_Fault("source %s: \"%s\" does not fit a %s source", name.c_str(), word.c_str(), kind.c_str());
            return nullptr;
        }
    if (s.kind == SIM_SOURCE_LIST && !s.file.empty() && !ReadListFile(&s, folder)) return nullptr;
    if (s.kind == SIM_SOURCE_LIST && s.list.empty()) {
        SIM_Fault("source %s: a list needs file= or values=", name.c_str());
        return nullptr;
    }
    if (SimSource* old = SH_FindSource(name.c_str())) return &(*old = s);
    g_sim.sources.push_back(s);
    return &g_sim.sources.back();
}

SimSource* SH_AddSource(const char* description) { return SIM_AddSourceIn(description, ""); }

std::string SIM_SourceDescription(const SimSource& s)
{
    std::string t = s.name + " " + kKindNames[s.kind];
    for (const auto& k : kNumberKeys)
        if (k.kinds & 1u << s.kind) t += std::string(" ") + k.name + "=" + SIM_Number(s.*k.field);
    if (s.kind == SIM_SOURCE_LIST) {
        if (!s.file.empty()) t += " file=" + s.file;
        for (size_t i = 0; s.file.empty() && i < s.list.size(); ++i)
            t += (i ? "," : " values=") + SIM_Number(s.list[i]);
        t += s.repeat ? " repeat=1" : " repeat=0";
    }
    return t + " timebase=" + std::to_string(s.timeBase);
}

SimSource* SH_FindSource(const char* name)
{
    for (SimSource& s : g_sim.sources)
        if (name && s.name == name) return &s;
    return nullptr;
}

int SH_Connect(const char* source, SimModule* module, u32 input)
{
    if (!SH_FindSource(source)) return SIM_Fault("connect: no source \"%s\"", source ? source : ""), 0;
    if (!module || input >= KW_MAX_CHANNELS) return SIM_Fault("connect %s: no module input %u", source, input), 0;
    for (SimConnection& c : g_sim.connections)
        if (c.module == module && c.input == input) {
            c.source = source;
            return 1;
        }
    g_sim.connections.push_back({source, module, input});
    return 1;
}

const SimSource* SH_SourceOf(const SimModule* module, u32 input)
{
    for (const SimConnection& c : g_sim.connections)
        if (c.module == module && c.input == input) return SH_FindSource(c.source.c_str());
    return nullptr;
}

// Samples a clock time covers on a sample distance: the tolerance keeps an
// exact-looking time (0.3 s at 1 kHz) from losing a sample to rounding.
static u64 SamplesBy(double clock, double distance)
{
    double x = clock / distance;
    return x > 0 ? (u64)floor(x + x * 1e-12 + 1e-9) : 0;
}

static double Sample(const SimSource& s, u64 k)
{
    if (s.kind == SIM_SOURCE_CONSTANT) return s.value;
    if (s.kind == SIM_SOURCE_LIST) return s.list[k % s.list.size()];
    double cycles = s.freq * ((double)k * s.sampleDistance) + s.phase;
    double frac = cycles - floor(cycles);
    if (s.kind == SIM_SOURCE_SINE) return s.offset + s.amp * sin(2 * M_PI * cycles);
    if (s.kind == SIM_SOURCE_SQUARE) return s.offset + (frac < 0.5 ? s.amp : -s.amp);
    return s.offset + s.amp * (2 * frac - 1);
}

// Samples of block n: the block size, less at the end of a list that ends.
static u32 BlockCount(const SimSource& s, u64 n)
{
    u64 first = n * s.blockSize;
    if (s.kind != SIM_SOURCE_LIST || s.repeat) return s.blockSize;
    return first >= s.list.size() ? 0 : (u32)std::min<u64>(s.blockSize, s.list.size() - first);
}

void SIM_StartSources(double from)
{
    for (SimSource& s : g_sim.sources) {
        const SimTimeBase* tb = SH_FindTimeBase(s.timeBase);
        s.nextBlock = 0;
        s.fed = SimStream{};
        s.blockSize = 0;
        if (!tb || tb->blockSize == 0 || tb->blockSize > 65535 || !(tb->sampleDistance > 0)) {
            SIM_Fault("source %s: time base %u gives no blocks", s.name.c_str(), s.timeBase);
            continue;
        }
        s.blockSize = tb->blockSize;
        s.sampleDistance = tb->sampleDistance;
        s.nextBlock = SamplesBy(from, s.sampleDistance) / s.blockSize;
    }
    for (const SimConnection& c : g_sim.connections)
        if (c.input >= c.module->record->inputCount)
            SIM_Fault("source %s feeds input %u of %s, which has %u inputs", c.source.c_str(), c.input,
                      c.module->record->name, c.module->record->inputCount);
}

void SIM_FeedSources(double clock)
{
    static std::vector<u8> block;  // one block at a time, reused
    for (size_t index = 0; index < g_sim.sources.size(); ++index) {
        SimSource& s = g_sim.sources[index];
        if (!s.blockSize) continue;
        u64 available = SamplesBy(clock, s.sampleDistance);
        for (u32 count; (count = BlockCount(s, s.nextBlock)) != 0; ++s.nextBlock) {
            u64 first = s.nextBlock * s.blockSize;
            if (first + count > available) break;
            block.assign(sizeof(Block) + count * sizeof(float), 0);
            Block* b = (Block*)block.data();
            b->startTime = (double)first * s.sampleDistance;
            b->sampleDistance = s.sampleDistance;
            b->count = (u16)count;
            for (u32 i = 0; i < count; ++i) b->values[i] = (float)Sample(s, first + i);
            SIM_Deliver(&s.fed, nullptr, (u32)index, b);
            for (const SimConnection& c : g_sim.connections)
                if (c.source == s.name)
                    SH_FeedInput(c.module, c.input, b->startTime, b->sampleDistance, b->values, b->count);
        }
    }
}
