#include "test_frame_fakes.h"

#include <stdarg.h>
#include <sys/mman.h>

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

Rig::Rig()
{
    s_rig = this;
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

    g_host = HostServices{};
    g_host.PerformDefaultAction = [](Module*, u32 msg, u32 w, u32 l) { return Log("Default(%u,%u,%u)", msg, w, l), 77; };
    g_host.ShowWarning = [](const char* name, const char* text) { Log("ShowWarning(%s|%s)", name, text); };
    g_host.GlStr_RegisterByText = [](const char* text, Module*, Handler) { Log("GlStr_Register(%s)", text); };
    g_host.GlStr_UnregisterByText = [](const char* text, Module*, Handler) { Log("GlStr_Unregister(%s)", text); };
    g_host.GlVar_RegisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Register(%d)", n); };
    g_host.GlVar_UnregisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Unregister(%d)", n); };
    g_host.GlVar_Get = [](int n, double* value) {
        auto it = s_rig->vars.find(n);
        return it == s_rig->vars.end() ? 0 : (*value = it->second, 1);
    };
    g_host.CopyChannelName = [](Fifo*, const char* name) { Log("CopyChannelName(%s)", name); };
    g_host.GetTimeBaseBlockSize = [](u32 tb) { return Log("GetTimeBaseBlockSize(%u)", tb), 256u; };
    g_host.GetTimeBaseSampleDistance = [](u32 tb) { return Log("GetTimeBaseSampleDistance(%u)", tb), 0.5; };
    const char* const shortNames[] = {"AnalogIn", "AnalogOut", "CounterIn", "CounterOut", "DigitalIn", "DigitalOut"};
    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], shortNames[k]);
    DEV_ResetAll();
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
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) m->channel[c] = calloc(1, k.channelSize);
    strcpy(m->name, g_modShortName[f->kind]);
}

TestModule::~TestModule()
{
    free(m->params);
    free(m->runtime);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) free(m->channel[c]);
    munmap(m, sizeof(Module));
}
