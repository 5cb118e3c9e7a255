#include "test_fakes.h"

#include "mod_dialog_ui.h"

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

// The handle of a known address or serial number, -5 for others; a fault set
// for the call answers its status with the handle written all the same.
static i32 Found(const char* call, const char* key, i32* h)
{
    auto it = s_rig->handleOf.find(key);
    i32 status = it == s_rig->handleOf.end() ? -5 : (*h = it->second, 0);
    i32 fault = RigStatus(call);
    return fault ? fault : status;
}

// A text the host reads must end within its field.
static const char* Bounded(const char* text, size_t field)
{
    if (!memchr(text, 0, field)) abort();
    return text;
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
    g_host.PerformDefaultAction = [](Module*, u32 m, u32 w, u32 l) { return Log("Default(%u,%u,%u)", m, w, l), 77; };
    g_host.ShowWarning = [](const char* name, const char* text) {
        Log("ShowWarning(%s|%s)", Bounded(name, 13), Bounded(text, 200));
    };
    g_host.ShowInternalError = [](const char* text, const char* tag, int) {
        Log("ShowInternalError(%s|%s)", Bounded(tag, 32), Bounded(text, 1024));
    };
    g_host.StopExperiment = [] { Log("StopExperiment"); };
    g_host.GlStr_RegisterByText = [](const char* text, Module*, Handler) {
        Log("GlStr_Register(%s)", Bounded(text, CHANNEL_NAME_SIZE));
    };
    g_host.GlStr_UnregisterByText = [](const char* text, Module*, Handler) {
        Log("GlStr_Unregister(%s)", Bounded(text, CHANNEL_NAME_SIZE));
    };
    g_host.GlVar_RegisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Register(%d)", n); };
    g_host.GlVar_UnregisterByNumber = [](int n, Module*, Handler) { Log("GlVar_Unregister(%d)", n); };
    g_host.GlVar_Get = [](int n, double* value) {
        auto it = s_rig->vars.find(n);
        return it == s_rig->vars.end() ? 0 : (*value = it->second, 1);
    };
    g_host.CopyChannelName = [](Fifo*, const char* name) { Bounded(name, CHANNEL_NAME_SIZE); };
    g_host.GetTimeBaseBlockSize = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->blockSize : 0; };
    g_host.GetTimeBaseSampleDistance = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->distance : 0; };
    g_host.GetTimeBaseTime = [](u32 tb) { return tb == s_rig->timeBase ? s_rig->time : -1; };
    g_host.GetCurrentOutputBlock = [](Fifo* f) -> Block* {
        ++s_rig->blockCalls;
        Stream& s = StreamOf(f);
        if (s.refused) return nullptr;
        if (s.storage.empty()) Fresh(s);
        return (Block*)s.storage.data();
    };
    g_host.GetInputBlock = [](Module*, u32 c) -> Block* {
        auto& q = s_rig->inputs[c];
        return q.empty() ? nullptr : (Block*)q.front().data();
    };
    g_host.NewReleaseInputBlock = [](Module*, u32 c, const char*, int) {
        if (c >= KW_MAX_CHANNELS || s_rig->inputs[c].empty()) abort();  // never one it was not given
        s_rig->inputs[c].pop_front();
    };
    g_host.NewReleaseOutputBlock = [](Fifo* f, const char*, int) {
        Stream& s = StreamOf(f);
        Block* b = (Block*)s.storage.data();
        s.released.push_back({b->startTime, std::vector<float>(s.values(), s.values() + f->blockSize)});
        Fresh(s);
    };
    g_host.NewMemAlloc = [](u32 size, const char* tag, int) -> void* {
        Log("NewMemAlloc(%u,%s)", size, tag);
        if (s_rig->refuseMemory) return nullptr;
        ++s_rig->liveAllocations;
        return malloc(size);
    };
    g_host.NewDoMemFree = [](void* p, const char* tag, int) {
        Log("NewDoMemFree(%s)", tag);
        --s_rig->liveAllocations;
        free(p);
    };
    g_host.ChangeModuleName = [](Module*, const char* name) { Log("ChangeModuleName(%s)", Bounded(name, 13)); };
    g_host.ChangeModuleSize = [](Module* m, u32 in, u32 out) {
        Log("ChangeModuleSize(%u,%u)", in, out);
        m->inputCount = in;
        m->outputCount = out;
    };
    g_host.SetMenuForGlobalStrings = [](HWND, int) {};
    g_host.SetMenuForGlobalVars = [](HWND, int id) { Log("SetMenuForGlobalVars(%d)", id); };
    // The unit list shows the unit in its edit field; time bases 1 to 3.
    g_host.FillUnitList = [](HWND d, int id, const char* unit) {
        g_dlgUi->setText(d, id, Bounded(unit, CHANNEL_UNIT_SIZE));
    };
    g_host.FillTimeBaseCombo = [](HWND d, int id, u32 current) {
        for (const char* name : {"TB1", "TB2", "TB3"}) g_dlgUi->listAdd(d, id, name);
        g_dlgUi->listSelect(d, id, (int)current - 1);
    };
    g_host.GetTimeBaseComboID = [](int index) { return (u32)index + 1; };
    // References to global variables are written {V<n>}.
    g_host.GlVar_SetSyntax = [](char* text, int n) {
        return s_rig->vars.count(n) ? (sprintf(text, "{V%d}", n), 1) : 0;
    };
    g_host.ExpandVarNumber = [](const char* text, int size, i16* n) {
        Bounded(text, (size_t)size);
        int number;
        char end;
        return sscanf(text, "{V%d%c", &number, &end) == 2 && end == '}' ? (*n = (i16)number, 1) : 0;
    };
    const char* const shortNames[] = {"AnalogIn", "AnalogOut", "CounterIn", "CounterOut", "DigitalIn", "DigitalOut"};
    for (int k = 0; k < MOD_KIND_COUNT; ++k) strcpy(g_modShortName[k], shortNames[k]);
}

