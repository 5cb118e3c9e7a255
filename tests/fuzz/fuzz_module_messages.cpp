// Damaged parameter blocks through every message of every module kind, its
// compute function and its parameter dialog, against the native tests' fake
// host and device (which abort on a text that runs out of its field): the
// input chooses the kind, the block's bytes, the channel counts, which
// channels have fifo descriptors and runtime records, and a sequence of
// messages, compute calls (the clock, the device's answers and faults, the
// input blocks) and dialog sessions (what the controls hold). The areas have
// exactly the host's sizes, so the sanitizers see any stray access.
#include <stdlib.h>
#include <string.h>

#include "mod_dialog_common.h"
#include "test_fakes.h"

namespace {

struct Input {
    const u8* p;
    size_t n;
    u8 byte() { return n ? (--n, *p++) : 0; }
    u32 word() { return byte() | (u32)byte() << 8 | (u32)byte() << 16 | (u32)byte() << 24; }
    // An area of random bytes, of bytes without any zero, or of zeros.
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

// Entry points whose faults the input sets, by name.
const char* const kFaulty[] = {"GetCardIDBySerial", "ConfigMeasure", "StartMeasure", "CT_ClearChannelList",
                               "CT_AddChannelToList", "TTL_AddChannelToList", "TTL_SetChannelDirection",
                               "TTL_GetPortInfos", "TTL_ReadPort", "TTL_WritePort", "AD_ReadSingleVoltage",
                               "CT_ReadSingleValue", "DA_WriteChannelVoltage", "PWM_PreparePWMOutput",
                               "PWM_PrepareFMOutput", "PWM_StartOutput", "PWM_WriteNewPWMRatio", "PWM_SetFrequency",
                               "PWM_SetDutyCycle", "MeasurementChannel_GetNumberOfValues",
                               "MeasurementChannel_ReadDataAsDouble", "MeasurementChannel_ReadDataAsUInt32"};

// One compute call; the clock quotient stays in a range that a run can reach.
void RunCompute(Input& in, Rig& rig, Module* m, const ModClass& kind)
{
    if (in.byte() % 8 == 0) rig.timeBase = in.byte() % 4;  // else the blocks' default
    rig.blockSize = in.byte() % 4 ? in.byte() : in.word() % 65536;
    rig.distance = in.byte() % 4 ? 0.001 * (1 + in.byte()) : (double)in.word();
    rig.time = rig.distance * (in.word() % 100000) + in.byte() * 1e-6;
    rig.overReport = in.byte() % 3;
    rig.countOffset = in.byte() % 8 ? 0 : (i32)in.word();
    rig.portWord = in.word();
    if (in.byte() % 8 == 0) rig.fail(kFaulty[in.byte() % (sizeof kFaulty / sizeof *kFaulty)], -(i32)in.byte());
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        rig.waiting[c].assign(in.byte() % 4 ? in.byte() : in.word() % 70000, 1.0 * c);
        rig.streams[c].storage.clear();  // the next block as long as the fifo says now
        rig.inputs[c].clear();
        if (in.byte() % 3 == 0) continue;
        std::vector<float> values(in.byte() % 4 ? in.byte() : (u16)in.word());
        in.fill(values.data(), values.size() * sizeof(float));
        rig.feed(c, values);
    }
    kind.compute(m);
}

// A dialog session: channels shown and stored, commands, copies to all
// channels, then Ok or Cancel.
void RunDialog(Input& in, Module* m, const ModDialogKind* k)
{
    static const int kIds[] = {1005, 1008, 1009, 1010, 1011, 1012, 1013, 1014,
                               1015, 1016, 1018, 1019, 1037, 1039, 1040, 23002};
    static const int kCodes[] = {0, 1, 3, 4, 0x100};
    FakeDialog d;
    for (int id : kIds) {
        FakeControl& c = d[id];
        c.text.assign(in.byte() % 2 ? in.byte() : in.word() % 2000, 'x');
        for (char& ch : c.text) ch = (char)(in.byte() | 1);
        c.checked = in.byte() & 1;
    }
    SetCurrentModule(m);
    if (!ModuleDialog_Open(d.hwnd(), k)) return;
    for (int steps = in.byte() % 16; steps > 0 && in.n; --steps) {
        u8 what = in.byte() % 5;
        if (what == 0) {
            k->channel.store(d.hwnd(), barCurrentChannel);
            barCurrentChannel = in.byte() % barUsedChannels;
            k->channel.show(d.hwnd(), barCurrentChannel);
        } else if (what == 1) {
            lastControlId = kIds[in.byte() % 16];
            (in.byte() & 1 ? ModuleDialog_CopyFieldToAll : ModuleDialog_CopyChannelToAll)(d.hwnd(), k);
        } else {
            int id = kIds[in.byte() % 16];
            d[id].selection = in.byte() % 2 ? in.byte() % 8 - 1 : (int)in.word();
            ModuleDialog_Command(d.hwnd(), k, id, kCodes[in.byte() % 5]);
        }
    }
    ModuleDialog_Command(d.hwnd(), k, in.byte() & 1 ? 1006 : 1007, 0);
}

// Host records reached through lParam lie below 4 GiB, as on the target.
struct LowMemory {
    u32 actionCode;
    ActionDesc action;
    Module other;
};

const u32 kMessages[] = {1,   2,   101, 102, 103, 104, 105, 106, 107, 113, 117, 118, 124, 128, 148,
                         149, 151, 154, 155, 156, 167, 168, 170, 172, 201, 202, 999, 1000, 1001};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    static LowMemory* low = (LowMemory*)LowAlloc(sizeof(LowMemory));
    Input in{data, size};
    const ModKind& row = g_modKinds[in.byte() % MOD_KIND_COUNT];
    const ModClass& kind = *row.cls;
    Rig rig;
    rig.handleOf = {{"SER1", 7}, {"10.0.0.1", 8}};
    for (int n = in.byte() % 4; n > 0; --n) rig.vars[in.byte() % 16] = (i32)in.word() / 1000.0;
    TestModule t(row.frame);
    Module* m = t.m;

