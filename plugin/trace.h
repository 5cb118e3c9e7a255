// Diagnostic trace: the one file support asks for when a device "does
// nothing". Off unless switched on at start-up; then every driver call, each
// module's run messages and dialogs, every warning and internal error shown,
// and each input module's account of its values go to it, one line each,
// stamped with the microseconds since start-up.
//
// The file is bounded: when the next line would carry it past its limit it
// becomes the previous file and a new one begins, so the two newest are kept
// (a start-up, too, keeps the last session's file as the previous one). Lines
// wait in a buffer that is written out when full, at every module's stop, at
// every warning or internal error and at shut-down. A file that cannot be
// created or written ends the trace; the plug-in works on without it.
#pragma once

#include "kw_types.h"

enum {
    TRC_FILE_LIMIT = 32 << 20,  // bytes of one file
    TRC_PATH_SIZE = 260,
    TRC_LINE_SIZE = 1024,  // a longer line is cut
    TRC_TEXT_CUT = 96,     // characters of a quoted text
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

// Whether the trace is on; read on every traced path, so kept in one flag.
extern bool g_trcOn;
static inline bool TRC_On(void) { return g_trcOn; }

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
// Writes the lines that wait; the file stays open.
void TRC_Flush(void);
// Writes the lines that wait and closes the file; the trace is off.
void TRC_Close(void);

// Microseconds since the trace was opened.
u64 TRC_Now(void);

// A line built piece by piece, then ended into the trace. Every piece is cut
// at the line's end.
struct TraceLine {
    char text[TRC_LINE_SIZE];
    u32 length;
};
void TRC_Begin(TraceLine* line, u64 time);
void TRC_Append(TraceLine* line, const char* format, ...) __attribute__((format(printf, 2, 3)));
// A text quoted, read no further than 'max' bytes and cut at TRC_TEXT_CUT
// characters ("..." after the quote then); control characters as \xNN; null as NULL.
void TRC_AppendText(TraceLine* line, const char* text, u32 max);
void TRC_End(TraceLine* line);

// One whole line, stamped with the time now.
void TRC_Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
