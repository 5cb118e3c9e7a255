// Counter input: its values of the module frame and its defaults. The run
// messages and the compute function are in counterin_run.cpp.
#include "counterin_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(CounterInParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

static void Defaults(void* params)
{
    for (CounterInChannel& c : ((CounterInParams*)params)->channel) {
        c.realTime = 1;
        c.mode = 0;  // impulse count
    }
}

const ModFrame g_frameCounterIn = {
    .tag = "counterin",
    .errorTag = "DLL:counterin",
    .signature = "KWE\\COUNTERIN",
    .outputKind = false,
    .takesCurrentDevice = true,
    .channelStride = sizeof(CounterInChannel),
    .timeBaseOffset = offsetof(CounterInParams, timeBaseId),
    .unit = " ",
    .description = s_description,
    .defaults = Defaults,
    .prepare = CounterIn_Prepare,
    .start = CounterIn_Start,
    .go = MOD_GoDevice,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_CHECKED,
    .fifoRecordOffset = offsetof(CounterInRecord, core) + offsetof(InputCore, blockSize),
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL CounterIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameCounterIn, m, msg, wParam, lParam);
}

const ModClass g_classCounterIn = {"KWE:CounterIn", 1892, 32, 176, 2952, 3952, "BRH_INPUT_CI",
    MOD_MENU_LABEL("Counter-Input"), MOD_MENU_LABEL("Zaehler-Eingang"), CounterIn_Handler, CounterIn_Compute};
