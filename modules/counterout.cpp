// Counter output: its values of the module frame, its defaults and the host
// global variables that may supply each channel's frequency and duty cycle.
// The run messages and the compute function are in counterout_run.cpp.
#include "counterout_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(CounterOutParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

static void Defaults(void* params)
{
    for (CounterOutChannel& c : ((CounterOutParams*)params)->channel) {
        c.realTime = 1;
        c.pwmMode = 1;
        c.frequency = 10.0;
        c.dutyCycle = 50.0;
        c.frequencyVar = 0;
        c.dutyCycleVar = 0;
    }
}

// Registers or unregisters the variables that channel i refers to.
static void ChannelGlobals(Module* m, u32 i, bool registering)
{
    const CounterOutChannel& c = MOD_Params<CounterOutParams>(m)->channel[i];
    PFN_GlVar_RegisterByNumber call =
        registering ? g_host.GlVar_RegisterByNumber : g_host.GlVar_UnregisterByNumber;
    if (c.frequencyVar > 0) call(c.frequencyVar, m, CounterOut_Handler);
    if (c.dutyCycleVar > 0) call(c.dutyCycleVar, m, CounterOut_Handler);
}

const ModFrame g_frameCounterOut = {
    .tag = "counterout",
    .errorTag = "DLL:counterout",
    .signature = "KWE\\COUNTEROUT",
    .outputKind = true,
    .takesCurrentDevice = true,
    .channelStride = sizeof(CounterOutChannel),
    .timeBaseOffset = offsetof(CounterOutParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = Defaults,
    .prepare = CounterOut_Prepare,
    .start = CounterOut_Start,
    .go = CounterOut_Go,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_UNCHECKED,
    .actionKeys = {"SET_FREQUENCY", "SET_DUTYCYCLE"},
    .actionChecksCode = true,
    .channelGlobals = ChannelGlobals,
    .refresh = CounterOut_Refresh,
};

i32 KW_CDECL CounterOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameCounterOut, m, msg, wParam, lParam);
}

// The long name is string 2956.
const ModClass g_classCounterOut = {"KWE:CounterOut", 2408, 32, 184, 2955, 2956, "BRH_OUTPUT_CO",
    MOD_MENU_LABEL("Counter-Output"), MOD_MENU_LABEL("Zaehler-Ausgang"), CounterOut_Handler, CounterOut_Compute};
