// A minimal plug-in for the simulated host's own Windows test: binds every
// host name through the host window, announces its variables, registers one
// class whose compute function releases one ramp block per cycle.
#include "tarn_host.h"

static HostServices s_host;
static PluginVariables s_vars;
static int s_finished;

static const char* const kVariables[] = {
#define PROBE_VAR(field, name, checked) name,
    TARN_HOST_VARIABLES(PROBE_VAR)
#undef PROBE_VAR
};
static const int kChecked[] = {
#define PROBE_CHECKED(field, name, checked) checked,
    TARN_HOST_VARIABLES(PROBE_CHECKED)
#undef PROBE_CHECKED
};
static const char* const kFunctions[] = {
#define PROBE_FN(name, type) #name,
    TARN_HOST_FUNCTIONS(PROBE_FN)
#undef PROBE_FN
};

struct RampChannel {
    u32 released;
};

static i32 __cdecl RampHandler(Module* m, u32 msg, u32 wParam, u32 lParam)
{
    switch (msg) {
    case DMM_CREATE_MODULE:
        s_host.ChangeModuleSize(m, 0, 1);
        return 1;
    case DCM_SETUP_FIFO: {
        Fifo* f = m->outputFifo[wParam];
        f->blockSize = s_host.GetTimeBaseBlockSize(2);
        f->sampleDistance = s_host.GetTimeBaseSampleDistance(2);
        return 1;
    }
    default:
        return s_host.PerformDefaultAction(m, msg, wParam, lParam);
    }
}

// Holds its block while paused; reports a stopped run through a warning.
static i32 __cdecl RampCompute(Module* m)
{
    if (!s_vars.bExperimentIsRunning) s_host.ShowWarning(m->name, "compute outside a run");
    if (s_vars.bExperimentIsPaused) return 0;
    Fifo* f = m->outputFifo[0];
    RampChannel* ch = (RampChannel*)m->channel[0];
    Block* b = s_host.GetCurrentOutputBlock(f);
    if (!b) return 0;
    b->startTime = ch->released * f->sampleDistance;
    b->sampleDistance = f->sampleDistance;
    b->count = (u16)f->blockSize;
    for (u32 k = 0; k < f->blockSize; ++k) b->values[k] = (float)(ch->released + k);
    ch->released += f->blockSize;
    s_host.NewReleaseOutputBlock(f, "probe", __LINE__);
    return 1;
}

extern "C" __declspec(dllexport) BOOL __stdcall SetupTarnDLL(HWND host)
{
    uintptr_t* slots = (uintptr_t*)&s_host;
    for (u32 i = 0; i < TARN_HOST_VARIABLE_COUNT; ++i) {
        slots[i] = (uintptr_t)SendMessageA(host, TARN_MSG_GET_VARIABLE, 0, (LPARAM)kVariables[i]);
        if (!slots[i] && kChecked[i]) return 0;
    }
    for (u32 i = 0; i < TARN_HOST_FUNCTION_COUNT; ++i) {
        slots[TARN_HOST_VARIABLE_COUNT + i] =
            (uintptr_t)SendMessageA(host, TARN_MSG_GET_FUNCTION, 0, (LPARAM)kFunctions[i]);
        if (!slots[TARN_HOST_VARIABLE_COUNT + i]) return 0;
    }
    if (!s_host.DefineDllModule()) return 0;
    if (!s_host.DefineDllVariable("bExperimentIsRunning", &s_vars.bExperimentIsRunning, 4) ||
        !s_host.DefineDllVariable("bExperimentIsPaused", &s_vars.bExperimentIsPaused, 4))
        return 0;
    static char shortName[14] = "Ramp", longName[42] = "Ramp generator";
    ClassRecord r = {};
    r.className = "TST:Ramp";
    r.paramSize = 16;
    r.runtimeSize = 4;
    r.channelSize = sizeof(RampChannel);
    r.nameId = 77;
    r.shortName = shortName;
    r.longName = longName;
    r.handler = RampHandler;
    r.compute = RampCompute;
    s_host.TarnovaInsertMenu("2573;1;MOD;IO;Ramp;IO;77; ;");
    s_host.RegisterModuleClass(&r);
    return 1;
}

extern "C" __declspec(dllexport) BOOL __stdcall FinishTarnDLL(u32)
{
    s_finished = 1;
    return 1;
}
