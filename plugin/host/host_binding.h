// Binding of the host services by name.
#pragma once

#include "kw_types.h"

// Asks the host for one name: message is TARN_MSG_GET_VARIABLE or
// TARN_MSG_GET_FUNCTION; the answer is the slot value, 0 when the host lacks it.
typedef uintptr_t (*HostRequestFn)(void* context, u32 message, const char* name);

// Fills g_host from the host's answers (59 variables, then 105 functions),
// opens the plug-in's definition and announces the seven plug-in variables.
// Returns 1 when all of that succeeded; 0 at the first refusal, with nothing
// further requested or called.
int PLG_BindHost(HostRequestFn request, void* context);
