#include "mod_kinds.h"

#include "mod_dialog_common.h"

#define MOD_KIND_ROW(Kind) {&g_class##Kind, &g_frame##Kind, &g_dialog##Kind},
const ModKind g_modKinds[MOD_KIND_COUNT] = {MOD_KINDS(MOD_KIND_ROW)};

const ModKind* MOD_KindOf(const ModFrame* f)
{
    for (const ModKind& k : g_modKinds)
        if (k.frame == f) return &k;
    return nullptr;
}

char g_modShortName[MOD_KIND_COUNT][14];
char g_modLongName[MOD_KIND_COUNT][42];
