// Texts of the plug-in's string table.
#pragma once

// Loads string 'id' into buffer (size bytes, terminated); returns its length, 0 if absent.
int PLG_LoadString(unsigned id, char* buffer, int size);
