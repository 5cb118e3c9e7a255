// Analog input: its values of the module frame and its defaults. The run
// messages and the compute function are in analogin_run.cpp.
#include "analogin.h"

#include "analogin_run.h"
#include "mod_run.h"

static const ParamDesc s_description[] = {
    {"Description_Signature[0..31]", "string[32]", offsetof(AnalogInParams, header.signature), 0},
    {"Time_Base_ID", "UINT", offsetof(AnalogInParams, timeBaseId), 0},
    {nullptr, nullptr, 0, 0},
};

static void Defaults(void* params)
{
    MOD_AnalogChannelDefaults(params);
    AnalogInParams* p = (AnalogInParams*)params;
    p->softwareClock = 0;
    p->softwareClockBlockSize = 1;
}

const ModFrame g_frameAnalogIn = {
    .tag = "analogin",
    .errorTag = "DLL:analogin",
    .signature = "KWE\\ANALOGIN",
    .outputKind = false,
    .takesCurrentDevice = true,
    .channelStride = sizeof(AnalogChannel),
    .timeBaseOffset = offsetof(AnalogInParams, timeBaseId),
    .unit = "V",
    .description = s_description,
    .defaults = Defaults,
    .prepare = AnalogIn_Prepare,
    .start = AnalogIn_Start,
    .go = MOD_GoDevice,
    .stop = MOD_StopDevice,
    .fifo = MOD_FIFO_CHECKED,
    .fifoRecordOffset = offsetof(AnalogInRecord, core) + offsetof(InputCore, blockSize),
    .actionKeys = {"GEN_SET_FREQ", "GEN_SET_AMPL"},
};

i32 KW_CDECL AnalogIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return MOD_Dispatch(&g_frameAnalogIn, m, msg, wParam, lParam);
}

const ModClass g_classAnalogIn = {"KWE:AnalogIn", 2092, 32, 184, 2950, 3950, "BRH_INPUT_AD",
    MOD_MENU_LABEL("Analog-Input"), MOD_MENU_LABEL("Analog-Eingang"), AnalogIn_Handler, AnalogIn_Compute};
