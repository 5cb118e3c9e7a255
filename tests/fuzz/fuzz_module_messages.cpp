// Damaged parameter blocks through every message of every module kind, its
// compute function and its parameter dialog: the input chooses the kind, the
// block's bytes, the channel counts, which channels have fifo descriptors and
// runtime records, and a sequence of messages, compute calls (the clock, the
// device's answers, the input blocks) and dialog sessions (what the controls
// hold). Every text handed to the host must end inside its field; the areas
// have exactly the host's sizes, so the sanitizers see any stray access.
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

#include <string>
#include <vector>

#include "dev_device.h"
#include "drv_table.h"
#include "mod_dialog_common.h"
#include "mod_frame.h"

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

void TextInField(const char* text, size_t field)
{
    if (!memchr(text, 0, field)) abort();
}

template <class... A>
i32 Zero(A...) { return 0; }
template <class... A>
void Nothing(A...) {}

// The device answers this status, these counts and this word until the next compute call.
struct Device {
    i32 status;
    i32 count;
    u32 word;
} s_device;
template <class... A>
i32 Answer(A...) { return s_device.status; }
i32 Word(i32, u32, u32* w) { return *w = s_device.word, Answer(); }
i32 PortInfos(i32, u32* a, u32* b, u32* c, u32* d) { return *a = *b = *c = *d = s_device.word, Answer(); }
i32 Single(i32, u32, u32, u32, u32, double* v) { return *v = s_device.word, Answer(); }
i32 Count(i32, u32, u32, i32* n) { return *n = s_device.count, Answer(); }
template <class T>
i32 ReadValues(i32, u32, u32, T* b, u32* n, u32, u32, u32, u32)  // claims more than asked now and then
{
    for (u32 i = 0; i < *n; ++i) b[i] = (T)i;
    *n += s_device.word % 3;
    return Answer();
}
i32 Connect(i32* h, const char* address, i32, u32, u32*) { return *h = (i32)strlen(address) % 3, 0; }
i32 BySerial(const char* serial, i32* h) { return *h = (i32)strlen(serial) % 3, 0; }
i32 ListSize(i32, u32* count) { return *count = 3, 0; }

double s_time, s_distance;
std::vector<u8> s_outputBlock;  // one current output block for every output
std::vector<u8> s_inputBlocks[KW_MAX_CHANNELS];
Block* CurrentOutput(Fifo* f)
{
    // Room for the block size the fifo set-up wrote; the pass must stay inside.
    if (!f || f->blockSize > 65535) return nullptr;
    s_outputBlock.assign(sizeof(Block) + f->blockSize * sizeof(float), 0);
    return (Block*)s_outputBlock.data();
}
Block* InputBlock(Module*, u32 c)
{
    return c < KW_MAX_CHANNELS && !s_inputBlocks[c].empty() ? (Block*)s_inputBlocks[c].data() : nullptr;
}
void ReleaseInput(Module*, u32 c, const char*, int)
{
    if (c >= KW_MAX_CHANNELS || s_inputBlocks[c].empty()) abort();  // never one it was not given
    s_inputBlocks[c].clear();
}

// The dialog's controls: eight texts, a selection, a count and a check box.
struct Controls {
    std::string text[8];
    int selection, count;
    bool checked;
} s_controls;
std::string& TextOf(int id) { return s_controls.text[(unsigned)id % 8]; }
void SetText(HWND, int id, const char* text) { TextOf(id) = text; }
void GetText(HWND, int id, char* buffer, int size) { kw_strlcpy(buffer, TextOf(id).c_str(), (size_t)size); }
bool GetUnsigned(HWND, int id, u32* v) { return *v = (u32)strtoul(TextOf(id).c_str(), nullptr, 10), !TextOf(id).empty(); }
void Check(HWND, int, bool on) { s_controls.checked = on; }
bool IsChecked(HWND, int) { return s_controls.checked; }
void AddItem(HWND, int, const char* text) { TextInField(text, 64); }
int Selection(HWND, int) { return s_controls.selection; }
int ListCount(HWND, int) { return s_controls.count; }
// The device dialogs take a whole device field, terminated or not.
volatile char s_deviceEnd;
void SelectDevice(HWND, char* device) { s_deviceEnd = device[DEV_STRING_SIZE - 1]; }
bool DeviceInfo(HWND, const char* device) { return s_deviceEnd = device[DEV_STRING_SIZE - 1], true; }
const DlgUi kControls = {SetText, GetText, GetUnsigned, Check,   IsChecked, Nothing,      Nothing,    Nothing, Nothing,
                         AddItem, Nothing, Selection,   ListCount, Nothing, Nothing,   SelectDevice, DeviceInfo, Nothing};

