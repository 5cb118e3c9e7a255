// Host binding: what is asked, in which order, and where it stops.
#include "host_binding.h"
#include "plugin_state.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The names the host is asked for, in order: 59 variables, then 105 functions.
const char* const kVariableNames =
    "hInstTarn MainMenu GlobalModuleClass &hwndDesk &Module &ViewModule &wNumberOfModules "
    "&uiHighModuleNumber &CurrentModule &CurrentModulePtr uiVersionsTyp uiDistributorTyp "
    "bDateDayLeadingZero bDateMonthLeadingZero bDateYearLong wDateFormat bTime24h "
    "bTimeLeadingZero TimeTrenn DezTrenn bDecLeadingZero DateTrenn &bDisplayWithoutWnd "
    "&bPauseIsDisabled &LAYER_OutputParam &StreamOptionen &TempStreamOptionen &CJ_Refs "
    "&CJ_Temp hBitChannel hBitLessMore hDkGrayPen hPipePenRed hPipePenGreen hLightRedBrush "
    "hGreenBrush InitialStartupDir ExeFileDir NameOfFlowChart FullNameOfFlowChart "
    "ProgFileNameIni DefStreamingDir DefFlowchartDir DefDataDir DefDeviceDir DefUtilityDir "
    "GlobalFlowChartInfo.Author GlobalFlowChartInfo.Company GlobalFlowChartInfo.Department "
    "GlobalFlowChartInfo.Title GlobalFlowChartInfo.Info DapSetup &ExperimentStartTime "
    "&StartingTimeTicks &SysInfo &SysOpt &DdeInstance &ToolTip &nWindowOrder";
const char* const kFunctionNames =
    "NewMemAlloc NewMemReAlloc NewDoMemFree DefineDllModule DefineDllVariable "
    "RegisterModuleClass PerformDefaultAction NewReleaseOutputBlock GetCurrentOutputBlock "
    "GetInputFifo GetInputBlock NewReleaseInputBlock ChangeModuleSize ChangeModuleName "
    "ChangeNameInString SendModuleMessage SendModChanMessage CopyChannelName FillUnitList "
    "MODUL_InitAll MODUL_DestroyAll InitMatrixNew ShowWarning EnableAllWindows "
    "ShowInternalError StopExperiment PauseExperiment CurrentExperimentTime "
    "DispatchQueuedMessages BBox_FullEnter BBox_FullLeave BBox_LightEnter BBox_LightLeave "
    "CreateSatellite UpdateSatellite RemoveUselessSatellites CreateStackedPen "
    "CreateStackedPenIndirect CreateStackedFontIndirect CreateStackedSolidBrush "
    "CreateStackedBrushIndirect DeleteStackedObject do_fft EditText LoadInterpolationTable "
    "LoadTableFromFile SearchForFileToLoad DoesFileExistAndMsg AskForFilenameChange "
    "CheckCreateDir InitPrinter PrintHeader ExitPrinter PrintFooter NextPage CheckedCreateFile "
    "CheckedOpenFile CreateAndShowToolTipWindow SendPanelMessage GlStr_RegisterByText "
    "GlStr_UnregisterByText ExpandString ExpandStringNumber ExpandVarNumber ExpandUnitString "
    "ExpandUnit GlStr_RegisterByNumber GlStr_UnregisterByNumber GlStr_Set GlStr_Get "
    "GlStr_PrefixGet GlVar_RegisterByNumber GlVar_UnregisterByNumber GlVar_Set GlVar_Get "
    "GlVar_PrefixGet GlVar_VarStringGet GlVar_SetSyntax GlStr_SetSyntax SetMenuForGlobalStrings "
    "SetMenuForGlobalVars DeleteMenuForGlobalStrings DeleteMenuForGlobalVars ShowVarsAndSelect "
    "DsbHasChanged RegisterMenuEntry RegisterExtraMemory FindModuleByName AddExtMemInstance "
    "RemoveExtMemInstance RegisterNewWorksheetNotification RegisterTimeBase UnregisterTimeBase "
    "SetTimeBase SetTimeBaseTime IncTimeBaseTime GetTimeBaseBlockSize GetTimeBaseSampleDistance "
    "GetTimeBaseTime FillTimeBaseCombo GetTimeBaseComboID TimeBaseDialog ScanStringForGlobals "
    "GlvoModuleNotifyGlobalVar TarnovaInsertMenu";
const std::set<std::string> kMayBeZero = {
    "bDateDayLeadingZero", "bDateMonthLeadingZero", "bDateYearLong", "wDateFormat",
    "bTime24h", "bTimeLeadingZero", "bDecLeadingZero"};

std::vector<std::string> Split(const char* text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string s; in >> s;) out.push_back(s);
    return out;
}

// A host that answers from its own table and records everything it sees.
struct FakeHost {
    std::set<std::string> missing;  // answered with 0
    int refuseVariable = 0;         // n > 0: the n-th DefineDllVariable fails
    bool refuseModule = false;
    std::vector<std::pair<u32, std::string>> requests;
    std::vector<std::string> calls;  // DefineDllModule and DefineDllVariable, in order
    std::vector<std::pair<void*, u32>> announced;
};
FakeHost* g_fake;

int FakeDefineDllModule(void)
{
    g_fake->calls.push_back("DefineDllModule");
    return g_fake->refuseModule ? 0 : 1;
}

