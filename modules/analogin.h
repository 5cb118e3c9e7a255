// Analog input: run messages and compute function (the frame is shared).
#pragma once

#include "tarn_host.h"

struct ModFrame;

i32 AnalogIn_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 AnalogIn_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE

// The class's message handler (analogin.cpp) and compute function.
i32 KW_CDECL AnalogIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL AnalogIn_Compute(Module* m);
