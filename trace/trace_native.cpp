// The trace's system side natively (tests): the C library's files, the
// steady clock, and the environment variable as the only setting.
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include <chrono>

#include "trace_control.h"

namespace {

void* Create(const char* path) { return fopen(path, "wb"); }
// The trace keeps its own buffer: what it writes goes to the file at once.
bool Write(void* file, const void* data, u32 size)
{
    return fwrite(data, 1, size, (FILE*)file) == size && fflush((FILE*)file) == 0;
}
void Close(void* file) { fclose((FILE*)file); }
bool Replace(const char* from, const char* to) { return rename(from, to) == 0; }

u64 Microseconds(void)
{
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return (u64)std::chrono::duration_cast<std::chrono::microseconds>(now).count();
}

void LocalTime(char* text, u32 size)
{
    time_t now = time(nullptr);
    struct tm local;
    if (!localtime_r(&now, &local) || !strftime(text, size, "%Y-%m-%d %H:%M:%S", &local)) kw_strlcpy(text, "", size);
}

const TraceSystem kSystem = {Create, Write, Close, Replace, Microseconds, LocalTime};

}  // namespace

bool TRC_Start(void)
{
    char path[TRC_PATH_SIZE];
    const char* temp = getenv("TMPDIR");
    char folder[TRC_PATH_SIZE];
    snprintf(folder, sizeof folder, "%s/", temp && *temp ? temp : "/tmp");
    return TRC_PathFromSettings(getenv("KESTRELWING_TRACE"), nullptr, folder, path, sizeof path) &&
           TRC_Open(&kSystem, path, TRC_FILE_LIMIT);
}

const TraceSystem* TRC_System(void) { return &kSystem; }
