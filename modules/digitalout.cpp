// Digital output: its values of the module frame. Its block is the digital
// input's; its channels are module inputs. The run messages and the compute
// function are in digitalout_run.cpp.
#include "digitalout_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(DigitalParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

const ModFrame g_frameDigitalOut = {
    .tag = "digitalout",
    .errorTag = "DLL:digitalout",
    .signature = "KWE\\DIGITALOUT",
    .outputKind = true,
    .takesCurrentDevice = true,
    .channelStride = sizeof(DigitalChannel),
    .timeBaseOffset = offsetof(DigitalParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = MOD_DigitalDefaults,
    .prepare = DigitalOut_Prepare,
    .start = DigitalOut_Start,
    .go = DigitalOut_Go,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_HOST,
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL DigitalOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameDigitalOut, m, msg, wParam, lParam);
}

const ModClass g_classDigitalOut = {"KWE:DigitalOut", 1848, 40, 152, 2954, 3954, "BRH_OUTPUT_DO",
    MOD_MENU_LABEL("Digital-Output"), MOD_MENU_LABEL("Digital-Ausgang"), DigitalOut_Handler, DigitalOut_Compute};
