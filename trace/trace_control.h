// Opening and closing the diagnostic trace: start-up reads the settings and
// opens the file, shut-down closes it; tests open files of their own. Only
// the entry layer and the tests include this; the layers that write lines
// have trace.h.
//
// The file is bounded: when the next line would carry it past its limit it
// becomes the previous file and a new one begins, so the two newest are kept
// (a start-up, too, keeps the last session's file as the previous one).
#pragma once

#include "trace.h"

enum {
    TRC_FILE_LIMIT = 32 << 20,  // bytes of one file
    TRC_PATH_SIZE = 260,
};

// How the trace reaches its file and clocks: Win32 in the plug-in, the C
// library natively (tests).
struct TraceSystem {
    void* (*create)(const char* path);  // a new empty file, null when it cannot be created
    bool (*write)(void* file, const void* data, u32 size);
    void (*close)(void* file);
    // Renames 'from' to 'to', replacing 'to'; false when 'from' is not there.
    bool (*replace)(const char* from, const char* to);
    u64 (*microseconds)(void);                // a monotonic clock
    void (*localTime)(char* text, u32 size);  // "YYYY-MM-DD hh:mm:ss"
};

// The file the settings name: the environment variable's value when it is set
// (not empty), else the registry's. A value of "1" names
// kestrelwing-trace.txt in 'tempFolder' (which ends with a separator), "0" or
// nothing switches the trace off, anything else is the file's path. False
// when the trace stays off or the path does not fit.
bool TRC_PathFromSettings(const char* environment, const char* registry, const char* tempFolder, char* path,
                          u32 size);
// The previous file of 'path': ".1" inserted before the file name's extension
// ("trace.txt" -> "trace.1.txt", "trace" -> "trace.1"). False when it does not fit.
bool TRC_PreviousPath(const char* path, char* previous, u32 size);

// Keeps an existing file at 'path' as the previous one, creates a new file of
// at most 'fileLimit' bytes and writes the heading. False, with the trace
// off, when the file cannot be created.
bool TRC_Open(const TraceSystem* system, const char* path, u32 fileLimit);
// Reads the settings of the system this code runs on and opens the trace
// when they switch it on (trace_win.cpp, trace_native.cpp).
bool TRC_Start(void);
// The system side this code runs on: tests open small files with it.
const TraceSystem* TRC_System(void);
// Writes the lines that wait and closes the file; the trace is off.
void TRC_Close(void);

// With the trace on, after the host binding: g_host's ShowWarning and
// ShowInternalError write their text to the trace, then show it as before,
// so that no call site needs to know about the trace.
void TRC_WrapHostReports(void);
