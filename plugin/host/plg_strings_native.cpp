// Native builds have no resources: the same texts come from the shared table.
#include "plg_strings.h"

#include "kw_strings.h"
#include "kw_types.h"

#include <string.h>

int PLG_LoadString(unsigned id, char* buffer, int size)
{
    static const struct { unsigned id; const char* text; } table[] = {
#define KW_STRING_ROW(id, text) {id, text},
        KW_STRING_TABLE(KW_STRING_ROW)
#undef KW_STRING_ROW
    };
    if (size <= 0) return 0;
    buffer[0] = 0;
    for (const auto& row : table)
        if (row.id == id) {
            kw_strlcpy(buffer, row.text, (size_t)size);
            return (int)strlen(buffer);
        }
    return 0;
}

// Natively the locale is a setting of the test that needs another one.
unsigned g_plgNativeLocale = 1033;
unsigned PLG_ThreadLocale(void) { return g_plgNativeLocale; }