i32 RigStatus(const char* name)
{
    u32 n = s_rig->callCount[name]++;
    auto it = s_rig->status.find(name);
    if (it == s_rig->status.end()) return 0;
    const Rig::Fault& f = it->second;
    return n >= f.from && (f.times == 0 || n - f.from < f.times) ? f.status : 0;
}

// Logs a call and answers the status set for it.
#define KW_CALL(name, format, ...) (Log(name "(" format ")", __VA_ARGS__), RigStatus(name))

// A data read: at most what waits at the list position, through put(i, value).
template <class Put>
static i32 ReadData(const char* name, u32 pos, u32* count, Put put)
{
    if (i32 st = RigStatus(name)) return st;
    auto& q = s_rig->waiting[pos];
    s_rig->requests.push_back(*count);
    *count = std::min<u32>(*count, (u32)q.size());
    for (u32 i = 0; i < *count; ++i) put(i, q.front()), q.pop_front();
    *count += s_rig->overReport;
    return 0;
}

// A single reading of device channel or counter c: 1000 c + the readings so far.
static double SingleValue(u32 c) { return 1000.0 * c + s_rig->singleValue++; }

// The list size, and adds that grow the list unless refused.
static i32 ListSize(const char* name, u32* n) { return *n = s_rig->listSize, RigStatus(name); }
static i32 Added(i32 st) { return s_rig->listSize += st == 0 ? s_rig->listGrowth : 0, st; }
static i32 Cleared(i32 st) { return s_rig->listSize = 0, st; }

