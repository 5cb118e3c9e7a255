// The pass shared by the output kinds that act on the first sample of each
// arriving block (analog and counter output): once per compute call, every
// channel takes its next input block, the kind acts on it, and the block is
// counted and released. Driver errors take the shared failure path.
#pragma once

#include "mod_frame.h"

enum { OUTPUT_NO_FIELD = 0xFFFF };

struct OutputKind {
    const ModFrame* frame;  // source tags, channel count
    u16 seenOffset;         // double samples seen (0.0: nothing taken yet) in the channel runtime record
    u16 blockEndOffset;     // double block end time in the record, or OUTPUT_NO_FIELD
    // Acts on a block with at least one sample and sets *called when it
    // called the driver. A non-zero result is a driver error that stops the
    // experiment; the block then stays unreleased.
    i32 (*act)(Module* m, u32 channel, void* record, const Block* block, bool* called);
};

// The module's compute function: 1 after serving the channels, 0 when the
// module is inactive or a driver error stopped the experiment.
i32 MOD_OutputCompute(Module* m, const OutputKind* kind);

// An output whose values do not change writes nothing, so a lost device
// would go unnoticed while the worksheet believes its outputs are driven. A
// compute call that took blocks but called the driver for none of them
// therefore asks the device one question without effect, its serial number.
// True when the device is lost: the experiment has been stopped and the loss
// reported. Any other answer counts for nothing.
bool MOD_OutputDeviceLost(Module* m, const ModFrame* f);

// The samples of a block (input blocks share the output blocks' layout).
static inline const float* MOD_BlockValues(const Block* b)
{
    return (const float*)((const u8*)b + offsetof(Block, values));
}
