// Analog output: its values of the module frame. Its block has the analog
// input's channel layout; its channels are module inputs.
#include "mod_frame.h"

static const ParamDesc s_description[] = {
    {"Signature[0..31]", "string[32]", offsetof(AnalogOutParams, header.signature), 0},
    {nullptr, nullptr, 0, 0},
};

const ModFrame g_frameAnalogOut = {
    .kind = MOD_ANALOGOUT,
    .tag = "analogout",
    .signature = "KWE\\ANALOGOUT",
    .dialogName = "ANALOGOUT",
    .handler = AnalogOut_Handler,
    .outputKind = true,
    .takesCurrentDevice = true,
    .channelStride = sizeof(AnalogChannel),
    .timeBaseOffset = offsetof(AnalogOutParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = MOD_AnalogChannelDefaults,
    .fifo = MOD_FIFO_HOST,
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL AnalogOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameAnalogOut, m, msg, wParam, lParam);
}
