// Analog output run-time state: the channel runtime record (160 bytes per
// channel, host-allocated, zero-filled at prepare) and the run messages.
#pragma once

#include "mod_output_pass.h"

enum { ANALOGOUT_RECORD_SIZE = 160 };

struct AnalogOutRecord {
    double seen;      // samples of all blocks taken since prepare; 0.0: nothing written yet
    double blockEnd;  // start time of the last block plus its length
    float last;       // the sample last accepted by the driver
    u8 reserved20[140];
};
static_assert(sizeof(AnalogOutRecord) == ANALOGOUT_RECORD_SIZE, "AnalogOutRecord size");

extern const OutputKind g_analogOutKind;

i32 AnalogOut_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 AnalogOut_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE
i32 AnalogOut_Go(Module* m, const ModFrame* f);       // DMM_GO_MODULE: only checks the handle

// The class's message handler (analogout.cpp) and compute function.
i32 KW_CDECL AnalogOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL AnalogOut_Compute(Module* m);
