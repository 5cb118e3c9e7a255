#include "test_input_pass_fakes.h"

#include <string.h>

#include <cmath>
#include <string>

#include "analogin.h"
#include "mod_frame.h"

FakeRig* g_rig;

void FakeStream::fresh(u32 capacity)
{
    storage.assign(3 + (capacity + 1) / 2, 0.0);
    for (u32 i = 0; i < capacity; ++i) values()[i] = NAN;
}

static FakeStream* StreamOf(Fifo* f)
{
    for (FakeStream& s : g_rig->streams)
        if (&s.fifo == f) return &s;
    return nullptr;
}

static std::string Num(double v)
{
    char b[32];
    snprintf(b, sizeof b, "%.15g", v);
    return b;
}

namespace host {
double Time(u32) { return ++g_rig->timeCalls, g_rig->time; }
double Distance(u32) { return g_rig->distance; }
u32 BlockSize(u32) { return g_rig->timeBaseBlockSize; }
Block* Current(Fifo* f)
{
    ++g_rig->blockCalls;
    FakeStream* s = StreamOf(f);
    if (s->withheld) return nullptr;
    if (s->storage.empty()) s->fresh(f->blockSize);
    return s->block();
}
void Release(Fifo* f, const char* tag, int)
{
    FakeStream* s = StreamOf(f);
    Block* b = s->block();
    s->released.push_back({b->startTime, b->sampleDistance, b->count,
                           std::vector<float>(s->values(), s->values() + f->blockSize), tag});
    s->fresh(f->blockSize);
}
void Warning(const char* module, const char* text) { g_rig->warnings.push_back(std::string(module) + "|" + text); }
void Internal(const char* text, const char* tag, int) { g_rig->errors.push_back(std::string(tag) + "|" + text); }
void Stop() { ++g_rig->stops; }
void Names(const char*, Module*, Handler) {}
}  // namespace host

namespace drv {
i32 Clear(i32) { return 0; }
i32 ListSize(i32, u32* n) { return *n = g_rig->listSize, g_rig->listSizeStatus; }
i32 Add(i32 h, u32 c, u32 mode, u32 range, u32 sw)
{
    g_rig->log.push_back("Add(" + std::to_string(h) + "," + std::to_string(c) + "," + std::to_string(mode) + "," +
                         std::to_string(range) + "," + std::to_string(sw) + ")");
    ++g_rig->listSize;
    return 0;
}
i32 Frequency(i32, double hz)
{
    g_rig->log.push_back("Freq(" + Num(hz) + ")");
    int n = 0;
    for (auto& l : g_rig->log) n += l.rfind("Freq", 0) == 0;
    return g_rig->frequencyStatus[n > 1];
}
i32 Clock(i32, u32 on, u32 size)
{
    g_rig->log.push_back("Clock(" + std::to_string(on) + "," + std::to_string(size) + ")");
    return g_rig->clockStatus;
}
i32 Device(i32 h) { return g_rig->log.push_back("Device(" + std::to_string(h) + ")"), 0; }
i32 Serial(const char*, i32* h) { return *h = g_rig->handleOfSerial, 0; }
static i32 ReadStatus()
{
    if (g_rig->readsBeforeFailure) return --g_rig->readsBeforeFailure, 0;
    return g_rig->readStatus;
}
i32 Single(i32, u32, u32, u32, u32, double* v)
{
    *v = g_rig->singleValue++;
    return ReadStatus();
}
i32 Count(i32, u32 kind, u32 pos, i32* n)
{
    *n = kind == DRV_MC_ANALOG ? (i32)g_rig->channels[pos].waiting.size() : 0;
    return g_rig->channels[pos].countStatus;
}
i32 Read(i32, u32, u32 pos, double* buffer, u32* count, u32, u32, u32, u32)
{
    if (i32 st = ReadStatus()) return st;
    auto& q = g_rig->channels[pos].waiting;
    if (*count > g_rig->largestRequest) g_rig->largestRequest = *count;
    u32 n = *count < q.size() ? *count : (u32)q.size();
    for (u32 i = 0; i < n; ++i) buffer[i] = q.front(), q.pop_front();
    *count = n;
    return 0;
}
}  // namespace drv

FakeRig::FakeRig()
{
    g_rig = this;
    g_host = HostServices{};
    g_vars = PluginVariables{};
    g_drv = DrvTable{};
    DEV_ResetAll();
    g_host.GetTimeBaseTime = host::Time;
    g_host.GetTimeBaseSampleDistance = host::Distance;
    g_host.GetTimeBaseBlockSize = host::BlockSize;
    g_host.GetCurrentOutputBlock = host::Current;
    g_host.NewReleaseOutputBlock = host::Release;
    g_host.ShowWarning = host::Warning;
    g_host.ShowInternalError = host::Internal;
    g_host.StopExperiment = host::Stop;
    g_host.GlStr_RegisterByText = host::Names;
    g_host.GlStr_UnregisterByText = host::Names;
    g_drv.AD_ClearChannelList = drv::Clear;
    g_drv.AD_GetChannelListSize = drv::ListSize;
    g_drv.AD_AddChannelToList = drv::Add;
    g_drv.AD_SetFrequency = drv::Frequency;
    g_drv.EnableSoftwareClock = drv::Clock;
    g_drv.AD_ReadSingleVoltage = drv::Single;
    g_drv.MeasurementChannel_GetNumberOfValues = drv::Count;
    g_drv.MeasurementChannel_ReadDataAsDouble = drv::Read;
    g_drv.ConfigMeasure = g_drv.StartMeasure = g_drv.StopMeasure = drv::Device;
    g_drv.RemoteDeviceDisconnect = drv::Device;
    g_drv.GetCardIDBySerial = drv::Serial;
}

FakeRig::~FakeRig()
{
    DEV_ResetAll();
    g_rig = nullptr;
}

FakeModule::FakeModule(u32 outputs, u32 timeBase, const char* device)
{
    m.active = 1;
    m.outputCount = outputs;
    kw_strlcpy(m.name, "AnalogIn1", sizeof m.name);
    m.params = &params;
    m.runtime = runtime;
    kw_strlcpy(params.header.device, device, sizeof params.header.device);
    params.timeBaseId = timeBase;
    params.softwareClockBlockSize = 1;
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        m.channel[c] = &records[c];
        params.channel[c].realTime = 1;
        params.channel[c].inputSwitch = 1;
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
