// Analog output: its values of the module frame. Its block has the analog
// input's channel layout; its channels are module inputs. The run messages
// and the compute function are in analogout_run.cpp.
#include "analogout_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(AnalogOutParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

const ModFrame g_frameAnalogOut = {
    .tag = "analogout",
    .errorTag = "DLL:analogout",
    .signature = "KWE\\ANALOGOUT",
    .outputKind = true,
    .takesCurrentDevice = true,
    .channelStride = sizeof(AnalogChannel),
    .timeBaseOffset = offsetof(AnalogOutParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = MOD_AnalogChannelDefaults,
    .prepare = AnalogOut_Prepare,
    .start = AnalogOut_Start,
    .go = AnalogOut_Go,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_HOST,
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL AnalogOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameAnalogOut, m, msg, wParam, lParam);
}

const ModClass g_classAnalogOut = {"KWE:AnalogOut", 2084, 32, 160, 2951, 3951, "BRH_OUTPUT_DA",
    MOD_MENU_LABEL("Analog-Output"), MOD_MENU_LABEL("Analog-Ausgang"), AnalogOut_Handler, AnalogOut_Compute};
