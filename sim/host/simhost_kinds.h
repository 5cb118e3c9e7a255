// Native stand-in for the plug-in's class registration: registers the six
// module kinds of g_modKinds with the simulated host, names from the string
// table, so that native tests create real modules without the DLL.
#pragma once

#include "mod_kinds.h"
#include "plg_strings.h"
#include "simhost.h"

static inline void SH_RegisterKinds(void)
{
    for (int k = 0; k < MOD_KIND_COUNT; ++k) {
        const ModKind& kind = g_modKinds[k];
        PLG_LoadString(kind.shortNameId, g_modShortName[k], 14);
        g_modShortName[k][13] = 0;
        PLG_LoadString(kind.longNameId, g_modLongName[k], 42);
        g_modLongName[k][39] = 0;
        ClassRecord record = {};
        record.className = kind.className;
        record.paramSize = kind.paramSize;
        record.runtimeSize = kind.runtimeSize;
        record.channelSize = kind.channelSize;
        record.nameId = kind.shortNameId;
        record.shortName = g_modShortName[k];
        record.longName = g_modLongName[k];
        record.handler = kind.handler;
        record.compute = kind.compute;
        SH_Answers()->RegisterModuleClass(&record);
    }
}
