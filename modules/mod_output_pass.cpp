#include "mod_output_pass.h"

#include "mod_run.h"

template <typename T>
static T* Field(void* record, u16 offset)
{
    return (T*)((u8*)record + offset);
}

i32 MOD_OutputCompute(Module* m, const OutputKind* k)
{
    if (!MOD_Running(m)) return 0;
    for (u32 c = 0, n = MOD_ChannelCount(m, k->frame); c < n; ++c) {
        void* record = m->channel[c];
        if (!record) continue;
        const Block* b = g_host.GetInputBlock(m, c);
        if (!b) continue;
        u16 count = b->count;
        if (k->blockEndOffset != OUTPUT_NO_FIELD)
            *Field<double>(record, k->blockEndOffset) = b->startTime + count * b->sampleDistance;
        // An empty block has no first sample: it is taken and released only.
        if (count > 0) {
            i32 status = k->act(m, c, record, b);
            if (status != 0) return MOD_StopOnDriverError(m, k->errorTag, status, __LINE__);
        }
        *Field<double>(record, k->seenOffset) += count;
        g_host.NewReleaseInputBlock(m, c, k->frame->tag, __LINE__);
    }
    return 1;
}
