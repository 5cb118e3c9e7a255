// Message handler and compute functions of the module kinds whose run is not
// built yet: the handler leaves every message to the host, the compute
// functions serve nothing.
#include "mod_kinds.h"
#include "plugin_state.h"

#define KW_PENDING_HANDLER(Kind)                                             \
    i32 KW_CDECL Kind##_Handler(Module* m, u32 msg, u32 wParam, u32 lParam) \
    {                                                                        \
        return g_host.PerformDefaultAction(m, msg, wParam, lParam);          \
    }
#define KW_PENDING_COMPUTE(Kind) \
    i32 KW_CDECL Kind##_Compute(Module*) { return 0; }

KW_PENDING_HANDLER(AnalogIn)
KW_PENDING_COMPUTE(AnalogIn)
KW_PENDING_COMPUTE(AnalogOut)
KW_PENDING_COMPUTE(CounterIn)
KW_PENDING_COMPUTE(CounterOut)
KW_PENDING_COMPUTE(DigitalIn)
KW_PENDING_COMPUTE(DigitalOut)