// Every entry point of the fake device that the modules call.
static void InstallDevice()
{
    g_drv = DrvTable{};
    g_drv.RemoteDeviceConnect = [](i32* h, const char* address, i32 port, u32 flags, u32* word) {
        Log("RemoteDeviceConnect(%s,%d,%u)", address, port, flags);
        s_rig->wordAtConnectEntry = *word;
        return Found("RemoteDeviceConnect", address, h);
    };
    g_drv.GetCardIDBySerial = [](const char* serial, i32* h) {
        Log("GetCardIDBySerial(%s)", serial);
        s_rig->handleAtSerialEntry = *h;
        return Found("GetCardIDBySerial", serial, h);
    };
    g_drv.RemoteDeviceDisconnect = [](i32 h) { return Log("RemoteDeviceDisconnect(%d)", h), 0; };
    g_drv.RemoteDevicesGetIPFromSearchResult = [](u32 i, char* buffer, u32 size) {
        if (i >= s_rig->searchResults.size()) return -1;
        strncpy(buffer, s_rig->searchResults[i].c_str(), size);
        return 0;
    };
    g_drv.GetDevicePropertyStringA = [](i32 h, const char* name, char* buffer, u32* length) {
        s_rig->propertyAsked = name;
        s_rig->propertyLength = *length;
        if (i32 st = RigStatus("GetDevicePropertyStringA")) return st;
        auto it = s_rig->properties.find({h, name});
        if (it == s_rig->properties.end()) return -1;
        memcpy(buffer, it->second.c_str(), std::min<size_t>(*length, it->second.size() + 1));
        *length = (u32)it->second.size();
        return 0;
    };
    g_drv.DeviceInfoGet = [](u32 kind, u32** head) { return *head = s_rig->deviceList[kind], 0; };
    g_drv.DeviceInfoFree = [](u32* head) { return Log("DeviceInfoFree(%s)", head ? "list" : "null"), 0; };
    g_drv.GetCardName = [](i32) { return s_rig->cardName; };
    g_drv.ConfigMeasure = [](i32 h) { return KW_CALL("ConfigMeasure", "%d", h); };
    g_drv.StartMeasure = [](i32 h) { return KW_CALL("StartMeasure", "%d", h); };
    g_drv.StopMeasure = [](i32 h) { return Log("StopMeasure(%d)", h), 0; };

    g_drv.AD_ClearChannelList = [](i32) { return Cleared(RigStatus("AD_ClearChannelList")); };
    g_drv.CT_ClearChannelList = [](i32 h) { return Cleared(KW_CALL("CT_ClearChannelList", "%d", h)); };
    g_drv.TTL_ClearChannelList = [](i32 h) { return Cleared(KW_CALL("TTL_ClearChannelList", "%d", h)); };
    g_drv.AD_GetChannelListSize = [](i32, u32* n) { return ListSize("AD_GetChannelListSize", n); };
    g_drv.CT_GetChannelListSize = [](i32, u32* n) { return ListSize("CT_GetChannelListSize", n); };
    g_drv.TTL_GetChannelListSize = [](i32, u32* n) { return ListSize("TTL_GetChannelListSize", n); };
    g_drv.AD_AddChannelToList = [](i32 h, u32 c, u32 mode, u32 range, u32 sw) {
        return Added(KW_CALL("AD_AddChannelToList", "%d,%u,%u,%u,%u", h, c, mode, range, sw));
    };
    g_drv.CT_AddChannelToList = [](i32 h, u32 c, u32 a) {
        return Added(KW_CALL("CT_AddChannelToList", "%d,%u,%u", h, c, a));
    };
    g_drv.TTL_AddChannelToList = [](i32 h, u32 line, u32 a, u32 b) {
        return Added(KW_CALL("TTL_AddChannelToList", "%d,%u,%u,%u", h, line, a, b));
    };
#define KW_MODE(name) \
    g_drv.name = [](i32 h, u32 c, u32 a, u32 b, u32 d) { return KW_CALL(#name, "%d,%u,%u,%u,%u", h, c, a, b, d); }
    KW_MODE(CT_ImpulseCounter);
    KW_MODE(CT_FrequencyCounter);
    KW_MODE(CT_PeriodCounter);
    KW_MODE(CT_PulswidthCounter);
#undef KW_MODE
    g_drv.CT_IncrementalCounter = [](i32 h, u32 c, u32 a, u32 b, u32 d, u32 e, u32 f, u32 g) {
        return KW_CALL("CT_IncrementalCounter", "%d,%u,%u,%u,%u,%u,%u,%u", h, c, a, b, d, e, f, g);
    };
    g_drv.AD_SetFrequency = [](i32 h, double hz) { return KW_CALL("AD_SetFrequency", "%d,%g", h, hz); };
    g_drv.CT_SetFrequency = [](i32 h, double hz) { return KW_CALL("CT_SetFrequency", "%d,%g", h, hz); };
    g_drv.TTL_SetFrequency = [](i32 h, double hz) { return KW_CALL("TTL_SetFrequency", "%d,%g", h, hz); };
    g_drv.EnableSoftwareClock = [](i32 h, u32 on, u32 n) {
        return KW_CALL("EnableSoftwareClock", "%d,%u,%u", h, on, n);
    };
    g_drv.TTL_GetPortInfos = [](i32 h, u32* a, u32* b, u32* c, u32* d) {
        i32 st = KW_CALL("TTL_GetPortInfos", "%d", h);
        if (st == 0) *a = s_rig->portInfo[0], *b = s_rig->portInfo[1], *c = s_rig->portInfo[2], *d = s_rig->portInfo[3];
        return st;
    };
    g_drv.TTL_SetChannelDirection = [](i32 h, u32 line, u32 out) {
        return KW_CALL("TTL_SetChannelDirection", "%d,%u,%u", h, line, out);
    };

    g_drv.AD_ReadSingleVoltage = [](i32, u32 c, u32, u32, u32, double* v) {
        return *v = SingleValue(c), RigStatus("AD_ReadSingleVoltage");
    };
    g_drv.CT_ReadSingleValue = [](i32, u32 c, u32* v) {
        return *v = (u32)SingleValue(c), RigStatus("CT_ReadSingleValue");
    };
    g_drv.TTL_ReadPort = [](i32 h, u32 p, u32* w) {
        return *w = s_rig->portWord, KW_CALL("TTL_ReadPort", "%d,%u", h, p);
    };
    g_drv.MeasurementChannel_GetNumberOfValues = [](i32, u32, u32 pos, i32* n) {
        *n = (i32)s_rig->waiting[pos].size() + s_rig->countOffset;
        return RigStatus("MeasurementChannel_GetNumberOfValues");
    };
    g_drv.MeasurementChannel_ReadDataAsDouble = [](i32, u32, u32 pos, double* buffer, u32* count, u32, u32, u32, u32) {
        return ReadData("MeasurementChannel_ReadDataAsDouble", pos, count, [&](u32 i, double v) { buffer[i] = v; });
    };
    g_drv.MeasurementChannel_ReadDataAsUInt32 = [](i32, u32, u32 pos, u32* buffer, u32* count, u32, u32, u32, u32) {
        return ReadData("MeasurementChannel_ReadDataAsUInt32", pos, count,
                        [&](u32 i, double v) { buffer[i] = (u32)v; });
    };

    g_drv.DA_WriteChannelVoltage = [](i32 h, u32 c, double v) {
        return KW_CALL("DA_WriteChannelVoltage", "%d,%u,%g", h, c, v);
    };
    g_drv.TTL_WritePort = [](i32 h, u32 port, u32 w) { return KW_CALL("TTL_WritePort", "%d,%u,%u", h, port, w); };
#define KW_PREPARE(name) \
    g_drv.name = [](i32 h, u32 c, i32 f, i32 d) { return KW_CALL(#name, "%d,%u,%d,%d", h, c, f, d); }
    KW_PREPARE(PWM_PreparePWMOutput);
    KW_PREPARE(PWM_PrepareFMOutput);
#undef KW_PREPARE
    g_drv.PWM_StartOutput = [](i32 h) { return KW_CALL("PWM_StartOutput", "%d", h); };
    g_drv.PWM_WriteNewPWMRatio = [](i32 h, u32 c, i32 d) {
        return KW_CALL("PWM_WriteNewPWMRatio", "%d,%u,%d", h, c, d);
    };
    g_drv.PWM_SetFrequency = [](i32 h, u32 c, double v) { return KW_CALL("PWM_SetFrequency", "%d,%u,%g", h, c, v); };
    g_drv.PWM_SetDutyCycle = [](i32 h, u32 c, double v) { return KW_CALL("PWM_SetDutyCycle", "%d,%u,%g", h, c, v); };
}

void Rig::feed(u32 input, std::vector<float> values, double start, double distance)
{
    // doubles: 8-byte aligned block memory
    std::vector<double> bytes(1 + (offsetof(Block, values) + values.size() * sizeof(float)) / sizeof(double));
    Block* b = (Block*)bytes.data();
    b->startTime = start;
    b->sampleDistance = distance;
    b->count = (u16)values.size();
    if (!values.empty()) memcpy((u8*)b + offsetof(Block, values), values.data(), values.size() * sizeof(float));
    inputs[input].push_back(std::move(bytes));
}

// ---------------------------------------------------------------- dialogs

static FakeDialog* D(HWND h) { return (FakeDialog*)h; }

static const DlgUi s_fakeUi = {
    [](HWND d, int id, const char* text) { D(d)->controls[id].text = text; },
    [](HWND d, int id, char* buffer, int size) {
        auto it = D(d)->controls.find(id);
        kw_strlcpy(buffer, it == D(d)->controls.end() ? "" : it->second.text.c_str(), (size_t)size);
    },
    [](HWND d, int id, u32* value) {
        const std::string& t = D(d)->controls[id].text;
        if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) return false;
        return *value = (u32)strtoul(t.c_str(), nullptr, 10), true;
    },
    [](HWND d, int id, bool on) { D(d)->controls[id].checked = on; },
    [](HWND d, int id) { return D(d)->controls[id].checked; },
    [](HWND d, int id, bool on) { D(d)->controls[id].enabled = on; },
    [](HWND, int, int) {},
    [](HWND, int) {},
    [](HWND d, int id) { D(d)->controls[id].items.clear(), D(d)->controls[id].selection = -1; },
    [](HWND d, int id, const char* text) { D(d)->controls[id].items.push_back(Bounded(text, 64)); },
    [](HWND d, int id, int index) {
        FakeControl& c = D(d)->controls[id];
        c.selection = index >= 0 && index < (int)c.items.size() ? index : -1;
    },
    [](HWND d, int id) { return D(d)->controls[id].selection; },
    [](HWND d, int id) { return (int)D(d)->controls[id].items.size(); },
    [](HWND d, int result) { D(d)->result = result; },
    [](HWND) {},
    [](HWND d, char* device) {
        if (!D(d)->applies.empty()) kw_strlcpy(device, D(d)->applies.c_str(), DEV_STRING_SIZE);
    },
    [](HWND, const char*) { return false; },
    [](u32 topic) { Log("help(%u)", topic); },
};

FakeDialog::FakeDialog() { g_dlgUi = &s_fakeUi; }

static Module* s_currentModule;
void SetCurrentModule(Module* m)
{
    s_currentModule = m;
    g_host.p_CurrentModulePtr = (uintptr_t)&s_currentModule;
}

Rig::Rig()
{
    s_rig = this;
    g_vars = PluginVariables{};
    InstallHost();
    InstallDevice();
    DEV_ResetAll();
}

std::vector<std::string> Rig::calls()
{
    std::vector<std::string> out;
    for (std::string& s : take())
        if (s.compare(0, 6, "GlStr_") != 0) out.push_back(s);
    return out;
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
    const ModClass& k = *MOD_KindOf(f)->cls;
    m = (Module*)LowAlloc(sizeof(Module));
    m->params = memset(malloc(k.paramSize), 0xAA, k.paramSize);
    m->runtime = calloc(1, k.runtimeSize);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) {
        m->channel[c] = calloc(1, k.channelSize);
        m->outputFifo[c] = &s_rig->streams[c].fifo;
    }
    strcpy(m->name, g_modShortName[MOD_KindOf(f) - g_modKinds]);
}

TestModule::~TestModule()
{
    free(m->params);
    free(m->runtime);
    for (u32 c = 0; c < KW_MAX_CHANNELS; ++c) free(m->channel[c]);
    munmap(m, sizeof(Module));
}

DeviceModule::DeviceModule(Rig& rig, const ModFrame* f, u32 channels, u32 timeBase) : TestModule(f)
{
    send(DMM_CREATE_MODULE);
    m->active = 1;
    (f->outputKind ? m->inputCount : m->outputCount) = channels;
    kw_strlcpy(MOD_Header(m)->device, "\\?\\usb#0#SER1###", DEV_STRING_SIZE);
    memcpy(bytes() + f->timeBaseOffset, &timeBase, sizeof timeBase);
    rig.timeBase = timeBase;
    rig.handleOf["SER1"] = 7;
}

bool DeviceModule::run()
{
    if (!send(DMM_PREPARE_START_MODULE)) return false;
    for (u32 c = 0; c < m->outputCount; ++c)
        if (send(DCM_SETUP_FIFO, c) != 1) return false;
    return send(DMM_START_MODULE) && send(DMM_GO_MODULE);
}
