// Worksheet files: time bases, signal sources, per module class, name,
// connection counts and the parameter block byte for byte, and the source
// connections.
#include "sim_internal.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <charconv>

static const char kHeader[] = "tarnova-sim-worksheet 1";
enum { HEX_BYTES_PER_LINE = 32 };

bool SIM_NextWord(const char** at, std::string* word)
{
    const char* p = *at + strspn(*at, " \t");
    size_t n = strcspn(p, " \t");
    word->assign(p, n);
    *at = p + n;
    return n > 0;
}

static bool ReadFile(const char* path, std::string* text)
{
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    text->clear();
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    fclose(f);
    return true;
}

std::string SIM_Number(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

static std::string Line(const char* format, ...) __attribute__((format(printf, 1, 2)));
static std::string Line(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    return std::string(line) + "\n";
}

static void ModuleText(std::string* t, SimModule* m)
{
    SH_Send(m, DMM_SAVE_MODULE, 0, 0);
    const SimClass& c = g_sim.classes[(size_t)m->classIndex];
    u32 size = c.record.paramSize;
    *t += "module " + c.className + "\n";
    *t += "name " + SIM_ModuleName(m->record) + "\n";
    *t += Line("io %u %u\nparams %u", m->record->inputCount, m->record->outputCount, size);
    const u8* p = (const u8*)m->record->params;
    for (u32 at = 0; at < size; at += HEX_BYTES_PER_LINE) {
        *t += "hex ";
        for (u32 i = at; i < size && i < at + HEX_BYTES_PER_LINE; ++i) {
            static const char kHex[] = "0123456789abcdef";
            *t += kHex[p[i] >> 4];
            *t += kHex[p[i] & 15];
        }
        *t += "\n";
    }
    *t += "end\n";
}

std::string SH_WorksheetText(void)
{
    std::string t = std::string(kHeader) + "\n";
    for (const SimTimeBase& tb : g_sim.timeBases)
        t += Line("timebase %u %s %u", tb.id, SIM_Number(tb.sampleDistance).c_str(), tb.blockSize);
    for (const SimSource& s : g_sim.sources) t += "source " + SIM_SourceDescription(s) + "\n";
    for (SimModule* m : g_sim.modules) ModuleText(&t, m);
    for (const SimConnection& c : g_sim.connections)
        t += Line("connect %s %s %u", c.source.c_str(), SIM_ModuleName(c.module->record).c_str(), c.input);
    return t;
}

static int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// State while one module's lines are read.
struct SheetModule {
    SimModule* module;
    u32 size;    // parameter block size of its class
    u32 filled;  // bytes given by "hex" lines
};

static bool Poke(SheetModule* sm, const char* args, int lineNo)
{
    unsigned offset = 0;
    char type[8] = "";
    int used = 0;
    if (sscanf(args, "%u %7s %n", &offset, type, &used) < 2 || used == 0) {
        SIM_Fault("worksheet line %d: poke <offset> <type> <value>", lineNo);
        return false;
    }
    const char* value = args + used;
    u8* p = (u8*)sm->module->record->params;
    if (strcmp(type, "str") == 0) {
        size_t n = strlen(value) + 1;
        if (offset + n > sm->size) return SIM_Fault("worksheet line %d: text beyond the block", lineNo), false;
        memcpy(p + offset, value, n);
    } else if (strcmp(type, "u32") == 0) {
        if (offset + 4 > sm->size) return SIM_Fault("worksheet line %d: beyond the block", lineNo), false;
        u32 v = (u32)strtoul(value, nullptr, 0);
        memcpy(p + offset, &v, 4);
    } else if (strcmp(type, "f64") == 0) {
        if (offset + 8 > sm->size) return SIM_Fault("worksheet line %d: beyond the block", lineNo), false;
        double v = strtod(value, nullptr);
        memcpy(p + offset, &v, 8);
    } else {
        SIM_Fault("worksheet line %d: unknown poke type %s", lineNo, type);
        return false;
    }
    return true;
}

static bool HexLine(SheetModule* sm, const char* hex, int lineNo)
{
    u8* p = (u8*)sm->module->record->params;
    for (; hex[0] && hex[0] != '\r'; hex += 2) {
        int hi = HexDigit(hex[0]), lo = hex[1] ? HexDigit(hex[1]) : -1;
        if (hi < 0 || lo < 0) return SIM_Fault("worksheet line %d: bad hex", lineNo), false;
        if (sm->filled >= sm->size) return SIM_Fault("worksheet line %d: more bytes than the block", lineNo), false;
        p[sm->filled++] = (u8)(hi * 16 + lo);
    }
    return true;
}

// One line inside a module; false on an error (fault recorded).
static bool ModuleLine(SheetModule* sm, const char* line, int lineNo)
{
    Module* m = sm->module->record;
    unsigned a = 0, b = 0;
    if (strncmp(line, "name ", 5) == 0) {
        kw_strlcpy(m->name, line + 5, sizeof m->name);
    } else if (strcmp(line, "create") == 0) {
        SH_Send(sm->module, DMM_CREATE_MODULE, 0, 0);
    } else if (sscanf(line, "io %u %u", &a, &b) == 2) {
        if (a > KW_MAX_CHANNELS || b > KW_MAX_CHANNELS)
            return SIM_Fault("worksheet line %d: more than %d connections", lineNo, KW_MAX_CHANNELS), false;
        m->inputCount = a;
        m->outputCount = b;
    } else if (sscanf(line, "params %u", &a) == 1) {
        if (a != sm->size)
            return SIM_Fault("worksheet line %d: block of %u bytes, class has %u", lineNo, a, sm->size), false;
        sm->filled = 0;
    } else if (strncmp(line, "hex ", 4) == 0) {
        return HexLine(sm, line + 4, lineNo);
    } else if (strncmp(line, "poke ", 5) == 0) {
        return Poke(sm, line + 5, lineNo);
    } else {
        return SIM_Fault("worksheet line %d: unknown line \"%s\"", lineNo, line), false;
    }
    return true;
}

// The next line of *at without its line end; false at the end of the text.
static bool NextLine(const char** at, std::string* line)
{
    if (!**at) return false;
    size_t len = strcspn(*at, "\n");
    line->assign(*at, len);
    *at += len + ((*at)[len] ? 1 : 0);
    if (!line->empty() && line->back() == '\r') line->pop_back();
    return true;
}

// What a sheet being loaded has given so far.
struct SheetLoad {
    SheetModule current;
    std::vector<SimModule*> loaded;
    std::vector<std::pair<int, std::string>> connects;  // resolved once every module is in
};

// Whole text read by the sscanf format, which ends in "%n" after its items.
template <typename... T>
static bool ScanAll(const char* text, const char* format, T*... items)
{
    int used = -1;
    sscanf(text, format, items..., &used);
    return used >= 0 && text[used + strspn(text + used, " ")] == 0;
}

static bool TimeBaseLine(SheetLoad*, const char* args)
{
    unsigned id = 0, size = 0;
    double distance = 0;
    if (!ScanAll(args, "%u %lf %u%n", &id, &distance, &size)) return false;
    SH_SetTimeBase(id, distance, size);
    return true;
}

static bool SourceLine(SheetLoad*, const char* args) { return SH_AddSource(args) != nullptr; }

static bool ModuleLineStart(SheetLoad* load, const char* args)
{
    std::string className;
    if (!SIM_NextWord(&args, &className)) return false;
    int ci = SH_FindClass(className.c_str());
    if (ci < 0) return SIM_Fault("no module class \"%s\"", className.c_str()), false;
    load->current.module = SIM_NewModule(ci);
    load->current.size = g_sim.classes[(size_t)ci].record.paramSize;
    g_sim.modules.push_back(load->current.module);
    return true;
}

// "connect <source> <module name> <input>": the module name may hold blanks.
static bool Connect(const std::string& args)
{
    const char* at = args.c_str();
    std::string source;
    size_t last = args.find_last_of(' ');
    unsigned input = 0;
    if (!SIM_NextWord(&at, &source) || last == std::string::npos || !ScanAll(args.c_str() + last, "%u%n", &input))
        return false;
    std::string name(at, args.c_str() + last);
    name.erase(0, name.find_first_not_of(' '));
    for (SimModule* m : g_sim.modules)
        if (name == SIM_ModuleName(m->record)) return SH_Connect(source.c_str(), m, input) != 0;
    return SIM_Fault("connect: no module \"%s\"", name.c_str()), false;
}

static const struct {
    const char* word;
    bool (*read)(SheetLoad* load, const char* args);
} kSheetLines[] = {
    {"timebase", TimeBaseLine}, {"source", SourceLine}, {"module", ModuleLineStart},
};

// One line outside a module but "connect"; false on an error.
static bool SheetLine(SheetLoad* load, const std::string& line)
{
    size_t n = line.find(' ');
    std::string word = line.substr(0, n);
    for (const auto& l : kSheetLines)
        if (word == l.word) return l.read(load, n == std::string::npos ? "" : line.c_str() + n + 1);
    return false;
}

int SH_LoadWorksheetText(const char* text)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    g_sim.sources.clear();
    g_sim.connections.clear();
    SheetLoad load = {};
    int lineNo = 0;
    bool ok = true, sawHeader = false;
    std::string line;
    for (const char* at = text; ok && NextLine(&at, &line);) {
        ++lineNo;
        if (line.empty() || line[0] == '#') continue;
        SheetModule& current = load.current;
        if (!sawHeader) {
            ok = sawHeader = line == kHeader;
            if (!ok) SIM_Fault("not a worksheet: \"%s\"", line.c_str());
        } else if (current.module && line == "end") {
            if (current.filled != 0 && current.filled != current.size) {
                SIM_Fault("worksheet line %d: %u of %u parameter bytes", lineNo, current.filled, current.size);
                ok = false;
            }
            load.loaded.push_back(current.module);
            current = SheetModule{};
        } else if (current.module) {
            ok = ModuleLine(&current, line.c_str(), lineNo);
        } else if (line.compare(0, 8, "connect ") == 0) {
            load.connects.push_back({lineNo, line.substr(8)});
        } else if (!SheetLine(&load, line)) {
            SIM_Fault("worksheet line %d: \"%s\" not understood", lineNo, line.c_str());
            ok = false;
        }
    }
    if (ok && load.current.module) {
        SIM_Fault("worksheet ends inside a module");
        ok = false;
    }
    for (size_t i = 0; ok && i < load.connects.size(); ++i)
        if (!Connect(load.connects[i].second)) {
            SIM_Fault("worksheet line %d: connect %s", load.connects[i].first, load.connects[i].second.c_str());
            ok = false;
        }
    if (!ok) {
        // A sheet that does not load leaves nothing behind.
        g_sim.sources.clear();
        g_sim.connections.clear();
        while (!g_sim.modules.empty()) {
            SIM_FreeModule(g_sim.modules.back());
            g_sim.modules.pop_back();
        }
        return 0;
    }
    for (SimModule* m : load.loaded) SH_Send(m, DMM_LOAD_MODULE, 0, 0);
    return 1;
}

int SH_LoadWorksheet(const char* path)
{
    std::string text;
    if (!ReadFile(path, &text)) {
        SIM_Fault("cannot read worksheet %s", path);
        return 0;
    }
    return SH_LoadWorksheetText(text.c_str());
}
