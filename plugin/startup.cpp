#include "startup.h"

#include "drv_load.h"
#include "drv_trace.h"
#include "menu_text.h"
#include "mod_kinds.h"
#include "plg_strings.h"
#include "plugin_state.h"
#include "trace_control.h"

#include <string.h>

static void KW_CDECL GlobalSetupCommand(void)
{
    MessageBoxA(nullptr, "Do here some setup functions!", "Setup", MB_OK);
}

static void PLG_RegisterKind(int k)
{
    const ModClass* kind = g_modKinds[k].cls;
    ClassRecord rec;
    memset(&rec, 0, sizeof rec);

    // The host keeps the addresses of these process-wide buffers.
    PLG_LoadString(kind->shortNameId, g_modShortName[k], 14);
    g_modShortName[k][13] = 0;
    PLG_LoadString(kind->longNameId, g_modLongName[k], 40);
    g_modLongName[k][39] = 0;

    rec.instance = g_instance;
    rec.className = kind->className;
    rec.paramSize = kind->paramSize;
    rec.runtimeSize = kind->runtimeSize;
    rec.channelSize = kind->channelSize;
    rec.nameId = kind->shortNameId;
    rec.shortName = g_modShortName[k];
    rec.longName = g_modLongName[k];
    rec.paletteBitmap = LoadBitmapA(g_instance, "GENERATOR_ICO");
    rec.moduleBitmap = LoadBitmapA(g_instance, kind->bitmapName);
    rec.handler = kind->handler;
    rec.compute = kind->compute;

    if (rec.nameId != 0) {
        bool german = PLG_ThreadLocale() == PLG_LOCALE_GERMAN;
        MENU_AddModuleEntry(rec.nameId, german ? kind->labelDe : kind->labelEn);
    }
    g_host.RegisterModuleClass(&rec);
}

// With the trace switched on: what the loader found, then the driver's calls
// through their thunks and the reports the plug-in shows.
static void PLG_StartTrace(u32 missing)
{
    if (!TRC_Start()) return;
    if (missing == DRV_ENTRY_COUNT) TRC_Printf("driver library tvxv2_w32.dll not loaded");
    else
        for (const DrvEntry& e : g_drvEntries)
            if (!*DRV_Slot(&e)) TRC_Printf("driver entry point %s is missing", e.name);
    DRV_TraceCalls();
    TRC_WrapHostReports();
}

BOOL PLG_Startup(void)
{
    u32 missing = DRV_Load("tvxv2_w32.dll");
    PLG_StartTrace(missing);
    if (missing != 0) MENU_AddGlobalSetup(GlobalSetupCommand);
    for (int k = 0; k < MOD_KIND_COUNT; ++k) PLG_RegisterKind(k);
    return 1;
}
