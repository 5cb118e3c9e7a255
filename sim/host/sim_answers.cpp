// The host's answers to the binding requests: a value or address for each of
// the 59 variable names and a service for each of the 105 function names.
#include "sim_internal.h"

#include <string.h>

SimPlatform g_simPlatform = {
    (HINSTANCE)(uintptr_t)0x00400000,
    nullptr,
    {(HBITMAP)(uintptr_t)0xB100, (HBITMAP)(uintptr_t)0xB101, (HBITMAP)(uintptr_t)0xB102,
     (HBITMAP)(uintptr_t)0xB103},
    {(HBITMAP)(uintptr_t)0xB200, (HBITMAP)(uintptr_t)0xB201, (HBITMAP)(uintptr_t)0xB202,
     (HBITMAP)(uintptr_t)0xB203, (HBITMAP)(uintptr_t)0xB204, (HBITMAP)(uintptr_t)0xB205},
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// Every function name starts at its own trap, which records the unexpected
// call; a no-argument __cdecl function may be called with any arguments.
#define SIM_TRAP(name, type) \
    static void KW_CDECL Trap_##name(void) { g_sim.traps.push_back(#name); }
TARN_HOST_FUNCTIONS(SIM_TRAP)
#undef SIM_TRAP

// Host-side storage behind the "&" variables and the array variables.
static struct {
    u8 scalars[TARN_HOST_VARIABLE_COUNT][64];  // one zeroed cell per "&" variable
    char timeTrenn[8], dateTrenn[8];
    char dirs[10][260];
    char flowChartInfo[5][256];
    u8 dapSetup[256];
} s_store;

static uintptr_t Cell(int index) { return (uintptr_t)s_store.scalars[index]; }

static void FillVariables(HostServices* s)
{
    kw_strlcpy(s_store.timeTrenn, ":", sizeof s_store.timeTrenn);
    kw_strlcpy(s_store.dateTrenn, ".", sizeof s_store.dateTrenn);
    static const char* const dirNames[10] = {
        "C:\\Tarnova",           "C:\\Tarnova",
        "demo.tws",              "C:\\Tarnova\\Worksheets\\demo.tws",
        "C:\\Tarnova\\tarnova.ini", "C:\\Tarnova\\Streams",
        "C:\\Tarnova\\Worksheets", "C:\\Tarnova\\Data",
        "C:\\Tarnova\\Devices",  "C:\\Tarnova\\Utilities"};
    for (int i = 0; i < 10; ++i) kw_strlcpy(s_store.dirs[i], dirNames[i], 260);

    // Every "&" variable points at a zeroed cell of its own.
    int index = 0;
#define SIM_CELL(field, name, checked) s->field = name[0] == '&' ? Cell(index) : 0, ++index;
    TARN_HOST_VARIABLES(SIM_CELL)
#undef SIM_CELL
    s->hInstTarn = (uintptr_t)g_simPlatform.hostInstance;
    s->MainMenu = 0xA001;
    s->GlobalModuleClass = 0xA002;
    s->p_CurrentModulePtr = (uintptr_t)&g_sim.currentModule;
    s->uiVersionsTyp = 1;
    s->uiDistributorTyp = 1;
    s->bTime24h = 1;  // the date switches and bTimeLeadingZero are 0
    s->TimeTrenn = (uintptr_t)s_store.timeTrenn;
    s->DezTrenn = (uintptr_t)g_sim.knobs.dezTrenn;
    s->bDecLeadingZero = g_sim.knobs.bDecLeadingZero;
    s->DateTrenn = (uintptr_t)s_store.dateTrenn;
    s->hBitChannel = (uintptr_t)g_simPlatform.channelBitmaps;
    s->hBitLessMore = (uintptr_t)g_simPlatform.lessMoreBitmaps;
    s->hDkGrayPen = 0xA010;
    s->hPipePenRed = 0xA011;
    s->hPipePenGreen = 0xA012;
    s->hLightRedBrush = 0xA013;
    s->hGreenBrush = 0xA014;
    s->InitialStartupDir = (uintptr_t)s_store.dirs[0];
    s->ExeFileDir = (uintptr_t)s_store.dirs[1];
    s->NameOfFlowChart = (uintptr_t)s_store.dirs[2];
    s->FullNameOfFlowChart = (uintptr_t)s_store.dirs[3];
    s->ProgFileNameIni = (uintptr_t)s_store.dirs[4];
    s->DefStreamingDir = (uintptr_t)s_store.dirs[5];
    s->DefFlowchartDir = (uintptr_t)s_store.dirs[6];
    s->DefDataDir = (uintptr_t)s_store.dirs[7];
    s->DefDeviceDir = (uintptr_t)s_store.dirs[8];
    s->DefUtilityDir = (uintptr_t)s_store.dirs[9];
    s->FlowChartAuthor = (uintptr_t)s_store.flowChartInfo[0];
    s->FlowChartCompany = (uintptr_t)s_store.flowChartInfo[1];
    s->FlowChartDepartment = (uintptr_t)s_store.flowChartInfo[2];
    s->FlowChartTitle = (uintptr_t)s_store.flowChartInfo[3];
    s->FlowChartInfo = (uintptr_t)s_store.flowChartInfo[4];
    s->DapSetup = (uintptr_t)s_store.dapSetup;
}

static void FillFunctions(HostServices* s)
{
#define SIM_TRAP_SLOT(name, type) s->name = (type)Trap_##name;
    TARN_HOST_FUNCTIONS(SIM_TRAP_SLOT)
#undef SIM_TRAP_SLOT
    s->NewMemAlloc = SIM_NewMemAlloc;
    s->NewDoMemFree = SIM_NewDoMemFree;
    s->DefineDllModule = SIM_DefineDllModule;
    s->DefineDllVariable = SIM_DefineDllVariable;
    s->RegisterModuleClass = SIM_RegisterModuleClass;
    s->PerformDefaultAction = SIM_PerformDefaultAction;
    s->NewReleaseOutputBlock = SIM_NewReleaseOutputBlock;
    s->GetCurrentOutputBlock = SIM_GetCurrentOutputBlock;
    s->GetInputBlock = SIM_GetInputBlock;
    s->NewReleaseInputBlock = SIM_NewReleaseInputBlock;
    s->ChangeModuleSize = SIM_ChangeModuleSize;
    s->ChangeModuleName = SIM_ChangeModuleName;
    s->CopyChannelName = SIM_CopyChannelName;
    s->FillUnitList = SIM_FillUnitList;
    s->ShowWarning = SIM_ShowWarning;
    s->ShowInternalError = SIM_ShowInternalError;
    s->StopExperiment = SIM_StopExperiment;
    s->CreateStackedFontIndirect = SIM_CreateStackedFontIndirect;
    s->DeleteStackedObject = SIM_DeleteStackedObject;
    s->GlStr_RegisterByText = SIM_GlStr_RegisterByText;
    s->GlStr_UnregisterByText = SIM_GlStr_UnregisterByText;
    s->ExpandVarNumber = SIM_ExpandVarNumber;
    s->GlVar_RegisterByNumber = SIM_GlVar_RegisterByNumber;
    s->GlVar_UnregisterByNumber = SIM_GlVar_UnregisterByNumber;
    s->GlVar_Get = SIM_GlVar_Get;
    s->GlVar_SetSyntax = SIM_GlVar_SetSyntax;
    s->SetMenuForGlobalStrings = SIM_SetMenuForGlobalStrings;
    s->SetMenuForGlobalVars = SIM_SetMenuForGlobalVars;
    s->RegisterMenuEntry = SIM_RegisterMenuEntry;
    s->GetTimeBaseBlockSize = SIM_GetTimeBaseBlockSize;
    s->GetTimeBaseSampleDistance = SIM_GetTimeBaseSampleDistance;
    s->GetTimeBaseTime = SIM_GetTimeBaseTime;
    s->FillTimeBaseCombo = SIM_FillTimeBaseCombo;
    s->GetTimeBaseComboID = SIM_GetTimeBaseComboID;
    s->TarnovaInsertMenu = SIM_TarnovaInsertMenu;
}

// Rebuilt at each use so that the knobs set by a test take effect.
const HostServices* SH_Answers(void)
{
    static HostServices s;
    FillVariables(&s);
    FillFunctions(&s);
    return &s;
}

static const char* const kVariableNames[TARN_HOST_VARIABLE_COUNT] = {
#define SIM_VAR_NAME(field, name, checked) name,
    TARN_HOST_VARIABLES(SIM_VAR_NAME)
#undef SIM_VAR_NAME
};
static const char* const kFunctionNames[TARN_HOST_FUNCTION_COUNT] = {
#define SIM_FN_NAME(name, type) #name,
    TARN_HOST_FUNCTIONS(SIM_FN_NAME)
#undef SIM_FN_NAME
};

static bool IsMissing(const char* name)
{
    for (const std::string& m : g_sim.knobs.missing)
        if (m == name) return true;
    return false;
}

uintptr_t SH_Request(void*, u32 message, const char* name)
{
    g_sim.requests.push_back({message, name ? name : ""});
    if (!name || IsMissing(name)) return 0;
    const char* const* names = kVariableNames;
    int count = TARN_HOST_VARIABLE_COUNT, first = 0;
    if (message == TARN_MSG_GET_FUNCTION) {
        names = kFunctionNames;
        count = TARN_HOST_FUNCTION_COUNT;
        first = TARN_HOST_VARIABLE_COUNT;
    } else if (message != TARN_MSG_GET_VARIABLE) {
        return 0;
    }
    for (int i = 0; i < count; ++i)
        if (strcmp(names[i], name) == 0) {
            uintptr_t slot;
            memcpy(&slot, (const char*)SH_Answers() + (first + i) * sizeof(void*), sizeof slot);
            return slot;
        }
    return 0;
}
