// Acquisition passes shared by the input module kinds (analog, counter and
// digital input): each compute call either polls one value per channel (the
// single-value pass, time base 1) or moves whatever the device has buffered,
// as far as the time base's clock allows, into the host's output blocks (the
// block pass). A kind describes where its channel runtime record keeps the
// pass's fields and supplies its own driver reads and value conversion.
#pragma once

#include "mod_frame.h"
#include "tvxv2_api.h"

enum {
    INPUT_READ_BUFFER_VALUES = 32768,  // values per driver read
    INPUT_NO_FIELD = 0xFFFF,           // an optional record field the kind lacks
};

#pragma pack(push, 1)
// Fields of the pass that every kind's channel runtime record keeps together:
// the analog and counter inputs at offset 4 (after the channel number), the
// digital input at 12 (after active, line and block open). The pad keeps
// 'released' on an 8-byte boundary of the record in every kind.
struct InputCore {
    u32 listPosition;      // index in the device's measurement channel list
    u32 blockSize;         // from the fifo set-up
    float sampleDistance;  // from the fifo set-up
    u32 fill;              // values already in the current output block
    u32 pad;
    double released;       // values released since prepare
    double blockEnd;       // start time of the current block plus its length
};
#pragma pack(pop)
static_assert(offsetof(InputCore, fill) == 12, "InputCore.fill");
static_assert(offsetof(InputCore, released) == 20, "InputCore.released");
static_assert(sizeof(InputCore) == 36, "InputCore size");

// Reads the channel's single value of this pass, converted for the output block.
typedef i32 (*InputReadSingle)(Module* m, u32 channel, const void* record, float* value);
// Reads up to *count values of one measurement channel (kind, list position)
// into buffer; *count returns the number read.
typedef i32 (*InputReadBlock)(i32 handle, u32 kind, u32 position, void* buffer, u32* count);
// Converts n values read by InputReadBlock into block values.
typedef void (*InputConvert)(float* dst, const void* src, u32 n);

// What the passes need to know about one input kind.
struct InputKind {
    const ModFrame* frame;  // source tags, Time_Base_ID, channel count
    u32 measurementKind;    // kind argument of the measurement-channel calls
    // u32 listed state in the channel runtime record: 1 once the start has
    // put the channel into the device's list. Only listed channels are
    // served: any other would read a list position that is not its own.
    u16 listedOffset;
    u16 coreOffset;         // InputCore in the channel runtime record
    u16 deliveredOffset;    // i64 delivered count in the channel runtime record
    u16 realTimeOffset;     // u32 real-time switch of the record's settings copy
    // u32 block-open flag of the single-value pass, or INPUT_NO_FIELD: without
    // it a block is open while its fill is above 0.
    u16 blockOpenOffset;
    // The single-value pass, too, waits until the time base's clock has
    // counted one sample distance.
    u8 singleWaitsForClock;
    // A partly filled block completed by the single-value pass counts its
    // whole length as delivered.
    u8 singleCountsDelivered;
    // Optional, once per single-value pass before the channels (for example
    // one port read for all lines); a non-zero driver status is fatal.
    i32 (*beginSingle)(Module* m);
    InputReadSingle readSingle;
    InputReadBlock readBlock;
    InputConvert convert;
};

// The module's compute function: 1 after a pass that served the channels,
// 0 when there was nothing to do or a driver error stopped the experiment.
i32 MOD_InputCompute(Module* m, const InputKind* kind);

// Start, channel c: the channel is in the device's list at 'position' (the
// list size read before its add) when its add answered 'addStatus' 0 and no
// other listed channel of the module holds that position; the record then
// keeps the position and is marked listed. Else the trace's account notes why
// the channel delivers nothing.
void MOD_ListAt(Module* m, const InputKind* k, u32 c, u32 position, i32 addStatus);

// Start, channel c: the device's list size before the channel's add, which
// is the channel's position in the list. The read's status: a refusal leaves
// the channel out of the list, noted in its account; the lost connection has
// ended the experiment.
i32 MOD_ListPosition(Module* m, const ModFrame* f, u32 c, PFN_GetChannelListSize read, u32* position);

// The 32-bit read of the counter and digital inputs.
i32 MOD_ReadUInt32(i32 handle, u32 kind, u32 position, void* buffer, u32* count);
