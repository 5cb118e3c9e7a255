#include "mod_kinds.h"

#include "mod_dialog_common.h"

const ModKind g_modKinds[MOD_KIND_COUNT] = {
    {&g_classAnalogIn, &g_frameAnalogIn, &g_dialogAnalogIn},
    {&g_classAnalogOut, &g_frameAnalogOut, &g_dialogAnalogOut},
    {&g_classCounterIn, &g_frameCounterIn, &g_dialogCounterIn},
    {&g_classCounterOut, &g_frameCounterOut, &g_dialogCounterOut},
    {&g_classDigitalIn, &g_frameDigitalIn, &g_dialogDigitalIn},
    {&g_classDigitalOut, &g_frameDigitalOut, &g_dialogDigitalOut},
};

const ModKind* MOD_KindOf(const ModFrame* f)
{
    for (const ModKind& k : g_modKinds)
        if (k.frame == f) return &k;
    return nullptr;
}

char g_modShortName[MOD_KIND_COUNT][14];
char g_modLongName[MOD_KIND_COUNT][42];
