// Global variables: values by number, their reference syntax, the modules
// registered for them.
#include "sim_internal.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

enum { VAR_NUMBER_MAX = 32767 };  // references carry a 16-bit number

void KW_CDECL SIM_GlVar_RegisterByNumber(int number, Module* m, Handler h)
{
    g_sim.globalVarUses.push_back({true, number, m, h});
}

void KW_CDECL SIM_GlVar_UnregisterByNumber(int number, Module* m, Handler h)
{
    g_sim.globalVarUses.push_back({false, number, m, h});
}

int KW_CDECL SIM_GlVar_Get(int number, double* value)
{
    for (const SimGlobalVar& v : g_sim.globalVars)
        if (v.number == number) {
            if (value) *value = v.value;
            return 1;
        }
    return 0;
}

int KW_CDECL SIM_GlVar_SetSyntax(char* text, int number)
{
    if (!text || number <= 0 || number > VAR_NUMBER_MAX) return 0;
    snprintf(text, 9, "{V%d}", number);  // at most "{V32767}"
    return 1;
}

// Recognises "{V<n>}" with n from 1 to 32767 in decimal digits, blanks around
// it allowed, within the first size bytes.
int KW_CDECL SIM_ExpandVarNumber(const char* text, int size, i16* number)
{
    if (!text || size <= 0) return 0;
    const char* end = (const char*)memchr(text, 0, (size_t)size);
    if (!end) end = text + size;
    const char* p = text;
    while (p < end && *p == ' ') ++p;
    if (end - p < 4 || p[0] != '{' || p[1] != 'V') return 0;
    p += 2;
    long n = 0;
    const char* digits = p;
    for (; p < end && *p >= '0' && *p <= '9' && n <= VAR_NUMBER_MAX; ++p) n = n * 10 + (*p - '0');
    if (p == digits || p == end || *p != '}' || n < 1 || n > VAR_NUMBER_MAX) return 0;
    for (++p; p < end; ++p)
        if (*p != ' ') return 0;
    if (number) *number = (i16)n;
    return 1;
}

// The registrations in force for a number: each (module, handler) counts
// once, from its registration to its unregistration.
static std::vector<SimGlobalVarUse> Registered(int number)
{
    std::vector<SimGlobalVarUse> in;
    for (const SimGlobalVarUse& u : g_sim.globalVarUses) {
        if (u.number != number) continue;
        auto same = [&u](const SimGlobalVarUse& r) { return r.module == u.module && r.handler == u.handler; };
        auto at = std::find_if(in.begin(), in.end(), same);
        if (u.registered && at == in.end()) in.push_back(u);
        if (!u.registered && at != in.end()) in.erase(at);
    }
    return in;
}

static void Notify(int number)
{
    for (const SimGlobalVarUse& u : Registered(number)) {
        SimModule* module = SH_ModuleOf(u.module);
        if (!module || !u.handler) {
            SIM_Fault("variable %d: registered by %s", number,
                      module ? "no handler" : "a module the host no longer has");
            continue;
        }
        u.handler(module->record, DMM_REFRESH_148, (u32)number, 0);
    }
}

void SH_SetGlobalVar(int number, double value)
{
    if (number <= 0 || number > VAR_NUMBER_MAX) return SIM_Fault("no global variable %d", number);
    auto v = std::find_if(g_sim.globalVars.begin(), g_sim.globalVars.end(),
                          [number](const SimGlobalVar& g) { return g.number == number; });
    if (v != g_sim.globalVars.end() && v->value == value) return;
    if (v == g_sim.globalVars.end()) g_sim.globalVars.push_back({number, value});
    else v->value = value;
    Notify(number);
}
