// Compute functions of the module kinds whose run is not built yet: they
// serve nothing.
#include "mod_kinds.h"

#define KW_PENDING_COMPUTE(Kind) \
    i32 KW_CDECL Kind##_Compute(Module*) { return 0; }

KW_PENDING_COMPUTE(AnalogOut)
KW_PENDING_COMPUTE(CounterIn)
KW_PENDING_COMPUTE(CounterOut)
KW_PENDING_COMPUTE(DigitalIn)
KW_PENDING_COMPUTE(DigitalOut)
