// Damaged parameter blocks through every message of every module kind: the
// input chooses the kind, the block's bytes, the channel counts, which
// channels have fifo descriptors and runtime records, and a message sequence.
// A fake host checks every text it is handed ends inside its field; the areas
// have exactly the host's sizes, so the sanitizers see any stray access.
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include "dev_device.h"
#include "drv_table.h"
#include "mod_frame.h"

namespace {

struct Input {
    const u8* p;
    size_t n;
    u8 byte() { return n ? (--n, *p++) : 0; }
    u32 word()
    {
        u32 w = 0;
        for (int i = 0; i < 4; ++i) w |= (u32)byte() << (8 * i);
        return w;
    }
    // Fills an area from a seed of the input: random bytes, bytes without
    // any zero, or zeros.
    void fill(void* dst, size_t size)
    {
        u8 mode = byte() % 3;
        u32 x = word() | 1;
        for (size_t i = 0; i < size; ++i) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;  // xorshift
            ((u8*)dst)[i] = mode == 0 ? (u8)x : mode == 1 ? (u8)(x | 1) : 0;
        }
    }
    // A few bytes of the area overwritten by the input at chosen places.
    void patch(void* dst, size_t size)
    {
        for (u8 k = byte() % 8; k && n; --k) {
            size_t at = (byte() | (size_t)byte() << 8) % size;
            for (u8 len = byte() % 16; len && at < size; --len) ((u8*)dst)[at++] = byte();
        }
    }
};

const ModFrame* const kFrames[] = {&g_frameAnalogIn,  &g_frameAnalogOut,  &g_frameCounterIn,
                                   &g_frameCounterOut, &g_frameDigitalIn, &g_frameDigitalOut};
const u32 kMessages[] = {1,   2,   101, 102, 103, 104, 105, 106, 107, 113, 117, 118, 124, 128,
                         148, 149, 151, 154, 155, 156, 167, 168, 170, 172, 201, 202, 999};

// Host records reached through lParam must lie below 4 GiB, as on the target.
struct LowMemory {
    u32 actionCode;
    ActionDesc action;
    Module other;
};
LowMemory* s_low;
Module* s_module;

void TextInField(const char* text, size_t field)
{
    if (!memchr(text, 0, field)) abort();
}

i32 Default(Module*, u32, u32, u32) { return 0; }
void Warning(const char* name, const char* text) { TextInField(name, 13), TextInField(text, 200); }
void NameCall(const char* text, Module*, Handler) { TextInField(text, CHANNEL_NAME_SIZE); }
void VarCall(int, Module*, Handler) {}
int VarGet(int n, double* value) { return n & 1 ? (*value = -n, 1) : 0; }
void CopyName(Fifo*, const char* name) { TextInField(name, CHANNEL_NAME_SIZE); }
u32 BlockSize(u32 tb) { return tb * 7; }
double Distance(u32 tb) { return 1.0 / (tb | 1); }

i32 DrvOk(i32) { return 0; }
i32 Connect(i32* h, const char* address, i32, u32, u32*) { return *h = (i32)strlen(address) % 3, 0; }
i32 BySerial(const char* serial, i32* h) { return *h = (i32)strlen(serial) % 3, 0; }
i32 ListSize(i32, u32* count) { return *count = 3, 0; }
i32 AddAnalog(i32, u32, u32, u32, u32) { return 0; }
i32 Frequency(i32, double) { return 0; }
i32 SoftwareClock(i32, u32, u32) { return 0; }

