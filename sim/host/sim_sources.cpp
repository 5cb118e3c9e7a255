// Signal sources: the host's own producers of input blocks for the inputs
// of output modules, described by a line of text that worksheets keep.
#include "sim_internal.h"

#include <math.h>
#include <stdlib.h>

enum { KIND_WAVE = 1 << SIM_SOURCE_RAMP | 1 << SIM_SOURCE_SINE | 1 << SIM_SOURCE_SQUARE };

static const char* const kKindNames[] = {"constant", "ramp", "sine", "square"};

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

// One key=value of a description into the source; false on a wrong one.
static bool SetKey(SimSource* s, const std::string& word)
{
    size_t eq = word.find('=');
    std::string key = word.substr(0, eq), value = eq == std::string::npos ? "" : word.substr(eq + 1);
    const char* v = value.c_str();
    char* end = nullptr;
    for (const auto& k : kNumberKeys)
        if (key == k.name && (k.kinds & 1u << s->kind)) {
            s->*k.field = strtod(v, &end);
            return end != v && *end == 0;
        }
    if (key != "timebase") return false;
    s->timeBase = (u32)strtoul(v, &end, 10);
    return end != v && *end == 0;
}

SimSource* SH_AddSource(const char* description)
{
    const char* at = description ? description : "";
    std::string name, kind, word;
    SimSource s = {};
    s.timeBase = 1;
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
        if (!SetKey(&s, word)) {
            SIM_Fault("source %s: \"%s\" does not fit a %s source", name.c_str(), word.c_str(), kind.c_str());
            return nullptr;
        }
    if (SimSource* old = SH_FindSource(name.c_str())) return &(*old = s);
    g_sim.sources.push_back(s);
    return &g_sim.sources.back();
}

std::string SIM_SourceDescription(const SimSource& s)
{
    std::string t = s.name + " " + kKindNames[s.kind];
    for (const auto& k : kNumberKeys)
        if (k.kinds & 1u << s.kind) t += std::string(" ") + k.name + "=" + SIM_Number(s.*k.field);
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
    double cycles = s.freq * ((double)k * s.sampleDistance) + s.phase;
    double frac = cycles - floor(cycles);
    if (s.kind == SIM_SOURCE_SINE) return s.offset + s.amp * sin(2 * M_PI * cycles);
    if (s.kind == SIM_SOURCE_SQUARE) return s.offset + (frac < 0.5 ? s.amp : -s.amp);
    return s.offset + s.amp * (2 * frac - 1);
}

// Queues a block for a module's input.
static void FeedInput(SimModule* module, u32 input, const Block* b)
{
    std::vector<u8> bytes((const u8*)b, (const u8*)(b->values + b->count));
    module->in[input].queue.push_back(std::move(bytes));
    ++module->in[input].fed;
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
        for (u64 first; (first = s.nextBlock * s.blockSize) + s.blockSize <= available; ++s.nextBlock) {
            block.assign(sizeof(Block) + s.blockSize * sizeof(float), 0);
            Block* b = (Block*)block.data();
            b->startTime = (double)first * s.sampleDistance;
            b->sampleDistance = s.sampleDistance;
            b->count = (u16)s.blockSize;
            for (u32 i = 0; i < s.blockSize; ++i) b->values[i] = (float)Sample(s, first + i);
            SIM_Deliver(&s.fed, nullptr, (u32)index, b);
            for (const SimConnection& c : g_sim.connections)
                if (c.source == s.name) FeedInput(c.module, c.input, b);
        }
    }
}
