// Menu entries: the exact text the host receives and when a command is bound.
#include "menu_text.h"
#include "mod_kinds.h"
#include "plugin_state.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_texts;
int g_insertResult;
std::vector<std::pair<u32, MenuCommand>> g_commands;

int FakeInsertMenu(const char* text)
{
    g_texts.push_back(text);
    return g_insertResult;
}

void FakeRegisterMenuEntry(u32 id, MenuCommand command) { g_commands.push_back({id, command}); }

void Command(void) {}

class MenuText : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(&g_host, 0, sizeof g_host);
        g_host.TarnovaInsertMenu = FakeInsertMenu;
        g_host.RegisterMenuEntry = FakeRegisterMenuEntry;
        g_texts.clear();
        g_commands.clear();
        g_insertResult = 1;
    }
};

TEST_F(MenuText, GlobalSetupEntry)
{
    MENU_AddGlobalSetup(Command);
    ASSERT_EQ(g_texts.size(), 1u);
    EXPECT_EQ(g_texts[0], "2573;1;ME;ES;&Brennholt Kestrelwing//Global Setup;GLOBAL;4990;G;");
    ASSERT_EQ(g_commands.size(), 1u);
    EXPECT_EQ(g_commands[0].first, 4990u);
    EXPECT_EQ(g_commands[0].second, &Command);
}

// Only an answer of exactly 1 means the host took the entry.
TEST_F(MenuText, CommandBoundOnlyWhenTheHostAnswersOne)
{
    for (int answer : {0, 2, -1}) {
        g_insertResult = answer;
        MENU_AddGlobalSetup(Command);
        EXPECT_EQ(MENU_AddModuleEntry(2950, "x"), 0) << answer;
    }
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(g_texts.size(), 6u);  // the refused texts were still offered
}

TEST_F(MenuText, ModuleEntry)
{
    EXPECT_EQ(MENU_AddModuleEntry(2950, g_modKinds[MOD_ANALOGIN].labelEn), 1);
    EXPECT_EQ(MENU_AddModuleEntry(2955, g_modKinds[MOD_COUNTEROUT].labelDe), 1);
    ASSERT_EQ(g_texts.size(), 2u);
    EXPECT_EQ(g_texts[0], "2573;1;MOD;IO;Brennholt Kestrelwing//ETH//\"Analog-Input\";IO;2950; ;");
    EXPECT_EQ(g_texts[1],
              "2573;1;MOD;IO;Brennholt Kestrelwing//ETH//\"Zaehler-Ausgang\";IO;2955; ;");
    EXPECT_TRUE(g_commands.empty());
}

// Full fields cannot overrun the text: it is cut at the formatter's limit.
TEST_F(MenuText, LongFieldsAreCut)
{
    MenuInsert r = {};
    memset(r.group, 'g', sizeof r.group - 1);
    memset(r.subGroup, 's', sizeof r.subGroup - 1);
    memset(r.label, 'l', sizeof r.label - 1);
    memset(r.key, 'k', sizeof r.key - 1);
    char text[MENU_TEXT_SIZE];
    MENU_FormatText(&r, text);
    EXPECT_EQ(strlen(text), (size_t)MENU_TEXT_SIZE - 1);
    EXPECT_EQ(std::string(text, 10), "0;0;gggggg");
}

}  // namespace
