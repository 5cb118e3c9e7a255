#include "plg_strings.h"
#include "plugin_state.h"

int PLG_LoadString(unsigned id, char* buffer, int size)
{
    if (size <= 0) return 0;
    buffer[0] = 0;
    return LoadStringA(g_instance, id, buffer, size);
}

unsigned PLG_ThreadLocale(void) { return GetThreadLocale(); }
