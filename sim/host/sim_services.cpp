// Host services other than the data blocks and global variables: memory,
// plug-in definition, classes and menus, messages to the user, global
// strings, module shape and names, time bases.
#include "sim_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static std::string Text(const char* s) { return s ? s : ""; }

void* KW_CDECL SIM_NewMemAlloc(u32 size, const char*, int)
{
    void* p = calloc(1, size ? size : 1);
    if (p) ++g_sim.liveAllocations;
    return p;
}

void KW_CDECL SIM_NewDoMemFree(void* p, const char*, int)
{
    if (!p) return;
    --g_sim.liveAllocations;
    free(p);
}

int KW_CDECL SIM_DefineDllModule(void)
{
    ++g_sim.defineModuleCalls;
    return 1;
}

int KW_CDECL SIM_DefineDllVariable(const char* name, void* address, u32 size)
{
    g_sim.variables.push_back({Text(name), address, size});
    return (int)g_sim.variables.size() == g_sim.knobs.refuseDefineVariable ? 0 : 1;
}

int KW_CDECL SIM_RegisterModuleClass(void* classRecord)
{
    if (!classRecord) {
        SIM_Fault("RegisterModuleClass without a record");
        return 0;
    }
    SimClass c = {};
    memcpy(&c.record, classRecord, sizeof c.record);
    c.className = Text(c.record.className);
    c.shortName = Text(c.record.shortName);
    c.longName = Text(c.record.longName);
    g_sim.classes.push_back(c);
    return 1;
}

int KW_CDECL SIM_TarnovaInsertMenu(const char* text)
{
    g_sim.menuTexts.push_back(Text(text));
    return 1;
}

void KW_CDECL SIM_RegisterMenuEntry(u32 commandId, MenuCommand command)
{
    g_sim.menuCommands.push_back({commandId, command});
}

void KW_CDECL SIM_ShowWarning(const char* moduleName, const char* text)
{
    g_sim.warnings.push_back({Text(moduleName), Text(text)});
}

void KW_CDECL SIM_ShowInternalError(const char* text, const char* tag, int line)
{
    g_sim.internalErrors.push_back({Text(text), Text(tag), line});
}

void KW_CDECL SIM_StopExperiment(void)
{
    ++g_sim.stopExperimentCalls;
    g_sim.stopRequested = true;
}

HFONT KW_CDECL SIM_CreateStackedFontIndirect(const LOGFONTA* font)
{
    if (g_simPlatform.createFont) return g_simPlatform.createFont(font);
    return font ? (HFONT)(uintptr_t)0xF001 : nullptr;
}

void KW_CDECL SIM_DeleteStackedObject(HGDIOBJ object)
{
    if (g_simPlatform.deleteObject) g_simPlatform.deleteObject(object);
}

void KW_CDECL SIM_FillUnitList(HWND dialog, int controlId, const char* unit)
{
    if (g_simPlatform.fillUnitList) g_simPlatform.fillUnitList(dialog, controlId, unit);
}

// The host offers no menus of global strings or variables.
void KW_CDECL SIM_SetMenuForGlobalStrings(HWND, int) {}
void KW_CDECL SIM_SetMenuForGlobalVars(HWND, int) {}

void KW_CDECL SIM_GlStr_RegisterByText(const char* text, Module* m, Handler)
{
    g_sim.globalStrings.push_back({true, Text(text), m});
}
void KW_CDECL SIM_GlStr_UnregisterByText(const char* text, Module* m, Handler)
{
    g_sim.globalStrings.push_back({false, Text(text), m});
}

void KW_CDECL SIM_ChangeModuleSize(Module* m, u32 inputs, u32 outputs)
{
    if (!m) return SIM_Fault("ChangeModuleSize without a module");
    g_sim.moduleChanges.push_back({m, false, inputs, outputs, ""});
    if (inputs > KW_MAX_CHANNELS || outputs > KW_MAX_CHANNELS) {
        SIM_Fault("ChangeModuleSize(%u, %u) above %d", inputs, outputs, KW_MAX_CHANNELS);
        return;
    }
    m->inputCount = inputs;
    m->outputCount = outputs;
}

void KW_CDECL SIM_ChangeModuleName(Module* m, const char* name)
{
    if (!m) return SIM_Fault("ChangeModuleName without a module");
    g_sim.moduleChanges.push_back({m, true, 0, 0, Text(name)});
    kw_strlcpy(m->name, name, sizeof m->name);
}

void KW_CDECL SIM_CopyChannelName(Fifo* f, const char* name)
{
    SimOutput* out = SIM_FindOutput(f, nullptr, nullptr);
    if (!out) return SIM_Fault("CopyChannelName with an unknown fifo");
    out->channelName = Text(name);
}

u32 KW_CDECL SIM_GetTimeBaseBlockSize(u32 timeBase)
{
    const SimTimeBase* tb = SH_FindTimeBase(timeBase);
    if (!tb) SIM_Fault("GetTimeBaseBlockSize(%u): no such time base", timeBase);
    return tb ? tb->blockSize : 0;
}

double KW_CDECL SIM_GetTimeBaseSampleDistance(u32 timeBase)
{
    const SimTimeBase* tb = SH_FindTimeBase(timeBase);
    if (!tb) SIM_Fault("GetTimeBaseSampleDistance(%u): no such time base", timeBase);
    return tb ? tb->sampleDistance : 0.0;
}

// One clock serves every time base: they all start with the run.
double KW_CDECL SIM_GetTimeBaseTime(u32 timeBase)
{
    if (!SH_FindTimeBase(timeBase)) SIM_Fault("GetTimeBaseTime(%u): no such time base", timeBase);
    return SIM_ClockNow();
}

void KW_CDECL SIM_FillTimeBaseCombo(HWND dialog, int controlId, u32 currentTimeBase)
{
    if (g_simPlatform.fillTimeBaseCombo)
        g_simPlatform.fillTimeBaseCombo(dialog, controlId, currentTimeBase);
}

// The combo lists the time bases in table order.
u32 KW_CDECL SIM_GetTimeBaseComboID(int selectionIndex)
{
    if (selectionIndex < 0 || (size_t)selectionIndex >= g_sim.timeBases.size()) return 0;
    return g_sim.timeBases[(size_t)selectionIndex].id;
}

void SH_SetTimeBase(u32 id, double sampleDistance, u32 blockSize)
{
    for (SimTimeBase& tb : g_sim.timeBases)
        if (tb.id == id) {
            tb.sampleDistance = sampleDistance;
            tb.blockSize = blockSize;
            return;
        }
    g_sim.timeBases.push_back({id, sampleDistance, blockSize});
}

const SimTimeBase* SH_FindTimeBase(u32 id)
{
    for (const SimTimeBase& tb : g_sim.timeBases)
        if (tb.id == id) return &tb;
    return nullptr;
}
