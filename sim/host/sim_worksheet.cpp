// Worksheet files: time bases, signal sources, per module class, name,
// connection counts and the parameter block byte for byte, and the source
// connections.
#include "sim_internal.h"

#include <ctype.h>
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

std::string SIM_Number(double value)
{
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, value).ptr);
}

static void ModuleText(std::string* t, SimModule* m)
{
    SH_Send(m, DMM_SAVE_MODULE, 0, 0);
    const SimClass& c = g_sim.classes[(size_t)m->classIndex];
    u32 size = c.record.paramSize;
    *t += "module " + c.className + "\nname " + SIM_ModuleName(m->record) + "\nio " +
          std::to_string(m->record->inputCount) + " " + std::to_string(m->record->outputCount) + "\nparams " +
          std::to_string(size) + "\n";
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
        t += "timebase " + std::to_string(tb.id) + " " + SIM_Number(tb.sampleDistance) + " " +
             std::to_string(tb.blockSize) + "\n";
    for (const SimSource& s : g_sim.sources) t += "source " + SIM_SourceDescription(s) + "\n";
    for (SimModule* m : g_sim.modules) ModuleText(&t, m);
    for (const SimConnection& c : g_sim.connections)
        t += "connect " + c.source + " " + SIM_ModuleName(c.module->record) + " " + std::to_string(c.input) + "\n";
    return t;
}

// State while one module's lines are read.
struct SheetModule {
    SimModule* module;
    u32 size;    // parameter block size of its class
    u32 filled;  // bytes given by "hex" lines
};

// Whole text read by the sscanf format, which ends in "%n" after its items.
template <typename... T>
static bool ScanAll(const char* text, const char* format, T*... items)
{
    int used = -1;
    sscanf(text, format, items..., &used);
    return used >= 0 && text[used + strspn(text + used, " ")] == 0;
}

// "poke <offset> u32|f64|str <value>"
static bool Poke(SheetModule* sm, const char* args)
{
    unsigned offset = 0;
    char type[8] = "";
    int used = 0;
    if (sscanf(args, "%u %7s %n", &offset, type, &used) < 2 || used == 0) return false;
    const char* value = args + used;
    u32 word = (u32)strtoul(value, nullptr, 0);
    double number = strtod(value, nullptr);
    bool text = !strcmp(type, "str"), isWord = !strcmp(type, "u32");
    size_t n = text ? strlen(value) + 1 : isWord ? 4 : 8;
    if ((!text && !isWord && strcmp(type, "f64")) || offset + n > sm->size) return false;
    const void* bytes = text ? (const void*)value : isWord ? (const void*)&word : &number;
    memcpy((u8*)sm->module->record->params + offset, bytes, n);
    return true;
}

static bool HexLine(SheetModule* sm, const char* hex)
{
    for (; hex[0]; hex += 2) {
        char pair[3] = {hex[0], hex[1], 0}, *end;
        unsigned long byte = strtoul(pair, &end, 16);
        if (sm->filled >= sm->size || !isxdigit((unsigned char)pair[0]) || end != pair + 2) return false;
        ((u8*)sm->module->record->params)[sm->filled++] = (u8)byte;
    }
    return true;
}

// One line inside a module but "end"; false when it is wrong.
static bool ModuleLine(SheetModule* sm, const char* line)
{
    Module* m = sm->module->record;
    unsigned a = 0, b = 0;
    if (!strncmp(line, "name ", 5)) kw_strlcpy(m->name, line + 5, sizeof m->name);
    else if (!strcmp(line, "create")) SH_Send(sm->module, DMM_CREATE_MODULE, 0, 0);
    else if (ScanAll(line, "io %u %u%n", &a, &b) && a <= KW_MAX_CHANNELS && b <= KW_MAX_CHANNELS)
        m->inputCount = a, m->outputCount = b;
    else if (ScanAll(line, "params %u%n", &a) && a == sm->size) sm->filled = 0;
    else if (!strncmp(line, "hex ", 4)) return HexLine(sm, line + 4);
    else if (!strncmp(line, "poke ", 5)) return Poke(sm, line + 5);
    else return false;
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
    return false;
}

// A line outside a module but "connect"; false when it is wrong.
static bool SheetLine(SheetModule* sm, const char* line)
{
    unsigned id = 0, size = 0;
    double distance = 0;
    if (ScanAll(line, "timebase %u %lf %u%n", &id, &distance, &size)) return SH_SetTimeBase(id, distance, size), true;
    if (!strncmp(line, "source ", 7)) return SH_AddSource(line + 7) != nullptr;
    int ci = strncmp(line, "module ", 7) ? -1 : SH_FindClass(line + 7);
    if (ci < 0) return false;
    *sm = {SIM_NewModule(ci), g_sim.classes[(size_t)ci].record.paramSize, 0};
    g_sim.modules.push_back(sm->module);
    return true;
}

int SH_LoadWorksheetText(const char* text)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    g_sim.sources.clear();
    g_sim.connections.clear();
    SheetModule current = {};
    std::vector<SimModule*> loaded;
    std::vector<std::pair<int, std::string>> lines, connects;  // numbered; connects once every module is in
    int lineNo = 0;
    for (const char* at = text; *at; at += at[0] == '\n') {
        size_t len = strcspn(at, "\n");
        std::string line(at, len - (len && at[len - 1] == '\r'));
        at += len;
        ++lineNo;
        if (!line.empty() && line[0] != '#')
            (line.compare(0, 8, "connect ") ? lines : connects).push_back({lineNo, line});
    }
    bool ok = !lines.empty() && lines[0].second == kHeader;
    if (!ok) SIM_Fault("not a worksheet");
    for (size_t i = 1; ok && i < lines.size(); ++i) {
        const char* line = lines[i].second.c_str();
        if (current.module && !strcmp(line, "end")) {
            ok = current.filled == 0 || current.filled == current.size;
            loaded.push_back(current.module);
            current = SheetModule{};
        } else {
            ok = current.module ? ModuleLine(&current, line) : SheetLine(&current, line);
        }
        if (!ok) SIM_Fault("worksheet line %d: \"%s\" not understood", lines[i].first, line);
    }
    if (ok && current.module) SIM_Fault("worksheet ends inside a module");
    ok = ok && !current.module;
    for (size_t i = 0; ok && i < connects.size(); ++i)
        if (!(ok = Connect(connects[i].second.substr(8))))
            SIM_Fault("worksheet line %d: \"%s\" not understood", connects[i].first, connects[i].second.c_str());
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
    for (SimModule* m : loaded) SH_Send(m, DMM_LOAD_MODULE, 0, 0);
    return 1;
}

int SH_LoadWorksheet(const char* path)
{
    FILE* f = fopen(path, "rb");
    if (!f) return SIM_Fault("cannot read worksheet %s", path), 0;
    std::string text;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) text.append(buffer, n);
    fclose(f);
    return SH_LoadWorksheetText(text.c_str());
}
