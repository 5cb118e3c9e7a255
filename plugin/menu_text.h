// Menu entries of the plug-in in the host's menus, as one line of text each.
#pragma once

#include "tarn_host.h"

enum {
    MENU_KIND = 2573,
    MENU_FLAG = 1,
    MENU_TEXT_SIZE = 1024,  // the host's formatter writes at most this many bytes
    MENU_GLOBAL_SETUP_ID = 4990,
};

// Module entries have no access key; their record holds this character.
#define MENU_NO_MNEMONIC ' '

struct MenuInsert {
    u32 menuKind;
    u32 menuFlag;
    char group[256];
    char subGroup[1024];
    char label[1024];  // menu path, levels separated by "//"
    char key[256];
    u32 commandId;
    char mnemonic;
};

// "kind;flag;group;subGroup;label;key;commandId;mnemonic;" into text.
void MENU_FormatText(const MenuInsert* r, char text[MENU_TEXT_SIZE]);

// Sets kind and flag, formats the record and hands the text to the host.
// Returns 1 when the host answered exactly 1, else 0.
int MENU_Insert(MenuInsert* r);

// The module palette entry of one kind; its command id is the name string id.
int MENU_AddModuleEntry(u32 nameId, const char* label);

// The global setup entry; the command is bound only when the host took the entry.
void MENU_AddGlobalSetup(MenuCommand command);
