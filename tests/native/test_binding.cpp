// Host binding: what is asked, in which order, and where it stops; the menu
// entries the bound host receives.
#include "host_binding.h"
#include "menu_text.h"
#include "plugin_state.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The names the host is asked for, in order: 59 variables, then 105 functions.
const char* const kNames =
    "hInstTarn MainMenu GlobalModuleClass &hwndDesk &Module &ViewModule &wNumberOfModules &uiHighModuleNumber "
    "&CurrentModule &CurrentModulePtr uiVersionsTyp uiDistributorTyp bDateDayLeadingZero bDateMonthLeadingZero "
    "bDateYearLong wDateFormat bTime24h bTimeLeadingZero TimeTrenn DezTrenn bDecLeadingZero DateTrenn "
    "&bDisplayWithoutWnd &bPauseIsDisabled &LAYER_OutputParam &StreamOptionen &TempStreamOptionen &CJ_Refs "
    "&CJ_Temp hBitChannel hBitLessMore hDkGrayPen hPipePenRed hPipePenGreen hLightRedBrush hGreenBrush "
    "InitialStartupDir ExeFileDir NameOfFlowChart FullNameOfFlowChart ProgFileNameIni DefStreamingDir "
    "DefFlowchartDir DefDataDir DefDeviceDir DefUtilityDir GlobalFlowChartInfo.Author GlobalFlowChartInfo.Company "
    "GlobalFlowChartInfo.Department GlobalFlowChartInfo.Title GlobalFlowChartInfo.Info DapSetup "
    "&ExperimentStartTime &StartingTimeTicks &SysInfo &SysOpt &DdeInstance &ToolTip &nWindowOrder "
    // functions
    "NewMemAlloc NewMemReAlloc NewDoMemFree DefineDllModule DefineDllVariable RegisterModuleClass "
    "PerformDefaultAction NewReleaseOutputBlock GetCurrentOutputBlock GetInputFifo GetInputBlock "
    "NewReleaseInputBlock ChangeModuleSize ChangeModuleName ChangeNameInString SendModuleMessage "
    "SendModChanMessage CopyChannelName FillUnitList MODUL_InitAll MODUL_DestroyAll InitMatrixNew ShowWarning "
    "EnableAllWindows ShowInternalError StopExperiment PauseExperiment CurrentExperimentTime "
    "DispatchQueuedMessages BBox_FullEnter BBox_FullLeave BBox_LightEnter BBox_LightLeave CreateSatellite "
    "UpdateSatellite RemoveUselessSatellites CreateStackedPen CreateStackedPenIndirect CreateStackedFontIndirect "
    "CreateStackedSolidBrush CreateStackedBrushIndirect DeleteStackedObject do_fft EditText "
    "LoadInterpolationTable LoadTableFromFile SearchForFileToLoad DoesFileExistAndMsg AskForFilenameChange "
    "CheckCreateDir InitPrinter PrintHeader ExitPrinter PrintFooter NextPage CheckedCreateFile CheckedOpenFile "
    "CreateAndShowToolTipWindow SendPanelMessage GlStr_RegisterByText GlStr_UnregisterByText ExpandString "
    "ExpandStringNumber ExpandVarNumber ExpandUnitString ExpandUnit GlStr_RegisterByNumber "
    "GlStr_UnregisterByNumber GlStr_Set GlStr_Get GlStr_PrefixGet GlVar_RegisterByNumber "
    "GlVar_UnregisterByNumber GlVar_Set GlVar_Get GlVar_PrefixGet GlVar_VarStringGet GlVar_SetSyntax "
    "GlStr_SetSyntax SetMenuForGlobalStrings SetMenuForGlobalVars DeleteMenuForGlobalStrings "
    "DeleteMenuForGlobalVars ShowVarsAndSelect DsbHasChanged RegisterMenuEntry RegisterExtraMemory "
    "FindModuleByName AddExtMemInstance RemoveExtMemInstance RegisterNewWorksheetNotification RegisterTimeBase "
    "UnregisterTimeBase SetTimeBase SetTimeBaseTime IncTimeBaseTime GetTimeBaseBlockSize "
    "GetTimeBaseSampleDistance GetTimeBaseTime FillTimeBaseCombo GetTimeBaseComboID TimeBaseDialog "
    "ScanStringForGlobals GlvoModuleNotifyGlobalVar TarnovaInsertMenu";
const std::set<std::string> kMayBeZero = {"bDateDayLeadingZero", "bDateMonthLeadingZero", "bDateYearLong",
                                          "wDateFormat", "bTime24h", "bTimeLeadingZero", "bDecLeadingZero"};

// A host that answers from its own table and records everything it sees.
struct FakeHost {
    std::set<std::string> missing;  // answered with 0
    int refused = -1;               // 0: DefineDllModule fails; n > 0: the n-th DefineDllVariable
    std::vector<std::pair<u32, std::string>> requests;
    std::vector<std::string> calls;  // DefineDllModule and DefineDllVariable, in order
    std::vector<std::pair<void*, u32>> announced;
    int Bind() { return s_host = this, PLG_BindHost(Request, this); }

