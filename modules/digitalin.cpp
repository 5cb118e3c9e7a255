// Digital input: its values of the module frame. The run messages and the
// compute function are in digitalin_run.cpp.
#include "digitalin_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(DigitalParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

const ModFrame g_frameDigitalIn = {
    .tag = "digitalin",
    .errorTag = "DLL:digitalin",
    .signature = "KWE\\DIGITALIN",
    .outputKind = false,
    .takesCurrentDevice = false,
    .channelStride = sizeof(DigitalChannel),
    .timeBaseOffset = offsetof(DigitalParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = MOD_DigitalDefaults,
    .prepare = DigitalIn_Prepare,
    .start = DigitalIn_Start,
    .go = MOD_GoDevice,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_CHECKED,
    .fifoRecordOffset = offsetof(DigitalInRecord, core) + offsetof(InputCore, blockSize),
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL DigitalIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameDigitalIn, m, msg, wParam, lParam);
}

const ModClass g_classDigitalIn = {"KWE:DigitalIn", 1848, 40, 176, 2953, 3953, "BRH_INPUT_DI",
    MOD_MENU_LABEL("Digital-Input"), MOD_MENU_LABEL("Digital-Eingang"), DigitalIn_Handler, DigitalIn_Compute};
