// Device strings: "\?\kind" and fields introduced by '#'.
//
// Fields are counted as strtok counts them: a run of '#' is one separator and
// empty pieces do not count, so an empty serial number moves the later fields
// down by one.
#include "dev_device.h"

#include <stdlib.h>
#include <string.h>

bool DEV_IsValidString(const char* s)
{
    return s && strlen(s) >= 8 && s[0] == '\\' && s[1] == '?' && s[2] == '\\';
}

char* DEV_GetField(const char* s, int field)
{
    if (!DEV_IsValidString(s) || field < 0) return nullptr;
    int index = 0;
    const char* p = s;
    for (;;) {
        while (*p == '#') ++p;
        if (!*p) return nullptr;  // fewer pieces than asked for
        size_t len = strcspn(p, "#");
        if (index == field) {
            char* copy = (char*)malloc(len + 1);
            if (!copy) return nullptr;
            memcpy(copy, p, len);
            copy[len] = 0;
            return copy;
        }
        p += len;
        ++index;
    }
}

char* DEV_GetKind(const char* s) { return DEV_GetField(s, 0); }
char* DEV_GetSerial(const char* s) { return DEV_GetField(s, 2); }
char* DEV_GetAddress(const char* s) { return DEV_GetField(s, 3); }

void DEV_FreeString(char* s) { free(s); }

i32 DEV_GetHandleField(const char* s)
{
    char* field = DEV_GetField(s, 1);
    if (!field) return -1;
    i32 handle = atoi(field);
    free(field);
    return handle;
}