void Install()
{
    g_host.PerformDefaultAction = Default;
    g_host.ShowWarning = Warning;
    g_host.GlStr_RegisterByText = NameCall;
    g_host.GlStr_UnregisterByText = NameCall;
    g_host.GlVar_RegisterByNumber = VarCall;
    g_host.GlVar_UnregisterByNumber = VarCall;
    g_host.GlVar_Get = VarGet;
    g_host.CopyChannelName = CopyName;
    g_host.GetTimeBaseBlockSize = BlockSize;
    g_host.GetTimeBaseSampleDistance = Distance;
    g_drv.RemoteDeviceConnect = Connect;
    g_drv.GetCardIDBySerial = BySerial;
    g_drv.RemoteDeviceDisconnect = DrvOk;
    g_drv.ConfigMeasure = DrvOk;
    g_drv.StartMeasure = DrvOk;
    g_drv.StopMeasure = DrvOk;
    g_drv.AD_ClearChannelList = DrvOk;
    g_drv.AD_GetChannelListSize = ListSize;
    g_drv.AD_AddChannelToList = AddAnalog;
    g_drv.AD_SetFrequency = Frequency;
    g_drv.EnableSoftwareClock = SoftwareClock;
    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], "ShortName");
    s_low = (LowMemory*)mmap(nullptr, sizeof(LowMemory), PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    s_module = (Module*)mmap(nullptr, sizeof(Module), PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (s_low == MAP_FAILED || s_module == MAP_FAILED) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (!s_low) Install();
    Input in{data, size};
    const ModFrame* f = kFrames[in.byte() % MOD_KIND_COUNT];
    const ModKind& kind = g_modKinds[f->kind];

    Module* m = s_module;
    memset(m, 0, sizeof *m);
    strcpy(m->name, "Fuzzed");
    m->params = malloc(kind.paramSize);
    m->runtime = malloc(kind.runtimeSize);
    u32 present = in.word();
    Fifo fifos[KW_MAX_CHANNELS];
    in.fill(fifos, sizeof fifos);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        if (present & (1u << c)) m->outputFifo[c] = &fifos[c];
        if (present & (1u << (16 + c))) m->channel[c] = calloc(1, kind.channelSize);
    }
    in.fill(m->runtime, kind.runtimeSize);
    // A well-formed block or random bytes, then damaged at a few places.
    if (in.byte() % 2)
        f->handler(m, DMM_CREATE_MODULE, 0, 0);
    else
        in.fill(m->params, kind.paramSize);
    in.patch(m->params, kind.paramSize);
    m->inputCount = in.byte() % 2 ? in.word() : in.byte() % 18;
    m->outputCount = in.byte() % 2 ? in.word() : in.byte() % 18;
    ChannelTexts* texts = (ChannelTexts*)malloc(sizeof(ChannelTexts));
    in.fill(texts, sizeof *texts);
    in.patch(texts, sizeof *texts);
    s_low->other.params = texts;

    for (int steps = 0; in.n && steps < 64; ++steps) {
        u32 msg = kMessages[in.byte() % (sizeof kMessages / sizeof kMessages[0])];
        u32 wParam = in.byte() % 3 ? in.byte() % 20 : in.word();
        u32 lParam = in.word();
        switch (msg) {
        case DMM_QUERY_MODULE_ACTION:
        case DMM_MODULE_ACTION:
            s_low->actionCode = lParam % 16;
            lParam = lParam & 0x100 ? 0 : (u32)(uintptr_t)&s_low->actionCode;
            break;
        case DMM_DESCRIBE_MODULE_ACTION:
            s_low->action.action = lParam % 16;
            lParam = (u32)(uintptr_t)&s_low->action;
            break;
        case DMM_EXPORT_CHANNEL_TEXTS:
        case DMM_IMPORT_CHANNEL_TEXTS:
            lParam = lParam & 0x100 ? 0 : (u32)(uintptr_t)&s_low->other;
            break;
        }
        i32 result = f->handler(m, msg, wParam, lParam);
        if (msg == DCM_GET_UNIT && result) {
            const char* unit = MOD_Channel(m, f, wParam)->unit;
            if (wParam >= KW_MAX_CHANNELS || (u32)result != (u32)(uintptr_t)unit) abort();
            TextInField(unit, CHANNEL_UNIT_SIZE);
        }
    }

    free(texts);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) free(m->channel[c]);
    free(m->runtime);
    free(m->params);
    DEV_ResetAll();
    return 0;
}
