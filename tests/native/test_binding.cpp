// Host binding: what is asked, in which order, and where it stops; the menu
// entries the bound host receives.
#include "host_binding.h"
#include "menu_text.h"
#include "plugin_state.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// The seven switches that the host may answer with 0.
const std::set<std::string> kMayBeZero = {"bDateDayLeadingZero", "bDateMonthLeadingZero", "bDateYearLong",
                                          "wDateFormat", "bTime24h", "bTimeLeadingZero", "bDecLeadingZero"};

// A host that answers every name (variables with 0x1000 + the request's
// number, so that a shifted slot shows) but those it lacks, and records
// what it sees.
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

// Every name once, each answer in its own slot (a shifted slot shows in the
// separator's switch); then the definition opens and the seven plug-in
// variables are announced at their addresses and sizes.
TEST(Binding, AsksEveryNameOnceThenAnnouncesThePluginsVariables)
{
    FakeHost host;
    ASSERT_EQ(host.Bind(), 1);
    std::set<std::string> names;
    for (const auto& r : host.requests) EXPECT_TRUE(names.insert(r.second).second) << r.second;
    EXPECT_EQ(names.size(), 164u);
    EXPECT_EQ(g_host.bDecLeadingZero, 0x1015u);
    EXPECT_EQ(host.calls[0], "DefineDllModule");
    const std::vector<std::pair<void*, u32>> where = {
        {&g_vars.fGlobalMilliSecondsPerSample, 8}, {&g_vars.uiGlobalBlockSize, 4},
        {&g_vars.bAnimation, 4},                   {&g_vars.bExperimentIsRunning, 4},
        {&g_vars.bExperimentIsPaused, 4},          {&g_vars.dwExperimentStartTimeTicks, 4},
        {&g_vars.BBoxModul, 4}};
    EXPECT_EQ(host.announced, where);
}

// The seven switches may be 0 (a stale value is overwritten); any other
// missing name ends the binding right there, before the definitions, and so
// does a refused DefineDllModule or DefineDllVariable.
TEST(Binding, FirstMissingNameOrRefusedDefinitionEndsTheBinding)
{
    FakeHost all;
    all.missing = kMayBeZero;
    g_host.bTime24h = 7;
    EXPECT_EQ(all.Bind(), 1);
    EXPECT_EQ(g_host.bTime24h, 0u);

    for (size_t i = 0; i < all.requests.size(); ++i) {
        const std::string& name = all.requests[i].second;
        FakeHost h;
        h.missing = {name};
        bool zero = kMayBeZero.count(name);
        EXPECT_EQ(h.Bind(), zero ? 1 : 0) << name;
        EXPECT_EQ(h.requests.size(), zero ? 164 : i + 1) << name;
        EXPECT_EQ(h.calls.size(), zero ? 8u : 0u) << name;
    }
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
