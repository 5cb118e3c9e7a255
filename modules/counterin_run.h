// Counter input run-time state: the channel runtime record (176 bytes per
// channel, host-allocated, zero-filled at prepare) and the run messages.
#pragma once

#include "mod_input_pass.h"

enum { COUNTERIN_RECORD_SIZE = 176 };

// Natural alignment: 'released' and 'delivered' sit on 8-byte boundaries.
struct CounterInRecord {
    u32 channel;                // module channel number: the counter the single-value pass reads
    InputCore core;             // list position .. block end time
    CounterInChannel settings;  // channel settings as they were at start
    i64 delivered;              // values released in full blocks
    u32 listed;                 // 1 once the start put the channel into the device's list
    u8 reserved148[28];
};
static_assert(offsetof(CounterInRecord, core) + offsetof(InputCore, blockSize) == 8, "block size");
static_assert(offsetof(CounterInRecord, core) + offsetof(InputCore, released) == 24, "released");
static_assert(offsetof(CounterInRecord, settings) == 40, "settings copy");
static_assert(offsetof(CounterInRecord, delivered) == 136, "delivered");
static_assert(offsetof(CounterInRecord, listed) == 144, "listed");
static_assert(sizeof(CounterInRecord) == COUNTERIN_RECORD_SIZE, "CounterInRecord size");

extern const InputKind g_counterInKind;

i32 CounterIn_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 CounterIn_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE

// The class's message handler (counterin.cpp) and compute function.
i32 KW_CDECL CounterIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL CounterIn_Compute(Module* m);