// Host records reached through lParam lie below 4 GiB, as on the target.
struct LowMemory {
    u32 actionCode;
    ActionDesc action;
    Module other, module;
    Module* current;
}* s_low;

void Install()
{
    g_host.PerformDefaultAction = [](Module*, u32, u32, u32) { return 0; };
    g_host.ShowWarning = [](const char* name, const char* text) { TextInField(name, 13), TextInField(text, 200); };
    g_host.ShowInternalError = [](const char* text, const char* tag, int) {
        TextInField(text, 1024), TextInField(tag, 32);
    };
    g_host.GlStr_RegisterByText = g_host.GlStr_UnregisterByText = [](const char* text, Module*, Handler) {
        TextInField(text, CHANNEL_NAME_SIZE);
    };
    g_host.CopyChannelName = [](Fifo*, const char* name) { TextInField(name, CHANNEL_NAME_SIZE); };
    g_host.GlVar_RegisterByNumber = g_host.GlVar_UnregisterByNumber = Nothing;
    g_host.GlVar_Get = [](int n, double* value) { return n & 1 ? (*value = -n, 1) : 0; };
    g_host.GetTimeBaseBlockSize = [](u32 tb) { return tb * 7; };
    g_host.GetTimeBaseTime = [](u32) { return s_time; };
    g_host.GetTimeBaseSampleDistance = [](u32) { return s_distance; };
    g_host.GetCurrentOutputBlock = CurrentOutput;
    g_host.NewReleaseOutputBlock = Nothing;
    g_host.GetInputBlock = InputBlock;
    g_host.NewReleaseInputBlock = ReleaseInput;
    g_host.StopExperiment = Nothing;
    g_host.NewMemAlloc = [](u32 size, const char*, int) { return malloc(size); };
    g_host.NewDoMemFree = [](void* p, const char*, int) { free(p); };
    g_host.SetMenuForGlobalStrings = g_host.SetMenuForGlobalVars = Nothing;
    g_host.FillUnitList = [](HWND, int, const char* unit) { TextInField(unit, CHANNEL_UNIT_SIZE); };
    g_host.FillTimeBaseCombo = Nothing;
    g_host.GetTimeBaseComboID = [](int index) { return (u32)index; };
    g_host.ChangeModuleName = [](Module*, const char* name) { TextInField(name, 13); };
    g_host.ChangeModuleSize = [](Module* m, u32 in, u32 out) { m->inputCount = in, m->outputCount = out; };
    g_host.GlVar_SetSyntax = [](char* text, int n) { return n > 0 && n < 100 ? (strcpy(text, "{V12}"), 1) : 0; };
    g_host.ExpandVarNumber = [](const char* text, int size, i16* n) {
        TextInField(text, (size_t)size);
        return text[0] == '{' ? (*n = (i16)text[1], 1) : 0;
    };
    g_dlgUi = &kControls;

    // The connection and the analog input's set-up succeed; the other entry
    // points a module calls answer the device's status.
    g_drv.RemoteDeviceConnect = Connect;
    g_drv.GetCardIDBySerial = BySerial;
    g_drv.RemoteDeviceDisconnect = g_drv.ConfigMeasure = g_drv.StartMeasure = g_drv.StopMeasure = Zero;
    g_drv.AD_ClearChannelList = Zero;
    g_drv.AD_AddChannelToList = Zero;
    g_drv.AD_SetFrequency = g_drv.CT_SetFrequency = g_drv.TTL_SetFrequency = Zero;
    g_drv.EnableSoftwareClock = Zero;
    g_drv.AD_GetChannelListSize = g_drv.CT_GetChannelListSize = g_drv.TTL_GetChannelListSize = ListSize;
    g_drv.CT_ClearChannelList = g_drv.TTL_ClearChannelList = Answer;
    g_drv.CT_AddChannelToList = Answer;
    g_drv.TTL_AddChannelToList = Answer;
    g_drv.TTL_SetChannelDirection = g_drv.TTL_WritePort = Answer;
    g_drv.CT_ImpulseCounter = g_drv.CT_FrequencyCounter = g_drv.CT_PeriodCounter = g_drv.CT_PulswidthCounter = Answer;
    g_drv.CT_IncrementalCounter = Answer;
    g_drv.CT_ReadSingleValue = g_drv.TTL_ReadPort = Word;
    g_drv.TTL_GetPortInfos = PortInfos;
    g_drv.AD_ReadSingleVoltage = Single;
    g_drv.DA_WriteChannelVoltage = g_drv.PWM_SetFrequency = g_drv.PWM_SetDutyCycle = Answer;
    g_drv.PWM_PreparePWMOutput = g_drv.PWM_PrepareFMOutput = Answer;
    g_drv.PWM_WriteNewPWMRatio = Answer;
    g_drv.PWM_StartOutput = Answer;
    g_drv.MeasurementChannel_GetNumberOfValues = Count;
    g_drv.MeasurementChannel_ReadDataAsDouble = ReadValues<double>;
    g_drv.MeasurementChannel_ReadDataAsUInt32 = ReadValues<u32>;

    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], "ShortName");
    s_low = (LowMemory*)mmap(nullptr, sizeof(LowMemory), PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (s_low == MAP_FAILED) abort();
    g_host.p_CurrentModulePtr = (uintptr_t)&s_low->current;
}

