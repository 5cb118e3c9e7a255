#include "menu_text.h"

#include "plugin_state.h"

#include <string.h>

#ifdef _WIN32
#define MENU_FORMAT wsprintfA  // writes at most MENU_TEXT_SIZE bytes
#else
#include <stdio.h>
// Cut at MENU_TEXT_SIZE as wsprintfA cuts: truncation is intended.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wformat-truncation"
#endif
#define MENU_FORMAT(buffer, ...) snprintf(buffer, MENU_TEXT_SIZE, __VA_ARGS__)
#endif

void MENU_FormatText(const MenuInsert* r, char text[MENU_TEXT_SIZE])
{
    // The second part is appended by formatting the first as its leading %s.
    char head[MENU_TEXT_SIZE];
    MENU_FORMAT(head, "%u;%u;%s;%s;", r->menuKind, r->menuFlag, r->group, r->subGroup);
    MENU_FORMAT(text, "%s%s;%s;%u;%c;", head, r->label, r->key, r->commandId, r->mnemonic);
}

int MENU_Insert(MenuInsert* r)
{
    char text[MENU_TEXT_SIZE];
    r->menuKind = MENU_KIND;
    r->menuFlag = MENU_FLAG;
    MENU_FormatText(r, text);
    return g_host.TarnovaInsertMenu(text) == 1 ? 1 : 0;
}

// Fills a record; the texts are bounded by their fields.
static void MENU_Fill(MenuInsert* r, const char* group, const char* subGroup, const char* label,
                      const char* key, u32 commandId, char mnemonic)
{
    memset(r, 0, sizeof *r);
    kw_strlcpy(r->group, group, sizeof r->group);
    kw_strlcpy(r->subGroup, subGroup, sizeof r->subGroup);
    kw_strlcpy(r->label, label, sizeof r->label);
    kw_strlcpy(r->key, key, sizeof r->key);
    r->commandId = commandId;
    r->mnemonic = mnemonic;
}

int MENU_AddModuleEntry(u32 nameId, const char* label)
{
    MenuInsert r;
    MENU_Fill(&r, "MOD", "IO", label, "IO", nameId, MENU_NO_MNEMONIC);
    return MENU_Insert(&r);
}

void MENU_AddGlobalSetup(MenuCommand command)
{
    MenuInsert r;
    MENU_Fill(&r, "ME", "ES", "&Brennholt Kestrelwing//Global Setup", "GLOBAL", MENU_GLOBAL_SETUP_ID,
              'G');
    if (MENU_Insert(&r)) g_host.RegisterMenuEntry(MENU_GLOBAL_SETUP_ID, command);
}
