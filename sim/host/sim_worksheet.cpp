// Worksheet files: time bases and, per module, class, name, connection
// counts and the parameter block byte for byte.
#include "sim_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static const char kHeader[] = "tarnova-sim-worksheet 1";
enum { HEX_BYTES_PER_LINE = 32 };

std::string SH_WorksheetText(void)
{
    std::string t = std::string(kHeader) + "\n";
    char line[128];
    for (const SimTimeBase& tb : g_sim.timeBases) {
        snprintf(line, sizeof line, "timebase %u %.17g %u\n", tb.id, tb.sampleDistance, tb.blockSize);
        t += line;
    }
    for (SimModule* m : g_sim.modules) {
        SH_Send(m, DMM_SAVE_MODULE, 0, 0);
        const SimClass& c = g_sim.classes[(size_t)m->classIndex];
        u32 size = c.record.paramSize;
        t += "module " + c.className + "\n";
        t += std::string("name ") + m->record->name + "\n";
        snprintf(line, sizeof line, "io %u %u\nparams %u\n", m->record->inputCount, m->record->outputCount, size);
        t += line;
        const u8* p = (const u8*)m->record->params;
        for (u32 at = 0; at < size; at += HEX_BYTES_PER_LINE) {
            t += "hex ";
            for (u32 i = at; i < size && i < at + HEX_BYTES_PER_LINE; ++i) {
                snprintf(line, sizeof line, "%02x", p[i]);
                t += line;
            }
            t += "\n";
        }
        t += "end\n";
    }
    return t;
}

int SH_SaveWorksheet(const char* path)
{
    FILE* f = fopen(path, "wb");
    if (!f) {
        SIM_Fault("cannot write worksheet %s", path);
        return 0;
    }
    std::string t = SH_WorksheetText();
    bool ok = fwrite(t.data(), 1, t.size(), f) == t.size();
    return fclose(f) == 0 && ok ? 1 : 0;
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

int SH_LoadWorksheetText(const char* text)
{
    while (!g_sim.modules.empty()) SH_DeleteModule(g_sim.modules.back());
    SheetModule current = {};
    int lineNo = 0;
    bool ok = true, sawHeader = false;
    std::vector<SimModule*> loaded;
    for (const char* at = text; ok && *at;) {
        const char* eol = strchr(at, '\n');
        size_t len = eol ? (size_t)(eol - at) : strlen(at);
        std::string line(at, len);
        at += len + (eol ? 1 : 0);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        unsigned id = 0, size = 0;
        double distance = 0;
        char className[128];
        if (!sawHeader) {
            ok = sawHeader = line == kHeader;
            if (!ok) SIM_Fault("not a worksheet: \"%s\"", line.c_str());
        } else if (current.module) {
            if (line == "end") {
                if (current.filled != 0 && current.filled != current.size) {
                    SIM_Fault("worksheet line %d: %u of %u parameter bytes", lineNo, current.filled, current.size);
                    ok = false;
                }
                loaded.push_back(current.module);
                current = SheetModule{};
            } else {
                ok = ModuleLine(&current, line.c_str(), lineNo);
            }
        } else if (sscanf(line.c_str(), "timebase %u %lf %u", &id, &distance, &size) == 3) {
            SH_SetTimeBase(id, distance, size);
        } else if (sscanf(line.c_str(), "module %127s", className) == 1) {
            int ci = SH_FindClass(className);
            if (ci < 0) {
                SIM_Fault("worksheet line %d: no module class \"%s\"", lineNo, className);
                ok = false;
                break;
            }
            current.module = SIM_NewModule(ci);
            current.size = g_sim.classes[(size_t)ci].record.paramSize;
            g_sim.modules.push_back(current.module);
        } else {
            SIM_Fault("worksheet line %d: unknown line \"%s\"", lineNo, line.c_str());
            ok = false;
        }
    }
    if (ok && current.module) {
        SIM_Fault("worksheet ends inside a module");
        ok = false;
    }
    if (!ok) {
        // A sheet that does not load leaves no modules behind.
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
    if (!f) {
        SIM_Fault("cannot read worksheet %s", path);
        return 0;
    }
    std::string text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    fclose(f);
    return SH_LoadWorksheetText(text.c_str());
}
