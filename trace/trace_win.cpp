// The trace's Win32 side: the switch in the environment and in the registry,
// the user's temporary folder, the file and the clocks.
#include "trace_control.h"

#include <stdio.h>

namespace {

const char kVariable[] = "KESTRELWING_TRACE";
const char kKey[] = "Software\\Brennholt\\Kestrelwing";
const char kValue[] = "Trace";

void* Create(const char* path)
{
    // Others may read the file while it grows (support tools, an editor).
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    return file == INVALID_HANDLE_VALUE ? nullptr : file;
}

bool Write(void* file, const void* data, u32 size)
{
    DWORD written = 0;
    return WriteFile((HANDLE)file, data, size, &written, nullptr) && written == size;
}

void Close(void* file) { CloseHandle((HANDLE)file); }

bool Replace(const char* from, const char* to) { return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0; }

u64 Microseconds(void)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    u64 f = (u64)frequency.QuadPart, c = (u64)now.QuadPart;
    return c / f * 1000000 + c % f * 1000000 / f;
}

void LocalTime(char* text, u32 size)
{
    SYSTEMTIME t;
    GetLocalTime(&t);
    snprintf(text, size, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
}

const TraceSystem kSystem = {Create, Write, Close, Replace, Microseconds, LocalTime};

// The variable's value, "" when it is not set; false when it is too long to be a path.
bool ReadEnvironment(char* value, u32 size)
{
    DWORD n = GetEnvironmentVariableA(kVariable, value, size);
    if (n >= size) return false;
    value[n] = 0;
    return true;
}

// The registry's value as text (a REG_EXPAND_SZ expanded), "" when it is not there.
void ReadRegistry(char* value, u32 size)
{
    value[0] = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    char data[TRC_PATH_SIZE + 1];
    DWORD type = 0, bytes = sizeof data - 1;
    if (RegQueryValueExA(key, kValue, nullptr, &type, (BYTE*)data, &bytes) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        data[bytes] = 0;  // stored texts need not end with a terminator
        if (type == REG_SZ) kw_strlcpy(value, data, size);
        else if (ExpandEnvironmentStringsA(data, value, size) > size) value[0] = 0;
    }
    RegCloseKey(key);
}

}  // namespace

bool TRC_Start(void)
{
    char environment[TRC_PATH_SIZE], registry[TRC_PATH_SIZE], temp[MAX_PATH + 1] = "", path[TRC_PATH_SIZE];
    if (!ReadEnvironment(environment, sizeof environment)) return false;
    ReadRegistry(registry, sizeof registry);
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp) temp[0] = 0;
    return TRC_PathFromSettings(environment, registry, temp, path, sizeof path) &&
           TRC_Open(&kSystem, path, TRC_FILE_LIMIT);
}

const TraceSystem* TRC_System(void) { return &kSystem; }
