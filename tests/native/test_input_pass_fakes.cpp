#include "test_input_pass_fakes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "analogin.h"

FakeRig* g_rig;

static FakeStream& StreamOf(Fifo* f)
{
    for (FakeStream& s : g_rig->streams)
        if (&s.fifo == f) return s;
    abort();
}

static void Fresh(FakeStream& s)
{
    s.storage.assign(3 + (s.fifo.blockSize + 1) / 2, 0.0);
    std::fill(s.values(), s.values() + s.fifo.blockSize, NAN);
}

static std::string Args(std::initializer_list<double> args)
{
    std::string s;
    char b[32];
    for (double a : args) snprintf(b, sizeof b, "%s%.15g", s.empty() ? "" : ",", a), s += b;
    return "(" + s + ")";
}

static i32 ReadStatus() { return g_rig->readStatus; }

FakeRig::FakeRig()
{
    g_rig = this;
    g_host = HostServices{};
    g_vars = PluginVariables{};
    g_drv = DrvTable{};
    DEV_ResetAll();
    g_host.GetTimeBaseTime = [](u32) { return g_rig->time; };
    g_host.GetTimeBaseSampleDistance = [](u32) { return g_rig->distance; };
    g_host.GetTimeBaseBlockSize = [](u32) { return g_rig->timeBaseBlockSize; };
    g_host.GetCurrentOutputBlock = [](Fifo* f) -> Block* {
        ++g_rig->blockCalls;
        FakeStream& s = StreamOf(f);
        if (s.withheld) return nullptr;
        if (s.storage.empty()) Fresh(s);
        return reinterpret_cast<Block*>(s.storage.data());
    };
    g_host.NewReleaseOutputBlock = [](Fifo* f, const char* tag, int) {
        FakeStream& s = StreamOf(f);
        Block* b = reinterpret_cast<Block*>(s.storage.data());
        s.released.push_back({b->startTime, b->sampleDistance, b->count,
                              std::vector<float>(s.values(), s.values() + f->blockSize), tag});
        Fresh(s);
    };
    g_host.ShowWarning = [](const char* m, const char* t) { g_rig->warnings.push_back(std::string(m) + "|" + t); };
    g_host.ShowInternalError = [](const char* t, const char* tag, int) {
        g_rig->errors.push_back(std::string(tag) + "|" + t);
    };
    g_host.StopExperiment = [] { ++g_rig->stops; };
    g_host.GlStr_RegisterByText = g_host.GlStr_UnregisterByText = [](const char*, Module*, Handler) {};

    g_drv.GetCardIDBySerial = [](const char*, i32* h) { return *h = 7, 0; };
    g_drv.AD_ClearChannelList = [](i32) { return 0; };
    g_drv.AD_GetChannelListSize = [](i32, u32* n) { return *n = g_rig->listSize, g_rig->listSizeStatus; };
    g_drv.AD_AddChannelToList = [](i32 h, u32 c, u32 mode, u32 range, u32 sw) {
        g_rig->log.push_back("Add" + Args({(double)h, (double)c, (double)mode, (double)range, (double)sw}));
        return ++g_rig->listSize, 0;
    };
    g_drv.AD_SetFrequency = [](i32, double hz) {
        bool again = std::any_of(g_rig->log.begin(), g_rig->log.end(), [](auto& l) { return l[0] == 'F'; });
        g_rig->log.push_back("Freq" + Args({hz}));
        return g_rig->frequencyStatus[again];
    };
    g_drv.EnableSoftwareClock = [](i32, u32 on, u32 size) {
        g_rig->log.push_back("Clock" + Args({(double)on, (double)size}));
        return g_rig->clockStatus;
    };
    g_drv.ConfigMeasure = g_drv.StartMeasure = g_drv.StopMeasure = g_drv.RemoteDeviceDisconnect = [](i32 h) {
        return g_rig->log.push_back("Device" + Args({(double)h})), 0;
    };
    g_drv.AD_ReadSingleVoltage = [](i32, u32, u32, u32, u32, double* v) { return *v = g_rig->singleValue++, ReadStatus(); };
    g_drv.MeasurementChannel_GetNumberOfValues = [](i32, u32, u32 pos, i32* n) {
        return *n = (i32)g_rig->waiting[pos].size(), g_rig->countStatus[pos];
    };
    g_drv.MeasurementChannel_ReadDataAsDouble = [](i32, u32, u32 pos, double* buffer, u32* count, u32, u32, u32,
                                                   u32) {
        if (i32 st = ReadStatus()) return st;
        auto& q = g_rig->waiting[pos];
        g_rig->requests.push_back(*count);
        *count = std::min<u32>(*count, (u32)q.size());
        for (u32 i = 0; i < *count; ++i) buffer[i] = q.front(), q.pop_front();
        return 0;
    };
}

FakeRig::~FakeRig()
{
    DEV_ResetAll();
    g_rig = nullptr;
}

FakeModule::FakeModule(u32 outputs, u32 timeBase)
{
    m.active = 1;
    m.outputCount = outputs;
    kw_strlcpy(m.name, "AnalogIn1", sizeof m.name);
    m.params = &params;
    m.runtime = runtime;
    kw_strlcpy(params.header.device, "\\?\\usb#0#SER1###", sizeof params.header.device);
    params.timeBaseId = timeBase;
    params.softwareClockBlockSize = 1;
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        m.channel[c] = &records[c];
        params.channel[c].realTime = params.channel[c].inputSwitch = 1;
        if (c < outputs) m.outputFifo[c] = &g_rig->streams[c].fifo;
    }
}

bool FakeModule::run()
{
    if (!AnalogIn_Prepare(&m)) return false;
    for (u32 c = 0; c < m.outputCount; ++c)
        if (!MOD_SetupFifo(&m, &g_frameAnalogIn, c)) return false;
    return AnalogIn_Start(&m) && AnalogIn_Go(&m);
}
