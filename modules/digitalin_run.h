// Digital input run-time state: the module runtime area, the channel runtime
// record (176 bytes per channel, host-allocated, zero-filled at prepare) and
// the run messages.
#pragma once

#include "mod_input_pass.h"

enum { DIGITALIN_RECORD_SIZE = 176 };

// The shared runtime fields, then the port word of the current single-value pass.
struct DigitalInRuntime {
    ModRuntime base;
    u32 portWord;
};

// Natural alignment: 'released' and 'delivered' sit on 8-byte boundaries.
struct DigitalInRecord {
    u32 active;     // listed: 1 once the line is in the device's channel list
    u32 line;       // device line: lines per port x port index + channel
    u32 blockOpen;  // single-value pass: an output block is being filled
    InputCore core; // list position .. block end time
    i64 delivered;  // values released in full blocks (block pass)
    DigitalChannel settings;  // channel settings as they were at start
    u8 reserved148[28];
};
static_assert(offsetof(DigitalInRecord, core) + offsetof(InputCore, blockSize) == 16, "block size");
static_assert(offsetof(DigitalInRecord, core) + offsetof(InputCore, released) == 32, "released");
static_assert(offsetof(DigitalInRecord, delivered) == 48, "delivered");
static_assert(offsetof(DigitalInRecord, settings) == 56, "settings copy");
static_assert(sizeof(DigitalInRecord) == DIGITALIN_RECORD_SIZE, "DigitalInRecord size");

extern const InputKind g_digitalInKind;

i32 DigitalIn_Prepare(Module* m, const ModFrame* f);  // DMM_PREPARE_START_MODULE
i32 DigitalIn_Start(Module* m, const ModFrame* f);    // DMM_START_MODULE

enum { MOD_PORT_WORD_BITS = 32 };

// The first steps of the digital input's and output's start: the module's
// device looked up, and its port layout read into the parameter block's four
// port information words, which are saved with the worksheet. A refusal
// leaves them as they were, and so does a layout that cannot be right: no
// port, no line per port, or a line of the module's channels beyond the port
// word. The block; null when the device is not connected, or was lost (the
// experiment then ends through the kind's failure path).
DigitalParams* MOD_StartDigital(Module* m, const ModFrame* f);
// Device line of channel c: lines per port x port index + c, without
// wrapping around (a damaged block may hold any numbers). False when it lies
// beyond the port word, which only the block's own layout can do (kept when
// the device's was refused or not taken) when it is damaged.
static inline bool MOD_PortLine(const DigitalParams* p, u32 c, u64* line)
{
    *line = (u64)p->linesPerPort * p->port + c;
    return *line < MOD_PORT_WORD_BITS;
}

// The class's message handler (digitalin.cpp) and compute function.
i32 KW_CDECL DigitalIn_Handler(Module* m, u32 msg, u32 wParam, u32 lParam);
i32 KW_CDECL DigitalIn_Compute(Module* m);
