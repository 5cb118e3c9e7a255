// Module kinds whose frame is not built yet leave every message to the host.
#include "mod_kinds.h"
#include "plugin_state.h"

#define KW_PENDING_KIND(Kind)                                                \
    i32 KW_CDECL Kind##_Handler(Module* m, u32 msg, u32 wParam, u32 lParam) \
    {                                                                        \
        return g_host.PerformDefaultAction(m, msg, wParam, lParam);          \
    }                                                                        \
    i32 KW_CDECL Kind##_Compute(Module*) { return 0; }

KW_PENDING_KIND(AnalogIn)
KW_PENDING_KIND(AnalogOut)
KW_PENDING_KIND(CounterIn)
KW_PENDING_KIND(CounterOut)
KW_PENDING_KIND(DigitalIn)
KW_PENDING_KIND(DigitalOut)
