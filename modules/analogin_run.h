// Analog input run-time state: the channel runtime record (184 bytes per
// channel, host-allocated, zero-filled at prepare) and the kind description
// that the shared input passes work through.
#pragma once

#include "mod_input_pass.h"

enum { ANALOGIN_RECORD_SIZE = 184 };

// Natural alignment: 'released' and 'delivered' sit on 8-byte boundaries.
struct AnalogInRecord {
    u32 deviceChannel;
    InputCore core;          // list position .. block end time
    AnalogChannel settings;  // channel settings as they were at start
    u32 listed;              // 1 once the start put the channel into the device's list
    i64 delivered;           // values released in full blocks
    u8 reserved160[24];
};
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, listPosition) == 4, "list position");
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, blockSize) == 8, "block size");
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, sampleDistance) == 12, "sample distance");
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, fill) == 16, "fill");
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, released) == 24, "released");
static_assert(offsetof(AnalogInRecord, core) + offsetof(InputCore, blockEnd) == 32, "block end");
static_assert(offsetof(AnalogInRecord, settings) == 40, "settings copy");
static_assert(offsetof(AnalogInRecord, listed) == 148, "listed");
static_assert(offsetof(AnalogInRecord, delivered) == 152, "delivered");
static_assert(sizeof(AnalogInRecord) == ANALOGIN_RECORD_SIZE, "AnalogInRecord size");

extern const InputKind g_analogInKind;
