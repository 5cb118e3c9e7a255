// Digital output run-time state: the module runtime area, the channel runtime
// record (152 bytes per channel, host-allocated, zero-filled at prepare) and
// the run messages.
#pragma once

#include "mod_frame.h"

enum { DIGITALOUT_RECORD_SIZE = 152 };

// The last port word written is never reset by the plug-in: a new run starts
// from the word the previous one left on the port.
struct DigitalOutRuntime {
    i32 handle;
    u32 lastWord;
};

struct DigitalOutRecord {
    u32 line;          // device line: lines per port x port index + channel
    u32 pad4;
    double seen;       // samples of all blocks released since prepare; 0.0 until the first
    double blockEnd;   // start time of the last block plus its length
    float last;        // the last sample that changed this channel's bit
    const Block* block;  // the input block taken in this call, or none
};
static_assert(sizeof(DigitalOutRecord) <= DIGITALOUT_RECORD_SIZE, "DigitalOutRecord size");

i32 DigitalOut_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 DigitalOut_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE
i32 DigitalOut_Go(Module* m, const ModFrame* f);       // DMM_GO_MODULE

// The class's message handler (digitalout.cpp) and compute function.
i32 KW_CDECL DigitalOut_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL DigitalOut_Compute(Module* m);