    static inline FakeHost* s_host;
    static int DefineModule(void) { return s_host->calls.push_back("DefineDllModule"), s_host->refused != 0; }
    static int DefineVariable(const char* name, void* address, u32 size)
    {
        s_host->calls.push_back(name);
        s_host->announced.push_back({address, size});
        return (int)s_host->announced.size() != s_host->refused;
    }
    static void Other(void) {}
    static uintptr_t Request(void* context, u32 message, const char* name)
    {
        FakeHost* host = (FakeHost*)context;
        host->requests.push_back({message, name});
        std::string n = name;
        if (host->missing.count(n)) return 0;
        if (n == "DefineDllModule") return (uintptr_t)&DefineModule;
        if (n == "DefineDllVariable") return (uintptr_t)&DefineVariable;
        return message == TARN_MSG_GET_FUNCTION ? (uintptr_t)&Other : 0x1000 + host->requests.size();
    }
};

std::vector<std::string> Names()
{
    std::vector<std::string> out;
    std::istringstream in(kNames);
    for (std::string s; in >> s;) out.push_back(s);
    return out;
}

TEST(Binding, AsksEveryNameInOrderAndStoresEachAnswerInItsSlot)
{
    std::vector<std::string> names = Names();
    ASSERT_EQ(names.size(), 164u);
    FakeHost host;
    ASSERT_EQ(host.Bind(), 1);
    ASSERT_EQ(host.requests.size(), 164u);
    for (size_t i = 0; i < 164; ++i)
        EXPECT_EQ(host.requests[i], std::make_pair((u32)(i < 59 ? TARN_MSG_GET_VARIABLE : TARN_MSG_GET_FUNCTION),
                                                   names[i]));
    // Variables are answered 0x1000 + request number, so a shifted slot shows.
    EXPECT_EQ(g_host.hInstTarn, 0x1001u);
    EXPECT_EQ(g_host.DezTrenn, 0x1014u);
    EXPECT_EQ(g_host.p_nWindowOrder, 0x103Bu);
    EXPECT_EQ((void*)g_host.DefineDllVariable, (void*)&FakeHost::DefineVariable);
}

TEST(Binding, AnnouncesThePluginVariablesAfterOpeningTheDefinition)
{
    FakeHost host;
    ASSERT_EQ(host.Bind(), 1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"DefineDllModule", "fGlobalMilliSecondsPerSample",
                                                    "uiGlobalBlockSize", "bAnimation", "bExperimentIsRunning",
                                                    "bExperimentIsPaused", "dwExperimentStartTimeTicks",
                                                    "BBoxModul"}));
    const std::vector<std::pair<void*, u32>> where = {
        {&g_vars.fGlobalMilliSecondsPerSample, 8}, {&g_vars.uiGlobalBlockSize, 4},
        {&g_vars.bAnimation, 4},                   {&g_vars.bExperimentIsRunning, 4},
        {&g_vars.bExperimentIsPaused, 4},          {&g_vars.dwExperimentStartTimeTicks, 4},
        {&g_vars.BBoxModul, 4}};
    EXPECT_EQ(host.announced, where);
}

// The seven switches may be 0 (a stale value is overwritten); any other
// missing name ends the binding right there, before the definitions.
TEST(Binding, FirstMissingNameEndsTheBindingButTheSwitchesMayBeZero)
{
    FakeHost all;
    all.missing = kMayBeZero;
    g_host.bTime24h = 7;
    EXPECT_EQ(all.Bind(), 1);
    EXPECT_EQ(g_host.bTime24h, 0u);

    std::vector<std::string> names = Names();
    for (size_t i = 0; i < names.size(); ++i) {
        FakeHost h;
        h.missing = {names[i]};
        bool zero = kMayBeZero.count(names[i]);
        EXPECT_EQ(h.Bind(), zero ? 1 : 0) << names[i];
        EXPECT_EQ(h.requests.size(), zero ? 164 : i + 1) << names[i];
        EXPECT_EQ(h.calls.size(), zero ? 8u : 0u) << names[i];
    }
}

// A refused DefineDllModule or DefineDllVariable ends the binding at that call.
TEST(Binding, RefusedDefinitionEndsTheBinding)
{
    for (int n = 0; n <= 7; ++n) {
        FakeHost h;
        h.refused = n;
        EXPECT_EQ(h.Bind(), 0) << n;
        EXPECT_EQ(h.calls.size(), (size_t)n + 1) << n;
    }
}

std::vector<std::string> s_texts;
int s_answer;
std::vector<u32> s_bound;

void Command(void) {}

// Only an answer of exactly 1 means the host took an entry; refused texts were still offered.
TEST(MenuText, EntriesAndTheAnswerThatBindsTheCommand)
{
    g_host.TarnovaInsertMenu = [](const char* text) { return s_texts.push_back(text), s_answer; };
    g_host.RegisterMenuEntry = [](u32 id, MenuCommand command) { s_bound.push_back(command == &Command ? id : 0); };
    for (int answer : {0, 2, -1, 1}) {
        s_answer = answer;
        MENU_AddGlobalSetup(Command);
        EXPECT_EQ(MENU_AddModuleEntry(2955, "Brennholt Kestrelwing//ETH//\"Zaehler-Ausgang\""), answer == 1);
    }
    ASSERT_EQ(s_texts.size(), 8u);
    EXPECT_EQ(s_texts[6], "2573;1;ME;ES;&Brennholt Kestrelwing//Global Setup;GLOBAL;4990;G;");
    EXPECT_EQ(s_texts[7], "2573;1;MOD;IO;Brennholt Kestrelwing//ETH//\"Zaehler-Ausgang\";IO;2955; ;");
    EXPECT_EQ(s_bound, std::vector<u32>{4990});
}

}  // namespace
