#include "test_fakes.h"

#include <stdarg.h>
#include <sys/mman.h>

#include <algorithm>
#include <cmath>

static Rig* s_rig;

static void Log(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    s_rig->log.push_back(text);
}

static i32 Found(const char* key, i32* h)
{
    auto it = s_rig->handleOf.find(key);
    return it == s_rig->handleOf.end() ? -5 : (*h = it->second, 0);
}

static Stream& StreamOf(Fifo* f)
{
    for (Stream& s : s_rig->streams)
        if (&s.fifo == f) return s;
    abort();
}

static void Fresh(Stream& s)
{
    s.storage.assign(3 + (s.fifo.blockSize + 1) / 2, 0.0);
    std::fill(s.values(), s.values() + s.fifo.blockSize, NAN);
}

static void InstallHost()
{
    g_host = HostServices{};
    g_host.PerformDefaultAction = [](Module*, u32 msg, u32 w, u32 l) { return Log("Default(%u,%u,%u)", msg, w, l), 77; };
    g_host.ShowWarning = [](const char* name, const char* text) { Log("ShowWarning(%s|%s)", name, text); };
    g_host.ShowInternalError = [](const char* text, const char* tag, int) { Log("ShowInternalError(%s|%s)", tag, text); };
    g_host.StopExperiment = [] { Log("StopExperiment"); };
    g_host.GlStr_RegisterByText = [](const char* text, Module*, Handler) { Log("GlStr_Register(%s)", text); };
    g_host.GlStr_UnregisterByText = [](const char* text, Module*, Handler) { Log("GlStr_Unregister(%s)", text); };
    g_host.GlVar_RegisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Register(%d)", n); };
    g_host.GlVar_UnregisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Unregister(%d)", n); };
    g_host.GlVar_Get = [](int n, double* value) {
        auto it = s_rig->vars.find(n);
        return it == s_rig->vars.end() ? 0 : (*value = it->second, 1);
    };
    g_host.CopyChannelName = [](Fifo*, const char* name) { Log("CopyChannelName(%s)", name); };
    g_host.GetTimeBaseBlockSize = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->blockSize : 0; };
    g_host.GetTimeBaseSampleDistance = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->distance : 0; };
    g_host.GetTimeBaseTime = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->time : -1; };
    g_host.GetCurrentOutputBlock = [](Fifo* f) -> Block* {
        ++s_rig->blockCalls;
        Stream& s = StreamOf(f);
        if (s.storage.empty()) Fresh(s);
        return (Block*)s.storage.data();
    };
    g_host.NewReleaseOutputBlock = [](Fifo* f, const char* tag, int) {
        Stream& s = StreamOf(f);
        Block* b = (Block*)s.storage.data();
        s.released.push_back({b->startTime, b->sampleDistance, b->count,
                              std::vector<float>(s.values(), s.values() + f->blockSize), tag});
        Fresh(s);
    };
    const char* const shortNames[] = {"AnalogIn", "AnalogOut", "CounterIn", "CounterOut", "DigitalIn", "DigitalOut"};
    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], shortNames[k]);
}

static void InstallDevice()
{
    g_drv = DrvTable{};
    g_drv.RemoteDeviceConnect = [](i32* h, const char* address, i32 port, u32 flags, u32* word) {
        Log("RemoteDeviceConnect(%s,%d,%u)", address, port, flags);
        s_rig->wordAtConnectEntry = *word;
        return Found(address, h);
    };
    g_drv.GetCardIDBySerial = [](const char* serial, i32* h) {
        Log("GetCardIDBySerial(%s)", serial);
        s_rig->handleAtSerialEntry = *h;
        return Found(serial, h);
    };
    g_drv.RemoteDeviceDisconnect = [](i32 h) { return Log("RemoteDeviceDisconnect(%d)", h), 0; };
    g_drv.ConfigMeasure = [](i32 h) { return Log("ConfigMeasure(%d)", h), s_rig->configStatus; };
    g_drv.StartMeasure = [](i32 h) { return Log("StartMeasure(%d)", h), s_rig->startStatus; };
    g_drv.StopMeasure = [](i32 h) { return Log("StopMeasure(%d)", h), 0; };
    g_drv.AD_ClearChannelList = [](i32) { return (i32)(s_rig->listSize = 0); };
    g_drv.AD_GetChannelListSize = [](i32, u32* n) { return *n = s_rig->listSize, s_rig->listSizeStatus; };
    g_drv.AD_AddChannelToList = [](i32 h, u32 c, u32 mode, u32 range, u32 sw) {
        Log("AD_AddChannelToList(%d,%u,%u,%u,%u)", h, c, mode, range, sw);
        return ++s_rig->listSize, 0;
    };
    g_drv.AD_SetFrequency = [](i32 h, double hz) {
        return Log("AD_SetFrequency(%d,%g)", h, hz), s_rig->frequencyStatus[s_rig->frequencyCalls++ > 0];
    };
    g_drv.EnableSoftwareClock = [](i32 h, u32 on, u32 size) {
        return Log("EnableSoftwareClock(%d,%u,%u)", h, on, size), s_rig->clockStatus;
    };
    g_drv.AD_ReadSingleVoltage = [](i32, u32, u32, u32, u32, double* v) {
        return *v = s_rig->singleValue++, s_rig->readStatus;
    };
    g_drv.MeasurementChannel_GetNumberOfValues = [](i32, u32, u32 pos, i32* n) {
        return *n = (i32)s_rig->waiting[pos].size(), 0;
    };
    g_drv.MeasurementChannel_ReadDataAsDouble = [](i32, u32, u32 pos, double* buffer, u32* count, u32, u32, u32,
                                                   u32) {
        if (s_rig->readStatus) return s_rig->readStatus;
        auto& q = s_rig->waiting[pos];
        s_rig->requests.push_back(*count);
        *count = std::min<u32>(*count, (u32)q.size());
        for (u32 i = 0; i < *count; ++i) buffer[i] = q.front(), q.pop_front();
        return 0;
    };
}

Rig::Rig()
{
    s_rig = this;
    g_vars = PluginVariables{};
    InstallHost();
    InstallDevice();
    DEV_ResetAll();
}

Rig::~Rig()
{
    DEV_ResetAll();
    s_rig = nullptr;
}

void* LowAlloc(size_t size)
{
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
    if (p == MAP_FAILED) abort();
    return p;
}

TestModule::TestModule(const ModFrame* f) : frame(f)
{
    const ModKind& k = g_modKinds[f->kind];
    m = (Module*)LowAlloc(sizeof(Module));
    m->params = memset(malloc(k.paramSize), 0xAA, k.paramSize);
    m->runtime = calloc(1, k.runtimeSize);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        m->channel[c] = calloc(1, k.channelSize);
        m->outputFifo[c] = &s_rig->streams[c].fifo;
    }
    strcpy(m->name, g_modShortName[f->kind]);
}

TestModule::~TestModule()
{
    free(m->params);
    free(m->runtime);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) free(m->channel[c]);
    munmap(m, sizeof(Module));
}
