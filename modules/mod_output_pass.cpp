#include "mod_output_pass.h"

#include "dev_search.h"
#include "drv_table.h"
#include "mod_run.h"

template <typename T>
static T* Field(void* record, u16 offset)
{
    return (T*)((u8*)record + offset);
}

bool MOD_OutputDeviceLost(Module* m, const ModFrame* f)
{
    char serial[DEV_PROPERTY_SIZE];
    u32 length = sizeof serial;
    return MOD_Lost(m, f, g_drv.GetDevicePropertyStringA(MOD_Runtime(m)->handle, "serialnumber", serial, &length));
}

i32 MOD_OutputCompute(Module* m, const OutputKind* k)
{
    if (!MOD_Running(m)) return 0;
    bool took = false, called = false;
    for (u32 c = 0, n = MOD_ChannelCount(m, k->frame); c < n; ++c) {
        void* record = m->channel[c];
        if (!record) continue;
        const Block* b = g_host.GetInputBlock(m, c);
        if (!b) continue;
        took = true;
        u16 count = b->count;
        if (k->blockEndOffset != OUTPUT_NO_FIELD)
            *Field<double>(record, k->blockEndOffset) = b->startTime + count * b->sampleDistance;
        // An empty block has no first sample: it is taken and released only.
        if (count > 0) {
            i32 status = k->act(m, c, record, b, &called);
            if (status != 0) return MOD_StopOnDriverError(m, k->frame->errorTag, status, __LINE__);
        }
        *Field<double>(record, k->seenOffset) += count;
        g_host.NewReleaseInputBlock(m, c, k->frame->tag, __LINE__);
    }
    if (took && !called && MOD_OutputDeviceLost(m, k->frame)) return 0;
    return 1;
}
