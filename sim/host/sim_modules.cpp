// Host state, module records and the messages the host sends to modules.
#include "sim_internal.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// Defaults: time base 1 (10 ms, block 1), time base 2 (1 ms, block 100),
// decimal separator "." with a leading zero.
static SimHost DefaultHost(void)
{
    SimHost h{};
    h.knobs.bDecLeadingZero = 1;
    kw_strlcpy(h.knobs.dezTrenn, ".", sizeof h.knobs.dezTrenn);
    h.timeBases.push_back({1, 0.01, 1});
    h.timeBases.push_back({2, 0.001, 100});
    return h;
}

SimHost g_sim = DefaultHost();

void SIM_Fault(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_sim.faults.push_back(text);
}

void SH_Reset(void)
{
    while (!g_sim.modules.empty()) {
        SIM_FreeModule(g_sim.modules.back());
        g_sim.modules.pop_back();
    }
    g_sim = DefaultHost();
}

int SH_FindClass(const char* className)
{
    for (size_t i = 0; i < g_sim.classes.size(); ++i)
        if (className && g_sim.classes[i].className == className) return (int)i;
    return -1;
}

SimModule* SIM_NewModule(int classIndex)
{
    const ClassRecord& c = g_sim.classes[(size_t)classIndex].record;
    SimModule* sm = new SimModule{};
    sm->classIndex = classIndex;
    Module* m = (Module*)calloc(1, sizeof(Module));
    sm->record = m;
    m->window = g_simPlatform.hostWindow;
    m->active = 1;
    m->params = calloc(1, c.paramSize ? c.paramSize : 1);
    m->runtime = calloc(1, c.runtimeSize ? c.runtimeSize : 1);
    for (int i = 0; i < KW_MAX_CHANNELS; ++i) {
        m->channel[i] = c.channelSize ? calloc(1, c.channelSize) : nullptr;
        m->outputFifo[i] = &sm->out[i].fifo;
    }
    return sm;
}

void SIM_FreeModule(SimModule* sm)
{
    Module* m = sm->record;
    free(m->params);
    free(m->runtime);
    for (int i = 0; i < KW_MAX_CHANNELS; ++i) free(m->channel[i]);
    if (g_sim.currentModule == m) g_sim.currentModule = nullptr;
    free(m);
    delete sm;
}

std::string SIM_ModuleName(const Module* m) { return std::string(m->name, strnlen(m->name, sizeof m->name)); }

SimModule* SH_ModuleOf(const Module* record)
{
    for (SimModule* m : g_sim.modules)
        if (m->record == record) return m;
    return nullptr;
}

SimModule* SH_CreateModule(const char* className)
{
    int ci = SH_FindClass(className);
    if (ci < 0) {
        SIM_Fault("no module class \"%s\"", className ? className : "");
        return nullptr;
    }
    SimClass& c = g_sim.classes[(size_t)ci];
    SimModule* sm = SIM_NewModule(ci);
    char name[32];
    snprintf(name, sizeof name, "%s%u", c.shortName.c_str(), ++c.created);
    kw_strlcpy(sm->record->name, name, sizeof sm->record->name);
    g_sim.modules.push_back(sm);
    SH_Send(sm, DMM_CREATE_MODULE, 0, 0);
    return sm;
}

i32 SH_Send(SimModule* module, u32 msg, u32 wParam, u32 lParam)
{
    Handler h = g_sim.classes[(size_t)module->classIndex].record.handler;
    if (!h) {
        SIM_Fault("class %s has no message handler", g_sim.classes[(size_t)module->classIndex].className.c_str());
        return 0;
    }
    return h(module->record, msg, wParam, lParam);
}

void SH_DeleteModule(SimModule* module)
{
    SH_Send(module, DMM_DELETE_MODULE, 0, 0);
    for (size_t i = 0; i < g_sim.modules.size(); ++i)
        if (g_sim.modules[i] == module) g_sim.modules.erase(g_sim.modules.begin() + (long)i);
    std::erase_if(g_sim.connections, [module](const SimConnection& c) { return c.module == module; });
    SIM_FreeModule(module);
}

i32 KW_CDECL SIM_PerformDefaultAction(Module*, u32 msg, u32, u32)
{
    switch (msg) {
    case DQM_CHECK_CONNECTIONS:
    case DMM_QUERY_MODULE_ACTION:
    case DMM_MODULE_ACTION:
    case DMM_DESCRIBE_MODULE_ACTION:
    case DMM_GET_PARAM_DESCRIPTION:
    case DMM_GET_EXTRA_PARAM_SIZE:
    case DMM_EXPORT_CHANNEL_TEXTS:
    case DMM_IMPORT_CHANNEL_TEXTS:
    case DCM_GET_UNIT:
        return 0;
    default:
        return 1;
    }
}

// The variable announced last under that name.
void SH_SetPluginFlag(const char* name, u32 value)
{
    for (size_t i = g_sim.variables.size(); i-- > 0;)
        if (g_sim.variables[i].name == name) {
            const SimVariable& v = g_sim.variables[i];
            if (v.address) memcpy(v.address, &value, v.size < sizeof value ? v.size : sizeof value);
            return;
        }
}
