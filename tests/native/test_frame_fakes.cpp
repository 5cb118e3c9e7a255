#include "test_frame_fakes.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>

Rig* g_rig;

static void Log(const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    g_rig->log.push_back(text);
}

// Driver
static i32 Connect(i32* h, const char* address, i32 port, u32 flags, u32* word)
{
    Log("RemoteDeviceConnect(%s,%d,%u)", address, port, flags);
    g_rig->wordAtConnectEntry = *word;
    auto it = g_rig->handleOf.find(address);
    if (it == g_rig->handleOf.end()) return -5;
    *h = it->second;
    return 0;
}
static i32 BySerial(const char* serial, i32* h)
{
    Log("GetCardIDBySerial(%s)", serial);
    g_rig->handleAtSerialEntry = *h;
    auto it = g_rig->handleOf.find(serial);
    if (it == g_rig->handleOf.end()) return -5;
    *h = it->second;
    return 0;
}
static i32 Disconnect(i32 h) { Log("RemoteDeviceDisconnect(%d)", h); return 0; }
static i32 Config(i32 h) { Log("ConfigMeasure(%d)", h); return g_rig->configStatus; }
static i32 Start(i32 h) { Log("StartMeasure(%d)", h); return g_rig->startStatus; }
static i32 Stop(i32 h) { Log("StopMeasure(%d)", h); return 0; }

// Host
static i32 Default(Module*, u32 msg, u32 w, u32 l) { Log("Default(%u,%u,%u)", msg, w, l); return 77; }
static void Warning(const char* name, const char* text) { Log("ShowWarning(%s|%s)", name, text); }
static void StrRegister(const char* text, Module*, Handler) { Log("GlStr_Register(%s)", text); }
static void StrUnregister(const char* text, Module*, Handler) { Log("GlStr_Unregister(%s)", text); }
static void VarRegister(int n, Module*, Handler) { Log("GlVar_Register(%d)", n); }
static void VarUnregister(int n, Module*, Handler) { Log("GlVar_Unregister(%d)", n); }
static int VarGet(int n, double* value)
{
    auto it = g_rig->vars.find(n);
    if (it == g_rig->vars.end()) return 0;
    *value = it->second;
    return 1;
}
static void CopyName(Fifo*, const char* name) { Log("CopyChannelName(%s)", name); }
static u32 BlockSize(u32 tb) { Log("GetTimeBaseBlockSize(%u)", tb); return g_rig->timeBaseBlockSize; }
static double Distance(u32 tb) { Log("GetTimeBaseSampleDistance(%u)", tb); return g_rig->timeBaseDistance; }

Rig::Rig()
{
    g_rig = this;
    g_drv = DrvTable{};
    g_drv.RemoteDeviceConnect = Connect;
    g_drv.GetCardIDBySerial = BySerial;
    g_drv.RemoteDeviceDisconnect = Disconnect;
    g_drv.ConfigMeasure = Config;
    g_drv.StartMeasure = Start;
    g_drv.StopMeasure = Stop;
    g_host = HostServices{};
    g_host.PerformDefaultAction = Default;
    g_host.ShowWarning = Warning;
    g_host.GlStr_RegisterByText = StrRegister;
    g_host.GlStr_UnregisterByText = StrUnregister;
    g_host.GlVar_RegisterByNumber = VarRegister;
    g_host.GlVar_UnregisterByNumber = VarUnregister;
    g_host.GlVar_Get = VarGet;
    g_host.CopyChannelName = CopyName;
    g_host.GetTimeBaseBlockSize = BlockSize;
    g_host.GetTimeBaseSampleDistance = Distance;
    static const char* const shortNames[MOD_KIND_COUNT] = {"AnalogIn", "AnalogOut", "CounterIn",
                                                           "CounterOut", "DigitalIn", "DigitalOut"};
    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], shortNames[k]);
    DEV_ResetAll();
}

Rig::~Rig()
{
    DEV_ResetAll();
    g_rig = nullptr;
}

std::vector<std::string> Rig::take()
{
    std::vector<std::string> out;
    out.swap(log);
    return out;
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
    m->params = malloc(k.paramSize);
    memset(m->params, 0xAA, k.paramSize);
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

u32 TestModule::word(size_t offset)
{
    u32 w;
    memcpy(&w, bytes() + offset, sizeof w);
    return w;
}
