// Texts of the plug-in's string table.
#pragma once

// Loads string 'id' into buffer (size bytes, terminated); returns its length, 0 if absent.
int PLG_LoadString(unsigned id, char* buffer, int size);

// The thread locale; 1031 (German, Germany) selects the German texts.
enum { PLG_LOCALE_GERMAN = 1031 };
unsigned PLG_ThreadLocale(void);
