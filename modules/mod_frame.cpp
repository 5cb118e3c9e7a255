// Module frame: the message handling that all six module kinds share.
#include "mod_frame.h"

#include <stdio.h>

#include "dev_device.h"
#include "kw_strings.h"
#include "mod_account.h"
#include "mod_dialog.h"

enum {
    ACTION_NONE = 0,
    ACTION_SET_FREQUENCY = 13,
    ACTION_SET_AMPLITUDE = 14,
    TIME_BASE_DEFAULT = 2,
};

// lParam carries host addresses (the target is 32-bit).
template <class T>
static inline T* HostAddress(u32 lParam)
{
    return (T*)(uintptr_t)lParam;
}
static inline i32 AsResult(const void* address) { return (i32)(uintptr_t)address; }

static i32 Default(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    return g_host.PerformDefaultAction(m, msg, wParam, lParam);
}

static u32 AtMost16(u32 n) { return n < (u32)KW_MAX_CHANNELS ? n : (u32)KW_MAX_CHANNELS; }

u32 MOD_ChannelCount(const Module* m, const ModFrame* f)
{
    return AtMost16(f->outputKind ? m->inputCount : m->outputCount);
}

ChannelHead* MOD_Channel(Module* m, const ModFrame* f, u32 i)
{
    return (ChannelHead*)((u8*)m->params + sizeof(ParamHeader) + (size_t)f->channelStride * i);
}

void MOD_TerminateText(char* field, size_t size)
{
    if (!memchr(field, 0, size)) field[size - 1] = 0;
}

// Channel name i, terminated inside its field before the host reads it.
static const char* ChannelName(Module* m, const ModFrame* f, u32 i)
{
    char* name = MOD_Channel(m, f, i)->name;
    MOD_TerminateText(name, CHANNEL_NAME_SIZE);
    return name;
}

static void ChannelGlobals(Module* m, const ModFrame* f, bool registering)
{
    PFN_GlStr_RegisterByText call = registering ? g_host.GlStr_RegisterByText : g_host.GlStr_UnregisterByText;
    Handler handler = MOD_KindOf(f)->cls->handler;
    for (u32 i = 0, n = MOD_ChannelCount(m, f); i < n; ++i) {
        call(ChannelName(m, f, i), m, handler);
        if (f->channelGlobals) f->channelGlobals(m, i, registering);
    }
}

void MOD_RegisterChannelNames(Module* m, const ModFrame* f) { ChannelGlobals(m, f, true); }
void MOD_UnregisterChannelNames(Module* m, const ModFrame* f) { ChannelGlobals(m, f, false); }

void MOD_ClearChannelRecords(Module* m, const ModFrame* f)
{
    // Indexed: the record is packed, its array is not aligned natively.
    u32 size = MOD_KindOf(f)->cls->channelSize;
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c)
        if (m->channel[c]) memset(m->channel[c], 0, size);
}

void MOD_WriteDefaults(Module* m, const ModFrame* f)
{
    m->inputCount = f->outputKind ? 1 : 0;
    m->outputCount = f->outputKind ? 0 : 1;

    ParamHeader* h = MOD_Header(m);
    h->magic = PARAM_MAGIC;
    h->version = PARAM_VERSION;
    h->sectionCount = PARAM_SECTIONS;
    h->sections[0] = {1, 1, PARAM_SIGNATURE_SIZE};
    h->sections[1] = {2, 1, 272};  // device string and the three numbers after it
    h->sections[2] = {2, KW_MAX_CHANNELS, f->channelStride};
    kw_strlcpy(h->signature, f->signature, sizeof h->signature);

    h->device[0] = 0;
    const char* current = DEV_CurrentDeviceString();
    if (f->takesCurrentDevice && current && strlen(current) < sizeof h->device)
        memcpy(h->device, current, strlen(current) + 1);
    h->reserved344 = PARAM_RESERVED_344;

    const char* shortName = g_modShortName[MOD_KindOf(f) - g_modKinds];
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        ChannelHead* c = MOD_Channel(m, f, i);
        snprintf(c->name, sizeof c->name, "%.13s %u", shortName, i);
        kw_strlcpy(c->unit, f->unit, sizeof c->unit);
    }
    u32 timeBase = TIME_BASE_DEFAULT;
    memcpy((u8*)m->params + f->timeBaseOffset, &timeBase, sizeof timeBase);
    f->defaults(m->params);
}

void MOD_AnalogChannelDefaults(void* params)
{
    // Analog input and output blocks begin alike.
    AnalogChannel* channel = ((AnalogInParams*)params)->channel;
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        channel[i].range = 0;
        channel[i].inputSwitch = 1;
        channel[i].inputMode = 0;
        channel[i].reserved96 = 0;
        channel[i].realTime = 1;
    }
}

void MOD_DigitalDefaults(void* params)
{
    DigitalParams* p = (DigitalParams*)params;
    for (DigitalChannel& c : p->channel) c.realTime = 1;
    p->port = 0;  // "PA"
    // Port information until the first start reads the device's.
    p->portCount = 4;
    p->linesPerPort = 4;
    p->portWord3 = 16;
    p->portWord4 = 16;
}