    u32 present = in.word();
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        Fifo& fifo = rig.streams[c].fifo;
        in.fill(&fifo, sizeof fifo);
        fifo.blockSize %= 65536;
        if (!(present & (1u << c))) m->outputFifo[c] = nullptr;
        if (!(present & (1u << (16 + c)))) free(m->channel[c]), m->channel[c] = nullptr;
    }
    in.fill(m->runtime, kind.runtimeSize);
    if (in.byte() % 2) {  // a well-formed block on a known device, or random bytes; then damaged
        kind.handler(m, DMM_CREATE_MODULE, 0, 0);
        if (in.byte() % 2) kw_strlcpy(MOD_Header(m)->device, "\\?\\usb#0#SER1###", DEV_STRING_SIZE);
    } else {
        in.fill(m->params, kind.paramSize);
    }
    in.patch(m->params, kind.paramSize);
    m->inputCount = in.byte() % 2 ? in.word() : in.byte() % 18;
    m->outputCount = in.byte() % 2 ? in.word() : in.byte() % 18;
    ChannelTexts* texts = (ChannelTexts*)malloc(sizeof(ChannelTexts));
    in.fill(texts, sizeof *texts);
    in.patch(texts, sizeof *texts);
    low->other.params = texts;

    for (int steps = 0; in.n && steps < 64; ++steps) {
        u32 msg = kMessages[in.byte() % (sizeof kMessages / sizeof *kMessages)];
        if (msg == 1000) {
            RunCompute(in, rig, m, kind);
            continue;
        }
        if (msg == 1001) {
            RunDialog(in, m, row.dialog);
            continue;
        }
        u32 wParam = in.byte() % 3 ? in.byte() % 20 : in.word();
        u32 lParam = in.word();
        if (msg == DMM_QUERY_MODULE_ACTION || msg == DMM_MODULE_ACTION) {
            low->actionCode = lParam % 16;
            lParam = lParam & 0x100 ? 0 : Low32(&low->actionCode);
        } else if (msg == DMM_DESCRIBE_MODULE_ACTION) {
            low->action.action = lParam % 16;
            lParam = Low32(&low->action);
        } else if (msg == DMM_EXPORT_CHANNEL_TEXTS || msg == DMM_IMPORT_CHANNEL_TEXTS) {
            lParam = lParam & 0x100 ? 0 : Low32(&low->other);
        }
        i32 result = kind.handler(m, msg, wParam, lParam);
        if (msg == DCM_GET_UNIT && result) {  // the unit field of an existing channel
            const char* unit = MOD_Channel(m, row.frame, wParam)->unit;
            if (wParam >= KW_MAX_CHANNELS || (u32)result != Low32(unit) || !memchr(unit, 0, CHANNEL_UNIT_SIZE))
                abort();
        }
    }
    free(texts);
    return 0;
}