// One compute call; the clock quotient stays in a range that a run can reach.
void RunCompute(Input& in, Module* m, const ModClass& kind)
{
    s_distance = in.byte() % 4 ? 0.001 * (1 + in.byte()) : (double)in.word();
    s_time = s_distance * (in.word() % 100000) + in.byte() * 1e-6;
    s_device = {in.byte() % 8 ? 0 : (in.byte() % 2 ? -1000 : -(i32)in.byte()), (i32)(in.word() % 70000), in.word()};
    for (auto& b : s_inputBlocks) {
        b.clear();
        if (in.byte() % 3 == 0) continue;
        u16 count = in.byte() % 4 ? in.byte() : (u16)in.word();
        b.assign(sizeof(Block) + count * sizeof(float), 0);
        ((Block*)b.data())->count = count;
        in.fill(b.data() + sizeof(Block), count * sizeof(float));
    }
    kind.compute(m);
}

// A dialog session: channels shown and stored, commands, copies to all
// channels, then Ok or Cancel.
void RunDialog(Input& in, Module* m, const ModDialogKind* k)
{
    HWND dialog = (HWND)&s_controls;
    for (std::string& t : s_controls.text) {
        t.assign(in.byte() % 2 ? in.byte() : in.word() % 2000, 'x');
        for (char& c : t) c = (char)(in.byte() | 1);
    }
    s_controls.selection = in.byte() % 2 ? in.byte() % 8 - 1 : (int)in.word();
    s_controls.checked = in.byte() & 1;
    s_controls.count = in.byte() % 8;
    s_low->current = m;
    if (!ModuleDialog_Open(dialog, k)) return;
    static const int kIds[] = {1005, 1008, 1009, 1010, 1011, 1012, 1013, 1014,
                               1015, 1016, 1018, 1019, 1037, 1039, 1040, 23002};
    static const int kCodes[] = {0, 1, 3, 4, 0x100};
    for (int steps = in.byte() % 16; steps > 0 && in.n; --steps) {
        u8 what = in.byte() % 5;
        if (what == 0) {
            k->channel.store(dialog, barCurrentChannel);
            barCurrentChannel = in.byte() % barUsedChannels;
            k->channel.show(dialog, barCurrentChannel);
        } else if (what == 1) {
            lastControlId = kIds[in.byte() % 16];
            (in.byte() & 1 ? ModuleDialog_CopyFieldToAll : ModuleDialog_CopyChannelToAll)(dialog, k);
        } else {
            ModuleDialog_Command(dialog, k, kIds[in.byte() % 16], kCodes[in.byte() % 5]);
        }
    }
    ModuleDialog_Command(dialog, k, in.byte() & 1 ? 1006 : 1007, 0);
}

enum { MSG_COMPUTE = 1000, MSG_DIALOG = 1001 };
const u32 kMessages[] = {1,   2,   101, 102, 103, 104, 105, 106, 107, 113, 117,  118,        124,       128,
                         148, 149, 151, 154, 155, 156, 167, 168, 170, 172, 201, 202, 999, MSG_COMPUTE, MSG_DIALOG};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* data, size_t size)
{
    if (!s_low) Install();
    Input in{data, size};
    const ModKind& row = g_modKinds[in.byte() % MOD_KIND_COUNT];
    const ModClass& kind = *row.cls;

    Module* m = &s_low->module;
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
    if (in.byte() % 2)  // a well-formed block or random bytes, damaged at a few places
        kind.handler(m, DMM_CREATE_MODULE, 0, 0);
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
        if (msg == MSG_COMPUTE) {
            RunCompute(in, m, kind);
            continue;
        }
        if (msg == MSG_DIALOG) {
            RunDialog(in, m, row.dialog);
            continue;
        }
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
        i32 result = kind.handler(m, msg, wParam, lParam);
        if (msg == DCM_GET_UNIT && result) {  // the unit field of an existing channel
            const char* unit = MOD_Channel(m, row.frame, wParam)->unit;
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