i32 MOD_SetupFifo(Module* m, const ModFrame* f, u32 c)
{
    ModRuntime* rt = MOD_Runtime(m);
    if (c >= KW_MAX_CHANNELS || !rt) return 0;
    Fifo* fifo = m->outputFifo[c];
    if (f->fifo == MOD_FIFO_CHECKED) {
        if (rt->handle < 0 || !fifo) return 0;
        switch (fifo->kind) {
        case 0: case 10: case 11: case 20: case 21: break;
        default: return 0;
        }
    }
    u32 timeBase = MOD_TimeBaseId(m, f);
    rt->blockSize = g_host.GetTimeBaseBlockSize(timeBase);
    rt->sampleDistance = g_host.GetTimeBaseSampleDistance(timeBase);
    if (fifo) {
        fifo->blockSize = rt->blockSize;
        fifo->sampleDistance = rt->sampleDistance;
    }
    if (f->fifo == MOD_FIFO_CHECKED && m->channel[c]) {
        u8* record = (u8*)m->channel[c] + f->fifoRecordOffset;
        float distance = (float)rt->sampleDistance;
        memcpy(record, &rt->blockSize, sizeof(u32));
        memcpy(record + sizeof(u32), &distance, sizeof distance);
    }
    return 1;
}

// Channel mask of DMM_MODULE_ACTION: bit i for channel i, 0 for all.
static bool SelectsAnyChannel(const Module* m, const ModFrame* f, u32 mask)
{
    u32 n = MOD_ChannelCount(m, f);
    return n > 0 && (mask == 0 || (mask & ((1u << n) - 1)) != 0);
}

static i32 ModuleAction(Module* m, const ModFrame* f, u32 mask, u32 lParam)
{
    if (!SelectsAnyChannel(m, f, mask)) return 1;
    if (!f->actionChecksCode) return 0;
    // lParam addresses the action code, as with DMM_QUERY_MODULE_ACTION.
    const u32* code = HostAddress<const u32>(lParam);
    return code && (*code == ACTION_SET_FREQUENCY || *code == ACTION_SET_AMPLITUDE);
}

static i32 DescribeAction(const ModFrame* f, ActionDesc* d)
{
    if (!d) return 0;
    static const u32 nameIds[2][2] = {{IDS_SET_FREQUENCY, IDS_FREQUENCY},
                                      {IDS_SET_DUTY_CYCLE, IDS_DUTY_CYCLE}};
    u32 which;
    if (d->action == ACTION_SET_FREQUENCY)
        which = 0;
    else if (d->action == ACTION_SET_AMPLITUDE)
        which = 1;
    else
        return 0;
    d->instance = g_instance;
    kw_strlcpy(d->key, f->actionKeys[which], sizeof d->key);
    d->flag1 = 1;
    d->commandNameId = nameIds[which][0];
    d->valueNameId = nameIds[which][1];
    d->flag2 = 1;
    return 1;
}

// The transfer block is the parameter block of another host module record.
static ChannelTexts* TransferBlock(u32 lParam)
{
    Module* other = HostAddress<Module>(lParam);
    return other ? (ChannelTexts*)other->params : nullptr;
}

static i32 ExportTexts(Module* m, const ModFrame* f, ChannelTexts* t)
{
    if (!t) return 0;
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        const ChannelHead* c = MOD_Channel(m, f, i);
        memcpy(t->names[i].name, c->name, CHANNEL_NAME_SIZE);
        memcpy(t->units[i], c->unit, CHANNEL_UNIT_SIZE);
    }
    t->namesPresent = 1;
    t->unitsPresent = 1;
    return 1;
}

// The names and variables registered with the host are those of the block
// and channel count that the defaults replace: they are unregistered first
// and the new ones registered after, so that the host never keeps a
// registration that delete would not undo.
static i32 ImportTexts(Module* m, const ModFrame* f, const ChannelTexts* t)
{
    if (!t) return 0;
    MOD_UnregisterChannelNames(m, f);
    MOD_WriteDefaults(m, f);
    m->host830 = 0;
    for (u32 i = 0; i < KW_MAX_CHANNELS; ++i) {
        ChannelHead* c = MOD_Channel(m, f, i);
        if (t->namesPresent) {
            memcpy(c->name, t->names[i].name, CHANNEL_NAME_SIZE);
            MOD_TerminateText(c->name, CHANNEL_NAME_SIZE);
        }
        if (t->unitsPresent) {
            memcpy(c->unit, t->units[i], CHANNEL_UNIT_SIZE);
            MOD_TerminateText(c->unit, CHANNEL_UNIT_SIZE);
        }
    }
    MOD_RegisterChannelNames(m, f);
    return 1;
}

// A module has a device only from a successful prepare to its stop: a host
// that calls compute or go before any prepare finds no handle to use.
static void ForgetDevice(Module* m)
{
    if (m->runtime) MOD_Runtime(m)->handle = -1;
}