int FakeDefineDllVariable(const char* name, void* address, u32 size)
{
    g_fake->calls.push_back(name);
    g_fake->announced.push_back({address, size});
    return (int)g_fake->announced.size() == g_fake->refuseVariable ? 0 : 1;
}

void FakeOther(void) {}

uintptr_t FakeRequest(void* context, u32 message, const char* name)
{
    FakeHost* host = (FakeHost*)context;
    host->requests.push_back({message, name});
    if (host->missing.count(name)) return 0;
    std::string n = name;
    if (n == "DefineDllModule") return (uintptr_t)&FakeDefineDllModule;
    if (n == "DefineDllVariable") return (uintptr_t)&FakeDefineDllVariable;
    if (message == TARN_MSG_GET_FUNCTION) return (uintptr_t)&FakeOther;
    return 0x1000 + host->requests.size();  // a distinct value per variable
}

class Binding : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&g_host, 0, sizeof g_host);
        g_fake = &host;
    }
    int Bind() { return PLG_BindHost(FakeRequest, &host); }
    FakeHost host;
    std::vector<std::string> variables = Split(kVariableNames);
    std::vector<std::string> functions = Split(kFunctionNames);
};

TEST_F(Binding, AsksEveryNameInOrderWithItsMessage)
{
    ASSERT_EQ(variables.size(), 59u);
    ASSERT_EQ(functions.size(), 105u);
    ASSERT_EQ(Bind(), 1);
    ASSERT_EQ(host.requests.size(), 164u);
    for (size_t i = 0; i < 164; ++i) {
        bool isVariable = i < 59;
        EXPECT_EQ(host.requests[i].second, isVariable ? variables[i] : functions[i - 59]) << i;
        EXPECT_EQ(host.requests[i].first,
                  (u32)(isVariable ? TARN_MSG_GET_VARIABLE : TARN_MSG_GET_FUNCTION))
            << host.requests[i].second;
    }
}

TEST_F(Binding, StoresEachAnswerInItsOwnSlot)
{
    ASSERT_EQ(Bind(), 1);
    // Answers are 0x1000 + request number, so a shifted slot shows.
    EXPECT_EQ(g_host.hInstTarn, 0x1001u);
    EXPECT_EQ(g_host.p_CurrentModulePtr, 0x100Au);
    EXPECT_EQ(g_host.DezTrenn, 0x1014u);
    EXPECT_EQ(g_host.FlowChartTitle, 0x1032u);
    EXPECT_EQ(g_host.p_nWindowOrder, 0x103Bu);
    EXPECT_EQ((void*)g_host.DefineDllVariable, (void*)&FakeDefineDllVariable);
    EXPECT_EQ((void*)g_host.TarnovaInsertMenu, (void*)&FakeOther);
}

TEST_F(Binding, AnnouncesThePluginVariablesAfterOpeningTheDefinition)
{
    ASSERT_EQ(Bind(), 1);
    const std::vector<std::string> expected = {
        "DefineDllModule",     "fGlobalMilliSecondsPerSample", "uiGlobalBlockSize",
        "bAnimation",          "bExperimentIsRunning",         "bExperimentIsPaused",
        "dwExperimentStartTimeTicks", "BBoxModul"};
    EXPECT_EQ(host.calls, expected);
    const std::vector<std::pair<void*, u32>> where = {
        {&g_vars.fGlobalMilliSecondsPerSample, 8}, {&g_vars.uiGlobalBlockSize, 4},
        {&g_vars.bAnimation, 4},                   {&g_vars.bExperimentIsRunning, 4},
        {&g_vars.bExperimentIsPaused, 4},          {&g_vars.dwExperimentStartTimeTicks, 4},
        {&g_vars.BBoxModul, 4}};
    EXPECT_EQ(host.announced, where);
}

TEST_F(Binding, SwitchesMayBeZero)
{
    host.missing = kMayBeZero;
    g_host.bTime24h = 7;  // a stale value must be overwritten, not kept
    EXPECT_EQ(Bind(), 1);
    EXPECT_EQ(host.requests.size(), 164u);
    EXPECT_EQ(g_host.bTime24h, 0u);
    EXPECT_EQ(g_host.bDecLeadingZero, 0u);
}

// Every other name is required: its 0 ends the binding right there.
TEST_F(Binding, FirstMissingNameEndsTheBinding)
{
    std::vector<std::string> all = variables;
    all.insert(all.end(), functions.begin(), functions.end());
    for (size_t i = 0; i < all.size(); ++i) {
        if (kMayBeZero.count(all[i])) continue;
        FakeHost h;
        h.missing = {all[i]};
        g_fake = &h;
        EXPECT_EQ(PLG_BindHost(FakeRequest, &h), 0) << all[i];
        EXPECT_EQ(h.requests.size(), i + 1) << all[i];
        EXPECT_TRUE(h.calls.empty()) << all[i];
    }
}

// A refused DefineDllModule or DefineDllVariable ends the binding at that call.
TEST_F(Binding, RefusedDefinitionEndsTheBinding)
{
    for (int n = 0; n <= 7; ++n) {
        FakeHost h;
        h.refuseModule = n == 0;
        h.refuseVariable = n;
        g_fake = &h;
        EXPECT_EQ(PLG_BindHost(FakeRequest, &h), 0) << n;
        EXPECT_EQ(h.calls.size(), (size_t)n + 1) << n;
    }
}

}  // namespace
