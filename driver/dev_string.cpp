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
    if (!s) return false;
    size_t length = strnlen(s, DEV_STRING_SIZE);
    return length >= 8 && length < DEV_STRING_SIZE && s[0] == '\\' && s[1] == '?' && s[2] == '\\';
}

// Piece 'field' of a terminated string and its length; null when the string
// has fewer pieces.
static const char* FindField(const char* s, int field, size_t* length)
{
    for (int index = 0;; ++index) {
        while (*s == '#') ++s;
        if (!*s) return nullptr;
        *length = strcspn(s, "#");
        if (index == field) return s;
        s += *length;
    }
}

char* DEV_GetField(const char* s, int field)
{
    // Validity bounds the string, so the scan stays within its field.
    if (!DEV_IsValidString(s) || field < 0) return nullptr;
    size_t length;
    const char* piece = FindField(s, field, &length);
    if (!piece) return nullptr;
    char* copy = (char*)malloc(length + 1);
    if (!copy) return nullptr;
    memcpy(copy, piece, length);
    copy[length] = 0;
    return copy;
}

size_t DEV_NamingLength(const char* s)
{
    size_t length = 0;
    for (int field = DEV_FIELD_ADDRESS; field >= 0; --field)
        if (const char* piece = FindField(s, field, &length)) return (size_t)(piece - s) + length;
    return 0;
}

char* DEV_GetKind(const char* s) { return DEV_GetField(s, DEV_FIELD_KIND); }
char* DEV_GetSerial(const char* s) { return DEV_GetField(s, DEV_FIELD_SERIAL); }
char* DEV_GetAddress(const char* s) { return DEV_GetField(s, DEV_FIELD_ADDRESS); }

void DEV_FreeString(char* s) { free(s); }

i32 DEV_GetHandleField(const char* s)
{
    char* field = DEV_GetField(s, DEV_FIELD_HANDLE);
    if (!field) return -1;
    i32 handle = atoi(field);
    free(field);
    return handle;
}
