// Counter output run-time state: the channel runtime record (184 bytes per
// channel, host-allocated, zero-filled at prepare) and the run messages.
#pragma once

#include "mod_output_pass.h"

enum { COUNTEROUT_RECORD_SIZE = 184 };

struct CounterOutRecord {
    u32 channel;  // module channel number: the device pulse output it drives
    u32 pad4;
    double seen;  // samples of all blocks taken since prepare; 0.0: none yet
    float last;   // the FM frequency last accepted by the driver
    u32 pad20;
    // The channel settings at prepare, frequency and duty cycle taken from
    // their variables where those exist; the duty cycle field holds the one
    // last sent in FM mode.
    CounterOutChannel settings;
    u8 reserved152[32];
};
static_assert(offsetof(CounterOutRecord, settings) == 24, "settings copy");
static_assert(sizeof(CounterOutRecord) == COUNTEROUT_RECORD_SIZE, "CounterOutRecord size");

extern const OutputKind g_counterOutKind;

i32 CounterOut_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 CounterOut_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE
i32 CounterOut_Go(Module* m, const ModFrame* f);       // DMM_GO_MODULE: starts the pulse outputs
// Frequency and duty cycle of each channel of the block from their host
// global variables, where those deliver a value (negative values become 0).
void CounterOut_Refresh(Module* m);

// The class's message handler (counterout.cpp) and compute function.
i32 KW_CDECL CounterOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL CounterOut_Compute(Module* m);