static i32 LoadModule(Module* m, const ModFrame* f)
{
    ForgetDevice(m);
    MOD_RegisterDevice(m, MOD_Header(m)->device);
    MOD_RegisterChannelNames(m, f);
    if (f->refresh) f->refresh(m);
    return 1;
}

// A run message with the trace on: the step's name before, its result after,
// so that the driver calls between them read as the step's story.
static i32 RunStep(Module* m, const ModFrame* f, const char* step, ModRunHook hook)
{
    if (!TRC_On()) return hook(m, f);
    TRC_Printf("%.13s: %s", m->name, step);
    i32 result = hook(m, f);
    TRC_Printf("%.13s: %s = %d", m->name, step, (int)result);
    return result;
}

static i32 ParamDialog(Module* m, const ModFrame* f)
{
    TRC_Printf("%.13s: dialog opens", m->name);
    int result = MOD_RunParamDialog(m, MOD_KindOf(f)->dialog);
    TRC_Printf("%.13s: dialog closes = %d", m->name, result);
    return 1;
}

// The input kinds' accounts of their values run from prepare to stop; the
// summary and the lines waiting are written at stop.
static i32 Prepare(Module* m, const ModFrame* f)
{
    if (!f->outputKind) MOD_OpenAccount(m);
    return RunStep(m, f, "prepare", f->prepare);
}

// Every kind's start first registers its channel names again, so that names
// edited since loading are current.
static i32 Start(Module* m, const ModFrame* f)
{
    MOD_UnregisterChannelNames(m, f);
    MOD_RegisterChannelNames(m, f);
    return RunStep(m, f, "start", f->start);
}

static i32 Stop(Module* m, const ModFrame* f)
{
    i32 result = RunStep(m, f, "stop", f->stop);
    MOD_CloseAccount(m, f);
    TRC_Flush();
    return result;
}

i32 MOD_Dispatch(const ModFrame* f, Module* m, u32 msg, u32 wParam, u32 lParam)
{
    if (msg == DQM_UNREGISTER_CLASS) return 1;
    // Every other message of the frame works on the host's records.
    if (!m || !m->params) return Default(m, msg, wParam, lParam);
    switch (msg) {
    case DQM_CHECK_CONNECTIONS:
        return f->outputKind ? (m->inputCount != 0 && m->outputCount == 0)
                             : (m->inputCount == 0 && m->outputCount != 0);
    case DMM_CREATE_MODULE:
        ForgetDevice(m);
        MOD_WriteDefaults(m, f);
        return 1;
    case DMM_DELETE_MODULE:
        MOD_UnregisterChannelNames(m, f);
        MOD_ForgetAccount(m);
        return 1;
    case DMM_PARAM_MODULE:
        return ParamDialog(m, f);
    case DMM_SAVE_MODULE:
        return 1;
    case DMM_LOAD_MODULE:
        return LoadModule(m, f);
    case DMM_PREPARE_START_MODULE:
        return Prepare(m, f);
    case DMM_START_MODULE:
        return Start(m, f);
    case DMM_GO_MODULE:
        return RunStep(m, f, "go", f->go);
    case DMM_STOP_MODULE:
        return Stop(m, f);
    case DMM_QUERY_MODULE_ACTION: {
        const u32* code = HostAddress<const u32>(lParam);
        return code && (*code == ACTION_NONE || *code == ACTION_SET_FREQUENCY ||
                        *code == ACTION_SET_AMPLITUDE);
    }
    case DMM_MODULE_ACTION:
        return ModuleAction(m, f, wParam, lParam);
    case DMM_DESCRIBE_MODULE_ACTION:
        return DescribeAction(f, HostAddress<ActionDesc>(lParam));
    case DMM_REFRESH_148:
    case DMM_REFRESH_149:
        if (f->refresh) f->refresh(m);
        return Default(m, msg, wParam, lParam);
    case DMM_PUBLISH_CHANNEL_NAMES:
        for (u32 i = 0, n = AtMost16(m->outputCount); i < n; ++i)
            g_host.CopyChannelName(m->outputFifo[i], ChannelName(m, f, i));
        return Default(m, msg, wParam, lParam);
    case DMM_GET_PARAM_DESCRIPTION:
        return AsResult(f->description);
    case DMM_EXPORT_CHANNEL_TEXTS:
        return ExportTexts(m, f, TransferBlock(lParam));
    case DMM_IMPORT_CHANNEL_TEXTS:
        return ImportTexts(m, f, TransferBlock(lParam));
    case DMM_NOP_170:
    case DMM_NOP_172:
        return 1;
    case DCM_SETUP_FIFO:
        if (f->fifo == MOD_FIFO_HOST) return Default(m, msg, wParam, lParam);
        return MOD_SetupFifo(m, f, wParam);
    case DCM_GET_UNIT: {
        if (wParam >= KW_MAX_CHANNELS) return 0;
        char* unit = MOD_Channel(m, f, wParam)->unit;
        MOD_TerminateText(unit, CHANNEL_UNIT_SIZE);
        return AsResult(unit);
    }
    default:
        return Default(m, msg, wParam, lParam);
    }
}
